// The receiver connection of the main window against the emulated receiver:
// Connect and its failures, Disconnect, the presence poll, the disk space
// texts, Format and Exit.
#include "UiTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include <wx/listbox.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "Pictures.h"
#include "ReceiverLink.h"
#include "TopToolDlg.h"
#include "main/StbDlg.h"

namespace
{

namespace fs = std::filesystem;

constexpr int kReqEnd = 0xCE;
constexpr int kReqReset = 0xFF;

// A main window, a link and an emulated receiver serving a temporary folder.
class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        g_bShowStatus = 1;
        BuildCatalogue();
        m_root = fs::temp_directory_path() /
                 ("quorvane-conn-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "Movies");
        std::ofstream(m_root / "song.mp3") << "abc";
        m_pEmu = std::make_unique<CEmulatedReceiver>(m_root.string());
        m_pEmu->Install();
        g_pReceiver = &m_link;
        m_pDlg = new CStbDlg();
        m_pDlg->Show();
        ServeEvents();
    }

    void TearDown() override
    {
        CloseWindow();
        m_link.Close();
        g_pReceiver = nullptr;
        m_pEmu.reset();
        fs::remove_all(m_root);
    }

    void CloseWindow()
    {
        if (m_pDlg != nullptr)
        {
            m_pDlg->Close(true);
            wxTheApp->ProcessIdle();
            m_pDlg = nullptr;
        }
    }

    // Sends a menu command to the window as the menu would.
    void Command(int nCommand)
    {
        wxCommandEvent event(wxEVT_MENU, WxCommandId(nCommand));
        event.SetEventObject(m_pDlg);
        m_pDlg->GetEventHandler()->ProcessEvent(event);
    }

    void Poll()
    {
        wxTimerEvent event(m_pDlg->m_timerPoll);
        m_pDlg->OnTimer(event);
    }

    // Connects and checks that it worked; the poll timer is stopped so that
    // the tests drive every poll themselves.
    void ConnectOk()
    {
        Command(IDM_CONNECT);
        ASSERT_NE(m_link.m_hDevice, nullptr);
        m_pDlg->m_timerPoll.Stop();
    }

    // The picture the top toolbar's connect button shows at rest.
    EPicture ConnectPicture() const
    {
        return m_pDlg->m_dlgTopTool->GetButton(IDC_TOP_CONNECT)->GetUpPicture();
    }

    std::vector<std::string> StatusLines() const
    {
        std::vector<std::string> vec;
        for (unsigned n = 0; n < m_pDlg->m_listStatus->GetCount(); ++n)
            vec.push_back(m_pDlg->m_listStatus->GetString(n).utf8_string());
        return vec;
    }
    // The lines added since the list held nFrom lines.
    std::vector<std::string> LinesSince(size_t nFrom) const
    {
        std::vector<std::string> vec = StatusLines();
        vec.erase(vec.begin(), vec.begin() + static_cast<long>(std::min(nFrom, vec.size())));
        return vec;
    }
    std::string StatusPart(int nPart) const
    {
        return m_pDlg->m_statusBar->GetStatusText(nPart).utf8_string();
    }

    int ControlRequests(int nRequest) const
    {
        int n = 0;
        for (const EmuCall& call : m_pEmu->Calls())
            n += call.kind == EmuCall::ControlMsg && call.requestType == 0x40 &&
                 call.request == nRequest;
        return n;
    }
    // Opcodes of the command wrappers sent, in order.
    std::string Opcodes() const
    {
        std::string str;
        for (const EmuCall& call : m_pEmu->Calls())
            if (call.kind == EmuCall::BulkWrite && call.size == 23 && call.data.size() == 23 &&
                call.data[0] == 'U' && call.data[1] == 'S' && call.data[2] == 'B' &&
                call.data[3] == 'C')
                str += static_cast<char>(call.data[15]);
        return str;
    }
    int CallsOf(EmuCall::Kind kind) const
    {
        int n = 0;
        for (const EmuCall& call : m_pEmu->Calls())
            n += call.kind == kind;
        return n;
    }

