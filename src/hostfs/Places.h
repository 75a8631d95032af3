// The places of the drive combo: the host's "drives".
#pragma once

#include <string>
#include <vector>

// Picture indices of the drive strip.
enum : int {
    PLACE_IMAGE_HARD_DISK = 4,  // the root, the home folder, anything else
    PLACE_IMAGE_REMOVABLE = 5,
    PLACE_IMAGE_OPTICAL = 6,
    PLACE_IMAGE_NETWORK = 7,
};

// The record behind one drive combo item.
struct DriveItem {
    int nImage = PLACE_IMAGE_HARD_DISK;  // picture index in the strip
    int nLevel = 1;                      // indent level; 1 for every place
    std::string strText;                 // short label shown in the combo
    std::string strPath;                 // the folder the host pane shows for it
};

// The user's home folder: $HOME when it is an absolute path, else the
// password database's entry; "" when neither is known.
std::string HomeFolder();

// The places, in this order:
//   1. "/" (label "/", hard disk);
//   2. the home folder (label "~", hard disk), unless home is empty, not
//      absolute or the root;
//   3. each mounted removable, optical or network file system in the order of
//      the mounts file (label: the mount point's last component).
// A mount is network when its type is a network file system (nfs, nfs4, cifs,
// smb3, sshfs, 9p, ...); optical when its type is iso9660 or udf or its device
// is /dev/sr*; removable when its device is a block device whose disk has
// <sysBlock>/<disk>/removable = 1, or when it is mounted below /media/ or
// /run/media/. Other mounts are not places. The octal escapes of the mounts
// file (\040 for a blank) are decoded. A mount point that is already a place
// (the root, home, an earlier line) is not listed twice. An unreadable mounts
// file gives just the root and home.
std::vector<DriveItem> ListPlaces(const std::string& strMountsFile = "/proc/self/mounts",
                                  const std::string& strSysBlock = "/sys/block",
                                  const std::string& strHome = HomeFolder());

// The index of the home folder's item in a list made by ListPlaces (the item
// the window selects at start), or -1 when there is none.
int FindHomePlace(const std::vector<DriveItem>& places, const std::string& strHome = HomeFolder());
