// Process list, termination and detached start on Linux; see Process.h.
#include "Process.h"

#include "AsciiText.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <string_view>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace
{

// The kernel keeps this many bytes of a process name.
constexpr std::size_t PROCESS_NAME_LENGTH = 15;

// Reads a small /proc file; empty when it cannot be read.
std::string ReadSmallFile(const std::string& strPath)
{
    std::string str;
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return str;
    char aBuffer[512];
    for (;;)
    {
        const ssize_t n = ::read(fd, aBuffer, sizeof aBuffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        str.append(aBuffer, static_cast<std::size_t>(n));
        if (str.size() > 4096)
            break;
    }
    ::close(fd);
    return str;
}

// The state letter of /proc/<pid>/stat ("pid (name) S ..."); the name may
// itself hold parentheses, so the state follows the last ')'. 0 when unknown.
char ProcessState(int pid)
{
    const std::string strStat = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t nClose = strStat.rfind(')');
    if (nClose == std::string::npos || nClose + 2 >= strStat.size())
        return 0;
    return strStat[nClose + 2];
}

bool IsGone(int pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    const char cState = ProcessState(pid);
    return cState == 'Z' || cState == 'X';
}

// Parses a /proc entry name as a process id; 0 when it is not one.
int ParsePid(const char* pName)
{
    long n = 0;
    if (*pName == '\0')
        return 0;
    for (const char* p = pName; *p != '\0'; ++p)
    {
        if (*p < '0' || *p > '9')
            return 0;
        n = n * 10 + (*p - '0');
        if (n > INT_MAX)
            return 0;
    }
    return static_cast<int>(n);
}

// In the child after fork only async-signal-safe calls are made.
[[noreturn]] void ReportAndExit(int fdReport, int nError)
{
    ssize_t n;
    do
        n = ::write(fdReport, &nError, sizeof nError);
    while (n < 0 && errno == EINTR);
    ::_exit(127);
}

void MarkDescriptorsCloseOnExec(int nFirst)
{
#if defined(CLOSE_RANGE_CLOEXEC)
    if (::close_range(static_cast<unsigned>(nFirst), ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    for (int fd = nFirst; fd < 4096; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

} // namespace

int FindOtherInstance(const std::string& strExeName, int nOwnPid)
{
    const std::string_view svName =
        std::string_view(strExeName).substr(0, PROCESS_NAME_LENGTH);

    DIR* pDir = ::opendir("/proc");
    if (pDir == nullptr)
        return FIND_LIST_FAILED;

    int nResult = FIND_NO_MATCH;
    bool bAnyProcess = false;
    for (;;)
    {
        errno = 0;
        const dirent* pEntry = ::readdir(pDir);
        if (pEntry == nullptr)
        {
            if (errno != 0)
                nResult = FIND_LIST_EMPTY; // walking the list failed
            break;
        }
        const int pid = ParsePid(pEntry->d_name);
        if (pid <= 0)
            continue;
        bAnyProcess = true;
        if (pid == nOwnPid)
            continue;

        std::string strComm = ReadSmallFile("/proc/" + std::to_string(pid) + "/comm");
        if (!strComm.empty() && strComm.back() == '\n')
            strComm.pop_back();
        if (strComm.empty() || !EqualNoCase(strComm, svName))
            continue;
        // A process that has exited but not been reaped is no instance.
        const char cState = ProcessState(pid);
        if (cState == 'Z' || cState == 'X' || cState == 0)
            continue;
        nResult = pid;
        break;
    }
    ::closedir(pDir);
    if (!bAnyProcess && nResult == FIND_NO_MATCH)
        return FIND_LIST_EMPTY;
    return nResult;
}

bool TerminateProcessById(int pid, int nWaitMs)
{
    // kill() with 0 or a negative id signals whole process groups.
    if (pid <= 0 || pid == static_cast<int>(::getpid()))
        return false;
    if (::kill(pid, SIGTERM) != 0)
        return false;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nWaitMs);
    while (!IsGone(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}

bool SpawnDetached(const std::string& strPath, const std::vector<std::string>& vecArgs)
{
    if (strPath.empty())
        return false;

    // Everything the children need is prepared before fork.
    std::vector<std::string> vecStorage;
    vecStorage.reserve(vecArgs.size() + 1);
    vecStorage.push_back(strPath);
    vecStorage.insert(vecStorage.end(), vecArgs.begin(), vecArgs.end());
    std::vector<char*> vecArgv;
    for (std::string& str : vecStorage)
        vecArgv.push_back(str.data());
    vecArgv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; it closes on a
    // successful exec.
    int aPipe[2];
    if (::pipe2(aPipe, O_CLOEXEC) != 0)
        return false;

    const pid_t pidChild = ::fork();
    if (pidChild < 0)
    {
        ::close(aPipe[0]);
        ::close(aPipe[1]);
        return false;
    }
    if (pidChild == 0)
    {
        ::close(aPipe[0]);
        ::setsid();
        const pid_t pidGrandchild = ::fork();
        if (pidGrandchild < 0)
            ReportAndExit(aPipe[1], errno);
        if (pidGrandchild > 0)
            ::_exit(0);

        MarkDescriptorsCloseOnExec(3);
        sigset_t set;
        sigemptyset(&set);
        ::sigprocmask(SIG_SETMASK, &set, nullptr);
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &action, nullptr);
        ::execv(vecArgv[0], vecArgv.data());
        ReportAndExit(aPipe[1], errno);
    }

    ::close(aPipe[1]);
    int nStatus = 0;
    pid_t pidWaited;
    do
        pidWaited = ::waitpid(pidChild, &nStatus, 0);
    while (pidWaited < 0 && errno == EINTR);

    int nError = 0;
    ssize_t nRead;
    do
        nRead = ::read(aPipe[0], &nError, sizeof nError);
    while (nRead < 0 && errno == EINTR);
    ::close(aPipe[0]);

    const bool bChildOk = pidWaited == pidChild && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
    return bChildOk && nRead == 0;
}

bool SpawnSelfDetached(const std::vector<std::string>& vecArgs)
{
    // Starting "/proc/self/exe" itself would name the new process "exe";
    // start the real file so that it is found by its name.
    std::string strPath = "/proc/self/exe";
    char aBuffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", aBuffer, sizeof aBuffer - 1);
    if (n > 0)
    {
        std::string strTarget(aBuffer, static_cast<std::size_t>(n));
        constexpr std::string_view DELETED = " (deleted)";
        if (strTarget.size() > DELETED.size() &&
            std::string_view(strTarget).substr(strTarget.size() - DELETED.size()) == DELETED)
            strTarget.resize(strTarget.size() - DELETED.size());
        if (::access(strTarget.c_str(), X_OK) == 0)
            strPath = strTarget;
    }
    return SpawnDetached(strPath, vecArgs);
}
