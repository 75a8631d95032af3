// The main window's keys (Enter, Escape, Delete, F5), the Tool menu's
// forwarding to the pane toolbars, and the centre buttons.
#include "PaneTestSupport.h"

#include <wx/eventfilter.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../CommandIds.h"
#include "DeviceToolDlg.h"
#include "HostToolDlg.h"
#include "PictureButton.h"

namespace fs = std::filesystem;

namespace
{

// Records the command events that reach the watched windows and stops them
// there, so that the commands themselves do not run.
class CCommandRecorder : public wxEventFilter {
public:
    explicit CCommandRecorder(std::vector<wxWindow*> vecWatched) : m_vecWatched(std::move(vecWatched))
    {
        wxEvtHandler::AddFilter(this);
    }
    ~CCommandRecorder() override { wxEvtHandler::RemoveFilter(this); }

    int FilterEvent(wxEvent& event) override
    {
        const wxEventType eType = event.GetEventType();
        if (eType != wxEVT_BUTTON && eType != wxEVT_MENU)
            return Event_Skip;
        for (wxWindow* pWindow : m_vecWatched)
        {
            if (event.GetEventObject() == pWindow)
            {
                m_vecSeen.push_back({pWindow, event.GetId()});
                return Event_Processed;
            }
        }
        return Event_Skip;
    }

    std::vector<std::pair<wxWindow*, int>> m_vecSeen;

private:
    std::vector<wxWindow*> m_vecWatched;
};

}  // namespace

class KeyboardTest : public PaneTest {
protected:
    // The window a pane's key press is sent to: the list's inner row window,
    // which has the focus when the user works in the list.
    static wxWindow* KeyTarget(wxWindow* pWindow)
    {
        const wxWindowList& children = pWindow->GetChildren();
        return children.empty() ? pWindow : children.front();
    }

    // Delivers a key-down as the window system does to the focused window
    // pFocus: as a char-hook event free to travel up to the frame. Returns
    // true when something consumed it.
    static bool PressKey(wxWindow* pFocus, int nKey)
    {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = nKey;
        key.SetEventObject(pFocus);
        key.ResumePropagation(wxEVENT_PROPAGATE_MAX);
        pFocus->GetEventHandler()->ProcessEvent(key);
        return !key.GetSkipped();
    }

    // Presses Delete on pFocus with a message box answer ready; serves the
    // posted command. Returns what the box showed (nCount 0: no question).
    static ShownMessageBox DeleteKey(wxWindow* pFocus, int nAnswer)
    {
        auto pShown = std::make_shared<ShownMessageBox>();
        bool bConsumed = false;
        wxTEST_DIALOG((bConsumed = PressKey(pFocus, WXK_DELETE), ServeEvents()),
                      CExpectMessageBox(nAnswer, pShown).Optional());
        EXPECT_TRUE(bConsumed);
        return *pShown;
    }

    // Host folder with folder "dir" and files f1 .. f6, listed: rows
    // "..", dir, f1, f2, f3, f4, f5, f6.
    void ListHostFiles()
    {
        fs::create_directories(m_host / "dir");
        for (int i = 1; i <= 6; ++i)
            MakeFile(m_host / ("f" + std::to_string(i)), 10);
        m_pDlg->RefreshHostList(m_host.string(), 1, 0);
        ASSERT_EQ(Names(m_pDlg->m_listHost),
                  (std::vector<std::string>{"..", "dir", "f1", "f2", "f3", "f4", "f5", "f6"}));
    }

    // Receiver disk with folders Alpha, MP3 and music (holding a file) and a
    // file a.ts, connected and listed at "/".
    void ListDeviceRoot()
    {
        fs::create_directories(m_disk / "Alpha");
        fs::create_directories(m_disk / "MP3");
        fs::create_directories(m_disk / "music");
        MakeFile(m_disk / "music" / "song.mp3", 100);
        MakeFile(m_disk / "a.ts", 100);
        Connect();
        ASSERT_EQ(m_pDlg->RefreshDeviceList("/", 1, 0), 1);
        ASSERT_EQ(Names(m_pDlg->m_listDevice),
                  (std::vector<std::string>{"Alpha", "MP3", "music", "a.ts"}));
    }

