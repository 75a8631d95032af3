// The main window as the user meets it: menus by language, layout, sizes.
#include "UiTestSupport.h"

#include <filesystem>
#include <string>
#include <unistd.h>

#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "main/StbDlg.h"

namespace
{

// Opens a main window in the language given and closes it at the end.
class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Close();
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
    }

    CStbDlg* Open(int nLanguage = LANGUAGE_ENGLISH)
    {
        Close();
        g_nLanguage = nLanguage;
        BuildCatalogue();
        m_pDlg = new CStbDlg();
        m_pDlg->Show();
        ServeEvents();
        return m_pDlg;
    }

    void Close()
    {
        if (m_pDlg == nullptr)
            return;
        m_pDlg->Close(true);
        wxTheApp->ProcessIdle();  // deletes the destroyed window
        m_pDlg = nullptr;
    }

    // Resizes the frame and waits until the panel has the new size.
    wxSize ResizeTo(int nWidth, int nHeight)
    {
        const wxSize before = m_pDlg->m_panel->GetClientSize();
        m_pDlg->SetSize(nWidth, nHeight);
        ServeEventsUntil([&] { return m_pDlg->m_panel->GetClientSize() != before; });
        ServeEvents();
        return m_pDlg->m_panel->GetClientSize();
    }

    CStbDlg* m_pDlg = nullptr;
};

const int kAllCommands[] = {
    IDM_CONNECT,         IDM_DISCONNECT,     IDM_FORMAT,        IDM_PREFERENCE,
    IDM_EXIT,            IDM_HOST_NEW_FOLDER, IDM_HOST_RENAME,  IDM_HOST_DELETE,
    IDM_HOST_REFRESH,    IDM_DEVICE_NEW_FOLDER, IDM_DEVICE_RENAME, IDM_DEVICE_DELETE,
    IDM_DEVICE_REFRESH,  IDM_UPLOAD,         IDM_DOWNLOAD,      IDM_CLEAR_STATUS,
    IDM_ABOUT};

bool GreyedAtStart(int nId)
{
    return nId == IDM_HOST_RENAME || nId == IDM_HOST_DELETE || nId == IDM_DEVICE_RENAME ||
           nId == IDM_DEVICE_DELETE;
}

struct MenuCase {
    int nLanguage;
    const char* pFile;
    const char* pConnect;
    const char* pClearStatus;
    const char* pHelp;
    const char* pAbout;
};

TEST_F(MainWindowTest, MenuFollowsLanguageWithSelectionCommandsGreyed)
{
    const MenuCase aCases[] = {
        {0, "&File(&F)", "Connect(&C)", "Clear Status Message(&C)", "Help(&H)", "About(&A)"},
        {1, "&Datei(&F)", "Verbinden(&C)", "Statusanzeige schließen(&C)", "Hilfe(&H)", "Über(&A)"},
        {2, "파일(&F)", "연결(&C)", "상태 메시지 지우기(&C)", "도움말(&H)", "프로그램정보(&A)"},
        {3, "&File(&F)", "Connect(&C)", "Clear Status Message(&C)", "Help(&H)", "About(&A)"},
        {-1, "&File(&F)", "Connect(&C)", "Clear Status Message(&C)", "Help(&H)", "About(&A)"},
    };
    for (const MenuCase& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << "language " << c.nLanguage);
        CStbDlg* pDlg = Open(c.nLanguage);
        wxMenuBar* pBar = pDlg->GetMenuBar();
        ASSERT_NE(pBar, nullptr);
        ASSERT_EQ(pBar->GetMenuCount(), 3u);
        EXPECT_EQ(pBar->GetMenuLabel(0).utf8_string(), c.pFile);
        EXPECT_EQ(pBar->GetMenuLabel(2).utf8_string(), c.pHelp);
        EXPECT_EQ(pBar->FindItem(WxCommandId(IDM_CONNECT))->GetItemLabel().utf8_string(), c.pConnect);
        EXPECT_EQ(pBar->FindItem(WxCommandId(IDM_CLEAR_STATUS))->GetItemLabel().utf8_string(), c.pClearStatus);
        EXPECT_EQ(pBar->FindItem(WxCommandId(IDM_ABOUT))->GetItemLabel().utf8_string(), c.pAbout);
        for (int nId : kAllCommands)
        {
            wxMenuItem* pItem = pBar->FindItem(WxCommandId(nId));
            ASSERT_NE(pItem, nullptr) << nId;
            EXPECT_EQ(pItem->IsEnabled(), !GreyedAtStart(nId)) << nId;
        }
        EXPECT_EQ(pDlg->GetTitle(), "Quorvane");
    }
}

