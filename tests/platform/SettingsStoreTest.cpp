// Settings store against a temporary settings file.
#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class SettingsStoreTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string strTemplate = (fs::temp_directory_path() / "quorvane-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(strTemplate.data()), nullptr);
        m_dir = strTemplate;
        m_file = m_dir / "settings.reg";
        if (const char* p = std::getenv("QUORVANE_SETTINGS"))
            m_strSavedEnv = p;
        UsePath(m_file);
    }

    void TearDown() override
    {
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir, ec))
            ::chmod(entry.path().c_str(), 0700);
        ::chmod(m_dir.c_str(), 0700);
        fs::remove_all(m_dir, ec);
        if (m_strSavedEnv)
            ::setenv("QUORVANE_SETTINGS", m_strSavedEnv->c_str(), 1);
        else
            ::unsetenv("QUORVANE_SETTINGS");
    }

    static void UsePath(const fs::path& path)
    {
        ::setenv("QUORVANE_SETTINGS", path.c_str(), 1);
    }

    void WriteFile(const std::string& strText) const
    {
        std::ofstream(m_file, std::ios::binary) << strText;
    }

    static std::string ReadFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    static std::int32_t Read(const char* pName)
    {
        return ReadSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, pName);
    }

    static int Write(const char* pName, std::int32_t nValue)
    {
        return WriteSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, pName, nValue);
    }

    // Permission tests mean nothing to root, who may read and write anyway.
    static bool IsRoot() { return ::geteuid() == 0; }

    fs::path m_dir;
    fs::path m_file;
    std::optional<std::string> m_strSavedEnv;
};

} // namespace

TEST_F(SettingsStoreTest, MissingFileReadsMissingAndFirstWriteCreatesIt)
{
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);
    EXPECT_FALSE(fs::exists(m_file)) << "reading must not create the file";

    EXPECT_EQ(Write(SETTING_LANGUAGE, 0), 1);
    EXPECT_EQ(Write(SETTING_SHOW_STATUS, 1), 1);
    EXPECT_EQ(Read(SETTING_LANGUAGE), 0);
    EXPECT_EQ(Read(SETTING_SHOW_STATUS), 1);

    EXPECT_EQ(ReadFile(m_file), "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltra Digital\\STBUSB]\n"
                                "\"Language\"=dword:00000000\n"
                                "\"ShowStatus\"=dword:00000001\n"
                                "\n");

    // Rewriting a value replaces it in place; negative numbers round-trip
    // as their 32-bit pattern.
    EXPECT_EQ(Write(SETTING_LANGUAGE, -1), 1);
    EXPECT_NE(ReadFile(m_file).find("\"Language\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 3), 1);
    EXPECT_EQ(Read(SETTING_LANGUAGE), 3);
}

TEST_F(SettingsStoreTest, ValuesOfEveryTypeReadAsTheirFirstFourBytes)
{
    std::string strBig = "\"Big\"=hex:00";
    for (int i = 1; i < 101; ++i)
        strBig += ",01";
    std::string strFull = "\"Full\"=hex:07";
    for (int i = 1; i < 100; ++i)
        strFull += ",01";

    WriteFile("Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltra Digital\\STBUSB]\r\n"
              "\"Three\"=dword:00000003\r\n"
              "\"Negative\"=dword:FFFFFFFF\r\n"
              "\"Short\"=dword:1f\r\n"
              "\"String\"=\"12\"\r\n"
              "\"LongString\"=\"abcdefgh\"\r\n"
              "\"Empty\"=\"\"\r\n"
              "\"Escaped\"=\"\\\"\\\\x\"\r\n"
              "\"Binary\"=hex:01,02\r\n"
              "\"Multi\"=hex(7):41,00,42,\\\r\n"
              "  00,00\r\n"
              "\"NoData\"=hex:\r\n" +
              strBig + "\r\n" + strFull + "\r\n" +
              "\"BadDword\"=dword:xyz\r\n"
              "\"Deleted\"=-\r\n"
              "@=dword:00000005\r\n");

    const std::vector<std::pair<const char*, std::int32_t>> vecCases = {
        {"Three", 3},
        {"THREE", 3}, // value names match case-insensitively
        {"Negative", -1},
        {"Short", 0x1f},
        {"String", 0x3231},          // '1' '2' NUL
        {"LongString", 0x64636261},  // "abcd"
        {"Empty", 0},                // only the terminator
        {"Escaped", 0x00785c22},     // '"' '\' 'x' NUL
        {"Binary", 0x0201},
        {"Multi", 0x00420041},       // continued over two lines
        {"NoData", 0},
        {"Big", -1},                 // 101 bytes do not fit the query buffer
        {"Full", 0x01010107},        // 100 bytes do
        {"BadDword", -1},
        {"Deleted", -1},
        {"Absent", -1},
        {nullptr, 5},                // the key's default value
    };
    for (const auto& [pName, nExpected] : vecCases)
        EXPECT_EQ(Read(pName), nExpected) << (pName ? pName : "(default)");

    EXPECT_EQ(ReadSettingDword(HKEY_LOCAL_MACHINE, "software\\veltra digital\\stbusb", "Three"), 3)
        << "key paths match case-insensitively";
    EXPECT_EQ(ReadSettingDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Veltra Digital", "Three"), -1);
}

TEST_F(SettingsStoreTest, NullSubKeyFailsWithoutTouchingTheFile)
{
    EXPECT_EQ(ReadSettingDword(HKEY_LOCAL_MACHINE, nullptr, SETTING_LANGUAGE), -1);
    EXPECT_EQ(WriteSettingDword(HKEY_LOCAL_MACHINE, nullptr, SETTING_LANGUAGE, 1), 0);
    EXPECT_FALSE(OpenSettingsKey(HKEY_LOCAL_MACHINE, nullptr, KEY_WRITE));
    EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(SettingsStoreTest, UnknownRootMeansLocalMachine)
{
    EXPECT_EQ(WriteSettingDword(0x12345678u, SETTINGS_SUBKEY, "Language", 2), 1);
    EXPECT_EQ(Read("Language"), 2);
    EXPECT_EQ(ReadSettingDword(0u, SETTINGS_SUBKEY, "Language"), 2);

    // The other predefined roots are separate trees.
    EXPECT_EQ(ReadSettingDword(HKEY_CURRENT_USER, SETTINGS_SUBKEY, "Language"), -1);
    EXPECT_EQ(WriteSettingDword(HKEY_CURRENT_USER, SETTINGS_SUBKEY, "Language", 1), 1);
    EXPECT_EQ(ReadSettingDword(HKEY_CURRENT_USER, SETTINGS_SUBKEY, "Language"), 1);
    EXPECT_EQ(Read("Language"), 2);
    EXPECT_NE(ReadFile(m_file).find("[HKEY_CURRENT_USER\\SOFTWARE\\Veltra Digital\\STBUSB]"),
              std::string::npos);
}

TEST_F(SettingsStoreTest, OpenKeyCreatesOnlyForWriting)
{
    EXPECT_FALSE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_READ));
    EXPECT_FALSE(fs::exists(m_file));
    EXPECT_TRUE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_WRITE));
    EXPECT_TRUE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_READ));
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1) << "a new key holds no values";
}