    // Clicks the device row strName (selection and the click's rules).
    void ClickDeviceRow(const std::string& strName)
    {
        SelectOnly(m_pDlg->m_listDevice, strName);
        m_pDlg->OnDeviceListClick();
    }
};

TEST_F(KeyboardTest, EnterAndEscapeAreConsumedEverywhereAndChangeNothing)
{
    ListHostFiles();
    SelectOnly(m_pDlg->m_listHost, "dir");
    CCommandRecorder recorder({m_pDlg, m_pDlg->m_dlgHostTool, m_pDlg->m_dlgDeviceTool});
    const std::string strPath = m_pDlg->GetHostPath();
    for (wxWindow* pFocus : {KeyTarget(m_pDlg->m_listHost), KeyTarget(m_pDlg->m_listDevice),
                             static_cast<wxWindow*>(m_pDlg->m_editHostPath),
                             static_cast<wxWindow*>(m_pDlg->m_listStatus),
                             static_cast<wxWindow*>(m_pDlg->m_panel)})
    {
        for (int nKey : {WXK_RETURN, WXK_NUMPAD_ENTER, WXK_ESCAPE})
        {
            SCOPED_TRACE(testing::Message() << pFocus->GetName() << " key " << nKey);
            EXPECT_TRUE(PressKey(pFocus, nKey));
        }
    }
    ServeEvents();
    EXPECT_TRUE(m_pDlg->IsShown());
    EXPECT_FALSE(m_pDlg->IsBeingDeleted());
    EXPECT_EQ(m_pDlg->GetHostPath(), strPath);
    EXPECT_TRUE(recorder.m_vecSeen.empty());
    // Other keys go on to the focused control (Tab moves the focus, arrows
    // move the selection).
    for (int nKey : {int{WXK_TAB}, int{WXK_DOWN}, int{'a'}})
        EXPECT_FALSE(PressKey(KeyTarget(m_pDlg->m_listHost), nKey)) << nKey;
}

TEST_F(KeyboardTest, RealEnterOnAFolderRowNeitherOpensItNorClosesTheWindow)
{
    ListHostFiles();
    SelectOnly(m_pDlg->m_listHost, "dir");
    m_pDlg->Raise();
    m_pDlg->m_listHost->SetFocus();
    const bool bFocused = ServeEventsUntil(
        [this] {
            const wxWindow* pFocus = wxWindow::FindFocus();
            return m_pDlg->IsActive() && pFocus != nullptr &&
                   (pFocus == m_pDlg->m_listHost || pFocus->GetParent() == m_pDlg->m_listHost);
        },
        2000);
    if (!bFocused)
        GTEST_SKIP() << "the X server gave the window no keyboard focus";
    const std::string strPath = m_pDlg->GetHostPath();
    bool bReachedList = false;
    KeyTarget(m_pDlg->m_listHost)->Bind(wxEVT_KEY_DOWN, [&](wxKeyEvent& event) {
        bReachedList = bReachedList || event.GetKeyCode() == WXK_RETURN ||
                       event.GetKeyCode() == WXK_ESCAPE;
        event.Skip();
    });
    wxUIActionSimulator sim;
    sim.Char(WXK_RETURN);
    sim.Char(WXK_ESCAPE);
    ServeEvents();
    EXPECT_FALSE(bReachedList);
    EXPECT_TRUE(m_pDlg->IsShown());
    EXPECT_EQ(m_pDlg->GetHostPath(), strPath);
    EXPECT_TRUE(fs::exists(m_host / "dir"));

    // A real Delete on rows 3 and 6 asks once and deletes both.
    m_pDlg->m_listHost->ClearSelection();
    m_pDlg->m_listHost->SelectRow(3);
    m_pDlg->m_listHost->SelectRow(6);
    auto pShown = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG((sim.Char(WXK_DELETE),
                   ServeEventsUntil([this] { return !fs::exists(m_host / "f2"); }, 2000)),
                  CExpectMessageBox(wxID_YES, pShown));
    EXPECT_EQ(pShown->nCount, 1);
    EXPECT_EQ(pShown->caption, "f2");
    EXPECT_FALSE(fs::exists(m_host / "f5"));
    EXPECT_TRUE(fs::exists(m_host / "f3"));
}

