// The progress dialog and the overwrite question on their own, and the
// decisions of the transfer jobs.
#include "TransferTestSupport.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <thread>

#include "Catalogue.h"
#include "ReceiverLink.h"
#include "TransferRules.h"

namespace
{

class TransferDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        m_pOldReceiver = g_pReceiver;
        g_pReceiver = &m_link;
        g_bCancelTransfer = 0;
    }
    void TearDown() override
    {
        g_pReceiver = m_pOldReceiver;
        g_bCancelTransfer = 0;
        BuildCatalogue(LANGUAGE_ENGLISH);
    }

    void SetFigures(float fDone, float fLocal, float fRemote)
    {
        m_link.m_fDone = fDone;
        m_link.m_fLocalSize = fLocal;
        m_link.m_fRemoteSize = fRemote;
    }

    CReceiverLink m_link;  // never connected: only its progress figures and stop flag
    CReceiverLink* m_pOldReceiver = nullptr;
};

TEST_F(TransferDialogsTest, ProgressDialogStartsEmptyWithCatalogueTextsAndNoCloseBox)
{
    for (int nLanguage : {LANGUAGE_ENGLISH, LANGUAGE_GERMAN})
    {
        BuildCatalogue(nLanguage);
        CTransferDlg dlg(nullptr, TRANSFER_DIRECTION_UPLOAD);
        EXPECT_EQ(dlg.GetTitle().utf8_string(), MSG_TRANSFER_TITLE);
        EXPECT_EQ(wxWindow::FindWindowById(wxID_CANCEL, &dlg)->GetLabel().utf8_string(),
                  MSG_BTN_CANCEL);
        EXPECT_EQ(dlg.FileText(), "Up/Download");
        EXPECT_EQ(dlg.ProgressValue(), 0);
        EXPECT_FALSE(dlg.HasFlag(wxCLOSE_BOX));
        EXPECT_FALSE(dlg.HasFlag(wxSYSTEM_MENU));
        EXPECT_FALSE(dlg.IsTimerRunning(TIMER_UPLOAD));
        // A close request (there is no close box) is refused.
        EXPECT_FALSE(dlg.Close(false));
    }
}

TEST_F(TransferDialogsTest, FileNotificationStartsTheTimerAndTicksMoveTheBar)
{
    struct TickCase {
        int nDirection;
        float fDone, fLocal, fRemote;
        int nExpectedBar;
        bool bRunningAfter;
    };
    const TickCase aCases[] = {
        // Download reads the local size, Upload the receiver's.
        {TRANSFER_DIRECTION_DOWNLOAD, 250, 1000, 7, 25, true},
        {TRANSFER_DIRECTION_UPLOAD, 250, 7, 1000, 25, true},
        {TRANSFER_DIRECTION_UPLOAD, 999, 7, 1000, 99, true},   // truncated, not rounded
        {TRANSFER_DIRECTION_UPLOAD, 1000, 7, 1000, 100, false},  // done: timer stops
        {TRANSFER_DIRECTION_DOWNLOAD, 0, 0, 0, 0, false},      // empty file: 0, timer stops
    };
    for (const TickCase& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << "done " << c.fDone << " direction " << c.nDirection);
        CTransferDlg dlg(nullptr, c.nDirection);
        const int nTimer = c.nDirection == TRANSFER_DIRECTION_UPLOAD ? TIMER_UPLOAD : TIMER_DOWNLOAD;
        dlg.OnFileNotification(nTimer, 8, "film.mpg");
        EXPECT_TRUE(dlg.IsTimerRunning(nTimer));
        EXPECT_EQ(dlg.FileText().utf8_string(),
                  (c.nDirection == TRANSFER_DIRECTION_UPLOAD ? std::string("Uploading   : ")
                                                             : std::string("Downloading : ")) +
                      "film.mpg");
        SetFigures(c.fDone, c.fLocal, c.fRemote);
        dlg.OnTimerTick(nTimer);
        EXPECT_EQ(dlg.ProgressValue(), c.nExpectedBar);
        EXPECT_EQ(dlg.IsTimerRunning(nTimer), c.bRunningAfter);
    }
    // A notification without a name changes nothing.
    CTransferDlg dlg(nullptr, TRANSFER_DIRECTION_UPLOAD);
    dlg.OnFileNotification(TIMER_UPLOAD, 0, "x");
    EXPECT_FALSE(dlg.IsTimerRunning(TIMER_UPLOAD));
    EXPECT_EQ(dlg.FileText(), "Up/Download");
}