TEST_F(SettingsStoreTest, WriteKeepsEverythingElseInTheFile)
{
    const std::string strOriginal =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; kept as written\n"
        "[HKEY_CURRENT_USER\\Other]\n"
        "\"Name\"=\"value with \\\"quotes\\\"\"\n"
        "\"Blob\"=hex(2):25,00,48,00,\\\n"
        "  00,00\n"
        "this line is not understood\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltra Digital\\STBUSB]\n"
        "\"Language\"=dword:00000002\n"
        "\"Custom\"=\"x\"\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\After]\n"
        "\"Language\"=dword:00000009\n";
    WriteFile(strOriginal);

    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 1);
    EXPECT_EQ(Write(SETTING_SHOW_STATUS, 0), 1);

    // Language replaced in place, ShowStatus added to its own key, all the
    // rest byte for byte as before.
    std::string strExpected = strOriginal;
    const std::string strOld = "\"Language\"=dword:00000002\n\"Custom\"=\"x\"\n";
    strExpected.replace(strExpected.find(strOld), strOld.size(),
                        "\"Language\"=dword:00000001\n\"Custom\"=\"x\"\n"
                        "\"ShowStatus\"=dword:00000000\n");
    EXPECT_EQ(ReadFile(m_file), strExpected);

    EXPECT_EQ(Read(SETTING_LANGUAGE), 1);
    EXPECT_EQ(Read(SETTING_SHOW_STATUS), 0);
    EXPECT_EQ(ReadSettingDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\After", "Language"), 9);
    EXPECT_EQ(ReadSettingDword(HKEY_CURRENT_USER, "Other", "Blob"), 0x00480025);

    // Only the settings file is left in the folder: no temporary files.
    std::vector<std::string> vecNames;
    for (const auto& entry : fs::directory_iterator(m_dir))
        vecNames.push_back(entry.path().filename().string());
    EXPECT_EQ(vecNames, std::vector<std::string>{"settings.reg"});
}

