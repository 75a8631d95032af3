#include "CliSession.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "CliText.h"
#include "TransferWatch.h"

namespace cli {

namespace {

// Receiver folders are at most 10 levels deep; anything far deeper is a
// loop (a link on the PC, or a receiver that lists a folder inside itself).
constexpr int kMaxDepth = 64;
// Longest entry name the receiver stores.
constexpr size_t kMaxReceiverName = 59;

// Failures of the bus or the receiver, after which the receiver is reset.
bool IsReceiverFailure(int nResult) {
    return nResult == RL_ERR_STATUS || (nResult <= RL_ERR_CBW_WRITE && nResult >= RL_ERR_CSW_READ);
}

// Results of a transfer that failed before the receiver opened anything.
bool FailedBeforeOpenFile(int nResult) {
    return nResult == RL_ERR_LOCAL_OPEN || nResult == RL_ERR_LOCAL_SIZE ||
           nResult == RL_ERR_BAD_MODE || nResult == RL_ERR_PATH_TOO_LONG ||
           nResult == RL_ERR_NO_HANDLE || nResult == RL_ERR_NOT_LISTED;
}

std::string Errno() { return std::strerror(errno); }

// A private folder next to a download's destination. The file is received
// into it under its receiver name and moved into place only when complete;
// whatever is left in it is removed with it.
class CTempFolder {
public:
    bool Create(const std::string& strNextTo) {
        std::string strTemplate = LocalJoin(LocalDirName(strNextTo), ".quorvane-XXXXXX");
        std::vector<char> vecBuf(strTemplate.begin(), strTemplate.end());
        vecBuf.push_back('\0');
        if (!::mkdtemp(vecBuf.data())) return false;
        m_strPath = vecBuf.data();
        return true;
    }
    const std::string& Path() const { return m_strPath; }
    ~CTempFolder() {
        if (m_strPath.empty()) return;
        if (DIR* pDir = ::opendir(m_strPath.c_str())) {
            while (struct dirent* pEnt = ::readdir(pDir)) {
                if (!IsDotName(pEnt->d_name)) ::unlinkat(::dirfd(pDir), pEnt->d_name, 0);
            }
            ::closedir(pDir);
        }
        ::rmdir(m_strPath.c_str());
    }
    CTempFolder() = default;
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

private:
    std::string m_strPath;
};

// Moves a complete file to its destination. Without bReplace an existing
// destination is never replaced, not even one that appeared meanwhile.
bool PlaceFile(const std::string& strFrom, const std::string& strTo, bool bReplace) {
    if (bReplace) return ::rename(strFrom.c_str(), strTo.c_str()) == 0;
    if (::renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // A file system without the flag: a hard link refuses an existing name too.
    if (::link(strFrom.c_str(), strTo.c_str()) != 0) return false;
    ::unlink(strFrom.c_str());
    return true;
}

bool SyncFile(const std::string& strPath) {
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool bOk = ::fsync(fd) == 0;
    ::close(fd);
    return bOk;
}

std::vector<std::string> LocalEntries(const std::string& strFolder, bool& bOk) {
    std::vector<std::string> vecNames;
    DIR* pDir = ::opendir(strFolder.c_str());
    bOk = pDir != nullptr;
    if (!pDir) return vecNames;
    while (struct dirent* pEnt = ::readdir(pDir))
        if (!IsDotName(pEnt->d_name)) vecNames.emplace_back(pEnt->d_name);
    ::closedir(pDir);
    std::sort(vecNames.begin(), vecNames.end());
    return vecNames;
}

}  // namespace

CCliSession::CCliSession(CReceiverLink& link, bool bProgress) : m_link(link), m_bProgress(bProgress) {}

// ------------------------------------------------------------ reporting

bool CCliSession::Fail(const std::string& strOp, const std::string& strPath, int nResult) {
    std::fprintf(stderr, "quorvane-cli: %s%s%s: %s (%d)\n", strOp.c_str(), strPath.empty() ? "" : " ",
                 DisplayName(strPath).c_str(), ResultCodeText(nResult), nResult);
    if (IsReceiverFailure(nResult) && m_link.m_hDevice && !g_bInterrupted) m_link.Reset();
    return false;
}

bool CCliSession::Refuse(const std::string& strOp, const std::string& strPath,
                         const std::string& strWhat) {
    std::fprintf(stderr, "quorvane-cli: %s%s%s: %s\n", strOp.c_str(), strPath.empty() ? "" : " ",
                 DisplayName(strPath).c_str(), strWhat.c_str());
    return false;
}

int CCliSession::Status(bool bOk) const {
    if (bOk) return kExitOk;
    return g_bInterrupted ? kExitInterrupted : kExitFailed;
}

// ------------------------------------------------------------ connection

int CCliSession::Connect(bool bEmulated) {
    int nResult = m_link.InitVeltraSTB(1, 0, 0);
    if (nResult < 0) {
        if (nResult == RL_ERR_NO_HANDLE && !bEmulated) {
            std::fprintf(stderr,
                         "quorvane-cli: connect: the receiver could not be opened (%d); the udev "
                         "rule 60-quorvane.rules may be missing, or you have no access to the "
                         "USB device\n",
                         nResult);
        } else {
            Fail("connect", "", nResult);
        }
        m_link.Close();
        return kExitFailed;
    }
    nResult = m_link.StartComm();
    if (nResult < 0) {
        Fail("start communication", "", nResult);
        m_link.Close();
        return kExitFailed;
    }
    return kExitOk;
}

int CCliSession::Disconnect(int nStatus) {
    const int nResult = m_link.EndComm();
    if (nResult < 0) {
        Fail("end communication", "", nResult);
        if (nStatus == kExitOk) nStatus = kExitFailed;
    }
    m_link.Close();
    return nStatus;
}

// ------------------------------------------------------------ helpers

bool CCliSession::Normalize(const std::string& strOp, const std::string& strIn, std::string& strOut) {
    if (NormalizeReceiverPath(strIn, strOut)) return true;
    return Refuse(strOp, strIn, "a receiver path cannot contain \".\" or \"..\"");
}

bool CCliSession::ListFolder(const std::string& strOp, const std::string& strFolder,
                             std::vector<DirEntry>& vecEntries) {
    int nResult = m_link.ChangeDir(strFolder);
    if (nResult < 0) return Fail(strOp, strFolder, nResult);
    nResult = m_link.GetDirList();
    if (nResult < 0) return Fail(strOp, strFolder, nResult);
    vecEntries.clear();
    for (uint32_t i = 0; i < m_link.m_nListCount; ++i) {
        const DirEntry& e = m_link.Entries()[i];
        if (!IsDotName(EntryName(e))) vecEntries.push_back(e);
    }
    return true;
}

bool CCliSession::Lookup(const std::string& strOp, const std::string& strPath, Found& found) {
    found = Found{};
    if (strPath == "/") {
        found.kind = Kind::Folder;
        return true;
    }
    const std::string strParent = ReceiverParent(strPath);
    int nResult = m_link.ChangeDir(strParent);
    if (nResult < 0) return Fail(strOp, strParent, nResult);
    nResult = m_link.GetDirList();
    if (nResult < 0) return Fail(strOp, strParent, nResult);
    const std::string strName = ReceiverBaseName(strPath);
    for (uint32_t i = 0; i < m_link.m_nListCount; ++i) {
        const DirEntry& e = m_link.Entries()[i];
        if (EntryName(e) == strName) {
            found.kind = EntryIsFolder(e) ? Kind::Folder : Kind::File;
            found.nSize = EntrySize(e);
            break;
        }
    }
    return true;
}

// ------------------------------------------------------------ ls, df

int CCliSession::Ls(const std::string& strArg) {
    std::string strPath;
    if (!Normalize("ls", strArg.empty() ? "/" : strArg, strPath)) return kExitUsage;
    std::vector<DirEntry> vecEntries;
    if (m_link.ChangeDir(strPath) < 0) {
        // Not a folder: show the file itself, like ls does.
        Found found;
        if (!Lookup("ls", strPath, found)) return Status(false);
        if (found.kind != Kind::File) return Status(Fail("ls", strPath, RL_ERR_NOT_LISTED));
        std::printf("- %15" PRIu64 "  %s\n", found.nSize, DisplayName(ReceiverBaseName(strPath)).c_str());
        return kExitOk;
    }
    if (!ListFolder("ls", strPath, vecEntries)) return Status(false);
    for (const DirEntry& e : vecEntries) {
        const std::string strName = DisplayName(EntryName(e));
        if (EntryIsFolder(e)) std::printf("d %15s  %s\n", "-", strName.c_str());
        else std::printf("- %15" PRIu64 "  %s\n", EntrySize(e), strName.c_str());
    }
    return kExitOk;
}

int CCliSession::Df() {
    DiskInfo info{};
    const int nResult = m_link.GetDiskInfo(&info);
    if (nResult < 0) return Status(Fail("df", "", nResult));
    const uint64_t nFree = DiskFreeBytes(info);
    const uint64_t nTotal = DiskTotalBytes(info);
    std::printf("free:  %" PRIu64 " bytes (%s)\n", nFree, HumanSize(nFree).c_str());
    std::printf("total: %" PRIu64 " bytes (%s)\n", nTotal, HumanSize(nTotal).c_str());
    return kExitOk;
}

// ------------------------------------------------------------ get (receiver to PC)

int CCliSession::Get(const std::string& strRemoteArg, const std::string& strLocalArg,
                     const CopyOptions& opt) {
    std::string strRemote;
    if (!Normalize("get", strRemoteArg, strRemote)) return kExitUsage;
    Found found;
    if (!Lookup("get", strRemote, found)) return Status(false);
    if (found.kind == Kind::Missing) return Status(Fail("get", strRemote, RL_ERR_NOT_LISTED));
    if (found.kind == Kind::Folder && !opt.bRecursive)
        return Status(Refuse("get", strRemote, "is a folder (use -r to copy it)"));

    const std::string strName = ReceiverBaseName(strRemote);  // "" for the root
    if (!strName.empty() && !IsSafeLocalName(strName))
        return Status(Refuse("get", strRemote, "the receiver's name cannot be used as a name on the PC"));

    std::string strDest;
    bool bMergeRoot = false;
    struct stat st {};
    if (strLocalArg.empty()) {
        if (strName.empty())
            return Status(Refuse("get", strRemote, "give a local folder to copy the receiver's disk into"));
        strDest = strName;
    } else if (::stat(strLocalArg.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // Into an existing folder, like cp; the root's content goes straight in.
        bMergeRoot = strName.empty();
        strDest = bMergeRoot ? strLocalArg : LocalJoin(strLocalArg, strName);
    } else {
        strDest = strLocalArg;
    }

    if (found.kind == Kind::File) return Status(GetFile(strRemote, found.nSize, strDest, opt.bForce));
    return Status(GetTree(strRemote, strDest, opt.bForce || bMergeRoot, 0));
}

bool CCliSession::GetFile(const std::string& strRemote, uint64_t nSize, const std::string& strDest,
                          bool bForce) {
    if (g_bInterrupted) return Refuse("get", strRemote, "interrupted");
    const std::string strName = ReceiverBaseName(strRemote);
    if (!IsSafeLocalName(strName))
        return Refuse("get", strRemote, "the receiver's name cannot be used as a name on the PC");
    struct stat st {};
    if (::lstat(strDest.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Refuse("get", strRemote, DisplayName(strDest) + " is a folder");
        if (!bForce)
            return Refuse("get", strRemote, DisplayName(strDest) + " already exists (use --force to replace it)");
    }

    CTempFolder temp;
    if (!temp.Create(strDest))
        return Refuse("get", strRemote, "cannot create a temporary folder beside " + DisplayName(strDest) + ": " + Errno());
    // RecvFile finds the listing entry by the local file's name: receive
    // under the receiver's name, inside the private folder.
    const std::string strPart = LocalJoin(temp.Path(), strName);
    int nResult;
    {
        CTransferWatch watch(m_link, strRemote, nSize, m_bProgress);
        nResult = m_link.RecvFile(strPart, strRemote);
        watch.Finish(nResult == RL_OK);
    }
    if (nResult != RL_OK) {
        if (!FailedBeforeOpenFile(nResult)) m_link.AbortFile();
        if (g_bInterrupted) return Refuse("get", strRemote, "interrupted");
        return Fail("get", strRemote, nResult);
    }
    if (!SyncFile(strPart)) return Refuse("get", strRemote, DisplayName(strPart) + ": " + Errno());
    if (!PlaceFile(strPart, strDest, bForce)) {
        const std::string strWhy = errno == EEXIST ? "already exists (use --force to replace it)" : Errno();
        return Refuse("get", strRemote, DisplayName(strDest) + ": " + strWhy);
    }
    return true;
}

bool CCliSession::GetTree(const std::string& strRemote, const std::string& strDest, bool bForce,
                          int nDepth) {
    if (g_bInterrupted) return Refuse("get", strRemote, "interrupted");
    if (nDepth > kMaxDepth) return Refuse("get", strRemote, "folders nested too deeply");
    if (::mkdir(strDest.c_str(), 0777) != 0) {
        struct stat st {};
        const bool bExists = errno == EEXIST;
        if (!bExists) return Refuse("get", strRemote, DisplayName(strDest) + ": " + Errno());
        if (::stat(strDest.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Refuse("get", strRemote, DisplayName(strDest) + " already exists and is not a folder");
        if (!bForce)
            return Refuse("get", strRemote, DisplayName(strDest) + " already exists (use --force to copy into it)");
    }
    std::vector<DirEntry> vecEntries;
    if (!ListFolder("get", strRemote, vecEntries)) return false;
    for (const DirEntry& e : vecEntries) {
        const std::string strName = EntryName(e);
        if (!IsSafeLocalName(strName))
            return Refuse("get", ReceiverJoin(strRemote, strName),
                          "the receiver's name cannot be used as a name on the PC");
    }
    // Files first: RecvFile needs this folder's listing, which a subfolder's replaces.
    for (const DirEntry& e : vecEntries) {
        if (EntryIsFolder(e)) continue;
        const std::string strName = EntryName(e);
        if (!GetFile(ReceiverJoin(strRemote, strName), EntrySize(e), LocalJoin(strDest, strName), bForce))
            return false;
    }
    for (const DirEntry& e : vecEntries) {
        if (!EntryIsFolder(e)) continue;
        const std::string strName = EntryName(e);
        if (!GetTree(ReceiverJoin(strRemote, strName), LocalJoin(strDest, strName), bForce, nDepth + 1))
            return false;
    }
    return true;
}

// ------------------------------------------------------------ put (PC to receiver)

int CCliSession::Put(const std::string& strLocal, const std::string& strRemoteArg,
                     const CopyOptions& opt) {
    struct stat st {};
    if (::stat(strLocal.c_str(), &st) != 0) return Status(Refuse("put", strLocal, Errno()));
    const bool bFolder = S_ISDIR(st.st_mode);
    if (!bFolder && !S_ISREG(st.st_mode))
        return Status(Refuse("put", strLocal, "not a regular file or folder"));
    if (bFolder && !opt.bRecursive) return Status(Refuse("put", strLocal, "is a folder (use -r to copy it)"));

    std::string strName = LocalBaseName(strLocal);
    if (strName.empty() || IsDotName(strName)) {
        std::unique_ptr<char, decltype(&std::free)> pReal(::realpath(strLocal.c_str(), nullptr), &std::free);
        strName = pReal ? LocalBaseName(pReal.get()) : std::string();
    }
    if (strName.empty()) return Status(Refuse("put", strLocal, "cannot copy the PC's root folder"));

    std::string strTarget;
    if (!Normalize("put", strRemoteArg.empty() ? "/" : strRemoteArg, strTarget)) return kExitUsage;
    Found found;
    if (!Lookup("put", strTarget, found)) return Status(false);
    if (found.kind == Kind::Folder) {
        // Into an existing receiver folder, like cp.
        strTarget = ReceiverJoin(strTarget, strName);
        if (!Lookup("put", strTarget, found)) return Status(false);
    }
    if (ReceiverBaseName(strTarget).size() > kMaxReceiverName)
        return Status(Refuse("put", strTarget, "the name is longer than the receiver's limit of 59 bytes"));

    if (bFolder) return Status(PutTree(strLocal, strTarget, found.kind, opt.bForce, 0));
    return Status(PutFile(strLocal, strTarget, found.kind, opt.bForce));
}

bool CCliSession::PutFile(const std::string& strLocal, const std::string& strRemote, Kind existing,
                          bool bForce) {
    if (g_bInterrupted) return Refuse("put", strLocal, "interrupted");
    if (existing == Kind::Folder) return Refuse("put", strRemote, "is a folder on the receiver");
    struct stat st {};
    if (::stat(strLocal.c_str(), &st) != 0) return Refuse("put", strLocal, Errno());
    if (!S_ISREG(st.st_mode)) return Refuse("put", strLocal, "not a regular file");
    if (existing == Kind::File) {
        if (!bForce)
            return Refuse("put", strRemote, "already exists on the receiver (use --force to replace it)");
        m_link.Delete(strRemote);  // its result does not matter: the open replaces the file anyway
    }
    int nResult;
    {
        CTransferWatch watch(m_link, strLocal, uint64_t(st.st_size), m_bProgress);
        nResult = m_link.SendFile(strLocal, strRemote);
        watch.Finish(nResult == RL_OK);
    }
    if (nResult == RL_OK) return true;
    if (!FailedBeforeOpenFile(nResult)) {
        // The receiver keeps whatever arrived: close it and remove it.
        m_link.AbortFile();
        m_link.Delete(strRemote);
    }
    if (g_bInterrupted) return Refuse("put", strLocal, "interrupted");
    return Fail("put", strLocal, nResult);
}

bool CCliSession::PutTree(const std::string& strLocal, const std::string& strRemote, Kind existing,
                          bool bForce, int nDepth) {
    if (g_bInterrupted) return Refuse("put", strLocal, "interrupted");
    if (nDepth > kMaxDepth) return Refuse("put", strLocal, "folders nested too deeply");
    if (existing == Kind::File) return Refuse("put", strRemote, "is a file on the receiver");

    std::map<std::string, Kind> mapRemote;
    if (existing == Kind::Missing) {
        const int nResult = m_link.MakeDir(strRemote);
        if (nResult < 0) return Fail("mkdir", strRemote, nResult);
    } else {
        if (!bForce)
            return Refuse("put", strRemote, "already exists on the receiver (use --force to copy into it)");
        std::vector<DirEntry> vecEntries;
        if (!ListFolder("put", strRemote, vecEntries)) return false;
        for (const DirEntry& e : vecEntries)
            mapRemote[EntryName(e)] = EntryIsFolder(e) ? Kind::Folder : Kind::File;
    }

    bool bOk = true;
    const std::vector<std::string> vecNames = LocalEntries(strLocal, bOk);
    if (!bOk) return Refuse("put", strLocal, Errno());
    for (const std::string& strName : vecNames) {
        const std::string strPath = LocalJoin(strLocal, strName);
        if (strName.size() > kMaxReceiverName)
            return Refuse("put", strPath, "the name is longer than the receiver's limit of 59 bytes");
        struct stat st {};
        if (::lstat(strPath.c_str(), &st) != 0) return Refuse("put", strPath, Errno());
        if (S_ISLNK(st.st_mode)) {
            // A link to a file is copied as the file; a link to a folder is not
            // followed, so a link loop cannot run away.
            if (::stat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
                Refuse("put", strPath, "skipped: a symbolic link to something other than a file");
                continue;
            }
        }
        const auto it = mapRemote.find(strName);
        const Kind kind = it == mapRemote.end() ? Kind::Missing : it->second;
        const std::string strTarget = ReceiverJoin(strRemote, strName);
        if (S_ISREG(st.st_mode)) {
            if (!PutFile(strPath, strTarget, kind, bForce)) return false;
        } else if (S_ISDIR(st.st_mode)) {
            if (!PutTree(strPath, strTarget, kind, bForce, nDepth + 1)) return false;
        } else {
            Refuse("put", strPath, "skipped: not a regular file or folder");
        }
    }
    return true;
}

// ------------------------------------------------------------ management

int CCliSession::MkDir(const std::string& strArg) {
    std::string strPath;
    if (!Normalize("mkdir", strArg, strPath)) return kExitUsage;
    if (ReceiverBaseName(strPath).size() > kMaxReceiverName)
        return Status(Refuse("mkdir", strPath, "the name is longer than the receiver's limit of 59 bytes"));
    const int nResult = m_link.MakeDir(strPath);
    return Status(nResult >= 0 || Fail("mkdir", strPath, nResult));
}

int CCliSession::Rm(const std::string& strArg, bool bRecursive) {
    std::string strPath;
    if (!Normalize("rm", strArg, strPath)) return kExitUsage;
    if (strPath == "/") return Status(Refuse("rm", strPath, "the root cannot be deleted (format erases the disk)"));
    Found found;
    if (!Lookup("rm", strPath, found)) return Status(false);
    if (found.kind == Kind::Missing) return Status(Fail("rm", strPath, RL_ERR_NOT_LISTED));
    if (found.kind == Kind::Folder) {
        if (!bRecursive) return Status(Refuse("rm", strPath, "is a folder (use -r to delete it)"));
        return Status(DeleteTree(strPath, 0));
    }
    const int nResult = m_link.Delete(strPath);
    return Status(nResult >= 0 || Fail("rm", strPath, nResult));
}

bool CCliSession::DeleteTree(const std::string& strFolder, int nDepth) {
    if (g_bInterrupted) return Refuse("rm", strFolder, "interrupted");
    if (nDepth > kMaxDepth) return Refuse("rm", strFolder, "folders nested too deeply");
    std::vector<DirEntry> vecEntries;
    if (!ListFolder("rm", strFolder, vecEntries)) return false;
    for (const DirEntry& e : vecEntries) {
        const std::string strName = EntryName(e);
        if (!IsSafeReceiverName(strName))
            return Refuse("rm", ReceiverJoin(strFolder, strName), "the receiver listed a name that is not a valid path component");
    }
    for (const DirEntry& e : vecEntries) {
        const std::string strPath = ReceiverJoin(strFolder, EntryName(e));
        if (EntryIsFolder(e)) {
            if (!DeleteTree(strPath, nDepth + 1)) return false;
        } else if (const int nResult = m_link.Delete(strPath); nResult < 0) {
            return Fail("rm", strPath, nResult);
        }
    }
    // Step out of the folder before deleting it.
    int nResult = m_link.ChangeDir(ReceiverParent(strFolder));
    if (nResult < 0) return Fail("rm", ReceiverParent(strFolder), nResult);
    nResult = m_link.Delete(strFolder);
    return nResult >= 0 || Fail("rm", strFolder, nResult);
}

int CCliSession::Mv(const std::string& strOldArg, const std::string& strNewArg) {
    std::string strOld, strNew;
    if (!Normalize("mv", strOldArg, strOld) || !Normalize("mv", strNewArg, strNew)) return kExitUsage;
    if (strOld == "/" || strNew == "/") return Status(Refuse("mv", strOld, "the root cannot be renamed"));
    if (ReceiverBaseName(strNew).size() > kMaxReceiverName)
        return Status(Refuse("mv", strNew, "the name is longer than the receiver's limit of 59 bytes"));
    const int nResult = m_link.Rename(strOld, strNew);
    return Status(nResult >= 0 || Fail("mv", strOld + " " + strNew, nResult));
}

int CCliSession::Format() {
    const int nResult = m_link.Format();
    return Status(nResult >= 0 || Fail("format", "", nResult));
}

}  // namespace cli
