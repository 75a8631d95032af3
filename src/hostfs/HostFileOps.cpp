#include "HostFileOps.h"

#include <cerrno>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <cstdio>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "HostPath.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

std::error_code ErrnoCode(int nErr)
{
    return {nErr, std::generic_category()};
}

std::error_code LastError()
{
    return ErrnoCode(errno);
}

// Keeps the first failure of a long operation.
void NoteFailure(std::error_code& ecFirst, int nErr)
{
    if (!ecFirst)
        ecFirst = ErrnoCode(nErr);
}

// "Set attributes to normal" for a file: add the owner's write permission
// when it is missing. Never follows a link (AT_SYMLINK_NOFOLLOW), and the
// caller only asks for regular files. Failures are ignored: the removal
// that follows reports what matters.
void MakeOwnerWritable(int nDirFd, const char* pName, const struct stat& st)
{
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        (void)fchmodat(nDirFd, pName, (st.st_mode & 07777) | S_IWUSR, AT_SYMLINK_NOFOLLOW);
}

// A folder is emptied only when its owner may read, write and search it.
void MakeFolderUsable(int nDirFd, const char* pName, const struct stat& st)
{
    if (S_ISDIR(st.st_mode) && (st.st_mode & S_IRWXU) != S_IRWXU)
        (void)fchmodat(nDirFd, pName, (st.st_mode & 07777) | S_IRWXU, AT_SYMLINK_NOFOLLOW);
}

// Removes one non-folder entry relative to nDirFd.
int RemoveFileAt(int nDirFd, const char* pName, bool bKnownLink)
{
    if (!bKnownLink) {
        struct stat st {};
        if (fstatat(nDirFd, pName, &st, AT_SYMLINK_NOFOLLOW) == 0)
            MakeOwnerWritable(nDirFd, pName, st);
    }
    return unlinkat(nDirFd, pName, 0) == 0 ? 0 : errno;
}

struct ChildEntry {
    std::string strName;
    unsigned char nType;  // d_type
};

