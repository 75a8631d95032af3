// The Upload and Download jobs end to end: the main window, the emulated
// receiver serving a temporary folder, the progress dialog running for real
// and every question answered by the script.
#include "TransferTestSupport.h"

#include <wx/listbox.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "StbDlg.h"
#include "TransferRules.h"

namespace fs = std::filesystem;

namespace
{

constexpr int Y = CONFIRM_YES;
constexpr int N = CONFIRM_NO;
constexpr int YTA = CONFIRM_YES_TO_ALL;

void WriteBytes(const fs::path& path, const std::string& strBytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << strBytes;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Bytes that differ from file to file and from offset to offset.
std::string Pattern(size_t nSize, unsigned nSeed)
{
    std::string str(nSize, '\0');
    uint32_t x = nSeed * 2654435761u + 1;
    for (char& c : str)
    {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return str;
}

// Every entry below root: relative path -> content, "<dir>" for folders.
std::map<std::string, std::string> Tree(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
    {
        const std::string strRel = fs::relative(entry.path(), root).string();
        tree[strRel] = entry.is_directory() ? "<dir>" : ReadBytes(entry.path());
    }
    return tree;
}

class TransferJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        g_bShowStatus = 1;
        m_root = fs::temp_directory_path() /
                 ("quorvane-xfer-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        m_host = m_root / "pc";
        m_device = m_root / "receiver";
        fs::create_directories(m_host);
        fs::create_directories(m_device);
        m_pEmulator = std::make_unique<CEmulatedReceiver>(m_device.string());
        m_pEmulator->SetRecordData(false);
        m_pEmulator->Install();
        g_pReceiver = &m_link;
        ASSERT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_OK);
        ASSERT_EQ(m_link.StartComm(), RL_OK);
        m_pMain = new CStbDlg();
        m_pMain->Show();
        ServeEvents();
        g_transferDialogsSeen = TransferDialogsSeen{};
    }

    void TearDown() override
    {
        m_pMain->Close(true);
        wxTheApp->ProcessIdle();
        m_link.Close();
        g_pReceiver = nullptr;
        m_pEmulator.reset();
        for (const auto& entry : fs::recursive_directory_iterator(m_root))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_root);
    }

    // Lists both panes: the host at m_host / strHostRel, the receiver at
    // strDevice.
    void ShowFolders(const std::string& strHostRel = "", const std::string& strDevice = "/")
    {
        const fs::path host = strHostRel.empty() ? m_host : m_host / strHostRel;
        m_pMain->RefreshHostList(host.string(), 1, 0);
        ASSERT_EQ(m_link.ChangeDir(strDevice), RL_OK);
        ASSERT_EQ(m_pMain->RefreshDeviceList(strDevice, 1, 0), 1);
    }

    // Selects the named rows of a pane (every row with no names).
    static void Select(CPaneList* pList, const std::vector<std::string>& vecNames)
    {
        pList->ClearSelection();
        for (long nRow = 0; nRow < pList->RowCount(); ++nRow)
        {
            const std::string& strName = pList->RowName(nRow);
            if (vecNames.empty() ||
                std::find(vecNames.begin(), vecNames.end(), strName) != vecNames.end())
                pList->SelectRow(nRow);
        }
    }

    std::vector<std::string> Lines() const
    {
        std::vector<std::string> vecLines;
        for (unsigned i = 0; i < m_pMain->m_listStatus->GetCount(); ++i)
            vecLines.push_back(m_pMain->m_listStatus->GetString(i).utf8_string());
        return vecLines;
    }
    bool HasLine(const std::string& strLine) const
    {
        const auto vec = Lines();
        return std::find(vec.begin(), vec.end(), strLine) != vec.end();
    }
    std::string Host(const std::string& strRel) const { return (m_host / strRel).string(); }

    // Presses Cancel of the progress dialog as soon as a file has started
    // moving, once.
    void CancelWhenBytesMove()
    {
        m_timerCancel.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            CTransferDlg* pDlg = g_transferDialogsSeen.pCurrent;
            if (pDlg == nullptr || m_link.m_fDone <= 0)
                return;
            m_timerCancel.Stop();
            wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
            pDlg->GetEventHandler()->ProcessEvent(click);
        });
        m_timerCancel.Start(5);
    }

    // No temporary receive folder is left anywhere below the host folder.
    void ExpectNoTemporaries() const
    {
        for (const auto& entry : fs::recursive_directory_iterator(m_host))
            EXPECT_EQ(entry.path().filename().string().rfind(".quorvane-", 0), std::string::npos)
                << entry.path();
    }

    fs::path m_root, m_host, m_device;
    std::unique_ptr<CEmulatedReceiver> m_pEmulator;
    CReceiverLink m_link;
    CStbDlg* m_pMain = nullptr;
    wxTimer m_timerCancel;
};

