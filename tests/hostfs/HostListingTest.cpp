// Listing a host folder.
#include <map>

#include <gtest/gtest.h>
#include <unistd.h>

#include "HostListing.h"
#include "TempFolder.h"

TEST(HostListing, ListsKindsSizesAndRawNames)
{
    CTempFolder tmp;
    ASSERT_FALSE(tmp.Path().empty());
    WriteFile(tmp / "small", "0123456789");
    WriteFile(tmp / "empty", "");
    WriteFile(tmp / "\xff\xfe raw.bin", "abc");  // not UTF-8
    ASSERT_EQ(mkdir((tmp / "sub").c_str(), 0755), 0);
    WriteFile(tmp / "sub/inner", "x");
    ASSERT_EQ(symlink("sub", (tmp / "tosub").c_str()), 0);
    ASSERT_EQ(symlink("small", (tmp / "tosmall").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "dangling").c_str()), 0);
    // A sparse 5 GB file: sizes above 32 bits come through whole.
    WriteFile(tmp / "huge", "");
    ASSERT_EQ(truncate((tmp / "huge").c_str(), 5000000000LL), 0);

    std::vector<HostEntry> entries{{"stale", false, 1}};
    ASSERT_TRUE(ListHostFolder(tmp.Path(), entries));

    std::map<std::string, HostEntry> byName;
    for (const HostEntry& e : entries)
        byName[e.strName] = e;
    ASSERT_EQ(byName.size(), entries.size()) << "a name listed twice";

    struct Expect { const char* pName; bool bFolder; uint64_t nSize; };
    const Expect expected[] = {
        {"small", false, 10},         {"empty", false, 0},    {"\xff\xfe raw.bin", false, 3},
        {"sub", true, 0},             {"tosub", true, 0},     {"tosmall", false, 10},
        {"dangling", false, 0},       {"huge", false, 5000000000ULL},
    };
    EXPECT_EQ(entries.size(), std::size(expected));  // no ".", "..", "stale" or "inner"
    for (const Expect& x : expected) {
        SCOPED_TRACE(x.pName);
        auto it = byName.find(x.pName);
        ASSERT_NE(it, byName.end());
        EXPECT_EQ(it->second.bFolder, x.bFolder);
        EXPECT_EQ(it->second.nSize, x.nSize);
    }
}

TEST(HostListing, FolderThatCannotBeOpenedGivesFalseAndNoEntries)
{
    CTempFolder tmp;
    WriteFile(tmp / "file", "x");
    for (const std::string& strPath : {tmp / "missing", tmp / "file"}) {
        SCOPED_TRACE(strPath);
        std::vector<HostEntry> entries{{"stale", false, 1}};
        EXPECT_FALSE(ListHostFolder(strPath, entries));
        EXPECT_TRUE(entries.empty());
    }
    std::vector<HostEntry> entries;
    EXPECT_TRUE(ListHostFolder(tmp.Path() + "/", entries));  // a trailing "/" is fine
    EXPECT_EQ(entries.size(), 1u);
}

TEST(HostListing, RootListsWithoutDotEntries)
{
    std::vector<HostEntry> entries;
    ASSERT_TRUE(ListHostFolder("/", entries));
    for (const HostEntry& e : entries)
        EXPECT_TRUE(e.strName != "." && e.strName != "..");
    EXPECT_FALSE(entries.empty());
}