// Owns a descriptor.
class CFd {
public:
    explicit CFd(int nFd) : m_nFd(nFd) {}
    ~CFd()
    {
        if (m_nFd >= 0)
            close(m_nFd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_nFd; }

private:
    int m_nFd;
};

// The names in the folder open at nFd (a duplicate is read, nFd stays open).
bool ReadChildren(int nFd, std::vector<ChildEntry>& out)
{
    const int nDup = dup(nFd);
    if (nDup < 0)
        return false;
    DIR* pDir = fdopendir(nDup);
    if (!pDir) {
        close(nDup);
        return false;
    }
    bool bOk = true;
    for (;;) {
        errno = 0;
        const dirent* pEnt = readdir(pDir);
        if (!pEnt) {
            bOk = errno == 0;
            break;
        }
        const char* p = pEnt->d_name;
        if (p[0] == '.' && (p[1] == '\0' || (p[1] == '.' && p[2] == '\0')))
            continue;
        out.push_back({p, pEnt->d_type});
    }
    closedir(pDir);
    return bOk;
}

// Deletes the folder pName (relative to nParentFd, known to be a real folder
// when it was looked at) with its contents; strShown is its full path for the
// callback. Every folder is opened relative to its parent's descriptor with
// O_NOFOLLOW, so a folder swapped for a link meanwhile is never entered.
void DeleteTreeAt(int nParentFd, const char* pName, const std::string& strShown, const struct stat& st,
                  const HostDeleteCallback& onDeleted, std::error_code& ecFirst)
{
    MakeFolderUsable(nParentFd, pName, st);
    {
        CFd dir(openat(nParentFd, pName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        std::vector<ChildEntry> children;
        if (dir.Get() < 0 || !ReadChildren(dir.Get(), children))
            NoteFailure(ecFirst, errno);
        for (const ChildEntry& child : children) {
            const std::string strChild = JoinHostPath(strShown, child.strName);
            struct stat stChild {};
            bool bFolder = false;
            if (child.nType == DT_DIR || child.nType == DT_UNKNOWN) {
                if (fstatat(dir.Get(), child.strName.c_str(), &stChild, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno != ENOENT)  // vanished meanwhile: nothing to delete
                        NoteFailure(ecFirst, errno);
                    continue;
                }
                bFolder = S_ISDIR(stChild.st_mode);
            }
            if (bFolder) {
                DeleteTreeAt(dir.Get(), child.strName.c_str(), strChild, stChild, onDeleted, ecFirst);
            } else {
                if (const int nErr = RemoveFileAt(dir.Get(), child.strName.c_str(), child.nType == DT_LNK))
                    NoteFailure(ecFirst, nErr);
                if (onDeleted)
                    onDeleted(false, strChild);
            }
        }
    }
    if (unlinkat(nParentFd, pName, AT_REMOVEDIR) != 0)
        NoteFailure(ecFirst, errno);
    if (onDeleted)
        onDeleted(true, strShown);
}

std::string WithoutTrailingSeparators(const std::string& str)
{
    size_t n = str.size();
    while (n > 1 && str[n - 1] == '/')
        --n;
    return str.substr(0, n);
}

}  // namespace

std::error_code MakeHostFolder(const std::string& strPath)
{
    return mkdir(strPath.c_str(), 0777) == 0 ? std::error_code{} : LastError();
}

namespace hostfs_detail {

// Without the atomic flag there is a window between the test and the move:
// hard links close it for files (link(2) fails on an existing name and the
// old name is removed only after the new one exists). For folders, and where
// the file system has no hard links (FAT, some FUSE file systems), the name is
// checked first and rename(2) follows; an entry created under the new name by
// another program in between would be replaced. Nothing else in Quorvane
// creates entries concurrently, so the window is only another program's.
std::error_code RenameWithoutNoReplaceFlag(const std::string& strOld, const std::string& strNew)
{
    struct stat st {};
    if (lstat(strOld.c_str(), &st) != 0)
        return LastError();
    if (!S_ISDIR(st.st_mode)) {
        if (linkat(AT_FDCWD, strOld.c_str(), AT_FDCWD, strNew.c_str(), 0) == 0) {
            if (unlink(strOld.c_str()) == 0)
                return {};
            const int nErr = errno;
            (void)unlink(strNew.c_str());  // undo: the old name could not go
            return ErrnoCode(nErr);
        }
        const int nErr = errno;
        if (nErr != EPERM && nErr != EOPNOTSUPP && nErr != EMLINK && nErr != ENOSYS)
            return ErrnoCode(nErr);  // EEXIST among them
    }
    struct stat stNew {};
    if (lstat(strNew.c_str(), &stNew) == 0)
        return ErrnoCode(EEXIST);
    if (errno != ENOENT)
        return LastError();
    return rename(strOld.c_str(), strNew.c_str()) == 0 ? std::error_code{} : LastError();
}

}  // namespace hostfs_detail

std::error_code RenameHostEntry(const std::string& strOld, const std::string& strNew)
{
    // renameat2 with RENAME_NOREPLACE fails with EEXIST on an existing new
    // name, atomically. EINVAL means the file system does not offer the flag
    // (or a folder moved into itself, which the fallback refuses as well);
    // ENOSYS a kernel without renameat2.
    if (syscall(SYS_renameat2, AT_FDCWD, strOld.c_str(), AT_FDCWD, strNew.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    const int nErr = errno;
    if (nErr != EINVAL && nErr != ENOSYS)
        return ErrnoCode(nErr);
    return hostfs_detail::RenameWithoutNoReplaceFlag(strOld, strNew);
}

std::error_code DeleteHostFile(const std::string& strPath)
{
    struct stat st {};
    if (lstat(strPath.c_str(), &st) != 0)
        return LastError();
    if (S_ISDIR(st.st_mode))
        return ErrnoCode(EISDIR);
    MakeOwnerWritable(AT_FDCWD, strPath.c_str(), st);
    return unlink(strPath.c_str()) == 0 ? std::error_code{} : LastError();
}

std::error_code DeleteHostFolderTree(const std::string& strPath, const HostDeleteCallback& onDeleted)
{
    const std::string strFolder = WithoutTrailingSeparators(strPath);
    if (strFolder.empty() || IsHostRoot(strFolder))
        return ErrnoCode(EINVAL);
    struct stat st {};
    if (lstat(strFolder.c_str(), &st) != 0)
        return LastError();
    if (!S_ISDIR(st.st_mode)) {
        // A link (to a folder or not) or a file: only the entry itself goes.
        const std::error_code ec = DeleteHostFile(strFolder);
        if (onDeleted)
            onDeleted(false, strFolder);
        return ec;
    }
    std::error_code ecFirst;
    DeleteTreeAt(AT_FDCWD, strFolder.c_str(), strFolder, st, onDeleted, ecFirst);
    return ecFirst;
}

std::error_code DeleteHostEntry(const std::string& strPath, const HostDeleteCallback& onDeleted)
{
    struct stat st {};
    if (lstat(strPath.c_str(), &st) != 0)
        return LastError();
    if (S_ISDIR(st.st_mode))
        return DeleteHostFolderTree(strPath, onDeleted);
    const std::error_code ec = DeleteHostFile(strPath);
    if (onDeleted)
        onDeleted(false, strPath);
    return ec;
}

bool HostEntryExists(const std::string& strPath)
{
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0;
}

bool IsHostFolder(const std::string& strPath)
{
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsHostFolderNoFollow(const std::string& strPath)
{
    struct stat st {};
    return lstat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