TEST_F(KeyboardTest, DeleteOnHostPaneAsksOnceForTheFirstRowAndDeletesAllOnYes)
{
    ListHostFiles();
    CPaneList* pList = m_pDlg->m_listHost;
    // Rows 3 and 6 are f2 and f5.
    pList->SelectRow(3);
    pList->SelectRow(6);

    ShownMessageBox shown = DeleteKey(KeyTarget(pList), wxID_NO);
    EXPECT_EQ(shown.nCount, 1);
    EXPECT_TRUE(fs::exists(m_host / "f2"));
    EXPECT_TRUE(fs::exists(m_host / "f5"));

    shown = DeleteKey(KeyTarget(pList), wxID_YES);
    EXPECT_EQ(shown.nCount, 1);
    EXPECT_EQ(shown.message.utf8_string(), MSG_CONFIRM_DELETE);
    EXPECT_EQ(shown.caption, "f2");
    EXPECT_TRUE(shown.nStyle & wxYES_NO);
    EXPECT_FALSE(fs::exists(m_host / "f2"));
    EXPECT_FALSE(fs::exists(m_host / "f5"));
    EXPECT_EQ(Names(pList), (std::vector<std::string>{"..", "dir", "f1", "f3", "f4", "f6"}));
}

TEST_F(KeyboardTest, DeleteDoesNothingWithoutAQuestionWhenItMayNot)
{
    ListHostFiles();
    ListDeviceRoot();
    CPaneList* pHost = m_pDlg->m_listHost;
    CPaneList* pDevice = m_pDlg->m_listDevice;
    struct Case {
        const char* pszWhat;
        std::function<void()> fnPrepare;
        wxWindow* pFocus;
    };
    const Case aCases[] = {
        {"host: row 0 first of the selection",
         [&] {
             pHost->SelectRow(0);
             pHost->SelectRow(3);
         },
         KeyTarget(pHost)},
        {"host: nothing selected", [&] {}, KeyTarget(pHost)},
        {"host rows selected, focus on the path field", [&] { pHost->SelectRow(3); },
         m_pDlg->m_editHostPath},
        {"host rows selected, focus on the device pane (not editable)",
         [&] { pHost->SelectRow(3); }, KeyTarget(pDevice)},
        {"device: the protected MP3 folder clicked", [&] { ClickDeviceRow("MP3"); },
         KeyTarget(pDevice)},
        {"device: row 0 clicked (editable)", [&] { ClickDeviceRow("Alpha"); },
         KeyTarget(pDevice)},
        {"device: editable row clicked, then the keys moved to MP3",
         [&] {
             ClickDeviceRow("music");
             ASSERT_EQ(g_bDeviceItemEditable, 1);
             SelectOnly(pDevice, "MP3");
         },
         KeyTarget(pDevice)},
        {"device: editable row clicked, MP3 added to the selection",
         [&] {
             ClickDeviceRow("music");
             pDevice->SelectRow(1);
         },
         KeyTarget(pDevice)},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.pszWhat);
        pHost->ClearSelection();
        pDevice->ClearSelection();
        g_bDeviceItemEditable = 0;
        c.fnPrepare();
        const ShownMessageBox shown = DeleteKey(c.pFocus, wxID_YES);
        EXPECT_EQ(shown.nCount, 0);
    }
    for (const char* pszName : {"dir", "f1", "f2", "f3", "f4", "f5", "f6"})
        EXPECT_TRUE(fs::exists(m_host / pszName)) << pszName;
    for (const char* pszName : {"Alpha", "MP3", "music", "a.ts"})
        EXPECT_TRUE(fs::exists(m_disk / pszName)) << pszName;
}

