// The drive combo's places, from a made-up mounts file and /sys/block.
#include <gtest/gtest.h>

#include "Places.h"
#include "TempFolder.h"

namespace {

// sda: fixed disk with sda1..sda3; sdb: removable with sdb1; nvme0n1: fixed
// with nvme0n1p1; sr0: optical.
void MakeSysBlock(const CTempFolder& tmp)
{
    for (const char* p : {"sys", "sys/sda", "sys/sda/sda1", "sys/sda/sda3", "sys/sdb", "sys/sdb/sdb1", "sys/nvme0n1",
                          "sys/nvme0n1/nvme0n1p1", "sys/sr0"})
        mkdir((tmp / p).c_str(), 0755);
    WriteFile(tmp / "sys/sda/removable", "0\n");
    WriteFile(tmp / "sys/sdb/removable", "1\n");
    WriteFile(tmp / "sys/nvme0n1/removable", "0\n");
    WriteFile(tmp / "sys/sr0/removable", "1\n");
}

std::string Describe(const DriveItem& item)
{
    return std::to_string(item.nImage) + " " + item.strText + " " + item.strPath;
}

}  // namespace

TEST(Places, RootHomeThenRemovableOpticalAndNetworkMountsInFileOrder)
{
    CTempFolder tmp;
    MakeSysBlock(tmp);
    WriteFile(tmp / "mounts",
              "sysfs /sys sysfs rw,nosuid 0 0\n"
              "/dev/sda1 / ext4 rw,relatime 0 0\n"
              "/dev/sda2 /home ext4 rw 0 0\n"
              "tmpfs /run tmpfs rw 0 0\n"
              "/dev/sdb1 /mnt/My\\040Stick vfat rw 0 0\n"
              "/dev/sr0 /mnt/cdrom iso9660 ro 0 0\n"
              "server:/export /net/data nfs4 rw 0 0\n"
              "//nas/share /mnt/nas\\134x cifs rw 0 0\n"
              "/dev/nvme0n1p1 /media/u/DATA ext4 rw 0 0\n"
              "/dev/sda3 /mnt/other ext4 rw 0 0\n"
              "/dev/sdc1 /run/media/u/CAM exfat rw 0 0\n"
              "/dev/sdb1 /mnt/My\\040Stick vfat rw 0 0\n"
              "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
              "u@host: /home/u/remote fuse.sshfs rw 0 0\n"
              "/dev/sda1 /home/u ext4 rw 0 0\n"
              "/dev/sr1 /mnt/dvd udf ro 0 0\n"
              "broken line\n");

    const std::vector<DriveItem> places = ListPlaces(tmp / "mounts", tmp / "sys", "/home/u/");
    std::vector<std::string> got;
    for (const DriveItem& item : places) {
        got.push_back(Describe(item));
        EXPECT_EQ(item.nLevel, 1);
    }
    EXPECT_EQ(got, (std::vector<std::string>{
                       "4 / /",
                       "4 ~ /home/u",
                       "5 My Stick /mnt/My Stick",
                       "6 cdrom /mnt/cdrom",
                       "7 data /net/data",
                       "7 nas\\x /mnt/nas\\x",
                       "5 DATA /media/u/DATA",
                       "5 CAM /run/media/u/CAM",
                       "7 remote /home/u/remote",
                       "6 dvd /mnt/dvd",
                   }));
    EXPECT_EQ(FindHomePlace(places, "/home/u"), 1);
}

TEST(Places, WithoutMountsOrHome)
{
    CTempFolder tmp;
    auto paths = [](const std::vector<DriveItem>& places) {
        std::vector<std::string> v;
        for (const DriveItem& item : places)
            v.push_back(item.strPath);
        return v;
    };
    // An unreadable mounts file leaves the root and home.
    EXPECT_EQ(paths(ListPlaces(tmp / "missing", tmp / "sys", "/home/u")),
              (std::vector<std::string>{"/", "/home/u"}));
    // A home that is unknown, relative or the root itself adds no item.
    for (const char* pHome : {"", "relative/home", "/"}) {
        SCOPED_TRACE(pHome);
        const std::vector<DriveItem> places = ListPlaces(tmp / "missing", tmp / "sys", pHome);
        EXPECT_EQ(paths(places), std::vector<std::string>{"/"});
        EXPECT_EQ(FindHomePlace(places, pHome), -1);
    }
}

TEST(Places, RealSystemStartsWithRootAndHome)
{
    const std::vector<DriveItem> places = ListPlaces();
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(places[0].strPath, "/");
    if (!HomeFolder().empty() && HomeFolder() != "/") {
        EXPECT_EQ(FindHomePlace(places), 1);
    }
}
