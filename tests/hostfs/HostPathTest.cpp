// Text rules of host and receiver paths.
#include <gtest/gtest.h>

#include "HostPath.h"
#include "ReceiverPath.h"

namespace {

struct JoinCase {
    const char* pFolder;
    const char* pName;
    const char* pExpected;
};

struct ParentCase {
    const char* pPath;
    const char* pExpected;
};

}  // namespace

TEST(HostPath, JoinPutsExactlyOneSeparator)
{
    for (const JoinCase& c : {JoinCase{"/", "a", "/a"}, JoinCase{"/home/u", "x", "/home/u/x"},
                              JoinCase{"/home/u/", "x", "/home/u/x"}, JoinCase{"/home/u//", "x", "/home/u/x"},
                              JoinCase{"/home", "/x", "/home/x"}, JoinCase{"", "a", "/a"},
                              JoinCase{"/a", "b c\xff", "/a/b c\xff"}}) {
        SCOPED_TRACE(std::string(c.pFolder) + " + " + c.pName);
        EXPECT_EQ(JoinHostPath(c.pFolder, c.pName), c.pExpected);
    }
}

TEST(HostPath, ParentGoesUpByText)
{
    for (const ParentCase& c : {ParentCase{"/home/u", "/home"}, ParentCase{"/home", "/"}, ParentCase{"/", "/"},
                                ParentCase{"/home/u/", "/home"}, ParentCase{"/home//u", "/home"},
                                ParentCase{"//home", "/"}, ParentCase{"///", "/"}, ParentCase{"/a/b/c", "/a/b"},
                                ParentCase{"a/b", "a"}, ParentCase{"a", ""}, ParentCase{"", ""}}) {
        SCOPED_TRACE(c.pPath);
        EXPECT_EQ(HostParentPath(c.pPath), c.pExpected);
    }
}

TEST(HostPath, RootAndLastComponent)
{
    EXPECT_TRUE(IsHostRoot("/"));
    EXPECT_TRUE(IsHostRoot("//"));
    EXPECT_FALSE(IsHostRoot(""));
    EXPECT_FALSE(IsHostRoot("/home"));
    EXPECT_EQ(LastPathComponent("/media/u/STICK"), "STICK");
    EXPECT_EQ(LastPathComponent("/media/u/STICK/"), "STICK");
    EXPECT_EQ(LastPathComponent("/"), "/");
    EXPECT_EQ(LastPathComponent("name"), "name");
}

TEST(HostPath, DepthRuleStopsAtTenSeparators)
{
    EXPECT_EQ(CountSeparators("/"), 1);
    EXPECT_EQ(CountSeparators("/a/b/c/d/e/f/g/h/i"), 9);
    EXPECT_FALSE(IsFolderTooDeep("/a/b/c/d/e/f/g/h/i"));
    EXPECT_TRUE(IsFolderTooDeep("/a/b/c/d/e/f/g/h/i/j"));
    EXPECT_TRUE(IsFolderTooDeep("/a/b/c/d/e/f/g/h/i/"));  // the text is counted, trailing "/" included
}

TEST(ReceiverPath, JoinAndParent)
{
    for (const JoinCase& c : {JoinCase{"/", "MP3", "/MP3"}, JoinCase{"/MP3", "song.mp3", "/MP3/song.mp3"},
                              JoinCase{"/a/b", "c", "/a/b/c"}, JoinCase{"", "a", "/a"}}) {
        SCOPED_TRACE(std::string(c.pFolder) + " + " + c.pName);
        EXPECT_EQ(JoinReceiverPath(c.pFolder, c.pName), c.pExpected);
    }
    for (const ParentCase& c : {ParentCase{"/a/b", "/a"}, ParentCase{"/MP3", "/"}, ParentCase{"/", "/"},
                                ParentCase{"/a/b/", "/a"}, ParentCase{"", "/"}}) {
        SCOPED_TRACE(c.pPath);
        EXPECT_EQ(ReceiverParentPath(c.pPath), c.pExpected);
    }
    EXPECT_TRUE(IsReceiverRoot("/"));
    EXPECT_FALSE(IsReceiverRoot("/MP3"));
}
