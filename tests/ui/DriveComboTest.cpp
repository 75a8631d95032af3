// The drive combo: its places, selection, drawing and pictures, and the main
// window's reaction to a drive change.
#include "UiTestSupport.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/textctrl.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "DriveCombo.h"
#include "DrivePictures.h"
#include "main/StbDlg.h"

namespace
{

namespace fs = std::filesystem;

// Exposes the drawing of one item.
class CDrawableCombo : public CDriveCombo {
public:
    using CDriveCombo::CDriveCombo;
    using CDriveCombo::OnDrawBackground;
    using CDriveCombo::OnDrawItem;
};

class DriveComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        m_root = fs::temp_directory_path() /
                 ("quorvane-drives-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "home" / "u");
        fs::create_directories(m_root / "sys" / "sdb" / "sdb1");
        fs::create_directories(m_root / "sys" / "sda" / "sda1");
        std::ofstream(m_root / "sys" / "sdb" / "removable") << "1\n";
        std::ofstream(m_root / "sys" / "sda" / "removable") << "0\n";
        std::ofstream(m_root / "mounts") << "/dev/sda1 / ext4 rw 0 0\n"
                                            "/dev/sdb1 /media/u/STICK vfat rw 0 0\n"
                                            "/dev/sr0 /mnt/cdrom iso9660 ro 0 0\n"
                                            "tmpfs /run tmpfs rw 0 0\n"
                                            "server:/export /net/data nfs4 rw 0 0\n";
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "drives");
        m_pCombo = new CDrawableCombo(m_pFrame, IDC_DRIVE_COMBO, wxPoint(4, 4), wxSize(120, 24));
        m_pFrame->Show();
    }

    void TearDown() override
    {
        if (m_pFrame != nullptr)
            m_pFrame->Destroy();
        if (m_pDlg != nullptr)
            m_pDlg->Close(true);
        wxTheApp->ProcessIdle();
        fs::remove_all(m_root);
    }

    void Fill()
    {
        m_pCombo->FillDrives((m_root / "mounts").string(), (m_root / "sys").string(),
                             (m_root / "home" / "u").string());
    }

    // Draws item n as the list draws it into a bitmap; returns the image.
    wxImage DrawItem(int n, int nFlags, const wxSize& size = wxSize(100, 24))
    {
        wxBitmap bmp(size, 24);
        {
            wxMemoryDC dc(bmp);
            dc.SetFont(m_pCombo->GetFont());
            const wxRect rect(wxPoint(0, 0), size);
            m_pCombo->OnDrawBackground(dc, rect, n, nFlags);
            m_pCombo->OnDrawItem(dc, rect, n, nFlags);
        }
        return bmp.ConvertToImage();
    }

    static wxColour Pixel(const wxImage& img, int x, int y)
    {
        return wxColour(img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y));
    }

    fs::path m_root;
    wxFrame* m_pFrame = nullptr;
    CDrawableCombo* m_pCombo = nullptr;
    CStbDlg* m_pDlg = nullptr;
};

