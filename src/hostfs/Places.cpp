#include "Places.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string_view>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "HostPath.h"

namespace {

// "\040" and the like: a backslash and three octal digits stand for one byte.
std::string DecodeMountField(std::string_view str)
{
    std::string out;
    out.reserve(str.size());
    for (size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\\' && i + 3 < str.size()) {
            const char a = str[i + 1], b = str[i + 2], c = str[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(str[i]);
    }
    return out;
}

bool IsNetworkType(std::string_view strType)
{
    static constexpr std::array<std::string_view, 17> kTypes = {
        "nfs",  "nfs4", "cifs",  "smb3",         "smbfs", "sshfs", "fuse.sshfs", "9p",    "afs",
        "ncpfs", "ceph", "fuse.ceph", "glusterfs", "fuse.glusterfs", "davfs", "fuse.davfs", "fuse.rclone",
    };
    return std::find(kTypes.begin(), kTypes.end(), strType) != kTypes.end();
}

bool StartsWith(std::string_view str, std::string_view strPrefix)
{
    return str.substr(0, strPrefix.size()) == strPrefix;
}

// The file's first character is '1'.
bool FlagFileSet(const std::string& strPath)
{
    std::ifstream file(strPath);
    char c = 0;
    return file.get(c) && c == '1';
}

// True when the device /dev/<name> is (a partition of) a disk that the kernel
// marks removable: <sysBlock>/<name>/removable for a whole disk, else the
// disk whose folder holds a <name> sub-folder (sdb holds sdb1).
bool IsRemovableDevice(std::string_view strDevice, const std::string& strSysBlock)
{
    if (!StartsWith(strDevice, "/dev/"))
        return false;
    const std::string strName = LastPathComponent(strDevice);
    if (strName.empty() || strName == "." || strName == "..")
        return false;
    struct stat st {};
    if (stat(JoinHostPath(strSysBlock, strName).c_str(), &st) == 0)
        return FlagFileSet(JoinHostPath(JoinHostPath(strSysBlock, strName), "removable"));
    // A partition: its disk is the longest prefix of its name that is a disk
    // holding it (nvme0n1 for nvme0n1p1, mmcblk0 for mmcblk0p1).
    for (size_t nLen = strName.size() - 1; nLen > 0; --nLen) {
        const std::string strDisk = JoinHostPath(strSysBlock, strName.substr(0, nLen));
        if (stat(JoinHostPath(strDisk, strName).c_str(), &st) == 0)
            return FlagFileSet(JoinHostPath(strDisk, "removable"));
    }
    return false;
}

// Trailing "/" removed; "/" stays.
std::string NormalisedFolder(std::string_view str)
{
    while (str.size() > 1 && str.back() == '/')
        str.remove_suffix(1);
    return std::string(str);
}

}  // namespace

std::string HomeFolder()
{
    const char* pHome = getenv("HOME");
    if (pHome && pHome[0] == '/')
        return pHome;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return pw->pw_dir;
    return {};
}

std::vector<DriveItem> ListPlaces(const std::string& strMountsFile, const std::string& strSysBlock,
                                  const std::string& strHome)
{
    std::vector<DriveItem> places;
    places.push_back({PLACE_IMAGE_HARD_DISK, 1, "/", "/"});
    const std::string strHomePath = NormalisedFolder(strHome);
    if (!strHomePath.empty() && strHomePath.front() == '/' && strHomePath != "/")
        places.push_back({PLACE_IMAGE_HARD_DISK, 1, "~", strHomePath});

    std::ifstream mounts(strMountsFile);
    std::string strLine;
    while (std::getline(mounts, strLine)) {
        std::istringstream fields(strLine);
        std::string strDevice, strMountPoint, strType;
        if (!(fields >> strDevice >> strMountPoint >> strType))
            continue;
        strDevice = DecodeMountField(strDevice);
        strMountPoint = NormalisedFolder(DecodeMountField(strMountPoint));
        strType = DecodeMountField(strType);
        if (strMountPoint.empty() || strMountPoint.front() != '/')
            continue;
        if (std::any_of(places.begin(), places.end(),
                        [&](const DriveItem& item) { return item.strPath == strMountPoint; }))
            continue;

        int nImage = 0;
        if (IsNetworkType(strType))
            nImage = PLACE_IMAGE_NETWORK;
        else if (strType == "iso9660" || strType == "udf" || StartsWith(strDevice, "/dev/sr"))
            nImage = PLACE_IMAGE_OPTICAL;
        else if (StartsWith(strMountPoint, "/media/") || StartsWith(strMountPoint, "/run/media/") ||
                 IsRemovableDevice(strDevice, strSysBlock))
            nImage = PLACE_IMAGE_REMOVABLE;
        else
            continue;
        places.push_back({nImage, 1, LastPathComponent(strMountPoint), strMountPoint});
    }
    return places;
}

int FindHomePlace(const std::vector<DriveItem>& places, const std::string& strHome)
{
    const std::string strHomePath = NormalisedFolder(strHome);
    if (strHomePath.empty() || strHomePath == "/")
        return -1;
    for (size_t i = 0; i < places.size(); ++i)
        if (places[i].strPath == strHomePath)
            return static_cast<int>(i);
    return -1;
}
