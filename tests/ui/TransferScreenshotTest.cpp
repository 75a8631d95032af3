// Pictures of the progress dialog and of the overwrite question over the main
// window, for looking at them. Runs only with QUORVANE_SCREENSHOTS=DIR and
// writes DIR/transfer-progress.png and DIR/transfer-question.png.
#include "TransferTestSupport.h"

#include <wx/timer.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "StbDlg.h"

namespace fs = std::filesystem;

namespace
{

// The whole X screen, by ImageMagick's import.
void SaveScreen(const std::string& strPath)
{
    const std::string strCommand = "import -window root '" + strPath + "'";
    EXPECT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
}

// Lets every dialog show for real; the question is pictured, then answered YES.
class CPictureHook : public wxModalDialogHook {
public:
    explicit CPictureHook(std::string strDir) : m_strDir(std::move(strDir)) { Register(); }

protected:
    int Enter(wxDialog* pDlg) override
    {
        if (auto pConfirm = dynamic_cast<CConfirmDlg*>(pDlg))
        {
            pConfirm->CallAfter([this, pConfirm] {
                ServeEventsUntil([] { return false; }, 500);
                SaveScreen(m_strDir + "/transfer-question.png");
                wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
                pConfirm->GetEventHandler()->ProcessEvent(click);
            });
        }
        else if (auto pTransfer = dynamic_cast<CTransferDlg*>(pDlg); pTransfer && !m_bPictured)
        {
            m_bPictured = true;
            pTransfer->CallAfter([this] {
                ServeEventsUntil([] { return g_pReceiver->m_fDone > 6e6; }, 5000);
                ServeEventsUntil([] { return false; }, 300);
                SaveScreen(m_strDir + "/transfer-progress.png");
            });
        }
        return wxID_NONE;
    }

private:
    std::string m_strDir;
    bool m_bPictured = false;
};

TEST(TransferScreenshots, ProgressAndQuestion)
{
    const char* pDir = std::getenv("QUORVANE_SCREENSHOTS");
    if (pDir == nullptr)
        GTEST_SKIP() << "set QUORVANE_SCREENSHOTS=DIR to take the pictures";
    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    g_bShowStatus = 1;
    const fs::path root = fs::temp_directory_path() / ("quorvane-shots-" + std::to_string(getpid()));
    fs::create_directories(root / "pc" / "Recordings");
    fs::create_directories(root / "receiver");
    std::ofstream(root / "pc" / "Recordings" / "Evening news.ts") << std::string(20 << 20, 'n');
    std::ofstream(root / "pc" / "Recordings" / "Film.ts") << std::string(4 << 20, 'f');
    std::ofstream(root / "receiver" / "Film.ts") << "old";

    CEmulatedReceiver emulator((root / "receiver").string());
    emulator.SetRecordData(false);
    emulator.SetBusSpeed(std::chrono::microseconds(200), 20 * 1000 * 1000);
    emulator.Install();
    CReceiverLink link;
    g_pReceiver = &link;
    ASSERT_EQ(link.InitVeltraSTB(1, 0, 0), RL_OK);
    ASSERT_EQ(link.StartComm(), RL_OK);
    auto pMain = new CStbDlg();
    pMain->Show();
    pMain->RefreshHostList((root / "pc" / "Recordings").string(), 1, 0);
    link.ChangeDir("/");
    pMain->RefreshDeviceList("/", 1, 0);
    ServeEventsUntil([] { return false; }, 500);
    for (long nRow = 0; nRow < pMain->m_listHost->RowCount(); ++nRow)
        pMain->m_listHost->SelectRow(nRow, pMain->m_listHost->RowName(nRow) != "..");
    {
        CPictureHook hook(pDir);
        pMain->OnDownload();
    }
    EXPECT_TRUE(fs::exists(std::string(pDir) + "/transfer-progress.png"));
    EXPECT_TRUE(fs::exists(std::string(pDir) + "/transfer-question.png"));
    pMain->Close(true);
    wxTheApp->ProcessIdle();
    link.Close();
    g_pReceiver = nullptr;
    fs::remove_all(root);
}

}  // namespace