TEST_F(TransferDialogsTest, CancelButtonAndEscSetBothStopFlagsAndStopTheDirectionsTimer)
{
    for (bool bEsc : {false, true})
    {
        for (int nDirection : {TRANSFER_DIRECTION_UPLOAD, TRANSFER_DIRECTION_DOWNLOAD})
        {
            SCOPED_TRACE(testing::Message() << (bEsc ? "Esc" : "button") << " " << nDirection);
            g_bCancelTransfer = 0;
            m_link.m_bStop = 0;
            CTransferDlg dlg(nullptr, nDirection);
            const int nTimer =
                nDirection == TRANSFER_DIRECTION_UPLOAD ? TIMER_UPLOAD : TIMER_DOWNLOAD;
            const int nOther = nTimer == TIMER_UPLOAD ? TIMER_DOWNLOAD : TIMER_UPLOAD;
            dlg.CallAfter([&dlg, bEsc, nTimer, nOther] {
                dlg.OnFileNotification(nTimer, 1, "a");
                dlg.OnFileNotification(nOther, 1, "a");
                if (bEsc)
                {
                    wxKeyEvent key(wxEVT_CHAR_HOOK);
                    key.m_keyCode = WXK_ESCAPE;
                    key.SetEventObject(&dlg);
                    dlg.GetEventHandler()->ProcessEvent(key);
                }
                else
                {
                    wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
                    click.SetEventObject(wxWindow::FindWindowById(wxID_CANCEL, &dlg));
                    dlg.GetEventHandler()->ProcessEvent(click);
                }
            });
            EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
            EXPECT_EQ(g_bCancelTransfer.load(), 1);
            EXPECT_EQ(m_link.m_bStop.load(), 1);
            EXPECT_FALSE(dlg.IsTimerRunning(nTimer));
            EXPECT_TRUE(dlg.IsTimerRunning(nOther));
        }
    }
}

