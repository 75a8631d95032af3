// Folder creation, rename without replacing, and deletion that never follows
// symbolic links.
#include <algorithm>
#include <utility>

#include <gtest/gtest.h>
#include <unistd.h>

#include "HostFileOps.h"
#include "TempFolder.h"

namespace {

mode_t ModeOf(const std::string& strPath)
{
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

using DeleteLog = std::vector<std::pair<bool, std::string>>;

HostDeleteCallback Recorder(DeleteLog& log)
{
    return [&log](bool bFolder, const std::string& strPath) { log.emplace_back(bFolder, strPath); };
}

size_t PositionOf(const DeleteLog& log, bool bFolder, const std::string& strPath)
{
    return static_cast<size_t>(std::find(log.begin(), log.end(), std::make_pair(bFolder, strPath)) - log.begin());
}

}  // namespace

TEST(HostFileOps, MakeFolderAndExistenceChecks)
{
    CTempFolder tmp;
    EXPECT_FALSE(MakeHostFolder(tmp / "new"));
    EXPECT_EQ(MakeHostFolder(tmp / "new"), std::errc::file_exists);
    EXPECT_EQ(MakeHostFolder(tmp / "missing/new"), std::errc::no_such_file_or_directory);

    WriteFile(tmp / "file", "x");
    ASSERT_EQ(symlink("new", (tmp / "tofolder").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "dangling").c_str()), 0);
    struct Case { const char* pName; bool bExists, bFolder, bRealFolder; };
    for (const Case& c : {Case{"new", true, true, true}, Case{"file", true, false, false},
                          Case{"tofolder", true, true, false}, Case{"dangling", true, false, false},
                          Case{"missing", false, false, false}}) {
        SCOPED_TRACE(c.pName);
        EXPECT_EQ(HostEntryExists(tmp / c.pName), c.bExists);
        EXPECT_EQ(IsHostFolder(tmp / c.pName), c.bFolder);
        EXPECT_EQ(IsHostFolderNoFollow(tmp / c.pName), c.bRealFolder);
    }
}

TEST(HostFileOps, RenameNeverReplacesAnExistingEntry)
{
    using RenameFn = std::error_code (*)(const std::string&, const std::string&);
    struct Variant { const char* pName; RenameFn fn; };
    for (const Variant& v : {Variant{"renameat2", &RenameHostEntry},
                             Variant{"fallback", &hostfs_detail::RenameWithoutNoReplaceFlag}}) {
        SCOPED_TRACE(v.pName);
        CTempFolder tmp;
        WriteFile(tmp / "old", "old bytes");
        WriteFile(tmp / "other", "other bytes");
        ASSERT_EQ(mkdir((tmp / "folder").c_str(), 0755), 0);
        WriteFile(tmp / "folder/inside", "i");
        ASSERT_EQ(symlink("nowhere", (tmp / "dangling").c_str()), 0);

        // Each existing kind of target refuses, and both entries stay.
        for (const char* pTarget : {"other", "folder", "dangling", "old"}) {
            SCOPED_TRACE(pTarget);
            EXPECT_EQ(v.fn(tmp / "old", tmp / pTarget), std::errc::file_exists);
            EXPECT_EQ(ReadFile(tmp / "old"), "old bytes");
        }
        EXPECT_EQ(v.fn(tmp / "folder", tmp / "other"), std::errc::file_exists);
        EXPECT_EQ(ReadFile(tmp / "other"), "other bytes");
        EXPECT_EQ(ReadFile(tmp / "folder/inside"), "i");
        EXPECT_TRUE(HostEntryExists(tmp / "dangling"));
        EXPECT_FALSE(IsHostFolder(tmp / "dangling"));

        // Free names: files, folders and links move.
        EXPECT_FALSE(v.fn(tmp / "old", tmp / "renamed"));
        EXPECT_FALSE(HostEntryExists(tmp / "old"));
        EXPECT_EQ(ReadFile(tmp / "renamed"), "old bytes");
        EXPECT_FALSE(v.fn(tmp / "folder", tmp / "folder2"));
        EXPECT_EQ(ReadFile(tmp / "folder2/inside"), "i");
        EXPECT_FALSE(v.fn(tmp / "dangling", tmp / "dangling2"));
        EXPECT_FALSE(IsHostFolder(tmp / "dangling2"));
        EXPECT_TRUE(HostEntryExists(tmp / "dangling2"));

        EXPECT_EQ(v.fn(tmp / "missing", tmp / "x"), std::errc::no_such_file_or_directory);
    }
}

