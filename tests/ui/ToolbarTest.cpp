// The top toolbar and the picture button: commands per button, the connect
// button's looks and command by link state, tooltips by language and link
// state, swallowed keys, pressed and disabled pictures.
#include "UiTestSupport.h"

#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "../CommandIds.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "PictureButton.h"
#include "ReceiverLink.h"
#include "TopToolDlg.h"
#include "main/StbDlg.h"

namespace
{

// An open link to an emulated receiver while it lives.
class COpenLink {
public:
    COpenLink()
        : m_dir(std::filesystem::temp_directory_path() /
                ("quorvane-toolbar-" + std::to_string(getpid()))),
          m_emulator((std::filesystem::create_directories(m_dir), m_dir.string()))
    {
        m_emulator.Install();
        g_pReceiver = &m_link;
        m_bOpen = m_link.InitVeltraSTB(1, 0, 0) == RL_OK && m_link.m_hDevice != nullptr;
    }
    ~COpenLink()
    {
        m_link.Close();
        g_pReceiver = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool IsOpen() const { return m_bOpen; }
    CReceiverLink& Link() { return m_link; }

private:
    std::filesystem::path m_dir;
    CEmulatedReceiver m_emulator;
    CReceiverLink m_link;
    bool m_bOpen = false;
};

// A frame with a top toolbar whose commands are recorded.
class TopToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "toolbar", wxDefaultPosition, wxSize(400, 200));
        m_pPanel = new wxPanel(m_pFrame);
        m_pTool = new CTopToolDlg(m_pPanel);
        m_pTool->SetSize(0, 0, 400, 34);
        m_pTool->SetCommandTarget(m_pFrame);
        m_pFrame->Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
            m_vecCommands.push_back(CommandFromWxId(event.GetId()));
        });
        m_pFrame->Show();
        ServeEvents();
    }
    void TearDown() override
    {
        m_pFrame->Destroy();
        wxTheApp->ProcessIdle();
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
    }

    // The tooltip the button shows when the mouse comes over it.
    wxString HoverTip(int nId)
    {
        CPictureButton* pButton = m_pTool->GetButton(nId);
        wxMouseEvent enter(wxEVT_ENTER_WINDOW);
        enter.SetEventObject(pButton);
        pButton->GetEventHandler()->ProcessEvent(enter);
        return pButton->GetToolTipText();
    }

    wxFrame* m_pFrame = nullptr;
    wxPanel* m_pPanel = nullptr;
    CTopToolDlg* m_pTool = nullptr;
    std::vector<int> m_vecCommands;
};

TEST_F(TopToolTest, ButtonsStandInARowWithTheirPictures)
{
    struct Case {
        int nId;
        wxRect rc;
        EPicture eUp;
        EPicture ePressed;
    };
    const Case aCases[] = {
        {IDC_TOP_CONNECT, wxRect(2, 0, 34, 34), EPicture::ConnectUp, EPicture::ConnectPressed},
        {IDC_TOP_PREFERENCE, wxRect(38, 0, 34, 34), EPicture::PreferenceUp,
         EPicture::PreferencePressed},
        {IDC_TOP_ABOUT, wxRect(74, 0, 34, 34), EPicture::AboutUp, EPicture::AboutPressed},
        {IDC_TOP_EXIT, wxRect(110, 0, 34, 34), EPicture::ExitUp, EPicture::ExitPressed},
    };
    for (const Case& c : aCases)
    {
        CPictureButton* pButton = m_pTool->GetButton(c.nId);
        ASSERT_NE(pButton, nullptr) << c.nId;
        EXPECT_EQ(pButton->GetRect(), c.rc) << c.nId;
        EXPECT_EQ(pButton->GetUpPicture(), c.eUp) << c.nId;
        EXPECT_EQ(pButton->GetPressedPicture(), c.ePressed) << c.nId;
        EXPECT_FALSE(pButton->GetDisabledPicture().has_value()) << c.nId;
        EXPECT_TRUE(pButton->IsEnabled()) << c.nId;
    }
}

TEST_F(TopToolTest, EachButtonSendsItsMenuCommand)
{
    const std::pair<int, int> aCases[] = {
        {IDC_TOP_CONNECT, IDM_CONNECT},
        {IDC_TOP_PREFERENCE, IDM_PREFERENCE},
        {IDC_TOP_ABOUT, IDM_ABOUT},
        {IDC_TOP_EXIT, IDM_EXIT},
    };
    for (const auto& [nButton, nCommand] : aCases)
    {
        m_vecCommands.clear();
        m_pTool->GetButton(nButton)->Click();
        EXPECT_EQ(m_vecCommands, std::vector<int>{nCommand}) << nButton;
    }
}