TEST_F(MainWindowTest, MenuStructureHasSubMenusAndSeparators)
{
    CStbDlg* pDlg = Open();
    wxMenu* pFile = pDlg->GetMenuBar()->GetMenu(0);
    ASSERT_EQ(pFile->GetMenuItemCount(), 6u);
    EXPECT_EQ(CommandFromWxId(pFile->FindItemByPosition(0)->GetId()), IDM_CONNECT);
    EXPECT_TRUE(pFile->FindItemByPosition(2)->IsSeparator());
    EXPECT_EQ(CommandFromWxId(pFile->FindItemByPosition(5)->GetId()), IDM_EXIT);

    wxMenu* pTool = pDlg->GetMenuBar()->GetMenu(1);
    ASSERT_EQ(pTool->GetMenuItemCount(), 7u);
    wxMenu* pHost = pTool->FindItemByPosition(0)->GetSubMenu();
    wxMenu* pDevice = pTool->FindItemByPosition(1)->GetSubMenu();
    ASSERT_NE(pHost, nullptr);
    ASSERT_NE(pDevice, nullptr);
    EXPECT_EQ(CommandFromWxId(pHost->FindItemByPosition(3)->GetId()), IDM_HOST_REFRESH);
    EXPECT_EQ(CommandFromWxId(pDevice->FindItemByPosition(0)->GetId()), IDM_DEVICE_NEW_FOLDER);
    EXPECT_EQ(CommandFromWxId(pTool->FindItemByPosition(6)->GetId()), IDM_CLEAR_STATUS);
}

TEST_F(MainWindowTest, LanguageChangeLoadsFreshMenuWithEverythingEnabled)
{
    CStbDlg* pDlg = Open(LANGUAGE_ENGLISH);
    g_nLanguage = LANGUAGE_KOREAN;
    BuildCatalogue();
    pDlg->LoadMainMenu();
    wxMenuBar* pBar = pDlg->GetMenuBar();
    EXPECT_EQ(pBar->GetMenuLabel(1).utf8_string(), "도구(&T)");
    for (int nId : kAllCommands)
        EXPECT_TRUE(pBar->FindItem(WxCommandId(nId))->IsEnabled()) << nId;

    pDlg->UpdateColumnCaptions();
    wxListItem col;
    col.SetMask(wxLIST_MASK_TEXT);
    ASSERT_TRUE(pDlg->m_listDevice->GetColumn(PANE_COL_SIZE, col));
    EXPECT_EQ(col.GetText().utf8_string(), "크기");
}

TEST_F(MainWindowTest, PanesHaveNameAndSizeColumns)
{
    CStbDlg* pDlg = Open(LANGUAGE_GERMAN);
    for (CPaneList* pList : {pDlg->m_listHost, pDlg->m_listDevice})
    {
        ASSERT_EQ(pList->GetColumnCount(), 2);
        wxListItem col;
        col.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH);
        ASSERT_TRUE(pList->GetColumn(PANE_COL_NAME, col));
        EXPECT_EQ(col.GetText(), "Name");
        EXPECT_EQ(col.GetWidth(), 240);
        ASSERT_TRUE(pList->GetColumn(PANE_COL_SIZE, col));
        EXPECT_EQ(col.GetText().utf8_string(), "Größe");
        EXPECT_EQ(col.GetWidth(), 60);
    }
    EXPECT_EQ(pDlg->m_listHost->GetId(), 1003);
    EXPECT_EQ(pDlg->m_listDevice->GetId(), 1006);
    EXPECT_EQ(pDlg->m_editHostPath->GetId(), 1002);
    EXPECT_EQ(pDlg->m_editDevicePath->GetId(), 1005);
    EXPECT_EQ(pDlg->m_listStatus->GetId(), 1004);
    EXPECT_FALSE(pDlg->m_editHostPath->IsEditable());
    EXPECT_FALSE(pDlg->m_editDevicePath->IsEditable());
    EXPECT_EQ(pDlg->m_statusBar->GetFieldsCount(), 3);
    // Part 0 ends 300 pixels before the right edge, part 1 150 pixels before.
    const int w = pDlg->m_statusBar->GetClientSize().x;
    EXPECT_EQ(pDlg->m_statusBar->GetStatusWidth(STATUS_PART_MESSAGE), w - 300);
    EXPECT_EQ(pDlg->m_statusBar->GetStatusWidth(STATUS_PART_FREE), 150);
    EXPECT_EQ(pDlg->m_statusBar->GetStatusWidth(STATUS_PART_TOTAL), -1);
}

