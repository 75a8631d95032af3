// Finding another instance, ending it, and starting a program detached.
#include "Process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

// A child process that renames itself (its /proc comm) and waits to be
// killed. The name is unique to this test process so that nothing else on
// the machine matches it.
class CNamedChild
{
public:
    explicit CNamedChild(const std::string& strName)
    {
        int aPipe[2];
        if (::pipe(aPipe) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
        {
            ::prctl(PR_SET_NAME, strName.c_str(), 0, 0, 0);
            const char c = 1;
            [[maybe_unused]] const ssize_t n = ::write(aPipe[1], &c, 1);
            for (;;)
                ::pause();
        }
        ::close(aPipe[1]);
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(aPipe[0], &c, 1);
        ::close(aPipe[0]);
    }

    ~CNamedChild()
    {
        if (m_pid > 0 && !m_bReaped)
        {
            ::kill(m_pid, SIGKILL);
            Reap();
        }
    }

    CNamedChild(const CNamedChild&) = delete;
    CNamedChild& operator=(const CNamedChild&) = delete;

    int Pid() const { return m_pid; }

    int Reap()
    {
        int nStatus = 0;
        ::waitpid(m_pid, &nStatus, 0);
        m_bReaped = true;
        return nStatus;
    }

private:
    int m_pid = -1;
    bool m_bReaped = false;
};

// "qvt<pid>" padded with 'x' to the kernel's 15 bytes.
std::string UniqueName()
{
    std::string str = "qvt" + std::to_string(::getpid());
    str.resize(15, 'x');
    return str;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Waits up to five seconds for a file that a detached process writes.
std::string WaitForFile(const fs::path& path)
{
    for (int i = 0; i < 250 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ReadFile(path);
}

bool HasUnreapedChildren()
{
    errno = 0;
    return !(::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
}

class TempFolder
{
public:
    TempFolder()
    {
        std::string str = (fs::temp_directory_path() / "quorvane-proc-XXXXXX").string();
        if (::mkdtemp(str.data()) != nullptr)
            m_path = str;
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

} // namespace

TEST(FindOtherInstance, MatchesTheWholeFifteenByteNameIgnoringCase)
{
    const std::string strName = UniqueName();
    CNamedChild child(strName);
    ASSERT_GT(child.Pid(), 0);

    std::string strUpper = strName;
    for (char& c : strUpper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    const std::vector<std::pair<std::string, int>> vecCases = {
        {strName, child.Pid()},
        {strUpper, child.Pid()},
        {strName + "-longer.bin", child.Pid()}, // only 15 bytes count
        {strName.substr(0, 14), FIND_NO_MATCH}, // not a prefix test
        {"qvt-no-such-name", FIND_NO_MATCH},
    };
    for (const auto& [strSearch, nExpected] : vecCases)
        EXPECT_EQ(FindOtherInstance(strSearch, ::getpid()), nExpected) << strSearch;
}

TEST(FindOtherInstance, NeverReturnsTheOwnProcess)
{
    const std::string strName = UniqueName();
    CNamedChild child(strName);
    ASSERT_GT(child.Pid(), 0);
    // The child is the only process with the name; seen as its own caller it
    // has no other instance.
    EXPECT_EQ(FindOtherInstance(strName, child.Pid()), FIND_NO_MATCH);
}

TEST(TerminateProcessById, EndsTheProcessAndItNoLongerCounts)
{
    const std::string strName = UniqueName();
    CNamedChild child(strName);
    ASSERT_GT(child.Pid(), 0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(TerminateProcessById(child.Pid()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "an ended process (not yet reaped) counts as gone";

    // Exited but not reaped: no longer an instance.
    EXPECT_EQ(FindOtherInstance(strName, ::getpid()), FIND_NO_MATCH);

    const int nStatus = child.Reap();
    ASSERT_TRUE(WIFSIGNALED(nStatus));
    EXPECT_EQ(WTERMSIG(nStatus), SIGTERM);
}

TEST(TerminateProcessById, RefusesOwnAndUnknownProcesses)
{
    EXPECT_FALSE(TerminateProcessById(::getpid()));
    int nPidMax = 4194304;
    std::ifstream("/proc/sys/kernel/pid_max") >> nPidMax;
    EXPECT_FALSE(TerminateProcessById(nPidMax + 1, 0));
}

TEST(SpawnDetached, StartsInAnotherSessionWithoutLeavingAChild)
{
    TempFolder tmp;
    const fs::path out = tmp.Path() / "out";
    const fs::path done = tmp.Path() / "done";

    // A descriptor without close-on-exec must not reach the new program.
    const int fdLeak = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(fdLeak, 3);

    const std::string strScript =
        "{ echo $PPID; cut -d' ' -f6 /proc/$$/stat; "
        "if [ -e /proc/$$/fd/" + std::to_string(fdLeak) + " ]; then echo open; else echo closed; fi; "
        "echo \"$1\"; } > '" + out.string() + "'; mv '" + out.string() + "' '" + done.string() + "'";
    EXPECT_TRUE(SpawnDetached("/bin/sh", {"-c", strScript, "sh", "two words"}));
    ::close(fdLeak);

    std::istringstream lines(WaitForFile(done));
    int nParent = 0;
    int nSession = 0;
    std::string strFd;
    std::string strArg;
    lines >> nParent >> nSession >> strFd;
    std::getline(lines >> std::ws, strArg);
    EXPECT_NE(nParent, ::getpid());
    EXPECT_NE(nSession, ::getsid(0));
    EXPECT_EQ(strFd, "closed");
    EXPECT_EQ(strArg, "two words");
    EXPECT_FALSE(HasUnreapedChildren());
}

TEST(SpawnDetached, ReportsAProgramThatCannotStart)
{
    TempFolder tmp;
    EXPECT_FALSE(SpawnDetached((tmp.Path() / "missing").string(), {}));
    EXPECT_FALSE(SpawnDetached("", {}));
    EXPECT_FALSE(HasUnreapedChildren());
}

TEST(SpawnSelfDetached, NewProcessCarriesTheOwnName)
{
    TempFolder tmp;
    const fs::path probe = tmp.Path() / "comm";
    ::setenv("QUORVANE_SPAWN_PROBE", probe.c_str(), 1);
    const bool bStarted = SpawnSelfDetached({});
    ::unsetenv("QUORVANE_SPAWN_PROBE");
    ASSERT_TRUE(bStarted);

    EXPECT_EQ(WaitForFile(probe), ReadFile("/proc/self/comm"));
}
