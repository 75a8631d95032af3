// quorvane-cli end to end: the built tool against the emulated receiver
// serving a temporary folder, plus its path and name helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CliText.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(gen());
    return s;
}

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Every file below a folder with its bytes, by relative path.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        tree[rel] = e.is_directory() ? std::string("<dir>") : ReadAll(e.path());
    }
    return tree;
}

}  // namespace

// ------------------------------------------------------------ helpers

TEST(CliTextTest, ReceiverPathsAreNormalized) {
    struct Case { const char* in; const char* out; };
    for (Case c : {Case{"", "/"}, Case{"/", "/"}, Case{"a", "/a"}, Case{"//a//b/", "/a/b"},
                   Case{"/Movies/x.ts", "/Movies/x.ts"}}) {
        std::string out;
        EXPECT_TRUE(cli::NormalizeReceiverPath(c.in, out)) << c.in;
        EXPECT_EQ(out, c.out) << c.in;
    }
    std::string out;
    EXPECT_FALSE(cli::NormalizeReceiverPath("/a/../b", out));
    EXPECT_FALSE(cli::NormalizeReceiverPath("./a", out));
    EXPECT_EQ(cli::ReceiverParent("/a/b"), "/a");
    EXPECT_EQ(cli::ReceiverParent("/a"), "/");
    EXPECT_EQ(cli::ReceiverJoin("/", "a"), "/a");
    EXPECT_EQ(cli::ReceiverJoin("/a", "b"), "/a/b");
    EXPECT_EQ(cli::LocalDirName("x"), ".");
    EXPECT_EQ(cli::LocalDirName("/x"), "/");
    EXPECT_EQ(cli::LocalDirName("a//b/"), "a");
    EXPECT_EQ(cli::LocalBaseName("a/b/"), "b");
}

TEST(CliTextTest, ReceiverNamesThatWouldLeaveTheFolderAreUnsafe) {
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "\\"}) EXPECT_FALSE(cli::IsSafeLocalName(bad)) << bad;
    for (const char* good : {"a", "...", ".hidden", "a b", "\xC3\xA4"}) EXPECT_TRUE(cli::IsSafeLocalName(good)) << good;
    // Control characters, backslashes and bytes that are not UTF-8 are shown escaped.
    EXPECT_EQ(cli::DisplayName("a\x1b[2Jb"), "a\\x1B[2Jb");
    EXPECT_EQ(cli::DisplayName("a\\b"), "a\\\\b");
    EXPECT_EQ(cli::DisplayName("\xC3\xA4\xFF"), "\xC3\xA4\\xFF");
    EXPECT_EQ(cli::HumanSize(999), "999 B");
    EXPECT_EQ(cli::HumanSize(1500000000), "1.5 GB");
}

// ------------------------------------------------------------ the tool

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = fs::temp_directory_path() /
                 ("qv-cli-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_base);
        m_disk = m_base / "disk";
        m_pc = m_base / "pc";
        fs::create_directories(m_disk);
        fs::create_directories(m_pc);
    }
    void TearDown() override { fs::remove_all(m_base); }

    RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {QUORVANE_CLI, "--emulate", m_disk.string()});
        const fs::path out = m_base / "stdout", err = m_base / "stderr";
        pid_t pid = ::fork();
        if (pid == 0) {
            int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fdOut, 1);
            ::dup2(fdErr, 2);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        RunResult r;
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }

    // Nothing of a temporary download is left in the folder.
    void ExpectNoLeftovers(const fs::path& folder) {
        for (const auto& e : fs::recursive_directory_iterator(folder))
            EXPECT_EQ(e.path().filename().string().rfind(".quorvane-", 0), std::string::npos) << e.path();
    }

    fs::path m_base, m_disk, m_pc;
};