// Source tree used by the whole-tree copies: files, an empty file, a file of
// several chunks, nested folders, a dot file (copied) and a dot folder (not).
void MakeSourceTree(const fs::path& root)
{
    WriteBytes(root / "a.bin", Pattern(100000, 1));
    WriteBytes(root / "b.txt", "hello");
    WriteBytes(root / "empty.dat", "");
    WriteBytes(root / ".dotfile", "dot");
    WriteBytes(root / "tree" / "x.bin", Pattern(70000, 2));
    WriteBytes(root / "tree" / "sub" / "y.bin", Pattern(5000, 3));
    WriteBytes(root / "tree" / "sub" / "deeper" / "z", Pattern(1, 4));
    fs::create_directories(root / "tree" / "emptydir");
    WriteBytes(root / ".dotdir" / "q", "not copied");
}

TEST_F(TransferJobTest, UploadCopiesFilesAndFolderTreesByteForByte)
{
    MakeSourceTree(m_device);
    m_pEmulator->SetListDots(true);  // the receiver's own ".." is selected too
    ShowFolders();
    Select(m_pMain->m_listDevice, {});
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnUpload());

    auto expected = Tree(m_device);
    expected.erase(".dotdir");
    expected.erase(".dotdir/q");
    EXPECT_EQ(Tree(m_host), expected);
    EXPECT_TRUE(HasLine("Upload success : " + Host("a.bin")));
    EXPECT_TRUE(HasLine("Upload success : " + Host("tree/sub/deeper/z")));
    // Both panes are back where the job started; the host pane shows the files.
    EXPECT_EQ(m_pMain->GetHostPath(), m_host.string());
    EXPECT_EQ(m_pMain->GetDevicePath(), "/");
    EXPECT_GE(m_pMain->FindListItem(m_pMain->m_listHost, "a.bin", 0), 0);
    EXPECT_GE(g_transferDialogsSeen.nShown, 3);
    EXPECT_FALSE(m_pMain->m_bTransferRunning);
}

TEST_F(TransferJobTest, DownloadCopiesFilesAndFolderTreesByteForByteAndShowsTheDiskSpace)
{
    MakeSourceTree(m_host);
    m_pEmulator->SetDiskSpace(5ULL << 30, 10ULL << 30);
    ShowFolders();
    Select(m_pMain->m_listHost, {});
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnDownload());

    auto expected = Tree(m_host);
    expected.erase(".dotdir");
    expected.erase(".dotdir/q");
    EXPECT_EQ(Tree(m_device), expected);
    EXPECT_TRUE(HasLine("Download success : " + Host("tree/x.bin")));
    EXPECT_EQ(m_pMain->GetHostPath(), m_host.string());
    EXPECT_EQ(m_pMain->GetDevicePath(), "/");
    EXPECT_GE(m_pMain->FindListItem(m_pMain->m_listDevice, "a.bin", 0), 0);
    // The free-space display was refreshed by the job.
    EXPECT_NE(m_pMain->m_statusBar->GetStatusText(STATUS_PART_FREE).utf8_string().find("5.00GB"),
              std::string::npos);
}

TEST_F(TransferJobTest, NothingSelectedCopiesNothingAndShowsNoDialog)
{
    WriteBytes(m_host / "f", "x");
    WriteBytes(m_device / "g", "y");
    ShowFolders();
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnUpload(); m_pMain->OnDownload());
    EXPECT_EQ(g_transferDialogsSeen.nShown, 0);
    EXPECT_FALSE(fs::exists(m_host / "g"));
    EXPECT_FALSE(fs::exists(m_device / "f"));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TransferJobTest, DoubleClickOnAFileStartsTheJob)
{
    WriteBytes(m_host / "f", "pc");
    WriteBytes(m_device / "g", "receiver");
    ShowFolders();
    auto doubleClicks = [this] {
        Select(m_pMain->m_listHost, {"f"});
        m_pMain->OnHostListDblClk();
        Select(m_pMain->m_listDevice, {"g"});
        m_pMain->OnDeviceListDblClk();
    };
    TRANSFER_TEST_NO_QUESTION(doubleClicks());
    EXPECT_EQ(ReadBytes(m_device / "f"), "pc");
    EXPECT_EQ(ReadBytes(m_host / "g"), "receiver");
}