TEST_F(DriveComboTest, FillDrivesListsThePlacesInOrderAndSelectsNothing)
{
    Fill();
    const std::string strHome = (m_root / "home" / "u").string();
    struct Expected {
        const char* pText;
        std::string strPath;
        int nImage;
    } const aExpected[] = {
        {"/", "/", DRIVE_PICTURE_HARD_DISK},
        {"~", strHome, DRIVE_PICTURE_HARD_DISK},
        {"STICK", "/media/u/STICK", DRIVE_PICTURE_REMOVABLE},
        {"cdrom", "/mnt/cdrom", DRIVE_PICTURE_OPTICAL},
        {"data", "/net/data", DRIVE_PICTURE_NETWORK},
    };
    ASSERT_EQ(m_pCombo->GetCount(), std::size(aExpected));
    ASSERT_EQ(m_pCombo->Items().size(), std::size(aExpected));
    for (size_t n = 0; n < std::size(aExpected); ++n)
    {
        const DriveItem* pItem = m_pCombo->Item(static_cast<int>(n));
        ASSERT_NE(pItem, nullptr);
        EXPECT_EQ(m_pCombo->GetString(static_cast<unsigned>(n)), aExpected[n].pText);
        EXPECT_EQ(pItem->strText, aExpected[n].pText);
        EXPECT_EQ(pItem->strPath, aExpected[n].strPath);
        EXPECT_EQ(pItem->nImage, aExpected[n].nImage);
        EXPECT_EQ(pItem->nLevel, 1);
    }
    EXPECT_EQ(m_pCombo->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(m_pCombo->GetSelectedPath(), "");

    m_pCombo->SetSelection(2);
    EXPECT_EQ(m_pCombo->GetSelectedPath(), "/media/u/STICK");

    // Filling again replaces the list.
    Fill();
    EXPECT_EQ(m_pCombo->GetCount(), std::size(aExpected));
    EXPECT_EQ(m_pCombo->Items().size(), std::size(aExpected));
    EXPECT_EQ(m_pCombo->GetSelectedPath(), "");
    EXPECT_EQ(m_pCombo->Item(static_cast<int>(std::size(aExpected))), nullptr);
    EXPECT_EQ(m_pCombo->Item(-1), nullptr);
}

TEST_F(DriveComboTest, UnreadableMountsGiveRootAndHome)
{
    m_pCombo->FillDrives((m_root / "missing").string(), (m_root / "sys").string(),
                         (m_root / "home" / "u").string());
    ASSERT_EQ(m_pCombo->GetCount(), 2u);
    EXPECT_EQ(m_pCombo->GetString(0), "/");
    EXPECT_EQ(m_pCombo->GetString(1), "~");
}

TEST_F(DriveComboTest, ItemColoursComeFromTheSystemColours)
{
    const wxColour windowText = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    const CDriveCombo::ItemColours selected = CDriveCombo::ColoursFor(true, false);
    EXPECT_EQ(selected.back, wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
    EXPECT_EQ(selected.text, wxColour(255 - windowText.Red(), 255 - windowText.Green(),
                                      255 - windowText.Blue()));
    const CDriveCombo::ItemColours normal = CDriveCombo::ColoursFor(false, false);
    EXPECT_EQ(normal.back, wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    EXPECT_EQ(normal.text, windowText);
    EXPECT_EQ(CDriveCombo::ColoursFor(false, true).text,
              wxSystemSettings::GetColour(wxSYS_COLOUR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(CDriveCombo::ColoursFor(true, true).back,
              wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
}

TEST_F(DriveComboTest, ItemsAreDrawnWithPictureIndentAndSelectionColours)
{
    Fill();
    const wxImage selected = DrawItem(0, wxODCB_PAINTING_SELECTED);
    const wxImage plain = DrawItem(0, 0);
    // Far right: only the background.
    EXPECT_EQ(Pixel(selected, 98, 2), wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
    EXPECT_EQ(Pixel(plain, 98, 2), wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));

    // Level 1: the picture starts at the left edge.
    auto pictureArea = [&](const wxImage& img, int x0) {
        int nDiffering = 0;
        for (int y = 0; y < img.GetHeight(); ++y)
            for (int x = x0; x < x0 + DRIVE_PICTURE_SIZE; ++x)
                nDiffering += Pixel(img, x, y) != Pixel(img, 98, 2);
        return nDiffering;
    };
    EXPECT_GT(pictureArea(plain, 0), 20);

    // Level 2 moves the picture one step right.
    DriveItem deeper;
    deeper.nLevel = 2;
    deeper.nImage = DRIVE_PICTURE_FOLDER_OPEN;
    deeper.strText = "x";
    deeper.strPath = "/x";
    const int n = m_pCombo->AddDrive(deeper);
    const wxImage indented = DrawItem(n, 0);
    EXPECT_EQ(pictureArea(indented, 0), 0);
    EXPECT_GT(pictureArea(indented, DRIVE_LEVEL_INDENT), 20);

    // Disabled: the grey picture.
    m_pCombo->Disable();
    const wxImage grey = DrawItem(0, 0);
    m_pCombo->Enable();
    int nChanged = 0;
    for (int y = 0; y < DRIVE_PICTURE_SIZE; ++y)
        for (int x = 0; x < DRIVE_PICTURE_SIZE; ++x)
            nChanged += Pixel(grey, x, y) != Pixel(plain, x, y);
    EXPECT_GT(nChanged, 20);
}

TEST_F(DriveComboTest, NinePicturesInBothStrips)
{
    const CDrivePictures& pictures = m_pCombo->Pictures();
    ASSERT_TRUE(pictures.IsCreated());
    for (int i = 0; i < DRIVE_PICTURE_COUNT; ++i)
    {
        SCOPED_TRACE(i);
        const wxBitmap& normal = pictures.Normal(i);
        const wxBitmap& grey = pictures.Grey(i);
        ASSERT_TRUE(normal.IsOk());
        ASSERT_TRUE(grey.IsOk());
        EXPECT_EQ(normal.GetSize(), wxSize(DRIVE_PICTURE_SIZE, DRIVE_PICTURE_SIZE));
        EXPECT_EQ(grey.GetSize(), wxSize(DRIVE_PICTURE_SIZE, DRIVE_PICTURE_SIZE));
        // Something is drawn, and the grey one has no colour.
        const wxImage img = normal.ConvertToImage();
        const wxImage imgGrey = grey.ConvertToImage();
        int nOpaque = 0;
        int nColoured = 0;
        for (int y = 0; y < DRIVE_PICTURE_SIZE; ++y)
            for (int x = 0; x < DRIVE_PICTURE_SIZE; ++x)
            {
                nOpaque += !img.HasAlpha() || img.GetAlpha(x, y) > 128;
                nColoured += std::abs(imgGrey.GetRed(x, y) - imgGrey.GetGreen(x, y)) > 8 ||
                             std::abs(imgGrey.GetGreen(x, y) - imgGrey.GetBlue(x, y)) > 8;
            }
        EXPECT_GT(nOpaque, 30);
        EXPECT_LT(nOpaque, DRIVE_PICTURE_SIZE * DRIVE_PICTURE_SIZE);
        EXPECT_EQ(nColoured, 0);
    }
    EXPECT_FALSE(pictures.Normal(DRIVE_PICTURE_COUNT).IsOk());
    EXPECT_FALSE(pictures.Grey(-1).IsOk());
}

TEST_F(DriveComboTest, MainWindowPlacesTheComboAndSelectsHome)
{
    m_pDlg = new CStbDlg();
    m_pDlg->Show();
    ServeEvents();
    ASSERT_NE(m_pDlg->m_comboDrive, nullptr);
    const wxSize client = m_pDlg->m_panel->GetClientSize();
    const MainLayout layout = ComputeMainLayout(client.x, client.y, true);
    EXPECT_EQ(m_pDlg->m_comboDrive->GetPosition(), layout.rcDriveCombo.GetPosition());
    EXPECT_EQ(m_pDlg->m_comboDrive->GetId(), IDC_DRIVE_COMBO);
    ASSERT_GT(m_pDlg->m_comboDrive->GetCount(), 0u);
    EXPECT_EQ(m_pDlg->m_comboDrive->GetString(0), "/");
    const int nHome = FindHomePlace(m_pDlg->m_comboDrive->Items());
    EXPECT_EQ(m_pDlg->m_comboDrive->GetSelection(), nHome >= 0 ? nHome : wxNOT_FOUND);
}

TEST_F(DriveComboTest, DriveChangeListsThePlaceOrReportsInvalidDrive)
{
    m_pDlg = new CStbDlg();
    m_pDlg->Show();
    ServeEvents();
    fs::create_directories(m_root / "place" / "sub");
    std::ofstream(m_root / "place" / "a.txt") << "x";
    DriveItem item;
    item.strText = "place";
    item.strPath = (m_root / "place").string();
    const int n = m_pDlg->m_comboDrive->AddDrive(item);

    // The selection change as the control sends it.
    auto change = [&](int nSel) {
        m_pDlg->m_comboDrive->SetSelection(nSel);
        wxCommandEvent event(wxEVT_COMBOBOX, IDC_DRIVE_COMBO);
        event.SetEventObject(m_pDlg->m_comboDrive);
        event.SetInt(nSel);
        m_pDlg->m_comboDrive->GetEventHandler()->ProcessEvent(event);
    };
    change(n);
    EXPECT_EQ(m_pDlg->m_editHostPath->GetValue().utf8_string(), item.strPath);
    std::vector<std::string> vecNames;
    for (const PaneRow& row : m_pDlg->m_listHost->Rows())
        vecNames.push_back(row.strName);
    EXPECT_NE(std::find(vecNames.begin(), vecNames.end(), "sub"), vecNames.end());
    EXPECT_NE(std::find(vecNames.begin(), vecNames.end(), "a.txt"), vecNames.end());

    auto pShown = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(change(wxNOT_FOUND), CExpectMessageBox(wxID_OK, pShown));
    EXPECT_EQ(pShown->nCount, 1);
    EXPECT_EQ(pShown->message, "Invalid drive");
    EXPECT_EQ(pShown->caption.utf8_string(), MSG_APP_TITLE);
    EXPECT_TRUE(m_pDlg->m_listHost->Rows().empty());
    EXPECT_EQ(m_pDlg->m_editHostPath->GetValue().utf8_string(), item.strPath);
}

}  // namespace