TEST_F(CliTest, LsShowsTypeSizeAndName) {
    WriteAll(m_disk / "rec.ts", std::string(1234, 'x'));
    fs::create_directories(m_disk / "Movies");
    WriteAll(m_disk / "Movies/a\\b", "1");  // a backslash is legal on the receiver
    RunResult r = Run({"ls"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "d               -  Movies\n"
                     "-            1234  rec.ts\n");
    r = Run({"ls", "Movies"});
    EXPECT_EQ(r.out, "-               1  a\\\\b\n");
    r = Run({"ls", "/rec.ts"});
    EXPECT_EQ(r.out, "-            1234  rec.ts\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliTest, DfShowsFreeAndTotalInBytesAndUnits) {
    const RunResult r = Run({"df"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testing::internal::RE::PartialMatch(
        r.out, testing::internal::RE("^free:  [0-9]+ bytes \\([0-9.]+ [kMGTP]?B\\)\ntotal: [0-9]+ bytes \\([0-9.]+ [kMGTP]?B\\)\n$")))
        << r.out;
}

TEST_F(CliTest, PutThenGetGivesIdenticalFilesAndTrees) {
    const std::string bytes = RandomBytes(100000, 1);
    WriteAll(m_pc / "a.bin", bytes);
    WriteAll(m_pc / "tree/x.txt", "x");
    WriteAll(m_pc / "tree/empty", "");
    WriteAll(m_pc / "tree/sub/deep/y.bin", RandomBytes(70000, 2));

    RunResult r = Run({"put", (m_pc / "a.bin").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(m_disk / "a.bin"), bytes);
    r = Run({"put", "-r", (m_pc / "tree").string(), "/"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Tree(m_disk / "tree"), Tree(m_pc / "tree"));

    r = Run({"get", "/a.bin", (m_pc / "back.bin").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(m_pc / "back.bin"), bytes);
    fs::create_directories(m_pc / "into");
    r = Run({"get", "-r", "/tree", (m_pc / "into").string()});  // an existing folder: copied into it
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Tree(m_pc / "into/tree"), Tree(m_pc / "tree"));
    ExpectNoLeftovers(m_pc);

    // Copying a folder needs -r; copying onto an existing receiver file needs --force.
    r = Run({"get", "/tree", (m_pc / "t2").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: get /tree: is a folder (use -r to copy it)\n");
    WriteAll(m_pc / "a.bin", "new");
    r = Run({"put", (m_pc / "a.bin").string(), "/"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(m_disk / "a.bin"), bytes);
    r = Run({"put", "--force", (m_pc / "a.bin").string(), "/"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(m_disk / "a.bin"), "new");
}

TEST_F(CliTest, GetNeverReplacesOrHalfWritesALocalFile) {
    WriteAll(m_disk / "x", "receiver");
    WriteAll(m_pc / "x", "keep");
    RunResult r = Run({"get", "/x", (m_pc / "x").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(m_pc / "x"), "keep");

    // A copy the receiver refuses midway leaves nothing behind.
    ASSERT_EQ(::mkfifo((m_disk / "pipe").c_str(), 0644), 0);
    r = Run({"get", "/pipe", (m_pc / "pipe").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: get /pipe: the receiver refused the command (or it was stopped) (-1)\n");
    EXPECT_FALSE(fs::exists(m_pc / "pipe"));
    ExpectNoLeftovers(m_pc);

    r = Run({"get", "--force", "/x", (m_pc / "x").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(m_pc / "x"), "receiver");
    ExpectNoLeftovers(m_pc);
}

TEST_F(CliTest, ReceiverNamesThatCouldLeaveTheDestinationAreRefused) {
    WriteAll(m_disk / "f/ok", "1");
    WriteAll(m_disk / "f/..\\..\\evil", "2");
    const RunResult r = Run({"get", "-r", "/f", (m_pc / "f").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: get /f/..\\\\..\\\\evil: the receiver's name cannot be used as a name on the PC\n");
    EXPECT_EQ(Tree(m_pc), (std::map<std::string, std::string>{{"f", "<dir>"}}));
}

TEST_F(CliTest, RmMkdirAndMv) {
    WriteAll(m_disk / "t/a/b/file", "1");
    WriteAll(m_disk / "t/top", "2");
    RunResult r = Run({"rm", "/t"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: rm /t: is a folder (use -r to delete it)\n");
    r = Run({"rm", "-r", "/t"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(m_disk / "t"));

    r = Run({"mkdir", "/New"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(m_disk / "New"));
    WriteAll(m_disk / "a", "a");
    WriteAll(m_disk / "c", "c");
    r = Run({"mv", "/a", "/New/b"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(m_disk / "New/b"), "a");
    r = Run({"mv", "/c", "/New/b"});  // never replaces
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: mv /c /New/b: the receiver refused the command (or it was stopped) (-1)\n");
    EXPECT_EQ(ReadAll(m_disk / "New/b"), "a");
}

TEST_F(CliTest, ErrorsAreOneLineWithANonZeroStatus) {
    RunResult r = Run({"get", "/missing", (m_pc / "m").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: get /missing: the file is not in the receiver's listing (-19)\n");
    EXPECT_FALSE(fs::exists(m_pc / "m"));
    r = Run({"ls", "/nowhere/x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quorvane-cli: ls /nowhere: the receiver refused the command (or it was stopped) (-1)\n");

    // Usage errors.
    WriteAll(m_disk / "keep", "k");
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"mv", "/a"}).status, 2);
    EXPECT_EQ(Run({"format"}).status, 2);
    EXPECT_TRUE(fs::exists(m_disk / "keep"));
    EXPECT_EQ(Run({"format", "--yes"}).status, 0);
    EXPECT_TRUE(fs::is_empty(m_disk));
    EXPECT_EQ(Run({"--help"}).status, 0);
}