TEST_F(KeyboardTest, DeleteOnEditableDevicePaneAsksThenDeletesTheTree)
{
    ListDeviceRoot();
    CPaneList* pDevice = m_pDlg->m_listDevice;
    ClickDeviceRow("music");
    ASSERT_EQ(g_bDeviceItemEditable, 1);

    ShownMessageBox shown = DeleteKey(KeyTarget(pDevice), wxID_NO);
    EXPECT_EQ(shown.nCount, 1);
    EXPECT_TRUE(fs::exists(m_disk / "music" / "song.mp3"));

    shown = DeleteKey(KeyTarget(pDevice), wxID_YES);
    EXPECT_EQ(shown.nCount, 1);
    EXPECT_EQ(shown.caption, "music");
    EXPECT_FALSE(fs::exists(m_disk / "music"));
    EXPECT_EQ(Names(pDevice), (std::vector<std::string>{"Alpha", "MP3", "a.ts"}));
}

TEST_F(KeyboardTest, F5RefreshesTheFocusedPaneOnly)
{
    ListHostFiles();
    ListDeviceRoot();
    MakeFile(m_host / "new", 1);
    MakeFile(m_disk / "new.ts", 1);
    EXPECT_FALSE(PressKey(m_pDlg->m_editHostPath, WXK_F5));
    ServeEvents();
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listHost, "new", 0), -1);

    EXPECT_TRUE(PressKey(KeyTarget(m_pDlg->m_listHost), WXK_F5));
    ServeEvents();
    EXPECT_NE(m_pDlg->FindListItem(m_pDlg->m_listHost, "new", 0), -1);
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listDevice, "new.ts", 0), -1);

    EXPECT_TRUE(PressKey(KeyTarget(m_pDlg->m_listDevice), WXK_F5));
    ServeEvents();
    EXPECT_NE(m_pDlg->FindListItem(m_pDlg->m_listDevice, "new.ts", 0), -1);
}

TEST_F(KeyboardTest, ToolMenuCommandsArePostedToThePaneToolbars)
{
    wxWindow* pHostTool = m_pDlg->m_dlgHostTool;
    wxWindow* pDeviceTool = m_pDlg->m_dlgDeviceTool;
    const struct {
        int nMenuId;
        wxWindow* pTool;
        int nToolId;
    } aForwards[] = {
        {IDM_HOST_NEW_FOLDER, pHostTool, IDC_HOST_NEW_FOLDER},
        {IDM_HOST_RENAME, pHostTool, IDC_HOST_RENAME},
        {IDM_HOST_DELETE, pHostTool, IDC_HOST_DELETE},
        {IDM_HOST_REFRESH, pHostTool, IDC_HOST_REFRESH},
        {IDM_DEVICE_NEW_FOLDER, pDeviceTool, IDC_DEVICE_NEW_FOLDER},
        {IDM_DEVICE_RENAME, pDeviceTool, IDC_DEVICE_RENAME},
        {IDM_DEVICE_DELETE, pDeviceTool, IDC_DEVICE_DELETE},
        {IDM_DEVICE_REFRESH, pDeviceTool, IDC_DEVICE_REFRESH},
    };
    CCommandRecorder recorder({pHostTool, pDeviceTool});
    for (const auto& fwd : aForwards)
    {
        SCOPED_TRACE(fwd.nMenuId);
        recorder.m_vecSeen.clear();
        wxCommandEvent menu(wxEVT_MENU, WxCommandId(fwd.nMenuId));
        menu.SetEventObject(m_pDlg);
        EXPECT_TRUE(m_pDlg->GetEventHandler()->ProcessEvent(menu));
        // Posted: nothing has arrived before the queue is served.
        EXPECT_TRUE(recorder.m_vecSeen.empty());
        ServeEvents();
        EXPECT_EQ(recorder.m_vecSeen,
                  (std::vector<std::pair<wxWindow*, int>>{{fwd.pTool, fwd.nToolId}}));
    }
}

