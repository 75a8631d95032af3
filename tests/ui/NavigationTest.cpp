// Navigation: double-clicks on both panes, the selection rules, and the row
// look-ups the transfer jobs use.
#include "PaneTestSupport.h"

#include <wx/menu.h>

#include "../CommandIds.h"

namespace
{

using Strings = std::vector<std::string>;

class NavigationTest : public PaneTest {
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        // Count the transfer commands a double-click on a file starts.
        m_pDlg->Bind(wxEVT_MENU, [this](wxCommandEvent&) { ++m_nDownloads; },
                     WxCommandId(IDM_DOWNLOAD));
        m_pDlg->Bind(wxEVT_MENU, [this](wxCommandEvent&) { ++m_nUploads; }, WxCommandId(IDM_UPLOAD));
    }

    bool MenuEnabled(int nId) const
    {
        return m_pDlg->GetMenuBar()->IsEnabled(WxCommandId(nId));
    }

    int m_nDownloads = 0;
    int m_nUploads = 0;
};

TEST_F(NavigationTest, HostDoubleClicksEnterFoldersAndGoUp)
{
    std::filesystem::create_directories(m_host / "dir" / "sub");
    std::filesystem::create_directory(m_host / "notes..");
    MakeFile(m_host / "dir" / "file.txt", 5);
    m_pDlg->RefreshHostList(m_host.string());
    CPaneList* pList = m_pDlg->m_listHost;

    SelectOnly(pList, "dir");
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_pDlg->GetHostPath(), (m_host / "dir").string());
    EXPECT_EQ(Names(pList), (Strings{"..", "sub", "file.txt"}));
    EXPECT_EQ(pList->FirstSelectedRow(), -1);

    SelectOnly(pList, "..");
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_pDlg->GetHostPath(), m_host.string());

    // A folder whose name only ends with ".." is entered, not left.
    SelectOnly(pList, "notes..");
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_pDlg->GetHostPath(), (m_host / "notes..").string());
    EXPECT_EQ(m_nDownloads, 0);

    // Going up ends at the root, which has no "..".
    m_pDlg->RefreshHostList("/tmp");
    SelectOnly(pList, "..");
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_pDlg->GetHostPath(), "/");
    EXPECT_EQ(m_pDlg->FindListItem(pList, "..", 1), -1);
}

TEST_F(NavigationTest, HostDoubleClickOnFileOrNothingStartsDownload)
{
    MakeFile(m_host / "file.txt", 5);
    m_pDlg->RefreshHostList(m_host.string());
    SelectOnly(m_pDlg->m_listHost, "file.txt");
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_nDownloads, 1);
    EXPECT_EQ(m_pDlg->GetHostPath(), m_host.string());
    EXPECT_EQ(m_pDlg->m_listHost->FirstSelectedRow(), 1);

    m_pDlg->m_listHost->ClearSelection();
    m_pDlg->OnHostListDblClk();
    EXPECT_EQ(m_nDownloads, 2);
    EXPECT_EQ(m_pDlg->GetHostPath(), m_host.string());
}

TEST_F(NavigationTest, ReceiverDoubleClicksChangeFolderOnBothSides)
{
    std::filesystem::create_directories(m_disk / "a" / "b");
    MakeFile(m_disk / "a" / "b" / "song.mp3", 10);
    Connect();
    m_pDlg->RefreshDeviceList("/");
    CPaneList* pList = m_pDlg->m_listDevice;

    SelectOnly(pList, "a");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/a");
    EXPECT_EQ(m_pEmulator->CurrentDir(), "/a");
    SelectOnly(pList, "b");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/a/b");
    EXPECT_EQ(Names(pList), (Strings{"..", "song.mp3"}));

    SelectOnly(pList, "song.mp3");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_nUploads, 1);
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/a/b");

    SelectOnly(pList, "..");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/a");
    EXPECT_EQ(m_pEmulator->CurrentDir(), "/a");
    SelectOnly(pList, "..");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/");
    EXPECT_EQ(Names(pList), (Strings{"a"}));
}