TEST(HostFileOps, DeleteFileClearsReadOnlyAndNeverFollowsLinks)
{
    CTempFolder tmp;
    WriteFile(tmp / "readonly", "r");
    ASSERT_EQ(chmod((tmp / "readonly").c_str(), 0444), 0);
    EXPECT_FALSE(DeleteHostFile(tmp / "readonly"));
    EXPECT_FALSE(HostEntryExists(tmp / "readonly"));

    // A link to a read-only file: the link goes, the target keeps its bytes
    // and its mode (no permission change through the link).
    WriteFile(tmp / "target", "t");
    ASSERT_EQ(chmod((tmp / "target").c_str(), 0444), 0);
    ASSERT_EQ(symlink("target", (tmp / "link").c_str()), 0);
    EXPECT_FALSE(DeleteHostFile(tmp / "link"));
    EXPECT_FALSE(HostEntryExists(tmp / "link"));
    EXPECT_EQ(ReadFile(tmp / "target"), "t");
    EXPECT_EQ(ModeOf(tmp / "target"), 0444u);

    ASSERT_EQ(mkdir((tmp / "folder").c_str(), 0755), 0);
    EXPECT_EQ(DeleteHostFile(tmp / "folder"), std::errc::is_a_directory);
    EXPECT_TRUE(IsHostFolder(tmp / "folder"));
    EXPECT_EQ(DeleteHostFile(tmp / "missing"), std::errc::no_such_file_or_directory);
}

// D holds a file f and a folder S with a file g.
class HostTreeDelete : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_tmp.Path().empty());
        m_strD = m_tmp / "D";
        ASSERT_EQ(mkdir(m_strD.c_str(), 0755), 0);
        WriteFile(m_strD + "/f", "f");
        ASSERT_EQ(mkdir((m_strD + "/S").c_str(), 0755), 0);
        WriteFile(m_strD + "/S/g", "g");
    }

    CTempFolder m_tmp;
    std::string m_strD;
    DeleteLog m_log;
};

TEST_F(HostTreeDelete, ReportsEachEntryOnceInPostOrder)
{
    EXPECT_FALSE(DeleteHostFolderTree(m_strD + "/", Recorder(m_log)));  // a trailing "/" is not reported
    EXPECT_FALSE(HostEntryExists(m_strD));

    ASSERT_EQ(m_log.size(), 4u);
    const size_t nF = PositionOf(m_log, false, m_strD + "/f");
    const size_t nG = PositionOf(m_log, false, m_strD + "/S/g");
    const size_t nS = PositionOf(m_log, true, m_strD + "/S");
    const size_t nD = PositionOf(m_log, true, m_strD);
    ASSERT_LT(std::max({nF, nG, nS, nD}), m_log.size()) << "a line is missing or has the wrong kind";
    EXPECT_EQ(nG + 1, nS);  // S right after its contents
    EXPECT_EQ(nD, 3u);      // D last
    EXPECT_LT(nF, nD);
}