// Two existing destination files; the answers given and what each file ends
// as, in both directions. The destination files are read-only on the PC.
TEST_F(TransferJobTest, OverwriteQuestionsYesNoAndYesToAll)
{
    struct Case {
        bool bUpload;
        std::vector<int> vecAnswers;
        const char* pF;
        const char* pG;
    };
    const Case aCases[] = {
        {true, {Y, N}, "new f", "old g"},   {true, {N, Y}, "old f", "new g"},
        {true, {YTA}, "new f", "new g"},    {false, {Y, N}, "new f", "old g"},
        {false, {N, Y}, "old f", "new g"},  {false, {YTA}, "new f", "new g"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << (c.bUpload ? "Upload " : "Download ")
                                        << c.vecAnswers.size() << " answers");
        const fs::path src = c.bUpload ? m_device : m_host;
        const fs::path dst = c.bUpload ? m_host : m_device;
        for (const char* pName : {"f", "g"})
        {
            fs::remove(dst / pName);
            WriteBytes(src / pName, std::string("new ") + pName);
            WriteBytes(dst / pName, std::string("old ") + pName);
            fs::permissions(dst / pName, fs::perms::owner_read | fs::perms::group_read);
        }
        ShowFolders();
        Select(c.bUpload ? m_pMain->m_listDevice : m_pMain->m_listHost, {"f", "g"});
        auto pAsked = std::make_shared<std::vector<std::string>>();
        const int nSecond = c.vecAnswers.size() > 1 ? c.vecAnswers[1] : N;
        TRANSFER_TEST_DIALOG(c.bUpload ? m_pMain->OnUpload() : m_pMain->OnDownload(),
                             wxExpectModal<CConfirmDlg>(c.vecAnswers[0], pAsked),
                             wxExpectModal<CConfirmDlg>(nSecond, pAsked).Optional());
        std::vector<std::string> vecQuestions = {"f is alreay exist, overwrite ?"};
        if (c.vecAnswers.size() > 1)
            vecQuestions.push_back("g is alreay exist, overwrite ?");
        EXPECT_EQ(*pAsked, vecQuestions);
        EXPECT_EQ(ReadBytes(dst / "f"), c.pF);
        EXPECT_EQ(ReadBytes(dst / "g"), c.pG);
    }
    ExpectNoTemporaries();
}

TEST_F(TransferJobTest, FileYesToAllLastsForItsBatchOnly)
{
    for (const char* pName : {"a", "b", "c"})
    {
        WriteBytes(m_device / pName, "new");
        WriteBytes(m_host / pName, "old");
    }
    ShowFolders();
    auto pAsked = std::make_shared<std::vector<std::string>>();
    auto twoBatches = [this] {
        m_pMain->m_uploadBatch = {"a", "b"};
        m_pMain->RunUploadBatch();
        m_pMain->m_uploadBatch = {"c"};
        m_pMain->RunUploadBatch();
    };
    TRANSFER_TEST_DIALOG(twoBatches(), wxExpectModal<CConfirmDlg>(YTA, pAsked), wxExpectModal<CConfirmDlg>(N, pAsked));
    EXPECT_EQ(*pAsked, (std::vector<std::string>{"a is alreay exist, overwrite ?",
                                                 "c is alreay exist, overwrite ?"}));
    EXPECT_EQ(ReadBytes(m_host / "b"), "new");
    EXPECT_EQ(ReadBytes(m_host / "c"), "old");
}

