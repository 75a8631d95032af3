// Pictures of the whole main window connected to an emulated receiver, in
// English and in Korean, kept by every test run in the build folder's
// artifacts/ (or $QUORVANE_ARTIFACTS) so that a person can look at them.
#include "UiTestSupport.h"

#include <wx/choice.h>
#include <wx/tooltip.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "AppSettings.h"
#include "Catalogue.h"
#include "CommandIds.h"
#include "EmulatedReceiver.h"
#include "PreferenceDlg.h"
#include "ReceiverLink.h"
#include "StbDlg.h"

namespace fs = std::filesystem;

namespace
{

std::string ArtifactDir()
{
    if (const char* pDir = std::getenv("QUORVANE_ARTIFACTS"))
        return pDir;
    return QUORVANE_ARTIFACT_DIR;
}

bool HaveImport() { return std::system("command -v import >/dev/null 2>&1") == 0; }

void SaveScreen(const std::string& strPath)
{
    const std::string strCommand = "import -window root '" + strPath + "'";
    EXPECT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
    EXPECT_GT(fs::file_size(strPath), 1000u) << strPath;
}

TEST(MainWindowScreenshots, ConnectedInEnglishAndKorean)
{
    if (!HaveImport())
        GTEST_SKIP() << "ImageMagick's import is not installed";
    const fs::path dir = ArtifactDir();
    fs::create_directories(dir);

    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    g_bShowStatus = 1;
    const fs::path root = fs::temp_directory_path() / ("quorvane-window-" + std::to_string(getpid()));
    fs::remove_all(root);
    for (const char* folder : {"pc/Recordings", "pc/Music", "receiver/MP3", "receiver/Image",
                               "receiver/Movies"})
        fs::create_directories(root / folder);
    std::ofstream(root / "pc" / "notes.txt") << std::string(3000, 'n');
    std::ofstream(root / "pc" / "Evening news.ts") << std::string(200000, 'e');
    std::ofstream(root / "receiver" / "Movies" / "Film.ts") << std::string(50000, 'f');
    std::ofstream(root / "receiver" / "readme.txt") << "demo";

    CEmulatedReceiver emulator((root / "receiver").string());
    emulator.SetRecordData(false);
    emulator.SetDiskSpace(312500000000ULL, 500107862016ULL);
    emulator.Install();
    CReceiverLink link;
    g_pReceiver = &link;

    // A tooltip left by the pointer of an earlier test would cover the panes.
    wxToolTip::Enable(false);
    auto pMain = new CStbDlg();
    pMain->Show();
    pMain->SetHostPath((root / "pc").string());
    pMain->RefreshHostList((root / "pc").string(), 1, 0);
    wxCommandEvent connect(wxEVT_MENU, WxCommandId(IDM_CONNECT));
    pMain->GetEventHandler()->ProcessEvent(connect);
    ASSERT_NE(link.m_hDevice, nullptr);
    ServeEventsUntil([] { return false; }, 500);
    SaveScreen((dir / "main-window-en.png").string());

    {
        CPreferenceDlg dlg(pMain);
        dlg.m_comboLanguage->SetSelection(LANGUAGE_KOREAN);
        dlg.ApplySettings();
    }
    EXPECT_EQ(g_nLanguage, LANGUAGE_KOREAN);
    ServeEventsUntil([] { return false; }, 500);
    SaveScreen((dir / "main-window-ko.png").string());

    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    pMain->Close(true);
    wxTheApp->ProcessIdle();
    wxToolTip::Enable(true);
    link.Close();
    g_pReceiver = nullptr;
    fs::remove_all(root);
}

}  // namespace