    fs::path m_root;
    std::unique_ptr<CEmulatedReceiver> m_pEmu;
    CReceiverLink m_link;
    CStbDlg* m_pDlg = nullptr;
};

// --------------------------------------------------------------- connect

struct SpeedCase {
    uint16_t bcdUSB;
    const char* pExpected;
};

TEST_F(ConnectionTest, ConnectListsRootReportsSpeedAndDisconnectEndsIt)
{
    const SpeedCase aCases[] = {
        {0x0200, "Receiver connected[USB2.0]"},
        {0x0110, "Receiver connected[USB1.1]"},
        {0x0201, "Receiver connected[USB1.1]"},
    };
    for (const SpeedCase& c : aCases)
    {
        SCOPED_TRACE(c.pExpected);
        m_pEmu->SetDevices({{0, RECEIVER_VID, RECEIVER_PID, c.bcdUSB}});
        m_pEmu->SetDiskSpace(700000000, 500000000000ULL);
        Command(IDM_CONNECT);
        ASSERT_NE(m_link.m_hDevice, nullptr);
        EXPECT_TRUE(m_pDlg->m_timerPoll.IsRunning());
        EXPECT_EQ(m_pEmu->CurrentDir(), "/");
        EXPECT_EQ(m_pDlg->m_editDevicePath->GetValue(), "/");
        std::vector<std::string> vecNames;
        for (const PaneRow& row : m_pDlg->m_listDevice->Rows())
            vecNames.push_back(row.strName);
        EXPECT_EQ(vecNames, (std::vector<std::string>{"Movies", "song.mp3"}));
        EXPECT_EQ(StatusLines().back(), c.pExpected);
        EXPECT_EQ(StatusPart(STATUS_PART_MESSAGE), c.pExpected);
        EXPECT_EQ(StatusPart(STATUS_PART_FREE), "Free: 667MB");
        EXPECT_EQ(StatusPart(STATUS_PART_TOTAL), "Total: 465.66GB");
        EXPECT_EQ(ConnectPicture(), EPicture::DisconnectUp);

        m_pEmu->ClearCalls();
        Command(IDM_DISCONNECT);
        EXPECT_EQ(m_link.m_hDevice, nullptr);
        EXPECT_FALSE(m_pDlg->m_timerPoll.IsRunning());
        EXPECT_EQ(ControlRequests(kReqEnd), 1);
        EXPECT_TRUE(m_pDlg->m_listDevice->Rows().empty());
        EXPECT_TRUE(m_pDlg->m_editDevicePath->IsEmpty());
        EXPECT_EQ(StatusLines().back(), "Receiver disconnected");
        EXPECT_EQ(StatusPart(STATUS_PART_MESSAGE), "Receiver disconnected");
        EXPECT_EQ(ConnectPicture(), EPicture::ConnectUp);
    }
}

TEST_F(ConnectionTest, ConnectWhileConnectedAndDisconnectWhileDisconnectedDoNothing)
{
    ConnectOk();
    const size_t nLines = StatusLines().size();
    m_pEmu->ClearCalls();
    Command(IDM_CONNECT);
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_EQ(StatusLines().size(), nLines);

    Command(IDM_DISCONNECT);
    ASSERT_EQ(m_link.m_hDevice, nullptr);
    m_pDlg->m_timerPoll.Start(TIMER_POLL_PERIOD_MS);
    const size_t nAfter = StatusLines().size();
    m_pEmu->ClearCalls();
    Command(IDM_DISCONNECT);
    EXPECT_FALSE(m_pDlg->m_timerPoll.IsRunning());
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_EQ(StatusLines().size(), nAfter);
}

struct FailureCase {
    const char* pName;
    std::function<void(CEmulatedReceiver&)> fnFault;
    std::vector<std::string> vecLines;  // status lines the Connect adds
    bool bEndCommSent;
};