// Existing folder D (with an existing file f1, a new file f2 and an existing
// sub-folder S holding s1) and an existing file t beside it.
TEST_F(TransferJobTest, FolderAnswersAndTheirInheritance)
{
    struct Case {
        bool bUpload;
        std::vector<int> vecAnswers;
        std::vector<std::string> vecAsked;  // names asked about, in order
        const char* pF1;
        const char* pS1;
        const char* pT;
    };
    const Case aCases[] = {
        // NO: existing files kept, S inherits NO silently; t is asked.
        {true, {N, Y}, {"D", "t"}, "old", "old", "new"},
        // YES: f1 overwritten without a question, S asked again.
        {true, {Y, N, N}, {"D", "S", "t"}, "new", "old", "old"},
        // YES TO ALL: no more questions at all in an Upload...
        {true, {YTA}, {"D"}, "new", "new", "new"},
        // ...but a Download still asks about existing files.
        {false, {YTA, N}, {"D", "t"}, "new", "new", "old"},
        {false, {N, Y}, {"D", "t"}, "old", "old", "new"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << (c.bUpload ? "Upload " : "Download ")
                                        << c.vecAnswers[0]);
        const fs::path src = c.bUpload ? m_device : m_host;
        const fs::path dst = c.bUpload ? m_host : m_device;
        fs::remove_all(src / "D");
        fs::remove_all(dst / "D");
        WriteBytes(src / "D" / "f1", "new");
        WriteBytes(src / "D" / "f2", "new");
        WriteBytes(src / "D" / "S" / "s1", "new");
        WriteBytes(src / "t", "new");
        WriteBytes(dst / "D" / "f1", "old");
        WriteBytes(dst / "D" / "S" / "s1", "old");
        WriteBytes(dst / "t", "old");
        ShowFolders();
        Select(c.bUpload ? m_pMain->m_listDevice : m_pMain->m_listHost, {"D", "t"});
        auto pAsked = std::make_shared<std::vector<std::string>>();
        auto answer = [&c](size_t i) { return i < c.vecAnswers.size() ? c.vecAnswers[i] : N; };
        TRANSFER_TEST_DIALOG(c.bUpload ? m_pMain->OnUpload() : m_pMain->OnDownload(),
                             wxExpectModal<CConfirmDlg>(answer(0), pAsked),
                             wxExpectModal<CConfirmDlg>(answer(1), pAsked).Optional(),
                             wxExpectModal<CConfirmDlg>(answer(2), pAsked).Optional());
        std::vector<std::string> vecQuestions;
        for (const std::string& strName : c.vecAsked)
            vecQuestions.push_back(OverwriteQuestion(strName));
        EXPECT_EQ(*pAsked, vecQuestions);
        EXPECT_EQ(ReadBytes(dst / "D" / "f1"), c.pF1);
        EXPECT_EQ(ReadBytes(dst / "D" / "f2"), "new");  // missing files are always copied
        EXPECT_EQ(ReadBytes(dst / "D" / "S" / "s1"), c.pS1);
        EXPECT_EQ(ReadBytes(dst / "t"), c.pT);
        EXPECT_TRUE(g_strFolderAnswers.empty());
    }
}

// Cancel while the first of two sibling folders is copied: its file is
// reported failed and leaves no partial copy, the second folder is never
// touched, and both panes end where the job started.
TEST_F(TransferJobTest, CancelLeavesNoPartialFileAndTheRestUntouched)
{
    m_pEmulator->SetBusSpeed(std::chrono::microseconds(100), 4 * 1024 * 1024);
    for (bool bUpload : {true, false})
    {
        SCOPED_TRACE(bUpload ? "Upload" : "Download");
        const fs::path src = bUpload ? m_device : m_host;
        const fs::path dst = bUpload ? m_host : m_device;
        fs::remove_all(m_host);
        fs::remove_all(m_device);
        WriteBytes(src / "A" / "big.bin", Pattern(8 << 20, 5));
        WriteBytes(src / "B" / "b.txt", "b");
        fs::create_directories(dst);
        ShowFolders();
        Select(bUpload ? m_pMain->m_listDevice : m_pMain->m_listHost, {"A", "B"});
        CancelWhenBytesMove();
        TRANSFER_TEST_NO_QUESTION(bUpload ? m_pMain->OnUpload() : m_pMain->OnDownload());

        EXPECT_TRUE(fs::is_directory(dst / "A"));
        EXPECT_FALSE(fs::exists(dst / "A" / "big.bin"));
        EXPECT_FALSE(fs::exists(dst / "B"));
        EXPECT_TRUE(HasLine(FailedStatusText(bUpload ? "Upload failed" : "Download failed",
                                             Host("A/big.bin"), RL_ERR_STATUS)));
        EXPECT_EQ(m_pMain->GetHostPath(), m_host.string());
        EXPECT_EQ(m_pMain->GetDevicePath(), "/");
        EXPECT_EQ(m_pEmulator->CurrentDir(), "/");
        ExpectNoTemporaries();
    }
}