TEST_F(NavigationTest, RefusedReceiverFolderChangeKeepsTheOldFolder)
{
    std::filesystem::create_directory(m_disk / "a");
    Connect();
    m_pDlg->RefreshDeviceList("/");
    m_pEmulator->RefuseOpcode('V');
    SelectOnly(m_pDlg->m_listDevice, "a");
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/");
    EXPECT_EQ(m_pEmulator->CurrentDir(), "/");
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"a"}));
    ASSERT_FALSE(StatusLines().empty());
    EXPECT_EQ(StatusLines().back(), "Change directory failed : /a");
}

TEST_F(NavigationTest, ReceiverFolderNamesUpTo59BytesCanBeEntered)
{
    const std::string str59(59, 'n');
    std::filesystem::create_directory(m_disk / str59);
    Connect();
    m_pDlg->RefreshDeviceList("/");
    SelectOnly(m_pDlg->m_listDevice, str59);
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/" + str59);

    // A 60-byte name (a full entry field without its NUL) is refused with a
    // message box before anything is sent.
    const std::string str60(60, 'm');
    m_pDlg->m_listDevice->SetRows({PaneRow{str60, true, 0}});
    m_pDlg->m_listDevice->SelectRow(0);
    g_bDeviceItemEditable = 1;
    m_pEmulator->ClearCalls();
    auto pShown = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(m_pDlg->OnDeviceListDblClk(), CExpectMessageBox(wxID_OK, pShown));
    EXPECT_EQ(pShown->nCount, 1);
    EXPECT_EQ(pShown->message.utf8_string(),
              str60 + " File name is too long. Max length is  59");
    EXPECT_TRUE(m_pEmulator->Calls().empty());
    EXPECT_EQ(m_pDlg->GetDevicePath(), "/" + str59);
    EXPECT_EQ(g_bDeviceItemEditable, 0);
}

TEST_F(NavigationTest, DeviceDoubleClickWhileDisconnectedDoesNothing)
{
    m_pDlg->m_listDevice->SetRows({PaneRow{"f", false, 1}});
    m_pDlg->m_listDevice->SelectRow(0);
    m_pDlg->OnDeviceListDblClk();
    EXPECT_EQ(m_nUploads, 0);
}

struct EditCase {
    const char* pFolder;
    const char* pName;
    bool bEditable;
};

TEST_F(NavigationTest, ProtectedReceiverFoldersAreNeverEditable)
{
    const EditCase aCases[] = {
        {"/", "MP3", false},          {"/", "MP3 Music", false}, {"/", "Image", false},
        {"/", "Images", false},       {"/", "mp3", true},        {"/", "image", true},
        {"/MP3", "song.mp3", true},   {"/MP3", "MP3 Album", false},
        {"/Music", "MP3", true},      {"/Image", "Image1.ppm", false},
        {"/Image", "photo.ppm", true}, {"/", ".hidden", false},  {"/a", "..", false},
        {"/", "Movies", true},
    };
    for (const EditCase& c : aCases)
        EXPECT_EQ(CStbDlg::IsDeviceItemEditable(c.pFolder, c.pName), c.bEditable)
            << c.pFolder << " " << c.pName;
}

