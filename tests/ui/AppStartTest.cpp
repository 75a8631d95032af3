// Start-up and exit rules of the application: the two settings and the
// single-instance question.
#include "UiTestSupport.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "SettingsStore.h"
#include "StbApp.h"

namespace
{

std::string ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Each test starts from a settings file of its own content (or none).
class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strPath = getenv("QUORVANE_SETTINGS");
        std::filesystem::remove(m_strPath);
    }
    void TearDown() override
    {
        std::filesystem::remove(m_strPath);
        g_nLanguage = LANGUAGE_ENGLISH;
        g_bShowStatus = 1;
    }
    void WriteValues(const std::string& strValues)
    {
        std::ofstream(m_strPath) << "Windows Registry Editor Version 5.00\n\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltra Digital\\STBUSB]\n"
                                 << strValues;
    }
    static int Stored(const char* pName)
    {
        return ReadSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, pName);
    }

    std::string m_strPath;
};

TEST_F(AppSettingsTest, FirstStartWritesBothDefaults)
{
    g_nLanguage = 7;
    g_bShowStatus = 0;
    LoadAppSettings();
    EXPECT_EQ(g_nLanguage, 0);
    EXPECT_EQ(g_bShowStatus, 1);
    const std::string strFile = ReadFile(m_strPath);
    EXPECT_NE(strFile.find("\"Language\"=dword:00000000"), std::string::npos) << strFile;
    EXPECT_NE(strFile.find("\"ShowStatus\"=dword:00000001"), std::string::npos) << strFile;
}

TEST_F(AppSettingsTest, StoredValuesAreKeptNegativeOnesCountAsMissing)
{
    struct Case {
        const char* pValues;
        int nLanguage;
        int bShowStatus;
        int nStoredLanguage;  // in the file after start-up
    };
    const Case aCases[] = {
        {"\"Language\"=dword:00000003\n\"ShowStatus\"=dword:00000000\n", 3, 0, 3},
        {"\"Language\"=dword:ffffffff\n\"ShowStatus\"=dword:00000001\n", 0, 1, 0},
        {"\"Language\"=dword:00000002\n", 2, 1, 2},
        // A string value reads as its first four bytes: "A" and its NUL.
        {"\"Language\"=\"A\"\n\"ShowStatus\"=dword:00000001\n", 65, 1, 65},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.pValues);
        WriteValues(c.pValues);
        LoadAppSettings();
        EXPECT_EQ(g_nLanguage, c.nLanguage);
        EXPECT_EQ(g_bShowStatus, c.bShowStatus);
        EXPECT_EQ(Stored(SETTING_LANGUAGE), c.nStoredLanguage);
        EXPECT_EQ(Stored(SETTING_SHOW_STATUS), c.bShowStatus);
    }
}

TEST_F(AppSettingsTest, ExitWritesBothGlobalsAsDwords)
{
    WriteValues("\"Language\"=\"A\"\n\"ShowStatus\"=dword:00000001\n");
    g_nLanguage = 2;
    g_bShowStatus = 0;
    SaveAppSettings();
    const std::string strFile = ReadFile(m_strPath);
    EXPECT_NE(strFile.find("\"Language\"=dword:00000002"), std::string::npos) << strFile;
    EXPECT_NE(strFile.find("\"ShowStatus\"=dword:00000000"), std::string::npos) << strFile;
}

TEST_F(AppSettingsTest, UnwritableSettingsNeverStopStartUp)
{
    // The settings path lies below a plain file: nothing can be read or written.
    const std::string strBlocker = m_strPath + ".blocker";
    std::ofstream(strBlocker) << "x";
    setenv("QUORVANE_SETTINGS", (strBlocker + "/settings.reg").c_str(), 1);
    LoadAppSettings();
    SaveAppSettings();
    setenv("QUORVANE_SETTINGS", m_strPath.c_str(), 1);
    std::filesystem::remove(strBlocker);
    EXPECT_EQ(g_nLanguage, 0);
    EXPECT_EQ(g_bShowStatus, 1);
}

// A process with a name of its own, standing in for a running instance.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_GERMAN;
        BuildCatalogue();
        m_dir = std::filesystem::temp_directory_path() /
                ("quorvane-instance-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
        m_strName = "qvi" + std::to_string(getpid());
        const std::filesystem::path exe = m_dir / m_strName;
        std::filesystem::copy_file("/bin/sleep", exe,
                                   std::filesystem::copy_options::overwrite_existing);
        m_pid = fork();
        if (m_pid == 0)
        {
            execl(exe.c_str(), m_strName.c_str(), "60", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the child runs under its new name.
        const std::string strComm = "/proc/" + std::to_string(m_pid) + "/comm";
        ServeEventsUntil([&] { return ReadFile(strComm) == m_strName + "\n"; });
    }

    void TearDown() override
    {
        if (m_pid > 0 && !m_bReaped)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        std::filesystem::remove_all(m_dir);
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
    }

    // Whether the stand-in has ended (reaping it if so).
    bool StandInEnded()
    {
        if (m_bReaped)
            return true;
        m_bReaped = waitpid(m_pid, nullptr, WNOHANG) == m_pid;
        return m_bReaped;
    }

    std::filesystem::path m_dir;
    std::string m_strName;
    pid_t m_pid = -1;
    bool m_bReaped = false;
};

TEST_F(SingleInstanceTest, NoOtherInstanceAsksNothing)
{
    int nStarted = 0;
    bool bEnd = true;
    {
        // Any dialog shown here fails the test.
        CTestModalHook hook(__FILE__, __LINE__, __func__);
        bEnd = CStbApp::HandleOtherInstance(m_strName + "x", [&] {
            ++nStarted;
            return true;
        });
        hook.CheckUnmetExpectations();
    }
    EXPECT_FALSE(bEnd);
    EXPECT_EQ(nStarted, 0);
}

TEST_F(SingleInstanceTest, AnswerNoEndsThisStartAndLeavesTheOtherRunning)
{
    auto pShown = std::make_shared<ShownMessageBox>();
    int nStarted = 0;
    bool bEnd = false;
    wxTEST_DIALOG(bEnd = CStbApp::HandleOtherInstance(m_strName, [&] {
        ++nStarted;
        return true;
    }),
                  CExpectMessageBox(wxID_NO, pShown));
    EXPECT_TRUE(bEnd);
    EXPECT_EQ(nStarted, 0);
    EXPECT_FALSE(StandInEnded());
    // The question: in the current language, the literal caption, Yes and No
    // with No the default, the warning icon.
    EXPECT_EQ(pShown->message.utf8_string(), MSG_ALREADY_RUNNING);
    EXPECT_EQ(pShown->caption, "Confirm restart");
    EXPECT_TRUE(pShown->nStyle & wxYES_NO);
    EXPECT_TRUE(pShown->nStyle & wxNO_DEFAULT);
    EXPECT_TRUE(pShown->nStyle & wxICON_WARNING);
}

TEST_F(SingleInstanceTest, AnswerYesEndsTheOtherAndStartsAFreshOne)
{
    auto pShown = std::make_shared<ShownMessageBox>();
    int nStarted = 0;
    bool bEnd = false;
    wxTEST_DIALOG(bEnd = CStbApp::HandleOtherInstance(m_strName, [&] {
        // The other instance is gone before the fresh one starts.
        EXPECT_TRUE(StandInEnded());
        ++nStarted;
        return true;
    }),
                  CExpectMessageBox(wxID_YES, pShown));
    EXPECT_TRUE(bEnd);
    EXPECT_EQ(nStarted, 1);
    EXPECT_TRUE(StandInEnded());
}

}  // namespace