TEST_F(KeyboardTest, ToolMenuReachesTheCommandsAndItsDeleteAsksNothing)
{
    ListHostFiles();
    ListDeviceRoot();
    auto menu = [this](int nMenuId) {
        wxCommandEvent event(wxEVT_MENU, WxCommandId(nMenuId));
        event.SetEventObject(m_pDlg);
        m_pDlg->GetEventHandler()->ProcessEvent(event);
        ServeEvents();
    };
    MakeFile(m_host / "new", 1);
    MakeFile(m_disk / "new.ts", 1);
    menu(IDM_HOST_REFRESH);
    EXPECT_NE(m_pDlg->FindListItem(m_pDlg->m_listHost, "new", 0), -1);
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listDevice, "new.ts", 0), -1);
    menu(IDM_DEVICE_REFRESH);
    EXPECT_NE(m_pDlg->FindListItem(m_pDlg->m_listDevice, "new.ts", 0), -1);

    auto pShown = std::make_shared<ShownMessageBox>();
    SelectOnly(m_pDlg->m_listHost, "f1");
    ClickDeviceRow("a.ts");
    wxTEST_DIALOG((menu(IDM_HOST_DELETE), menu(IDM_DEVICE_DELETE)),
                  CExpectMessageBox(wxID_YES, pShown).Optional());
    EXPECT_EQ(pShown->nCount, 0);
    EXPECT_FALSE(fs::exists(m_host / "f1"));
    EXPECT_FALSE(fs::exists(m_disk / "a.ts"));
    EXPECT_TRUE(fs::exists(m_host / "f2"));
}

TEST_F(KeyboardTest, CentreButtonsSendUploadAndDownloadWithTipsInTheCurrentLanguage)
{
    auto pUpload = dynamic_cast<CPictureButton*>(m_pDlg->m_btnUpload);
    auto pDownload = dynamic_cast<CPictureButton*>(m_pDlg->m_btnDownload);
    ASSERT_NE(pUpload, nullptr);
    ASSERT_NE(pDownload, nullptr);
    EXPECT_EQ(pUpload->GetId(), IDC_BTN_UPLOAD);
    EXPECT_EQ(pDownload->GetId(), IDC_BTN_DOWNLOAD);
    const MainLayout l =
        ComputeMainLayout(m_pDlg->m_rcClient.width, m_pDlg->m_rcClient.height, false);
    EXPECT_EQ(pUpload->GetRect(), l.rcUpload);
    EXPECT_EQ(pDownload->GetRect(), l.rcDownload);
    EXPECT_EQ(pUpload->GetUpPicture(), EPicture::UploadUp);
    EXPECT_EQ(pDownload->GetUpPicture(), EPicture::DownloadUp);

    // The tip is fetched each time the mouse enters a button.
    auto hover = [](CPictureButton* pButton) {
        wxMouseEvent enter(wxEVT_ENTER_WINDOW);
        enter.SetEventObject(pButton);
        pButton->GetEventHandler()->ProcessEvent(enter);
        return pButton->GetToolTipText().utf8_string();
    };
    for (int nLanguage : {LANGUAGE_KOREAN, LANGUAGE_GERMAN, LANGUAGE_ENGLISH})
    {
        SCOPED_TRACE(nLanguage);
        g_nLanguage = nLanguage;
        BuildCatalogue();
        EXPECT_EQ(hover(pUpload), MSG_TIP_UPLOAD);
        EXPECT_EQ(hover(pDownload), MSG_TIP_DOWNLOAD);
    }
    EXPECT_EQ(hover(pUpload), "Upload");
    EXPECT_EQ(hover(pDownload), "Download");
    EXPECT_EQ(CStbDlg::CentreButtonTip(IDC_HOST_LIST), "");

    // A click is the menu command of the same name, once, after the click.
    CCommandRecorder recorder({m_pDlg});
    pUpload->Click();
    pDownload->Click();
    EXPECT_TRUE(recorder.m_vecSeen.empty());
    ServeEvents();
    EXPECT_EQ(recorder.m_vecSeen,
              (std::vector<std::pair<wxWindow*, int>>{{m_pDlg, WxCommandId(IDM_UPLOAD)},
                                                      {m_pDlg, WxCommandId(IDM_DOWNLOAD)}}));
}
