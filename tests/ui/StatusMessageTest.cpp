// Status messages: the status list rules, status bar part 0, Clear Status
// Message, and reports from worker threads.
#include "UiTestSupport.h"

#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "AppSettings.h"
#include "Catalogue.h"
#include "UiThread.h"
#include "main/StbDlg.h"

namespace
{

class StatusMessageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        g_bShowStatus = 1;
        m_pDlg = new CStbDlg();
        m_pDlg->Show();
        ServeEvents();
    }

    void TearDown() override
    {
        g_bShowStatus = 1;
        m_pDlg->Close(true);
        wxTheApp->ProcessIdle();
    }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> vecLines;
        for (unsigned i = 0; i < m_pDlg->m_listStatus->GetCount(); ++i)
            vecLines.push_back(m_pDlg->m_listStatus->GetString(i).utf8_string());
        return vecLines;
    }

    std::string StatusBarText() const
    {
        return m_pDlg->m_statusBar->GetStatusText(STATUS_PART_MESSAGE).utf8_string();
    }

    void FillLines(int nCount)
    {
        for (int i = 0; i < nCount; ++i)
            m_pDlg->AddStatusMessage("line " + std::to_string(i), 0);
    }

    CStbDlg* m_pDlg = nullptr;
};

TEST_F(StatusMessageTest, MessageGoesToListAndOnlyFlaggedOnesToStatusBar)
{
    m_pDlg->AddStatusMessage("Receiver connected[USB2.0]", 1);
    m_pDlg->AddStatusMessage("Upload success", 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Receiver connected[USB2.0]", "Upload success"}));
    EXPECT_EQ(StatusBarText(), "Receiver connected[USB2.0]");
    // The last line is selected.
    EXPECT_EQ(m_pDlg->m_listStatus->GetSelection(), 1);
}

TEST_F(StatusMessageTest, ShowStatusOffLeavesListAloneButStatusBarStillShows)
{
    g_bShowStatus = 0;
    m_pDlg->AddStatusMessage("Upload success", 0);
    m_pDlg->AddStatusMessage("Receiver disconnected", 1);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(StatusBarText(), "Receiver disconnected");
}

TEST_F(StatusMessageTest, SplitsAtCrLfAndTrimsEachPiece)
{
    m_pDlg->AddStatusMessage("  first line \r\n\r\n second line  ", 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"first line", "second line"}));

    // A lone line feed does not split; tabs count as white space.
    struct Case {
        const char* pText;
        std::vector<std::string> vecLines;
    };
    const Case aCases[] = {
        {"", {}},
        {"\r\n", {}},
        {" \t ", {}},
        {"a\nb", {"a\nb"}},
        {"\tx\t\r\ny\r\n", {"x", "y"}},
        {"one\r\r\ntwo", {"one", "two"}},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(CStbDlg::SplitStatusLines(c.pText), c.vecLines) << c.pText;
}

TEST_F(StatusMessageTest, LineThatWouldBeTheHundredAndFirstEmptiesTheList)
{
    FillLines(STATUS_LIST_LIMIT);
    EXPECT_EQ(m_pDlg->m_listStatus->GetCount(), 100u);
    m_pDlg->AddStatusMessage("one more", 0);
    EXPECT_TRUE(Lines().empty());
    m_pDlg->AddStatusMessage("after", 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"after"}));

    // A two-line message at 99 lines empties it too, both its lines included.
    m_pDlg->m_listStatus->Clear();
    FillLines(99);
    m_pDlg->AddStatusMessage("a\r\nb", 0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(StatusMessageTest, ClearStatusMessageEmptiesListButNotStatusBar)
{
    m_pDlg->AddStatusMessage("Receiver disconnected", 1);
    m_pDlg->AddStatusMessage("Delete file : /tmp/x", 0);
    wxCommandEvent event(wxEVT_MENU, WxCommandId(IDM_CLEAR_STATUS));
    m_pDlg->ProcessWindowEvent(event);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(StatusBarText(), "Receiver disconnected");
}

TEST_F(StatusMessageTest, NamesThatAreNotUtf8AreShownEscaped)
{
    m_pDlg->AddStatusMessage(std::string("Delete : /MP3/caf\xE9.mp3"), 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Delete : /MP3/caf\\xE9.mp3"}));
    EXPECT_EQ(StatusBarText(), "Delete : /MP3/caf\\xE9.mp3");
    m_pDlg->AddStatusMessage("Korean 한국어", 0);
    EXPECT_EQ(Lines().back(), "Korean 한국어");
}

TEST_F(StatusMessageTest, WorkerReportsRunOnTheUiThreadInOrder)
{
    std::atomic<bool> bDone{false};
    std::atomic<int> nOffUiThread{0};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
        {
            m_pDlg->AddStatusMessage("copied " + std::to_string(i), i == 19);
            // The call returns only once the line is in the list.
            const unsigned nCount =
                RunOnUiThread([&] { return m_pDlg->m_listStatus->GetCount(); });
            if (nCount != static_cast<unsigned>(i + 1))
                ++nOffUiThread;
        }
        if (!RunOnUiThread([] { return IsUiThread(); }))
            ++nOffUiThread;
        bDone = true;
    });
    const bool bFinished = ServeEventsUntil([&] { return bDone.load(); });
    worker.join();
    ASSERT_TRUE(bFinished);
    EXPECT_EQ(nOffUiThread, 0);
    const std::vector<std::string> vecLines = Lines();
    ASSERT_EQ(vecLines.size(), 20u);
    EXPECT_EQ(vecLines.front(), "copied 0");
    EXPECT_EQ(vecLines.back(), "copied 19");
    EXPECT_EQ(StatusBarText(), "copied 19");
}

TEST_F(StatusMessageTest, WorkerCanAskAQuestionWhileUiThreadServesEvents)
{
    auto pShown = std::make_shared<ShownMessageBox>();
    std::atomic<bool> bDone{false};
    int nAnswer = 0;
    wxTEST_DIALOG(
        {
            std::thread worker([&] {
                nAnswer = RunOnUiThread([] {
                    return wxMessageBox("Overwrite?", "Confirm", wxYES_NO | wxICON_QUESTION);
                });
                bDone = true;
            });
            ServeEventsUntil([&] { return bDone.load(); });
            worker.join();
        },
        CExpectMessageBox(wxID_YES, pShown));
    EXPECT_EQ(nAnswer, wxYES);
    EXPECT_EQ(pShown->message, "Overwrite?");
}

}  // namespace