TEST_F(TopToolTest, ConnectButtonAsksByLinkStateNotByPicture)
{
    CPictureButton* pConnect = m_pTool->GetButton(IDC_TOP_CONNECT);
    {
        COpenLink link;
        ASSERT_TRUE(link.IsOpen());
        // Still the connect look: the link state decides.
        m_pTool->ShowConnectButton();
        pConnect->Click();
        m_pTool->ShowDisconnectButton();
        EXPECT_EQ(pConnect->GetUpPicture(), EPicture::DisconnectUp);
        EXPECT_EQ(pConnect->GetPressedPicture(), EPicture::DisconnectPressed);
        link.Link().Close();
        // The disconnect look while the link is already closed.
        pConnect->Click();
    }
    EXPECT_EQ(m_vecCommands, (std::vector<int>{IDM_DISCONNECT, IDM_CONNECT}));
    m_pTool->ShowConnectButton();
    EXPECT_EQ(pConnect->GetUpPicture(), EPicture::ConnectUp);
    EXPECT_EQ(pConnect->GetPressedPicture(), EPicture::ConnectPressed);
}

TEST_F(TopToolTest, TooltipsFollowLanguageAndLinkState)
{
    for (int nLanguage : {LANGUAGE_ENGLISH, LANGUAGE_GERMAN, LANGUAGE_KOREAN})
    {
        SCOPED_TRACE(nLanguage);
        // The language changes while the toolbar exists, as the Preference
        // dialog does it.
        g_nLanguage = nLanguage;
        BuildCatalogue();
        EXPECT_EQ(HoverTip(IDC_TOP_CONNECT), wxString::FromUTF8(MSG_TIP_CONNECT));
        EXPECT_EQ(HoverTip(IDC_TOP_PREFERENCE), wxString::FromUTF8(MSG_TIP_PREFERENCE));
        EXPECT_EQ(HoverTip(IDC_TOP_ABOUT), wxString::FromUTF8(MSG_TIP_ABOUT));
        EXPECT_EQ(HoverTip(IDC_TOP_EXIT), wxString::FromUTF8(MSG_TIP_EXIT));
        {
            COpenLink link;
            ASSERT_TRUE(link.IsOpen());
            EXPECT_EQ(HoverTip(IDC_TOP_CONNECT), wxString::FromUTF8(MSG_TIP_DISCONNECT));
        }
    }
    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    EXPECT_EQ(HoverTip(IDC_TOP_EXIT), "Program Exit");
    EXPECT_EQ(HoverTip(IDC_TOP_CONNECT), "Connect");
}

TEST_F(TopToolTest, KeysAreSwallowed)
{
    bool bReachedFrame = false;
    m_pFrame->Bind(wxEVT_CHAR_HOOK, [&](wxKeyEvent& event) {
        bReachedFrame = true;
        event.Skip();
    });
    for (int nKey : {WXK_RETURN, WXK_ESCAPE, WXK_SPACE, WXK_DELETE})
    {
        for (wxWindow* pWindow : {static_cast<wxWindow*>(m_pTool->GetButton(IDC_TOP_EXIT)),
                                  static_cast<wxWindow*>(m_pTool)})
        {
            for (wxEventType eType : {wxEVT_CHAR_HOOK, wxEVT_KEY_DOWN, wxEVT_CHAR})
            {
                wxKeyEvent key(eType);
                key.m_keyCode = nKey;
                key.SetEventObject(pWindow);
                // As the window system delivers it: free to travel up to the
                // frame unless something swallows it.
                key.ResumePropagation(wxEVENT_PROPAGATE_MAX);
                pWindow->GetEventHandler()->ProcessEvent(key);
            }
        }
    }
    EXPECT_FALSE(bReachedFrame);
    EXPECT_TRUE(m_vecCommands.empty());
    EXPECT_TRUE(m_pTool->IsShown());
}

TEST_F(TopToolTest, RealClickOnExitSendsExit)
{
    CPictureButton* pExit = m_pTool->GetButton(IDC_TOP_EXIT);
    wxUIActionSimulator sim;
    sim.MouseMove(pExit->ClientToScreen(wxPoint(15, 15)));
    ServeEvents();
    sim.MouseClick();
    EXPECT_TRUE(ServeEventsUntil([&] { return !m_vecCommands.empty(); }));
    EXPECT_EQ(m_vecCommands, std::vector<int>{IDM_EXIT});
}

TEST_F(TopToolTest, MainWindowReceivesTheCommandsAndOwnsATopToolbar)
{
    auto pDlg = new CStbDlg();
    ASSERT_NE(pDlg->m_dlgTopTool, nullptr);
    EXPECT_EQ(pDlg->m_dlgTopTool->GetRect(), wxRect(0, 0, pDlg->m_panel->GetClientSize().x, 34));
    std::vector<int> vecSeen;
    pDlg->Bind(wxEVT_MENU, [&](wxCommandEvent& event) {
        vecSeen.push_back(CommandFromWxId(event.GetId()));
    });
    // The toolbar under test sends to the main window when no target is set.
    m_pTool->SetCommandTarget(nullptr);
    m_pTool->GetButton(IDC_TOP_ABOUT)->Click();
    pDlg->m_dlgTopTool->GetButton(IDC_TOP_ABOUT)->Click();
    EXPECT_EQ(vecSeen, (std::vector<int>{IDM_ABOUT, IDM_ABOUT}));
    EXPECT_TRUE(m_vecCommands.empty());
    pDlg->Close(true);
    wxTheApp->ProcessIdle();
}