TEST_F(ConnectionTest, EachConnectFailureIsReportedAndLeavesTheLinkClosed)
{
    const FailureCase aCases[] = {
        {"no receiver (-2)", [](CEmulatedReceiver& e) { e.SetDevices({}); },
         {"Initialization of receiver failed! Restart receiver"}, false},
        {"device cannot be opened (-3)", [](CEmulatedReceiver& e) { e.FailOpen(true); },
         {"Initialization of receiver failed! Restart receiver"}, false},
        // The device is open but was never set up: closed without ending a
        // communication that was never started.
        {"configuration refused (-4)", [](CEmulatedReceiver& e) { e.FailSetup(1); },
         {"Initialization of receiver failed! Restart receiver"}, false},
        {"StartComm refused", [](CEmulatedReceiver& e) { e.FailCall(1); },
         {"Receiver disconnected", "Start communication failed"}, true},
        {"first ChangeDir refused", [](CEmulatedReceiver& e) { e.RefuseOpcode('V'); },
         {"Receiver disconnected", "Change directory failed : /"}, true},
        {"first listing refused", [](CEmulatedReceiver& e) { e.RefuseOpcode('J'); },
         {MSG_LIST_FAILED + " : /", "Receiver disconnected"}, true},
    };
    for (const FailureCase& c : aCases)
    {
        SCOPED_TRACE(c.pName);
        m_pEmu = std::make_unique<CEmulatedReceiver>(m_root.string());
        m_pEmu->Install();
        c.fnFault(*m_pEmu);
        const size_t nLines = StatusLines().size();
        Command(IDM_CONNECT);
        EXPECT_EQ(m_link.m_hDevice, nullptr);
        EXPECT_FALSE(m_pDlg->m_timerPoll.IsRunning());
        EXPECT_EQ(LinesSince(nLines), c.vecLines);
        EXPECT_EQ(ControlRequests(kReqEnd), c.bEndCommSent ? 1 : 0);
        EXPECT_TRUE(m_pDlg->m_listDevice->Rows().empty());
        EXPECT_TRUE(m_pDlg->m_editDevicePath->IsEmpty());
        EXPECT_EQ(ConnectPicture(), EPicture::ConnectUp);
    }
}

TEST_F(ConnectionTest, FailedConnectWhoseEndCommFailsKeepsPollingUntilTheReceiverGoes)
{
    // Every vendor request fails: StartComm, then EndComm in the clean-up.
    m_pEmu->FailControl(true);
    const size_t nLines = StatusLines().size();
    Command(IDM_CONNECT);
    EXPECT_EQ(LinesSince(nLines),
              (std::vector<std::string>{"End communication failed", "Start communication failed"}));
    ASSERT_NE(m_link.m_hDevice, nullptr);
    EXPECT_TRUE(m_pDlg->m_timerPoll.IsRunning());

    // Disconnect cannot end it either; the poll stays on.
    Command(IDM_DISCONNECT);
    EXPECT_NE(m_link.m_hDevice, nullptr);
    EXPECT_TRUE(m_pDlg->m_timerPoll.IsRunning());

    m_pEmu->SetUnplugged(true);
    Poll();
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_EQ(StatusLines().back(), "Receiver disconnected");
}

