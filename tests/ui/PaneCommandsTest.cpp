// The pane commands: new folder, rename, delete and refresh on the PC pane
// (a temporary host folder) and on the receiver pane (the emulated receiver
// serving a temporary folder), with the dialogs' answers scripted.
#include "PaneTestSupport.h"
#include "UiTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <wx/listbox.h>
#include <wx/textctrl.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "DeviceToolDlg.h"
#include "EmulatedReceiver.h"
#include "HostToolDlg.h"
#include "MakeDirDlg.h"
#include "ReceiverLink.h"
#include "RenameDlg.h"
#include "main/StbDlg.h"

namespace fs = std::filesystem;

namespace
{

// Answers the Make Directory dialog with a name (or Cancel).
class CExpectMakeDir : public wxExpectModalBase<CMakeDirDlg, CExpectMakeDir> {
public:
    explicit CExpectMakeDir(std::string strName, int nAnswer = wxID_OK)
        : m_strName(std::move(strName)), m_nAnswer(nAnswer)
    {
    }

protected:
    int OnInvoked(CMakeDirDlg* pDlg) const override
    {
        pDlg->m_strName = m_strName;
        return m_nAnswer;
    }

private:
    std::string m_strName;
    int m_nAnswer;
};

// Answers the Rename dialog with a new name and records the current name it
// was given.
class CExpectRename : public wxExpectModalBase<CRenameDlg, CExpectRename> {
public:
    CExpectRename(std::string strNewName, std::shared_ptr<std::string> pCurrent)
        : m_strNewName(std::move(strNewName)), m_pCurrent(std::move(pCurrent))
    {
    }

protected:
    int OnInvoked(CRenameDlg* pDlg) const override
    {
        *m_pCurrent = pDlg->m_strCurrentName;
        pDlg->m_strNewName = m_strNewName;
        return wxID_OK;
    }

private:
    std::string m_strNewName;
    std::shared_ptr<std::string> m_pCurrent;
};

void WriteFile(const fs::path& path, const std::string& strText = "data")
{
    std::ofstream(path, std::ios::binary) << strText;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Index of a line in vecLines, or -1.
long LineIndex(const std::vector<std::string>& vecLines, const std::string& strLine)
{
    const auto it = std::find(vecLines.begin(), vecLines.end(), strLine);
    return it == vecLines.end() ? -1 : static_cast<long>(it - vecLines.begin());
}

class PaneCommandsTest : public PaneTest {
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        m_pHostTool = dynamic_cast<CHostToolDlg*>(m_pDlg->m_dlgHostTool);
        m_pDeviceTool = dynamic_cast<CDeviceToolDlg*>(m_pDlg->m_dlgDeviceTool);
        ASSERT_NE(m_pHostTool, nullptr);
        ASSERT_NE(m_pDeviceTool, nullptr);
    }

    void TearDown() override
    {
        PaneTest::TearDown();
        g_bShowStatus = 1;
    }

    // Connects to the emulated receiver serving m_disk and shows strFolder.
    void ConnectAt(const std::string& strFolder)
    {
        Connect();
        ShowDeviceFolder(strFolder);
    }
    void ShowDeviceFolder(const std::string& strFolder)
    {
        ASSERT_EQ(m_pLink->ChangeDir(strFolder), RL_OK);
        ASSERT_EQ(m_pDlg->RefreshDeviceList(strFolder, 1, 0), 1);
    }
    void ShowHostFolder(const fs::path& folder) { m_pDlg->RefreshHostList(folder.string(), 1, 0); }

    // Selects the rows of these names only.
    static void Select(CPaneList* pList, const std::vector<std::string>& vecNames)
    {
        pList->ClearSelection();
        for (const std::string& strName : vecNames)
        {
            bool bFound = false;
            for (long i = 0; i < pList->RowCount(); ++i)
            {
                if (pList->RowName(i) == strName)
                {
                    pList->SelectRow(i);
                    bFound = true;
                }
            }
            EXPECT_TRUE(bFound) << "no row " << strName;
        }
    }
    static bool HasRow(const CPaneList* pList, const std::string& strName)
    {
        const auto& rows = pList->Rows();
        return std::any_of(rows.begin(), rows.end(),
                           [&](const PaneRow& row) { return row.strName == strName; });
    }

    // Runs fn expecting exactly one message box; returns its text.
    template <class F>
    std::string MessageOf(F fn)
    {
        auto pShown = std::make_shared<ShownMessageBox>();
        wxTEST_DIALOG(fn(), CExpectMessageBox(wxID_OK, pShown));
        EXPECT_EQ(pShown->caption.utf8_string(), "Quorvane");
        return pShown->message.utf8_string();
    }

    // Receiver command blocks with this opcode sent since the last ClearCalls.
    int CommandCount(char cOpcode) const
    {
        int n = 0;
        for (const EmuCall& call : m_pEmulator->Calls())
            n += call.kind == EmuCall::BulkWrite && call.data.size() == 23 &&
                 call.data[15] == static_cast<uint8_t>(cOpcode);
        return n;
    }

    CHostToolDlg* m_pHostTool = nullptr;
    CDeviceToolDlg* m_pDeviceTool = nullptr;
};

// ---------------------------------------------------------------- PC pane

TEST_F(PaneCommandsTest, HostNewFolderThroughTheToolMenu)
{
    ShowHostFolder(m_host);
    wxCommandEvent menu(wxEVT_MENU, WxCommandId(IDM_HOST_NEW_FOLDER));
    // The menu posts the command to the host toolbar; serving the queue runs it.
    wxTEST_DIALOG((m_pDlg->GetEventHandler()->ProcessEvent(menu), ServeEvents()),
                  CExpectMakeDir("New  one"));
    EXPECT_TRUE(fs::is_directory(m_host / "New  one"));
    EXPECT_TRUE(HasRow(m_pDlg->m_listHost, "New  one"));
    // Cancel makes nothing.
    wxTEST_DIALOG(m_pHostTool->OnNewFolder(), CExpectMakeDir("other", wxID_CANCEL));
    EXPECT_FALSE(fs::exists(m_host / "other"));
}

TEST_F(PaneCommandsTest, HostNewFolderDepthRule)
{
    // Nine "/" open the dialog, ten refuse before it.
    m_pDlg->SetHostPath("/a/b/c/d/e/f/g/h/i");
    wxTEST_DIALOG(m_pHostTool->OnNewFolder(), CExpectMakeDir("x", wxID_CANCEL));
    m_pDlg->SetHostPath("/a/b/c/d/e/f/g/h/i/j");
    EXPECT_EQ(MessageOf([&] { m_pHostTool->OnNewFolder(); }), "Further sub-directory is too deep");
}

TEST_F(PaneCommandsTest, HostRenameFirstSelectedOnlyNeverReplacing)
{
    WriteFile(m_host / "a", "A");
    WriteFile(m_host / "b", "B");
    WriteFile(m_host / "c", "C");
    ShowHostFolder(m_host);
    Select(m_pDlg->m_listHost, {"b", "c"});
    auto pCurrent = std::make_shared<std::string>();
    wxTEST_DIALOG(m_pHostTool->OnRename(), CExpectRename("z", pCurrent));
    EXPECT_EQ(*pCurrent, "b");
    EXPECT_EQ(ReadFile(m_host / "z"), "B");
    EXPECT_FALSE(fs::exists(m_host / "b"));
    EXPECT_EQ(ReadFile(m_host / "c"), "C");
    EXPECT_TRUE(HasRow(m_pDlg->m_listHost, "z"));

    // A new name that exists leaves both entries as they were.
    Select(m_pDlg->m_listHost, {"a"});
    wxTEST_DIALOG(m_pHostTool->OnRename(), CExpectRename("c", pCurrent));
    EXPECT_EQ(ReadFile(m_host / "a"), "A");
    EXPECT_EQ(ReadFile(m_host / "c"), "C");
}

TEST_F(PaneCommandsTest, HostRenameAndDeleteNeedASelection)
{
    ShowHostFolder(m_host);
    m_pDlg->m_listHost->ClearSelection();
    EXPECT_EQ(MessageOf([&] { m_pHostTool->OnRename(); }), "Select file or directory");
    EXPECT_EQ(MessageOf([&] { m_pHostTool->OnDelete(); }), "Select file or directory");
}

TEST_F(PaneCommandsTest, HostDeleteTreeInPostOrderWithoutFollowingLinks)
{
    // D holds f, S/g, and a link to a folder outside the tree.
    const fs::path sub = m_host / "sub";
    fs::create_directories(sub / "D" / "S");
    WriteFile(sub / "D" / "f");
    WriteFile(sub / "D" / "S" / "g");
    fs::create_directories(m_host / "outside");
    WriteFile(m_host / "outside" / "keep");
    fs::create_directory_symlink(m_host / "outside", sub / "D" / "L");
    WriteFile(sub / "ro");
    fs::permissions(sub / "ro", fs::perms::owner_read);
    WriteFile(sub / ".profile");
    ShowHostFolder(sub);
    Select(m_pDlg->m_listHost, {"..", "D", "ro", ".profile"});

    wxCommandEvent del(wxEVT_BUTTON, IDC_HOST_DELETE);
    m_pHostTool->GetEventHandler()->ProcessEvent(del);

    const std::string strD = (sub / "D").string();
    const std::vector<std::string> vecLines = StatusLines();
    const long nF = LineIndex(vecLines, "Delete file : " + strD + "/f");
    const long nG = LineIndex(vecLines, "Delete file : " + strD + "/S/g");
    const long nL = LineIndex(vecLines, "Delete file : " + strD + "/L");
    const long nS = LineIndex(vecLines, "Delete direcotry : " + strD + "/S");
    const long nD = LineIndex(vecLines, "Delete direcotry : " + strD);
    const long nRo = LineIndex(vecLines, "Delete file : " + (sub / "ro").string());
    ASSERT_EQ(vecLines.size(), 6u) << ::testing::PrintToString(vecLines);
    for (long n : {nF, nG, nL, nS, nD, nRo})
        EXPECT_GE(n, 0) << ::testing::PrintToString(vecLines);
    EXPECT_LT(nG, nS);
    EXPECT_LT(nS, nD);
    EXPECT_LT(nF, nD);
    EXPECT_LT(nL, nD);
    EXPECT_LT(nD, nRo);  // folders come first in the pane

    EXPECT_FALSE(fs::exists(sub / "D"));
    EXPECT_FALSE(fs::exists(sub / "ro"));  // read-only, deleted all the same
    EXPECT_TRUE(fs::exists(sub / ".profile"));
    EXPECT_TRUE(fs::exists(m_host / "outside" / "keep"));  // the link was not entered
    EXPECT_FALSE(HasRow(m_pDlg->m_listHost, "D"));
    EXPECT_TRUE(HasRow(m_pDlg->m_listHost, ".."));
}

TEST_F(PaneCommandsTest, HostDeleteWithStatusOffAndAVanishedFile)
{
    WriteFile(m_host / "gone");
    fs::create_directories(m_host / "T");
    WriteFile(m_host / "T" / "x");
    ShowHostFolder(m_host);
    fs::remove(m_host / "gone");  // removed outside the program since the listing

    Select(m_pDlg->m_listHost, {"gone"});
    m_pHostTool->OnDelete();
    EXPECT_TRUE(StatusLines().empty());
    EXPECT_FALSE(HasRow(m_pDlg->m_listHost, "gone"));

    g_bShowStatus = 0;
    Select(m_pDlg->m_listHost, {"T"});
    m_pHostTool->OnDelete();
    EXPECT_FALSE(fs::exists(m_host / "T"));
    EXPECT_TRUE(StatusLines().empty());
}

// ---------------------------------------------------------- receiver pane

TEST_F(PaneCommandsTest, DeviceNewFolderAtRootAndInSubFolder)
{
    fs::create_directories(m_disk / "A");
    ConnectAt("/");
    wxTEST_DIALOG(m_pDeviceTool->OnNewFolder(), CExpectMakeDir("top"));
    EXPECT_TRUE(fs::is_directory(m_disk / "top"));
    EXPECT_TRUE(HasRow(m_pDlg->m_listDevice, "top"));

    ShowDeviceFolder("/A");
    m_pEmulator->ClearCalls();
    wxCommandEvent menu(wxEVT_MENU, WxCommandId(IDM_DEVICE_NEW_FOLDER));
    wxTEST_DIALOG((m_pDlg->GetEventHandler()->ProcessEvent(menu), ServeEvents()),
                  CExpectMakeDir("B"));
    EXPECT_TRUE(fs::is_directory(m_disk / "A" / "B"));
    EXPECT_TRUE(HasRow(m_pDlg->m_listDevice, "B"));
    EXPECT_EQ(CommandCount('L'), 1) << "the disk space is shown again";

    // The receiver refuses an existing name: reset and a status line.
    m_pEmulator->ClearCalls();
    wxTEST_DIALOG(m_pDeviceTool->OnNewFolder(), CExpectMakeDir("B"));
    EXPECT_EQ(StatusLines().back(), "Make directory failed : /A/B");
}

TEST_F(PaneCommandsTest, DeviceNewFolderDepthRule)
{
    ConnectAt("/");
    m_pDlg->SetDevicePath("/a/b/c/d/e/f/g/h/i");
    wxTEST_DIALOG(m_pDeviceTool->OnNewFolder(), CExpectMakeDir("x", wxID_CANCEL));
    m_pDlg->SetDevicePath("/a/b/c/d/e/f/g/h/i/j");
    EXPECT_EQ(MessageOf([&] { m_pDeviceTool->OnNewFolder(); }),
              "Further sub-directory is too deep");
}

TEST_F(PaneCommandsTest, DeviceRenameFirstSelectedOnly)
{
    fs::create_directories(m_disk / "W");
    WriteFile(m_disk / "W" / "one", "1");
    WriteFile(m_disk / "W" / "two", "2");
    ConnectAt("/W");
    Select(m_pDlg->m_listDevice, {"one", "two"});
    auto pCurrent = std::make_shared<std::string>();
    wxTEST_DIALOG(m_pDeviceTool->OnRename(), CExpectRename("uno", pCurrent));
    EXPECT_EQ(*pCurrent, "one");
    EXPECT_EQ(ReadFile(m_disk / "W" / "uno"), "1");
    EXPECT_EQ(ReadFile(m_disk / "W" / "two"), "2");
    EXPECT_TRUE(HasRow(m_pDlg->m_listDevice, "uno"));

    m_pDlg->m_listDevice->ClearSelection();
    EXPECT_EQ(MessageOf([&] { m_pDeviceTool->OnRename(); }), "Select file or directory");

    // Refused by the receiver (the target exists): reset and both paths.
    Select(m_pDlg->m_listDevice, {"two"});
    wxTEST_DIALOG(m_pDeviceTool->OnRename(), CExpectRename("uno", pCurrent));
    EXPECT_EQ(StatusLines().back(), "Rename failed : /W/two -> /W/uno");
}

TEST_F(PaneCommandsTest, DeviceDeleteNestedTreeDepthFirst)
{
    const fs::path w = m_disk / "W";
    fs::create_directories(w / "T" / "U" / "V");
    WriteFile(w / "T" / "f1");
    WriteFile(w / "T" / "U" / "f2");
    WriteFile(w / "T" / "U" / "V" / "f3");
    WriteFile(w / "x");
    WriteFile(w / ".keep");
    ConnectAt("/W");
    Select(m_pDlg->m_listDevice, {"..", "T", "x", ".keep"});
    m_pEmulator->ClearCalls();

    wxCommandEvent menu(wxEVT_MENU, WxCommandId(IDM_DEVICE_DELETE));
    m_pDlg->GetEventHandler()->ProcessEvent(menu);
    ServeEvents();

    // The emulated receiver lists names in byte order: U before f1.
    const std::vector<std::string> vecExpected = {
        "Delete : /W/T/U/V/f3", "Delete : /W/T/U/V", "Delete : /W/T/U/f2", "Delete : /W/T/U",
        "Delete : /W/T/f1",     "Delete : /W/T",     "Delete : /W/x"};
    EXPECT_EQ(StatusLines(), vecExpected);
    EXPECT_FALSE(fs::exists(w / "T"));
    EXPECT_FALSE(fs::exists(w / "x"));
    EXPECT_TRUE(fs::exists(w / ".keep"));
    // Back in the folder the user was in, listed once at the end.
    EXPECT_EQ(m_pDlg->m_editDevicePath->GetValue().utf8_string(), "/W");
    EXPECT_EQ(m_pEmulator->CurrentDir(), "/W");
    EXPECT_EQ(CommandCount('J'), 4) << "T, U and V, then the pane once";
    EXPECT_FALSE(HasRow(m_pDlg->m_listDevice, "T"));
    EXPECT_TRUE(HasRow(m_pDlg->m_listDevice, ".keep"));
}

TEST_F(PaneCommandsTest, DeviceDeleteNeverWalksTheDotEntriesOfAListing)
{
    // A receiver that lists "." and ".." inside every folder: walking them
    // would enter the folder itself again or delete its parent's content.
    fs::create_directories(m_disk / "W" / "T" / "U");
    WriteFile(m_disk / "W" / "T" / "U" / "g");
    WriteFile(m_disk / "W" / "keep");
    ConnectAt("/W");
    m_pEmulator->SetListDots(true);
    Select(m_pDlg->m_listDevice, {"T"});
    m_pDeviceTool->OnDelete();
    const std::vector<std::string> vecExpected = {"Delete : /W/T/U/g", "Delete : /W/T/U",
                                                  "Delete : /W/T"};
    EXPECT_EQ(StatusLines(), vecExpected);
    EXPECT_TRUE(fs::exists(m_disk / "W" / "keep"));
}

TEST_F(PaneCommandsTest, DeviceDeleteStopsAFolderAtARefusedFile)
{
    // Two trees of the same shape: the first run finds the call that deletes
    // U/g, the second fails exactly that call.
    for (const char* pTree : {"P", "Q"})
    {
        fs::create_directories(m_disk / pTree / "T" / "U");
        WriteFile(m_disk / pTree / "T" / "U" / "g");
        WriteFile(m_disk / pTree / "T" / "U" / "i");
        WriteFile(m_disk / pTree / "T" / "h");
    }
    ConnectAt("/P");
    Select(m_pDlg->m_listDevice, {"T"});
    m_pEmulator->ClearCalls();
    m_pDeviceTool->OnDelete();
    ASSERT_FALSE(fs::exists(m_disk / "P" / "T"));
    int nCall = 0;
    const std::vector<EmuCall> vecCalls = m_pEmulator->Calls();
    for (size_t i = 0; i < vecCalls.size(); ++i)
    {
        if (vecCalls[i].kind == EmuCall::BulkWrite && vecCalls[i].data.size() == 23 &&
            vecCalls[i].data[15] == 'T')
        {
            nCall = static_cast<int>(i) + 1;
            break;
        }
    }
    ASSERT_GT(nCall, 0);

    ShowDeviceFolder("/Q");
    m_pDlg->m_listStatus->Clear();
    Select(m_pDlg->m_listDevice, {"T"});
    m_pEmulator->ClearCalls();
    m_pEmulator->FailCall(nCall);
    m_pDeviceTool->OnDelete();

    const std::vector<std::string> vecExpected = {"Delete failed : /Q/T/U/g", "Delete : /Q/T/h",
                                                  "Delete failed : /Q/T"};
    EXPECT_EQ(StatusLines(), vecExpected);
    EXPECT_TRUE(fs::exists(m_disk / "Q" / "T" / "U" / "g"));
    EXPECT_TRUE(fs::exists(m_disk / "Q" / "T" / "U" / "i")) << "the rest of U is left";
    EXPECT_FALSE(fs::exists(m_disk / "Q" / "T" / "h"));
    EXPECT_EQ(m_pDlg->m_editDevicePath->GetValue().utf8_string(), "/Q");
    EXPECT_TRUE(HasRow(m_pDlg->m_listDevice, "T"));
}

TEST_F(PaneCommandsTest, DeviceCommandsWithoutConnectionReportFailures)
{
    m_pEmulator = std::make_unique<CEmulatedReceiver>(m_disk.string());
    m_pEmulator->Install();
    m_pLink = std::make_unique<CReceiverLink>();
    g_pReceiver = m_pLink.get();
    m_pDlg->SetDevicePath("/");
    wxTEST_DIALOG(m_pDeviceTool->OnNewFolder(), CExpectMakeDir("n"));
    EXPECT_EQ(StatusLines().back(), "Make directory failed : /n");
    EXPECT_FALSE(fs::exists(m_disk / "n"));
}

}  // namespace