TEST_F(SettingsStoreTest, NamesThatWouldBreakTheFileAreRefused)
{
    EXPECT_EQ(Write("Evil\n[HKEY_USERS\\X]", 1), 0);
    EXPECT_EQ(WriteSettingDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\]\n[X", "Language", 1), 0);
    EXPECT_FALSE(fs::exists(m_file));

    // Quotes and backslashes in a value name are escaped and read back.
    EXPECT_EQ(Write("Odd \"name\" \\ here", 4), 1);
    EXPECT_EQ(Read("Odd \"name\" \\ here"), 4);
}

TEST_F(SettingsStoreTest, UnreadableFileIsNeitherReadNorOverwritten)
{
    if (IsRoot())
        GTEST_SKIP() << "root reads every file";
    WriteFile("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltra Digital\\STBUSB]\n"
              "\"Language\"=dword:00000002\n");
    ASSERT_EQ(::chmod(m_file.c_str(), 0200), 0);

    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 0), 0);
    EXPECT_FALSE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_WRITE));

    ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);
    EXPECT_EQ(Read(SETTING_LANGUAGE), 2) << "the unreadable file was replaced";
}

TEST_F(SettingsStoreTest, UnwritableFolderFailsQuietly)
{
    if (IsRoot())
        GTEST_SKIP() << "root writes every folder";
    const fs::path locked = m_dir / "locked";
    fs::create_directory(locked);
    UsePath(locked / "sub" / "settings.reg");
    ASSERT_EQ(::chmod(locked.c_str(), 0500), 0);

    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 0);
    EXPECT_FALSE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_WRITE));
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);

    // An existing file in a read-only folder cannot be replaced either, and
    // stays as it was.
    UsePath(m_file);
    WriteFile("\"junk\"\n");
    ASSERT_EQ(::chmod(m_dir.c_str(), 0500), 0);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 0);
    EXPECT_EQ(ReadFile(m_file), "\"junk\"\n");
}

TEST_F(SettingsStoreTest, PathsThatCannotHoldTheFileFailQuietly)
{
    // The settings path is a folder.
    fs::create_directory(m_file);
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 0);
    EXPECT_FALSE(OpenSettingsKey(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, KEY_WRITE));
    EXPECT_TRUE(fs::is_directory(m_file));

    // Its folder would have to be made below a regular file.
    const fs::path file = m_dir / "plain";
    std::ofstream(file) << "x";
    UsePath(file / "settings.reg");
    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 0);
    EXPECT_EQ(Read(SETTING_LANGUAGE), -1);
    EXPECT_EQ(ReadFile(file), "x");
}

TEST_F(SettingsStoreTest, SymbolicLinkStaysALink)
{
    const fs::path target = m_dir / "real.reg";
    fs::create_symlink(target, m_file);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 2), 1);
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_NE(ReadFile(target).find("\"Language\"=dword:00000002"), std::string::npos);
    EXPECT_EQ(Read(SETTING_LANGUAGE), 2);

    // A relative link is followed from its own folder.
    fs::remove(m_file);
    fs::create_symlink("real.reg", m_file);
    EXPECT_EQ(Write(SETTING_LANGUAGE, 1), 1);
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_NE(ReadFile(target).find("\"Language\"=dword:00000001"), std::string::npos);
}

TEST(SettingsPath, EnvironmentChoosesTheFile)
{
    const auto save = [](const char* pName) -> std::optional<std::string> {
        const char* p = std::getenv(pName);
        return p ? std::optional<std::string>(p) : std::nullopt;
    };
    const auto restore = [](const char* pName, const std::optional<std::string>& str) {
        if (str)
            ::setenv(pName, str->c_str(), 1);
        else
            ::unsetenv(pName);
    };
    const auto savedSettings = save("QUORVANE_SETTINGS");
    const auto savedXdg = save("XDG_CONFIG_HOME");
    const auto savedHome = save("HOME");

    ::setenv("QUORVANE_SETTINGS", "/tmp/x/explicit.reg", 1);
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    ::setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(SettingsFilePath(), "/tmp/x/explicit.reg");
    ::unsetenv("QUORVANE_SETTINGS");
    EXPECT_EQ(SettingsFilePath(), "/tmp/xdg/quorvane/settings.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(SettingsFilePath(), "/tmp/home/.config/quorvane/settings.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFilePath(), "/tmp/home/.config/quorvane/settings.reg");

    restore("QUORVANE_SETTINGS", savedSettings);
    restore("XDG_CONFIG_HOME", savedXdg);
    restore("HOME", savedHome);
}