TEST_F(NavigationTest, ClicksOfferRenameAndDeleteByTheRules)
{
    // Host pane: names starting with "." and no selection are not editable.
    m_pDlg->m_listHost->SetRows({PaneRow{"..", true, 0}, PaneRow{".hidden", false, 1},
                                 PaneRow{"photo", false, 1}});
    const std::pair<const char*, bool> aHost[] = {{"photo", true}, {"..", false}, {".hidden", false}};
    for (const auto& [pName, bEditable] : aHost)
    {
        SelectOnly(m_pDlg->m_listHost, pName);
        m_pDlg->OnHostListClick();
        EXPECT_EQ(m_pDlg->m_bHostItemEditable, bEditable) << pName;
        EXPECT_EQ(MenuEnabled(IDM_HOST_RENAME), bEditable) << pName;
        EXPECT_EQ(MenuEnabled(IDM_HOST_DELETE), bEditable) << pName;
    }
    SelectOnly(m_pDlg->m_listHost, "photo");
    m_pDlg->OnHostListClick();
    m_pDlg->m_listHost->ClearSelection();
    m_pDlg->OnHostListClick();
    EXPECT_FALSE(MenuEnabled(IDM_HOST_DELETE));

    // Device pane: the flag and the menu items follow the first selected row.
    m_pDlg->SetDevicePath("/");
    m_pDlg->m_listDevice->SetRows({PaneRow{"MP3", true, 0}, PaneRow{"Movies", true, 0}});
    m_pDlg->m_listDevice->SelectRow(1);
    m_pDlg->OnDeviceListClick();
    EXPECT_EQ(g_bDeviceItemEditable, 1);
    EXPECT_TRUE(MenuEnabled(IDM_DEVICE_RENAME));
    m_pDlg->m_listDevice->SelectRow(0);  // MP3 is now the first selected row
    m_pDlg->OnDeviceListClick();
    EXPECT_EQ(g_bDeviceItemEditable, 0);
    EXPECT_FALSE(MenuEnabled(IDM_DEVICE_RENAME));
    EXPECT_FALSE(MenuEnabled(IDM_DEVICE_DELETE));
}

TEST_F(NavigationTest, FindListItemMatchesNameIgnoringCaseAndKind)
{
    CPaneList* pList = m_pDlg->m_listHost;
    pList->SetRows({PaneRow{"..", true, 0}, PaneRow{"MOVIES", true, 0}, PaneRow{"movies", false, 3},
                    PaneRow{"\xC3\x84rger", false, 1}});
    EXPECT_EQ(m_pDlg->FindListItem(pList, "Movies", 1), 1);
    EXPECT_EQ(m_pDlg->FindListItem(pList, "Movies", 0), 2);
    EXPECT_EQ(m_pDlg->FindListItem(pList, "\xC3\xA4RGER", 0), 3);
    EXPECT_EQ(m_pDlg->FindListItem(pList, "Movie", 1), -1);
    pList->SetRows({PaneRow{"movies", false, 3}});
    EXPECT_EQ(m_pDlg->FindListItem(pList, "Movies", 1), -1);
    pList->ClearRows();
    EXPECT_EQ(m_pDlg->FindListItem(pList, "Movies", 0), -1);
}

// The double-click reaches the navigation from the control's row area.
TEST_F(NavigationTest, MouseDoubleClickOnRowAreaNavigates)
{
    std::filesystem::create_directory(m_host / "dir");
    m_pDlg->RefreshHostList(m_host.string());
    SelectOnly(m_pDlg->m_listHost, "dir");
    wxWindow* pRows = nullptr;
    for (wxWindow* pChild : m_pDlg->m_listHost->GetChildren())
    {
        if (pChild->GetPosition().y > 0 || pRows == nullptr)
            pRows = pChild;
    }
    ASSERT_NE(pRows, nullptr);
    const wxRect rc = [&] {
        wxRect r;
        m_pDlg->m_listHost->GetItemRect(1, r);
        return r;
    }();
    for (wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP})
    {
        wxMouseEvent event(type);
        event.SetEventObject(pRows);
        event.SetPosition(wxPoint(rc.x + 20, rc.y + rc.height / 2));
        event.m_leftDown = type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK;
        pRows->GetEventHandler()->ProcessEvent(event);
    }
    EXPECT_TRUE(ServeEventsUntil([&] { return m_pDlg->GetHostPath() == (m_host / "dir").string(); }));
}

}  // namespace
