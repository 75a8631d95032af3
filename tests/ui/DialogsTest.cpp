// The small dialogs driven directly: the name check of Make Directory and
// Rename, Preference switching the language, About's disk sizes.
#include "UiTestSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "AboutDlg.h"
#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "MakeDirDlg.h"
#include "PreferenceDlg.h"
#include "ReceiverLink.h"
#include "RenameDlg.h"
#include "main/StbDlg.h"

namespace
{

// Answers the About box, letting the test look at it first.
class CExpectAbout : public wxExpectModalBase<CAboutDlg, CExpectAbout> {
public:
    explicit CExpectAbout(std::function<int(CAboutDlg&)> fn) : m_fn(std::move(fn)) {}

protected:
    int OnInvoked(CAboutDlg* pDlg) const override { return m_fn(*pDlg); }

private:
    std::function<int(CAboutDlg&)> m_fn;
};

// What pressing OK did: whether the dialog closed, the message box it showed.
struct OkOutcome {
    bool bClosed = false;
    int nBoxes = 0;
    std::string strMessage;
    std::string strCaption;
};

// Shows the dialog (not modally), types strText into pEdit, presses OK.
OkOutcome PressOk(wxDialog& dlg, wxTextCtrl* pEdit, const std::string& strText)
{
    dlg.Show();
    pEdit->ChangeValue(wxString::FromUTF8(strText));
    auto pShown = std::make_shared<ShownMessageBox>();
    wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
    ok.SetEventObject(dlg.FindWindow(wxID_OK));
    wxTEST_DIALOG(dlg.GetEventHandler()->ProcessEvent(ok),
                  CExpectMessageBox(wxID_OK, pShown).Optional());
    OkOutcome outcome;
    outcome.bClosed = !dlg.IsShown();
    outcome.nBoxes = pShown->nCount;
    outcome.strMessage = pShown->message.utf8_string();
    outcome.strCaption = pShown->caption.utf8_string();
    return outcome;
}

enum class EWant { Accept, Empty, Invalid, TooLong };

struct NameCase {
    std::string strTyped;
    EWant eWant;
    std::string strStored;  // the member after OK, for accepted names
};

std::string Repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

std::vector<NameCase> NameCases()
{
    const std::string strKorean = "\xEA\xB0\x80";  // one syllable, three bytes in UTF-8
    std::vector<NameCase> vec = {
        {"abc", EWant::Accept, "abc"},
        {"  a  b  ", EWant::Accept, "a  b"},
        {"\tname\r\n", EWant::Accept, "name"},
        {"", EWant::Empty, ""},
        {"    ", EWant::Empty, ""},
        {" \t\r\n ", EWant::Empty, ""},
        {Repeat("x", 59), EWant::Accept, Repeat("x", 59)},
        {"  " + Repeat("x", 59) + "  ", EWant::Accept, Repeat("x", 59)},
        {Repeat("x", 60), EWant::TooLong, Repeat("x", 60)},
        // 19 syllables are 57 bytes, 20 are 60: the limit counts bytes.
        {Repeat(strKorean, 19), EWant::Accept, Repeat(strKorean, 19)},
        {Repeat(strKorean, 20), EWant::TooLong, Repeat(strKorean, 20)},
        // The character check comes before the length check.
        {Repeat("x", 60) + ":", EWant::Invalid, ""},
        {".hidden", EWant::Accept, ".hidden"},
    };
    for (char c : std::string("\\/:*?\"<>|"))
        vec.push_back({std::string("a") + c + "b", EWant::Invalid, ""});
    return vec;
}

std::string Expected(EWant eWant, const std::string& strEmptyText, const std::string& strName)
{
    switch (eWant)
    {
    case EWant::Empty:
        return strEmptyText;
    case EWant::Invalid:
        return MSG_INVALID_NAME_CHAR;
    case EWant::TooLong:
        return strName + " " + MSG_NAME_TOO_LONG + " 59";
    case EWant::Accept:
        break;
    }
    return std::string();
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        g_bShowStatus = 1;
        BuildCatalogue();
    }
    void TearDown() override
    {
        CloseMain();
        g_nLanguage = LANGUAGE_ENGLISH;
        g_bShowStatus = 1;
        BuildCatalogue();
    }