TEST_F(MainWindowTest, PaneShowsRowsFromItsVector)
{
    CStbDlg* pDlg = Open();
    pDlg->m_listDevice->SetRows({{"..", true, 0},
                                 {"MP3", true, 0},
                                 {"empty.ts", false, 0},
                                 {"caf\xC3\xA9\xFF.ts", false, 2048},
                                 {"big.ts", false, 3000000000ull}});
    ServeEvents();
    CPaneList* pList = pDlg->m_listDevice;
    ASSERT_EQ(pList->GetItemCount(), 5);
    EXPECT_EQ(pList->GetItemText(1, PANE_COL_NAME), "MP3");
    EXPECT_EQ(pList->GetItemText(1, PANE_COL_SIZE), " ");
    EXPECT_EQ(pList->GetItemText(2, PANE_COL_SIZE), "1KB");
    // Bytes that are not UTF-8 are shown escaped; the row keeps them.
    EXPECT_EQ(pList->GetItemText(3, PANE_COL_NAME).utf8_string(), "caf\xC3\xA9\\xFF.ts");
    EXPECT_EQ(pList->Row(3)->strName, "caf\xC3\xA9\xFF.ts");
    EXPECT_EQ(pList->GetItemText(3, PANE_COL_SIZE), "2KB");
    EXPECT_EQ(pList->GetItemText(4, PANE_COL_SIZE), "2929687KB");

    pList->SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    pList->SetItemState(4, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    EXPECT_EQ(pList->SelectedRows(), (std::vector<long>{2, 4}));
    pList->ClearRows();
    EXPECT_EQ(pList->GetItemCount(), 0);
    EXPECT_EQ(pList->FirstSelectedRow(), -1);
}

// Expected rectangles worked out by hand from the layout rules.
TEST(MainLayoutTest, FormulasAtTwoSizes)
{
    // After a resize, W 792 x H 553: 2W/5 = 316, 7H/10 = 387, H/25 = 22, W/16 = 49.
    const MainLayout a = ComputeMainLayout(792, 553, false);
    EXPECT_EQ(a.rcTopTool, wxRect(0, 0, 792, 34));
    EXPECT_EQ(a.rcDriveCombo, wxRect(4, 38, 58, 24));
    EXPECT_EQ(a.rcHostPath, wxRect(66, 38, 298, 24));
    EXPECT_EQ(a.rcHostTool, wxRect(4, 66, 40, 387));
    EXPECT_EQ(a.rcHostList, wxRect(48, 66, 316, 387));
    EXPECT_EQ(a.rcUpload, wxRect(379, 176, 34, 34));
    EXPECT_EQ(a.rcDownload, wxRect(379, 260, 34, 34));
    EXPECT_EQ(a.rcDeviceTool, wxRect(739, 64, 49, 387));
    EXPECT_EQ(a.rcDevicePath, wxRect(419, 38, 316, 24));
    EXPECT_EQ(a.rcDeviceList, wxRect(419, 66, 316, 387));
    EXPECT_EQ(a.rcStatusList, wxRect(4, 469, 784, 60));
    EXPECT_EQ(a.rcStatusBar, wxRect(4, 529, 784, 20));
    EXPECT_EQ(a.rcSplitLeft, wxRect(370, 34, 5, 421));
    EXPECT_EQ(a.rcSplitRight, wxRect(414, 34, 5, 421));
    EXPECT_EQ(a.rcSplitStatus, wxRect(4, 455, 788, 5));

    // At start-up, W 1000 x H 700: the device toolbar is 40 wide.
    const MainLayout b = ComputeMainLayout(1000, 700, true);
    EXPECT_EQ(b.rcDeviceTool, wxRect(956, 70, 40, 490));
    EXPECT_EQ(b.rcDevicePath, wxRect(552, 38, 400, 24));
    EXPECT_EQ(b.rcDeviceList, wxRect(552, 66, 400, 490));
    EXPECT_EQ(b.rcHostPath, wxRect(66, 38, 382, 24));
    EXPECT_EQ(b.rcUpload, wxRect(483, 250, 34, 34));
    EXPECT_EQ(b.rcDownload, wxRect(483, 334, 34, 34));
    EXPECT_EQ(b.rcStatusList, wxRect(4, 572, 992, 104));
    EXPECT_EQ(b.rcSplitStatus, wxRect(4, 564, 996, 5));

    // The two toolbar widths agree at W = 640.
    EXPECT_EQ(ComputeMainLayout(640, 480, true).rcDeviceTool,
              ComputeMainLayout(640, 480, false).rcDeviceTool);
}

void ExpectChildrenAtLayout(CStbDlg* pDlg, bool bStartup)
{
    const wxSize size = pDlg->m_panel->GetClientSize();
    SCOPED_TRACE(testing::Message() << "panel " << size.x << " x " << size.y);
    const MainLayout l = ComputeMainLayout(size.x, size.y, bStartup);
    EXPECT_EQ(pDlg->m_editHostPath->GetRect(), l.rcHostPath);
    EXPECT_EQ(pDlg->m_listHost->GetRect(), l.rcHostList);
    EXPECT_EQ(pDlg->m_editDevicePath->GetRect(), l.rcDevicePath);
    EXPECT_EQ(pDlg->m_listDevice->GetRect(), l.rcDeviceList);
    EXPECT_EQ(pDlg->m_listStatus->GetRect(), l.rcStatusList);
    EXPECT_EQ(pDlg->m_statusBar->GetRect(), l.rcStatusBar);
    EXPECT_EQ(pDlg->m_rcClient, wxRect(0, 0, size.x, size.y));
}

TEST_F(MainWindowTest, ChildrenFollowTheLayoutOnEveryResize)
{
    CStbDlg* pDlg = Open();
    EXPECT_EQ(pDlg->GetSize(), wxSize(MAIN_START_WIDTH, MAIN_START_HEIGHT));
    EXPECT_EQ(pDlg->m_panel->GetParent(), pDlg);
    ExpectChildrenAtLayout(pDlg, true);

    EXPECT_EQ(ResizeTo(1000, 760).x, 1000);
    ExpectChildrenAtLayout(pDlg, false);

    // A child moved away (as a splitter drag does) is put back by a resize.
    pDlg->m_listHost->SetSize(48, 66, 100, 100);
    ResizeTo(900, 640);
    ExpectChildrenAtLayout(pDlg, false);
}

TEST_F(MainWindowTest, CannotBeMadeSmallerThanMinimum)
{
    CStbDlg* pDlg = Open();
    EXPECT_EQ(pDlg->GetMinSize(), wxSize(MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT));
    const wxSize before = pDlg->GetSize();
    pDlg->SetSize(500, 300);
    // The window server may answer in more than one step; wait for the size
    // to change, then for it to settle at or above the minimum.
    ServeEventsUntil([&] { return pDlg->GetSize() != before; });
    EXPECT_TRUE(ServeEventsUntil([&] {
        return pDlg->GetSize().x >= MAIN_MIN_WIDTH && pDlg->GetSize().y >= MAIN_MIN_HEIGHT;
    }, 2000)) << pDlg->GetSize().x << " x " << pDlg->GetSize().y;
    EXPECT_EQ(pDlg->GetSize(), wxSize(MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT));
}

TEST_F(MainWindowTest, ClosingClearsMainWindowPointer)
{
    CStbDlg* pDlg = Open();
    EXPECT_EQ(g_pMainDlg, pDlg);
    Close();
    EXPECT_EQ(g_pMainDlg, nullptr);
}

TEST_F(MainWindowTest, ClosingWhileConnectedEndsTheConnection)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quorvane-close-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        CEmulatedReceiver emulator(dir.string());
        emulator.Install();
        CReceiverLink link;
        g_pReceiver = &link;
        ASSERT_EQ(link.InitVeltraSTB(1, 0, 0), RL_OK);
        ASSERT_EQ(link.StartComm(), RL_OK);
        CStbDlg* pDlg = Open();
        pDlg->m_editDevicePath->SetValue("/MP3");
        emulator.ClearCalls();

        Close();
        EXPECT_EQ(link.m_hDevice, nullptr);
        // The end request is one vendor request out, with its reply read back.
        int nEndRequests = 0;
        for (const EmuCall& call : emulator.Calls())
            nEndRequests += call.kind == EmuCall::ControlMsg && call.request == 0xCE &&
                            call.requestType == 0x40;
        EXPECT_EQ(nEndRequests, 1);
        g_pReceiver = nullptr;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