TEST_F(ConnectionTest, AccessDeniedOnRealUsbOnly)
{
    struct Case {
        int nResult;
        bool bRealUsb;
        int nErrno;
        bool bDenied;
    } const aCases[] = {
        {RL_ERR_NO_HANDLE, true, EACCES, true},
        {RL_ERR_SET_CONFIG, true, EPERM, true},   // opened read-only, setting up refused
        {RL_ERR_NO_HANDLE, false, EACCES, false},  // the emulator
        {RL_ERR_NOT_FOUND, true, EACCES, false},
        {RL_ERR_NO_HANDLE, true, ENOENT, false},
        {RL_ERR_NO_HANDLE, true, EBUSY, false},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(CStbDlg::IsUsbAccessDenied(c.nResult, c.bRealUsb, c.nErrno), c.bDenied)
            << c.nResult << " " << c.bRealUsb << " " << c.nErrno;
}

// ------------------------------------------------------------ disk space

TEST_F(ConnectionTest, DiskSpaceTextsFollowTheUnitRule)
{
    struct Case {
        uint64_t nBytes;
        const char* pText;
    } const aCases[] = {
        {500000000000ULL, "Free: 465.66GB"},
        {1ULL << 30, "Free: 1.00GB"},
        {(1ULL << 30) - 1, "Free: 1023MB"},
        {700000000, "Free: 667MB"},
        {1ULL << 20, "Free: 1MB"},
        {(1ULL << 20) - 1, "Free: 1023KB"},
        {5000, "Free: 4KB"},
        {1024, "Free: 1KB"},
        {1023, ""},
        {0, ""},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(CStbDlg::DiskSpaceText("Free: ", c.nBytes), c.pText) << c.nBytes;
}

TEST_F(ConnectionTest, ShowDiskInfoWritesBothPartsAndKeepsTextsBelow1024Bytes)
{
    ConnectOk();
    m_pEmu->SetDiskSpace(5000, 3000000000ULL);
    m_pDlg->ShowDiskInfo();
    EXPECT_EQ(StatusPart(STATUS_PART_FREE), "Free: 4KB");
    EXPECT_EQ(StatusPart(STATUS_PART_TOTAL), "Total: 2.79GB");

    m_pEmu->SetDiskSpace(500, 700000000);
    m_pDlg->ShowDiskInfo();
    EXPECT_EQ(StatusPart(STATUS_PART_FREE), "Free: 4KB");
    EXPECT_EQ(StatusPart(STATUS_PART_TOTAL), "Total: 667MB");
}

TEST_F(ConnectionTest, FailedDiskQueryResetsReportsAndKeepsTheTexts)
{
    m_pEmu->SetDiskSpace(700000000, 700000000);
    ConnectOk();
    m_pEmu->RefuseOpcode('L');
    m_pEmu->ClearCalls();
    m_pDlg->ShowDiskInfo();
    EXPECT_EQ(StatusLines().back(), "Get disk information failed");
    EXPECT_EQ(ControlRequests(kReqReset), 1);
    EXPECT_EQ(StatusPart(STATUS_PART_FREE), "Free: 667MB");

    // Disconnected: nothing is asked.
    Command(IDM_DISCONNECT);
    m_pEmu->ClearCalls();
    m_pDlg->ShowDiskInfo();
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
}

// ---------------------------------------------------------- presence poll

TEST_F(ConnectionTest, PollNoticesAnUnpluggedReceiverWithoutEndComm)
{
    ConnectOk();
    m_pEmu->ClearCalls();
    Poll();  // present: nothing changes
    EXPECT_NE(m_link.m_hDevice, nullptr);
    EXPECT_EQ(CallsOf(EmuCall::FindDevices), 1);
    EXPECT_FALSE(m_pDlg->m_listDevice->Rows().empty());

    m_pEmu->SetUnplugged(true);
    m_pEmu->ClearCalls();
    Poll();
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_EQ(StatusLines().back(), "Receiver disconnected");
    EXPECT_EQ(StatusPart(STATUS_PART_MESSAGE), "Receiver disconnected");
    EXPECT_TRUE(m_pDlg->m_listDevice->Rows().empty());
    EXPECT_TRUE(m_pDlg->m_editDevicePath->IsEmpty());
    EXPECT_EQ(CallsOf(EmuCall::ControlMsg), 0);
    EXPECT_EQ(m_pDlg->m_nMissedPolls, 0);
    EXPECT_EQ(ConnectPicture(), EPicture::ConnectUp);

    // Later ticks find the link closed and do nothing.
    const size_t nLines = StatusLines().size();
    m_pEmu->ClearCalls();
    Poll();
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_EQ(StatusLines().size(), nLines);
}

TEST_F(ConnectionTest, PollLeavesTheBusesAloneWhileTheLinkIsBusy)
{
    ConnectOk();
    m_pEmu->SetUnplugged(true);

    // An operation is running.
    m_link.m_bIdle = 0;
    m_pEmu->ClearCalls();
    Poll();
    m_link.m_bIdle = 1;
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_NE(m_link.m_hDevice, nullptr);

    // A transfer worker holds the transfer lock.
    std::promise<void> locked;
    std::promise<void> release;
    std::thread worker([&] {
        std::lock_guard<std::mutex> lock(g_csTransfer);
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    Poll();
    release.set_value();
    worker.join();
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_NE(m_link.m_hDevice, nullptr);

    // A tick of another timer is not the poll.
    wxTimer other(m_pDlg, TIMER_POLL + 1);
    wxTimerEvent event(other);
    m_pDlg->OnTimer(event);
    EXPECT_NE(m_link.m_hDevice, nullptr);

    Poll();
    EXPECT_EQ(m_link.m_hDevice, nullptr);
}

// ------------------------------------------------------------ Format, Exit

TEST_F(ConnectionTest, FormatAskedNoSendsNothingYesFormatsAndListsTheRoot)
{
    ConnectOk();
    m_pEmu->SetDiskSpace(5000, 5000);
    const std::string strFreeBefore = StatusPart(STATUS_PART_FREE);
    auto pShown = std::make_shared<ShownMessageBox>();

    m_pEmu->ClearCalls();
    wxTEST_DIALOG(Command(IDM_FORMAT), CExpectMessageBox(wxID_NO, pShown));
    EXPECT_EQ(pShown->nCount, 1);
    EXPECT_EQ(pShown->message.utf8_string(), MSG_CONFIRM_FORMAT);
    EXPECT_EQ(pShown->caption, "Format");
    EXPECT_TRUE(pShown->nStyle & wxYES_NO);
    EXPECT_EQ(m_pEmu->CallCount(), 0u);
    EXPECT_TRUE(fs::exists(m_root / "song.mp3"));

    m_pEmu->ClearCalls();
    wxTEST_DIALOG(Command(IDM_FORMAT), CExpectMessageBox(wxID_YES, pShown));
    EXPECT_EQ(Opcodes().substr(0, 2), "VU");
    EXPECT_FALSE(fs::exists(m_root / "song.mp3"));
    EXPECT_TRUE(m_pDlg->m_listDevice->Rows().empty());
    EXPECT_EQ(m_pDlg->m_editDevicePath->GetValue(), "/");
    EXPECT_EQ(StatusPart(STATUS_PART_FREE), strFreeBefore);
}

TEST_F(ConnectionTest, FormatFailuresResetAndReport)
{
    ConnectOk();
    auto pShown = std::make_shared<ShownMessageBox>();
    struct Case {
        char cOpcode;
        const char* pLine;
    } const aCases[] = {{'V', "Change directory failed : /"}, {'U', "Format failed"}};
    for (const Case& c : aCases)
    {
        m_pEmu->RefuseOpcode(c.cOpcode);
        m_pEmu->ClearCalls();
        wxTEST_DIALOG(Command(IDM_FORMAT), CExpectMessageBox(wxID_YES, pShown));
        m_pEmu->RefuseOpcode(c.cOpcode, 0);
        EXPECT_EQ(StatusLines().back(), c.pLine);
        EXPECT_EQ(ControlRequests(kReqReset), 1) << c.pLine;
        EXPECT_NE(m_link.m_hDevice, nullptr);
    }
    EXPECT_TRUE(fs::exists(m_root / "song.mp3"));

    // Disconnected: no question at all (an unexpected box fails the test).
    Command(IDM_DISCONNECT);
    {
        CTestModalHook hook(__FILE__, __LINE__, "Format while disconnected");
        Command(IDM_FORMAT);
        hook.CheckUnmetExpectations();
    }
}

TEST_F(ConnectionTest, ExitAskedNoStaysYesClosesAndEndsTheConnection)
{
    ConnectOk();
    auto pShown = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(Command(IDM_EXIT), CExpectMessageBox(wxID_NO, pShown));
    EXPECT_EQ(pShown->message.utf8_string(), MSG_CONFIRM_EXIT);
    EXPECT_EQ(pShown->caption, "Shutdown");
    ServeEvents();
    EXPECT_EQ(g_pMainDlg, m_pDlg);
    EXPECT_NE(m_link.m_hDevice, nullptr);

    m_pEmu->ClearCalls();
    wxTEST_DIALOG(Command(IDM_EXIT), CExpectMessageBox(wxID_YES, pShown));
    wxTheApp->ProcessIdle();
    EXPECT_EQ(g_pMainDlg, nullptr);
    m_pDlg = nullptr;
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_EQ(ControlRequests(kReqEnd), 1);
}

}  // namespace
