#include "HostListing.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Owns an open directory stream.
class CDirStream {
public:
    explicit CDirStream(const std::string& strPath) : m_pDir(opendir(strPath.c_str())) {}
    ~CDirStream()
    {
        if (m_pDir)
            closedir(m_pDir);
    }
    CDirStream(const CDirStream&) = delete;
    CDirStream& operator=(const CDirStream&) = delete;

    DIR* Get() const { return m_pDir; }

private:
    DIR* m_pDir;
};

bool IsDotOrDotDot(const char* pName)
{
    return pName[0] == '.' && (pName[1] == '\0' || (pName[1] == '.' && pName[2] == '\0'));
}

}  // namespace

bool ListHostFolder(const std::string& strPath, std::vector<HostEntry>& out)
{
    out.clear();
    CDirStream dir(strPath);
    if (!dir.Get())
        return false;
    const int nDirFd = dirfd(dir.Get());

    for (;;) {
        errno = 0;
        const dirent* pEnt = readdir(dir.Get());
        if (!pEnt)
            return errno == 0;
        if (IsDotOrDotDot(pEnt->d_name))
            continue;

        HostEntry entry;
        entry.strName = pEnt->d_name;
        // A folder's size is never shown, so a plain folder needs no stat at
        // all; everything else is looked up once (following links, so that a
        // link to a folder lists as a folder and a link to a file with the
        // file's size).
        if (pEnt->d_type == DT_DIR) {
            entry.bFolder = true;
        } else {
            struct stat st {};
            if (fstatat(nDirFd, pEnt->d_name, &st, 0) == 0) {
                entry.bFolder = S_ISDIR(st.st_mode);
                entry.nSize = entry.bFolder ? 0 : static_cast<uint64_t>(st.st_size);
            } else if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) {
                // Gone since readdir, or a dangling (or looping) link.
                struct stat lst {};
                if (fstatat(nDirFd, pEnt->d_name, &lst, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;  // the entry itself is gone
                if (S_ISDIR(lst.st_mode))
                    entry.bFolder = true;  // replaced by a folder meanwhile
                else if (!S_ISLNK(lst.st_mode))
                    entry.nSize = static_cast<uint64_t>(lst.st_size);
            }
            // Otherwise not allowed to look (a folder without search
            // permission): keep the name as a file of size 0.
        }
        out.push_back(std::move(entry));
    }
}