// A refused data chunk fails the file with the code; the partial copy is
// removed, and an Upload keeps the user's existing file as it was.
TEST_F(TransferJobTest, RefusedChunkReportsTheCodeAndRemovesThePartialCopy)
{
    WriteBytes(m_device / "f", Pattern(200000, 6));
    WriteBytes(m_host / "f", "keep me");
    WriteBytes(m_host / "g", Pattern(200000, 7));
    ShowFolders();

    m_pEmulator->RefuseOpcode('O');
    Select(m_pMain->m_listDevice, {"f"});
    TRANSFER_TEST_DIALOG(m_pMain->OnUpload(), wxExpectModal<CConfirmDlg>(Y));
    m_pEmulator->RefuseOpcode('O', 0);
    EXPECT_TRUE(HasLine(FailedStatusText("Upload failed", Host("f"), RL_ERR_STATUS)));
    EXPECT_EQ(ReadBytes(m_host / "f"), "keep me");
    ExpectNoTemporaries();

    m_pEmulator->RefuseOpcode('P');
    Select(m_pMain->m_listHost, {"g"});
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnDownload());
    m_pEmulator->RefuseOpcode('P', 0);
    EXPECT_TRUE(HasLine(FailedStatusText("Download failed", Host("g"), RL_ERR_STATUS)));
    EXPECT_FALSE(fs::exists(m_device / "g"));

    // A PC file that cannot be read while it is sent (here a folder opened
    // as a file) fails with the local read code, never as a success.
    fs::create_directories(m_host / "unreadable");
    auto sendFolderAsFile = [this] {
        m_pMain->m_downloadBatch = {"unreadable"};
        m_pMain->RunDownloadBatch();
    };
    TRANSFER_TEST_NO_QUESTION(sendFolderAsFile());
    EXPECT_TRUE(HasLine(FailedStatusText("Download failed", Host("unreadable"), RL_ERR_LOCAL_READ)));
    EXPECT_FALSE(HasLine("Download success : " + Host("unreadable")));
    EXPECT_FALSE(fs::exists(m_device / "unreadable"));
}

// From a receiver folder nine names below the root, a selected folder is
// copied but none of its own sub-folders.
TEST_F(TransferJobTest, DepthLimitStopsBelowTheTenthSeparator)
{
    const std::string strNine = "/1/2/3/4/5/6/7/8/9";
    fs::create_directories(m_device / "1/2/3/4/5/6/7/8/9");
    for (bool bUpload : {true, false})
    {
        SCOPED_TRACE(bUpload ? "Upload" : "Download");
        const fs::path src = bUpload ? m_device / "1/2/3/4/5/6/7/8/9" : m_host;
        const fs::path dst = bUpload ? m_host : m_device / "1/2/3/4/5/6/7/8/9";
        fs::remove_all(src / "10");
        fs::remove_all(dst / "10");
        WriteBytes(src / "10" / "f", "f");
        WriteBytes(src / "10" / "11" / "g", "g");
        WriteBytes(src / "10" / "12" / "h", "h");
        m_pMain->m_listStatus->Clear();
        ShowFolders("", strNine);
        Select(bUpload ? m_pMain->m_listDevice : m_pMain->m_listHost, {"10"});
        TRANSFER_TEST_NO_QUESTION(bUpload ? m_pMain->OnUpload() : m_pMain->OnDownload());
        EXPECT_EQ(ReadBytes(dst / "10" / "f"), "f");
        EXPECT_FALSE(fs::exists(dst / "10" / "11"));
        EXPECT_FALSE(fs::exists(dst / "10" / "12"));
        const auto vecLines = Lines();
        EXPECT_EQ(std::count(vecLines.begin(), vecLines.end(), "Further sub-directory is too deep"),
                  2);
        EXPECT_EQ(m_pMain->GetDevicePath(), strNine);
    }
}