TEST_F(HostTreeDelete, NeverFollowsLinksOutOfTheTree)
{
    CTempFolder outside;
    ASSERT_EQ(mkdir((outside / "keep").c_str(), 0755), 0);
    WriteFile(outside / "keep/precious", "p");
    WriteFile(outside / "file", "q");
    ASSERT_EQ(chmod((outside / "file").c_str(), 0444), 0);
    ASSERT_EQ(symlink((outside / "keep").c_str(), (m_strD + "/S/tofolder").c_str()), 0);
    ASSERT_EQ(symlink((outside / "file").c_str(), (m_strD + "/tofile").c_str()), 0);

    EXPECT_FALSE(DeleteHostFolderTree(m_strD, Recorder(m_log)));
    EXPECT_FALSE(HostEntryExists(m_strD));
    EXPECT_EQ(ReadFile(outside / "keep/precious"), "p");
    EXPECT_EQ(ReadFile(outside / "file"), "q");
    EXPECT_EQ(ModeOf(outside / "file"), 0444u);
    // The links are reported as files, before their folders.
    EXPECT_LT(PositionOf(m_log, false, m_strD + "/S/tofolder"), PositionOf(m_log, true, m_strD + "/S"));
    EXPECT_LT(PositionOf(m_log, false, m_strD + "/tofile"), m_log.size());
    EXPECT_EQ(m_log.size(), 6u);

    // A link given as the tree itself: only the link goes.
    ASSERT_EQ(symlink((outside / "keep").c_str(), (m_tmp / "linkD").c_str()), 0);
    m_log.clear();
    EXPECT_FALSE(DeleteHostFolderTree(m_tmp / "linkD", Recorder(m_log)));
    EXPECT_FALSE(HostEntryExists(m_tmp / "linkD"));
    EXPECT_EQ(ReadFile(outside / "keep/precious"), "p");
    EXPECT_EQ(m_log, (DeleteLog{{false, m_tmp / "linkD"}}));
}

TEST_F(HostTreeDelete, ReadOnlyFilesAndFoldersAreDeleted)
{
    ASSERT_EQ(chmod((m_strD + "/f").c_str(), 0444), 0);
    ASSERT_EQ(chmod((m_strD + "/S/g").c_str(), 0400), 0);
    ASSERT_EQ(chmod((m_strD + "/S").c_str(), 0555), 0);  // cannot be emptied as it is
    EXPECT_FALSE(DeleteHostFolderTree(m_strD, Recorder(m_log)));
    EXPECT_FALSE(HostEntryExists(m_strD));
    EXPECT_EQ(m_log.size(), 4u);
}

TEST_F(HostTreeDelete, FolderThatCannotBeEmptiedStaysAndStillGetsItsLine)
{
    // While f is reported, something new appears in D: D cannot be removed,
    // the rest of the tree still goes, and D's line still comes.
    const std::string strLate = m_strD + "/late";
    const auto onDeleted = [&](bool bFolder, const std::string& strPath) {
        m_log.emplace_back(bFolder, strPath);
        if (strPath == m_strD + "/f")
            WriteFile(strLate, "late");
    };
    EXPECT_EQ(DeleteHostFolderTree(m_strD, onDeleted), std::errc::directory_not_empty);
    EXPECT_EQ(ReadFile(strLate), "late");
    EXPECT_FALSE(HostEntryExists(m_strD + "/f"));
    EXPECT_FALSE(HostEntryExists(m_strD + "/S"));
    EXPECT_EQ(m_log.size(), 4u);
    EXPECT_EQ(m_log.back(), std::make_pair(true, m_strD));
}

TEST_F(HostTreeDelete, DeleteEntryPicksFileOrTreeAndSkipsWhatIsGone)
{
    ASSERT_EQ(symlink("D", (m_tmp / "linkD").c_str()), 0);
    EXPECT_FALSE(DeleteHostEntry(m_tmp / "linkD", Recorder(m_log)));  // a link to a folder is a file here
    EXPECT_EQ(m_log, (DeleteLog{{false, m_tmp / "linkD"}}));
    EXPECT_TRUE(IsHostFolder(m_strD + "/S"));

    m_log.clear();
    EXPECT_FALSE(DeleteHostEntry(m_strD + "/f", Recorder(m_log)));
    EXPECT_EQ(m_log, (DeleteLog{{false, m_strD + "/f"}}));

    m_log.clear();
    EXPECT_EQ(DeleteHostEntry(m_strD + "/f", Recorder(m_log)), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(m_log.empty());

    EXPECT_FALSE(DeleteHostEntry(m_strD, Recorder(m_log)));
    EXPECT_EQ(m_log, (DeleteLog{{false, m_strD + "/S/g"}, {true, m_strD + "/S"}, {true, m_strD}}));
}

TEST(HostFileOps, TreeDeleteRefusesTheRootAndEmptyPath)
{
    DeleteLog log;
    for (const char* p : {"/", "//", ""}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(DeleteHostFolderTree(p, Recorder(log)), std::errc::invalid_argument);
    }
    EXPECT_TRUE(log.empty());
}