// A picture button alone in a frame.
class PictureButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "button", wxDefaultPosition, wxSize(200, 200));
        m_pPanel = new wxPanel(m_pFrame);
        m_pButton = new CPictureButton(m_pPanel, 9010, wxRect(0, 2, 40, 30), EPicture::DeleteUp,
                                       EPicture::DeletePressed, EPicture::DeleteGrey);
        m_pPanel->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
            m_vecClicks.push_back(event.GetId());
        });
        m_pFrame->Show();
        ServeEvents();
    }
    void TearDown() override
    {
        m_pFrame->Destroy();
        wxTheApp->ProcessIdle();
    }

    void Mouse(wxEventType eType, int x, int y)
    {
        wxMouseEvent event(eType);
        event.m_x = x;
        event.m_y = y;
        event.SetEventObject(m_pButton);
        m_pButton->GetEventHandler()->ProcessEvent(event);
    }

    wxFrame* m_pFrame = nullptr;
    wxPanel* m_pPanel = nullptr;
    CPictureButton* m_pButton = nullptr;
    std::vector<int> m_vecClicks;
};

TEST_F(PictureButtonTest, PressedWhileHeldClickOnlyWhenReleasedOver)
{
    EXPECT_EQ(m_pButton->GetRect(), wxRect(0, 2, 40, 30));
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeleteUp);
    Mouse(wxEVT_LEFT_DOWN, 10, 10);
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeletePressed);
    Mouse(wxEVT_MOTION, 100, 10);  // dragged off: up again
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeleteUp);
    Mouse(wxEVT_LEFT_UP, 100, 10);
    EXPECT_TRUE(m_vecClicks.empty());

    Mouse(wxEVT_LEFT_DOWN, 10, 10);
    Mouse(wxEVT_MOTION, 100, 10);
    Mouse(wxEVT_MOTION, 20, 20);  // back over it
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeletePressed);
    Mouse(wxEVT_LEFT_UP, 20, 20);
    EXPECT_EQ(m_vecClicks, std::vector<int>{9010});
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeleteUp);
}

TEST_F(PictureButtonTest, DisabledShowsItsGreyPictureOrElseItsUpPicture)
{
    m_pButton->Enable(false);
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeleteGrey);
    m_pButton->Click();
    EXPECT_TRUE(m_vecClicks.empty());
    m_pButton->Enable(true);
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::DeleteUp);

    m_pButton->SetPictures(EPicture::RefreshUp, EPicture::RefreshPressed);
    m_pButton->Enable(false);
    EXPECT_EQ(m_pButton->GetShownPicture(), EPicture::RefreshUp);
}

TEST_F(PictureButtonTest, TooltipIsFetchedEachTimeTheMouseEnters)
{
    int nAsked = 0;
    m_pButton->SetToolTipSource([&] { return wxString::Format("tip %d", ++nAsked); });
    for (int i = 0; i < 2; ++i)
        Mouse(wxEVT_ENTER_WINDOW, 5, 5);
    EXPECT_EQ(m_pButton->GetToolTipText(), wxString::Format("tip %d", nAsked));
    EXPECT_GE(nAsked, 2);
}

}  // namespace

namespace
{

TEST_F(PictureButtonTest, PaneToolButtonsStandInAColumnWithRenameAndDeleteDisabled)
{
    g_nLanguage = LANGUAGE_GERMAN;
    BuildCatalogue();
    const auto apButtons = CreatePaneToolButtons(m_pPanel, 9013);
    struct Case {
        int nId;
        wxRect rc;
        EPicture eUp;
        EPicture eShown;  // at start
        const std::string* pTip;
    };
    const Case aCases[] = {
        {9013, wxRect(0, 2, 40, 30), EPicture::NewFolderUp, EPicture::NewFolderUp,
         &MSG_TIP_NEW_FOLDER},
        {9014, wxRect(0, 34, 40, 30), EPicture::RenameUp, EPicture::RenameGrey, &MSG_TIP_RENAME},
        {9015, wxRect(0, 66, 40, 30), EPicture::DeleteUp, EPicture::DeleteGrey, &MSG_TIP_DELETE},
        {9016, wxRect(0, 98, 40, 30), EPicture::RefreshUp, EPicture::RefreshUp, &MSG_TIP_REFRESH},
    };
    for (size_t i = 0; i < 4; ++i)
    {
        const Case& c = aCases[i];
        CPictureButton* pButton = apButtons[i];
        EXPECT_EQ(pButton->GetId(), c.nId);
        EXPECT_EQ(pButton->GetRect(), c.rc);
        EXPECT_EQ(pButton->GetUpPicture(), c.eUp);
        EXPECT_EQ(pButton->GetShownPicture(), c.eShown);
        wxMouseEvent enter(wxEVT_ENTER_WINDOW);
        pButton->GetEventHandler()->ProcessEvent(enter);
        EXPECT_EQ(pButton->GetToolTipText(), wxString::FromUTF8(*c.pTip));
    }
    // A click on an enabled one reaches the toolbar as its command.
    apButtons[3]->Click();
    apButtons[1]->Click();
    EXPECT_EQ(m_vecClicks, std::vector<int>{9016});
    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
}

}  // namespace