    CStbDlg* OpenMain()
    {
        m_pMain = new CStbDlg();
        m_pMain->Show();
        ServeEvents();
        return m_pMain;
    }
    void CloseMain()
    {
        if (m_pMain == nullptr)
            return;
        m_pMain->Close(true);
        wxTheApp->ProcessIdle();
        m_pMain = nullptr;
    }
    std::string LastStatusLine() const
    {
        const unsigned n = m_pMain->m_listStatus->GetCount();
        return n == 0 ? std::string() : m_pMain->m_listStatus->GetString(n - 1).utf8_string();
    }

    CStbDlg* m_pMain = nullptr;
};

TEST_F(DialogsTest, MakeDirectoryNameCheck)
{
    for (const NameCase& c : NameCases())
    {
        SCOPED_TRACE("typed [" + c.strTyped + "]");
        CMakeDirDlg dlg;
        const OkOutcome outcome = PressOk(dlg, dlg.m_editName, c.strTyped);
        const std::string strExpected = Expected(c.eWant, MSG_NEED_DIR_NAME, c.strStored);
        if (c.eWant == EWant::Accept)
        {
            EXPECT_TRUE(outcome.bClosed);
            EXPECT_EQ(outcome.nBoxes, 0);
            EXPECT_EQ(dlg.m_strName, c.strStored);
        }
        else
        {
            EXPECT_FALSE(outcome.bClosed) << "the dialog stays open";
            EXPECT_EQ(outcome.nBoxes, 1);
            EXPECT_EQ(outcome.strMessage, strExpected);
            EXPECT_EQ(outcome.strCaption, "Quorvane");
            // The user's text stays in the edit.
            EXPECT_EQ(dlg.m_editName->GetValue().utf8_string(), c.strTyped);
        }
    }
}

TEST_F(DialogsTest, RenameNameCheck)
{
    for (const NameCase& c : NameCases())
    {
        SCOPED_TRACE("typed [" + c.strTyped + "]");
        CRenameDlg dlg;
        dlg.m_strCurrentName = "old";
        const OkOutcome outcome = PressOk(dlg, dlg.m_editNew, c.strTyped);
        if (c.eWant == EWant::Accept)
        {
            EXPECT_TRUE(outcome.bClosed);
            EXPECT_EQ(outcome.nBoxes, 0);
            EXPECT_EQ(dlg.m_strNewName, c.strStored);
        }
        else
        {
            EXPECT_FALSE(outcome.bClosed);
            EXPECT_EQ(outcome.nBoxes, 1);
            EXPECT_EQ(outcome.strMessage, Expected(c.eWant, MSG_NEED_FILE_NAME, c.strStored));
        }
    }
}

TEST_F(DialogsTest, TooLongMessageAndTwoLineInvalidMessageReadAsDescribed)
{
    EXPECT_EQ(Expected(EWant::TooLong, "", Repeat("x", 60)),
              Repeat("x", 60) + " File name is too long. Max length is  59");
    EXPECT_EQ(MSG_INVALID_NAME_CHAR, "Invalid File Name Character.\n\\ / : * ? \" < > |");
}

TEST_F(DialogsTest, RenameShowsCurrentNameBytesAndStartsEmpty)
{
    CRenameDlg dlg;
    dlg.m_strCurrentName = "old\xFFname";  // a receiver name that is not UTF-8
    dlg.InitDialog();
    EXPECT_EQ(dlg.m_editCurrent->GetValue().utf8_string(), "old\\xFFname");
    EXPECT_TRUE(dlg.m_editNew->GetValue().empty());
    EXPECT_EQ(dlg.GetTitle().utf8_string(), "Rename");
    EXPECT_EQ(dlg.m_staticNew->GetLabel().utf8_string(), "New  Name :");
}

TEST_F(DialogsTest, CancelChecksNothing)
{
    CMakeDirDlg dlg;
    dlg.Show();
    dlg.m_editName->ChangeValue("a:b");
    auto pShown = std::make_shared<ShownMessageBox>();
    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
    cancel.SetEventObject(dlg.m_btnCancel);
    wxTEST_DIALOG(dlg.GetEventHandler()->ProcessEvent(cancel),
                  CExpectMessageBox(wxID_OK, pShown).Optional());
    EXPECT_EQ(pShown->nCount, 0);
    EXPECT_FALSE(dlg.IsShown());
    EXPECT_TRUE(dlg.m_strName.empty());
}