TEST_F(TransferDialogsTest, WorkerNotificationsReachTheDialogAndItsOkClosesIt)
{
    CTransferDlg dlg(nullptr, TRANSFER_DIRECTION_DOWNLOAD);
    std::thread worker;
    dlg.CallAfter([&] {
        worker = std::thread([&dlg] {
            NotifyTransferFile(&dlg, TRANSFER_DIRECTION_DOWNLOAD, "Spielfilm \xC3\xA4.ts");
            CloseTransferDlg(&dlg);
        });
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    worker.join();
    EXPECT_EQ(dlg.FileText().utf8_string(), "Downloading : Spielfilm \xC3\xA4.ts");
    EXPECT_TRUE(dlg.IsTimerRunning(TIMER_DOWNLOAD));
    EXPECT_EQ(g_bCancelTransfer.load(), 0);
    // An OK command after the dialog has ended is dropped without harm.
    CloseTransferDlg(&dlg);
    ServeEvents();
}

TEST_F(TransferDialogsTest, ConfirmDialogTextsAndItsThreeAnswers)
{
    struct AnswerCase {
        int nButton;
        int nModal;
        int nResult;
    };
    for (const AnswerCase& c : {AnswerCase{wxID_OK, wxID_OK, CONFIRM_YES},
                                AnswerCase{wxID_CANCEL, wxID_CANCEL, CONFIRM_NO},
                                AnswerCase{IDC_CONFIRM_YES_TO_ALL, wxID_OK, CONFIRM_YES_TO_ALL}})
    {
        CConfirmDlg dlg;
        dlg.m_strMessage = OverwriteQuestion("\xEC\x98\x81\xED\x99\x94.ts");
        dlg.CallAfter([&dlg, &c] {
            wxCommandEvent click(wxEVT_BUTTON, c.nButton);
            dlg.GetEventHandler()->ProcessEvent(click);
        });
        EXPECT_EQ(dlg.ShowModal(), c.nModal);
        EXPECT_EQ(dlg.m_nResult, c.nResult);
        EXPECT_EQ(dlg.m_staticText->GetLabel().utf8_string(),
                  "\xEC\x98\x81\xED\x99\x94.ts is alreay exist, overwrite ?");
        EXPECT_EQ(dlg.GetTitle().utf8_string(), "Confirm");
        EXPECT_EQ(dlg.m_btnYes->GetLabel(), "YES");
        EXPECT_EQ(dlg.m_btnNo->GetLabel(), "NO");
        EXPECT_EQ(dlg.m_btnYesToAll->GetLabel(), "YES TO ALL");
        EXPECT_FALSE(dlg.HasFlag(wxCLOSE_BOX));
    }
    // The name stays as it is; the text after it follows the language.
    BuildCatalogue(LANGUAGE_GERMAN);
    EXPECT_EQ(OverwriteQuestion("\xC3\xBC"), "\xC3\xBC " + MSG_ALREADY_EXISTS);
}

TEST_F(TransferDialogsTest, ConfirmDialogEnterAnswersYesAndEscNo)
{
    for (int nKey : {WXK_RETURN, WXK_ESCAPE})
    {
        CConfirmDlg dlg;
        dlg.m_strMessage = OverwriteQuestion("a.ts");
        EXPECT_EQ(dlg.GetDefaultItem(), dlg.m_btnYes);
        bool bAborted = false;
        dlg.CallAfter([&dlg, &bAborted, nKey] {
            ServeEventsUntil([&dlg] { return dlg.IsShownOnScreen(); }, 2000);
            // Without a window manager the keyboard follows the pointer:
            // bring the pointer over the dialog before the key goes out.
            wxUIActionSimulator sim;
            sim.MouseMove(dlg.ClientToScreen(dlg.GetClientRect().GetPosition() + wxPoint(5, 5)));
            ServeEventsUntil([&dlg] { return dlg.IsActive(); }, 2000);
            sim.Char(nKey);
            // A key that went elsewhere fails the test instead of hanging it.
            if (!ServeEventsUntil([&dlg] { return !dlg.IsModal(); }, 3000))
            {
                bAborted = true;
                dlg.EndModal(wxID_ABORT);
            }
        });
        const int nModal = dlg.ShowModal();
        EXPECT_FALSE(bAborted) << "the key did not reach the dialog";
        EXPECT_EQ(nModal, nKey == WXK_RETURN ? wxID_OK : wxID_CANCEL);
        EXPECT_EQ(dlg.m_nResult, nKey == WXK_RETURN ? CONFIRM_YES : CONFIRM_NO);
    }
}

TEST(TransferRulesTest, FileDecisionsFollowTheFirstMatchingRow)
{
    using D = EFileDecision;
    struct Case {
        bool bExists, bFolderYesToAll;
        char cInnermost;
        bool bBatchYesToAll;
        D eUpload, eDownload;
    };
    const Case aCases[] = {
        {false, false, 'B', false, D::Transfer, D::Transfer},
        {true, true, 0, false, D::Transfer, D::Ask},  // folder YES TO ALL spares Upload only
        {true, true, 'B', false, D::Transfer, D::Skip},
        {true, false, 'A', false, D::Transfer, D::Transfer},
        {true, false, 'B', false, D::Skip, D::Skip},
        {true, false, 'B', true, D::Skip, D::Transfer},  // Download: batch flag comes first
        {true, false, 0, true, D::Transfer, D::Transfer},
        {true, false, 0, false, D::Ask, D::Ask},
    };
    for (const Case& c : aCases)
    {
        EXPECT_EQ(UploadFileDecision(c.bExists, c.bFolderYesToAll, c.cInnermost, c.bBatchYesToAll),
                  c.eUpload);
        EXPECT_EQ(DownloadFileDecision(c.bExists, c.cInnermost, c.bBatchYesToAll), c.eDownload);
    }
    EXPECT_EQ(FolderAnswerWithoutQuestion('B', true), 'B');
    EXPECT_EQ(FolderAnswerWithoutQuestion('A', true), 'A');
    EXPECT_EQ(FolderAnswerWithoutQuestion('A', false), 0);  // an outer YES does not spare the question
    EXPECT_EQ(FolderAnswerWithoutQuestion(0, false), 0);
    EXPECT_EQ(InnermostFolderAnswer("AB"), 'B');
    EXPECT_EQ(InnermostFolderAnswer(""), 0);
}

TEST(TransferRulesTest, NamesThatAreNotOnePcEntryAndTooLongNames)
{
    for (const char* pBad : {"", ".", "..", "a/b", "..\\x", "/", "\\"})
        EXPECT_FALSE(IsSafeLocalName(pBad)) << pBad;
    EXPECT_FALSE(IsSafeLocalName(std::string("a\0b", 3)));
    for (const char* pGood : {"a", ".hidden", "...", "a b.ts", "\xFF\xFE"})
        EXPECT_TRUE(IsSafeLocalName(pGood)) << pGood;

    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    EXPECT_FALSE(IsTransferNameTooLong(std::string(59, 'x')));
    EXPECT_TRUE(IsTransferNameTooLong(std::string(60, 'x')));
    EXPECT_EQ(TooLongText("n"), "n File name is too long. Max length is  59");
}

}  // namespace