TEST_F(TransferJobTest, NamesOverFiftyNineBytesAreRefused)
{
    const std::string str59(59, 'n');
    const std::string str60(60, 'n');
    WriteBytes(m_host / str59, "ok");
    WriteBytes(m_host / str60, "too long");
    WriteBytes(m_host / ("d" + str59) / "inside", "not sent");
    ShowFolders();
    Select(m_pMain->m_listHost, {});
    auto pFolderBox = std::make_shared<ShownMessageBox>();
    auto pFileBox = std::make_shared<ShownMessageBox>();
    TRANSFER_TEST_DIALOG(m_pMain->OnDownload(), CExpectMessageBox(wxID_OK, pFolderBox),
                         CExpectMessageBox(wxID_OK, pFileBox));
    EXPECT_EQ(pFolderBox->message.utf8_string(), TooLongText("d" + str59));
    EXPECT_EQ(pFileBox->message.utf8_string(), str60 + " File name is too long. Max length is  59");
    EXPECT_EQ(pFileBox->caption.utf8_string(), MSG_APP_TITLE);
    EXPECT_TRUE(HasLine(TooLongText(str60)));
    EXPECT_EQ(ReadBytes(m_device / str59), "ok");
    EXPECT_FALSE(fs::exists(m_device / ("d" + str59)));

    // The receiver never lists such a name; a batch holding one refuses it
    // the same way.
    auto pUploadBox = std::make_shared<ShownMessageBox>();
    auto uploadLongName = [this, &str60] {
        m_pMain->m_uploadBatch = {str60};
        m_pMain->RunUploadBatch();
    };
    TRANSFER_TEST_DIALOG(uploadLongName(), CExpectMessageBox(wxID_OK, pUploadBox));
    EXPECT_EQ(pUploadBox->nCount, 1);
}

// Receiver names that are not one entry of a PC folder are never made into
// PC paths.
TEST_F(TransferJobTest, UploadRefusesReceiverNamesThatAreNotOnePcEntry)
{
    WriteBytes(m_device / "a\\b", "file with a backslash");
    WriteBytes(m_device / "x\\y" / "inside", "folder with a backslash");
    WriteBytes(m_device / "ok", "ok");
    ShowFolders();
    Select(m_pMain->m_listDevice, {});
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnUpload());
    EXPECT_TRUE(HasLine("Upload failed : /a\\b"));
    EXPECT_TRUE(HasLine("Upload failed : /x\\y"));
    EXPECT_EQ(Tree(m_host), (std::map<std::string, std::string>{{"ok", "ok"}}));
}

// The receiver refuses to enter a folder: that level is abandoned with a
// status line, and the level above goes on in the right PC folder.
TEST_F(TransferJobTest, ReceiverRefusingToEnterAFolderEndsOnlyThatLevel)
{
    fs::create_directories(m_root / "outside");
    WriteBytes(m_device / "P" / "p.txt", "p");
    fs::create_symlink(m_root / "outside", m_device / "P" / "link");
    WriteBytes(m_device / "t.txt", "t");
    ShowFolders();
    Select(m_pMain->m_listDevice, {"P", "t.txt"});
    TRANSFER_TEST_NO_QUESTION(m_pMain->OnUpload());
    EXPECT_TRUE(HasLine("Change directory failed : /P/link"));
    EXPECT_FALSE(fs::exists(m_host / "P" / "p.txt"));  // the rest of that level is dropped
    EXPECT_EQ(ReadBytes(m_host / "t.txt"), "t");
    EXPECT_EQ(m_pMain->GetHostPath(), m_host.string());
    EXPECT_EQ(m_pMain->GetDevicePath(), "/");
}

TEST_F(TransferJobTest, RefusedMakeDirEndsThatLevelOnly)
{
    fs::create_directories(m_device / "P");
    WriteBytes(m_host / "P" / "Q" / "q.txt", "q");
    WriteBytes(m_host / "P" / "p.txt", "p");
    WriteBytes(m_host / "t.txt", "t");
    ShowFolders();
    m_pEmulator->RefuseOpcode('S');
    Select(m_pMain->m_listHost, {"P", "t.txt"});
    TRANSFER_TEST_DIALOG(m_pMain->OnDownload(), wxExpectModal<CConfirmDlg>(Y));
    m_pEmulator->RefuseOpcode('S', 0);
    EXPECT_TRUE(HasLine("Make directory failed : /P/Q"));
    EXPECT_FALSE(fs::exists(m_device / "P" / "p.txt"));
    EXPECT_EQ(ReadBytes(m_device / "t.txt"), "t");
    EXPECT_EQ(m_pMain->GetHostPath(), m_host.string());
    EXPECT_EQ(m_pMain->GetDevicePath(), "/");
}

}  // namespace