TEST_F(DialogsTest, DialogTextsFollowTheLanguage)
{
    g_nLanguage = LANGUAGE_KOREAN;
    BuildCatalogue();
    CMakeDirDlg dlg;
    EXPECT_EQ(dlg.GetTitle().utf8_string(), MSG_MAKE_DIR_TITLE);
    EXPECT_EQ(dlg.m_staticLabel->GetLabel().utf8_string(), MSG_DIR_NAME_LABEL);
    EXPECT_EQ(dlg.m_btnCancel->GetLabel().utf8_string(), MSG_BTN_CANCEL);
    EXPECT_NE(MSG_MAKE_DIR_TITLE, "Make Directory");
}

std::string ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string("<missing>");
}

TEST_F(DialogsTest, PreferenceSwitchesLanguageAtOnceAndBack)
{
    CStbDlg* pMain = OpenMain();
    const std::string strSettings = getenv("QUORVANE_SETTINGS");
    const std::string strSettingsBefore = ReadFile(strSettings);
    ASSERT_FALSE(pMain->GetMenuBar()->IsEnabled(WxCommandId(IDM_HOST_RENAME)));

    struct Step {
        int nLanguage;
        const char* pFilePopup;
    };
    for (const Step& step : {Step{LANGUAGE_GERMAN, nullptr}, Step{LANGUAGE_KOREAN, nullptr},
                             Step{LANGUAGE_ENGLISH, "&File(&F)"}})
    {
        CPreferenceDlg dlg;
        // The combo lists the languages in the current language.
        ASSERT_EQ(dlg.m_comboLanguage->GetCount(), 3u);
        EXPECT_EQ(dlg.m_comboLanguage->GetString(1).utf8_string(), MSG_LANG_GERMAN);
        dlg.m_comboLanguage->SetSelection(step.nLanguage);
        dlg.Show();
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        dlg.GetEventHandler()->ProcessEvent(ok);
        EXPECT_FALSE(dlg.IsShown());

        EXPECT_EQ(g_nLanguage, step.nLanguage);
        BuildCatalogue(step.nLanguage);  // what the new language says
        const std::vector<MenuPopup>& menu = MenuForLanguage(step.nLanguage);
        wxMenuBar* pBar = pMain->GetMenuBar();
        ASSERT_NE(pBar, nullptr);
        EXPECT_EQ(pBar->GetMenuLabel(0).utf8_string(), menu[0].strText);
        if (step.pFilePopup != nullptr)
        {
            EXPECT_EQ(menu[0].strText, step.pFilePopup);
        }
        wxListItem col;
        col.SetMask(wxLIST_MASK_TEXT);
        pMain->m_listDevice->GetColumn(PANE_COL_NAME, col);
        EXPECT_EQ(col.GetText().utf8_string(), MSG_COL_NAME);
        pMain->m_listHost->GetColumn(PANE_COL_SIZE, col);
        EXPECT_EQ(col.GetText().utf8_string(), MSG_COL_SIZE);
        EXPECT_EQ(pMain->GetTitle().utf8_string(), MSG_APP_TITLE);
        // The rebuilt menu has every item enabled again.
        EXPECT_TRUE(pBar->IsEnabled(WxCommandId(IDM_HOST_RENAME)));
    }
    EXPECT_EQ(MSG_COL_NAME, "Name");
    // Written only when the program ends.
    EXPECT_EQ(ReadFile(strSettings), strSettingsBefore);
}

TEST_F(DialogsTest, PreferenceShowStatusAndCancel)
{
    OpenMain();
    {
        CPreferenceDlg dlg;
        EXPECT_TRUE(dlg.m_checkShowStatus->GetValue());
        EXPECT_EQ(dlg.m_comboLanguage->GetSelection(), LANGUAGE_ENGLISH);
        dlg.m_checkShowStatus->SetValue(false);
        dlg.m_comboLanguage->SetSelection(LANGUAGE_GERMAN);
        wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
        dlg.GetEventHandler()->ProcessEvent(cancel);
        EXPECT_EQ(g_bShowStatus, 1);
        EXPECT_EQ(g_nLanguage, LANGUAGE_ENGLISH);
        EXPECT_EQ(MSG_COL_NAME, "Name");
    }
    {
        CPreferenceDlg dlg;
        dlg.m_checkShowStatus->SetValue(false);
        dlg.ApplySettings();
        EXPECT_EQ(g_bShowStatus, 0);
    }
    // A stored language outside 0-2 selects nothing; OK then acts as English.
    g_nLanguage = 7;
    {
        CPreferenceDlg dlg;
        EXPECT_EQ(dlg.m_comboLanguage->GetSelection(), wxNOT_FOUND);
        dlg.m_checkShowStatus->SetValue(true);
        dlg.ApplySettings();
        EXPECT_EQ(g_nLanguage, -1);
        EXPECT_EQ(MSG_COL_NAME, "Name");
        EXPECT_EQ(g_bShowStatus, 1);
    }
}

TEST_F(DialogsTest, AboutWithoutConnectionKeepsPlainLabels)
{
    OpenMain();
    CAboutDlg dlg;
    EXPECT_EQ(dlg.GetTitle().utf8_string(), "Quorvane Info");
    EXPECT_EQ(dlg.m_staticText->GetLabel().utf8_string(), MSG_ABOUT_TEXT);
    EXPECT_EQ(dlg.m_staticFree->GetLabel().utf8_string(), "Free Size : ");
    EXPECT_EQ(dlg.m_staticTotal->GetLabel().utf8_string(), "Total Size : ");
    EXPECT_EQ(m_pMain->m_listStatus->GetCount(), 0u);
}

// A connected emulated receiver serving a temporary folder.
class AboutConnectedTest : public DialogsTest {
protected:
    void SetUp() override
    {
        DialogsTest::SetUp();
        m_dir = std::filesystem::temp_directory_path() /
                ("quorvane-about-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
        m_pEmulator = std::make_unique<CEmulatedReceiver>(m_dir.string());
        m_pEmulator->Install();
        g_pReceiver = &m_link;
        ASSERT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_OK);
        ASSERT_EQ(m_link.StartComm(), RL_OK);
    }
    void TearDown() override
    {
        CloseMain();
        m_link.Close();
        g_pReceiver = nullptr;
        m_pEmulator.reset();
        std::filesystem::remove_all(m_dir);
        DialogsTest::TearDown();
    }

    std::filesystem::path m_dir;
    std::unique_ptr<CEmulatedReceiver> m_pEmulator;
    CReceiverLink m_link;
};

TEST_F(AboutConnectedTest, SizesByTheUnitRule)
{
    OpenMain();
    struct SizeCase {
        uint64_t nFree;
        uint64_t nTotal;
        const char* pFree;
        const char* pTotal;
    };
    for (const SizeCase& c : {SizeCase{500000000000ULL, 700000000ULL, "Free  Size : 465.66GB",
                                       "Total Size : 667MB"},
                              SizeCase{5000, 500, "Free  Size : 4KB", "Total Size : "}})
    {
        m_pEmulator->SetDiskSpace(c.nFree, c.nTotal);
        CAboutDlg dlg;
        EXPECT_EQ(dlg.m_staticFree->GetLabel().utf8_string(), c.pFree);
        EXPECT_EQ(dlg.m_staticTotal->GetLabel().utf8_string(), c.pTotal);
    }
}

TEST_F(AboutConnectedTest, FailedQueryResetsAndReports)
{
    OpenMain();
    m_pEmulator->RefuseOpcode('L');
    m_pEmulator->ClearCalls();
    CAboutDlg dlg;
    EXPECT_EQ(dlg.m_staticFree->GetLabel().utf8_string(), "Free Size : ");
    EXPECT_EQ(dlg.m_staticTotal->GetLabel().utf8_string(), "Total Size : ");
    EXPECT_EQ(LastStatusLine(), "Get disk information failed");
    int nResets = 0;
    for (const EmuCall& call : m_pEmulator->Calls())
        nResets += call.kind == EmuCall::ControlMsg && call.request == 0xFF &&
                   call.requestType == 0x40;
    EXPECT_EQ(nResets, 1);
}

TEST_F(AboutConnectedTest, HelpMenuOpensAbout)
{
    CStbDlg* pMain = OpenMain();
    m_pEmulator->SetDiskSpace(700000000ULL, 500000000000ULL);
    std::string strFree;
    wxCommandEvent about(wxEVT_MENU, WxCommandId(IDM_ABOUT));
    wxTEST_DIALOG(pMain->GetEventHandler()->ProcessEvent(about),
                  CExpectAbout([&](CAboutDlg& dlg) {
                      strFree = dlg.m_staticFree->GetLabel().utf8_string();
                      return wxID_OK;
                  }));
    EXPECT_EQ(strFree, "Free  Size : 667MB");
}

}  // namespace
