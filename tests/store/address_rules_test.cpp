#include "store/address_rules.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

constexpr const char* kHome = "/home/u";

TEST(AddressRulesTest, RejectsResourceAddressesInAnyCase) {
    struct Case {
        const char* address;
        bool rejected;
    };
    const std::vector<Case> cases = {
        {"RES://X/y.htm", true},
        {"res://shell.dll/page.htm", true},
        {"ReS://a", true},
        {"http://host/?u=res://x", true},
        {"http://host/res:x", false},
        {"res:/x", false},
        {"", false},
        {"file:///C:/res/a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRejectedAddress(c.address), c.rejected) << c.address;
    }
}

TEST(AddressRulesTest, DriveRootsAreTheEightDrivesInFourFormsAndThePosixRoot) {
    const std::vector<const char*> roots = {
        "c:",  "C:\\", "file:///C:", "file:///c:/", "FILE:\\\\\\J:\\",
        "D:/", "j:",   "I:\\",       "file:///H:",  "FILE:///E:/",
        "/",   "//",   "file:///",   "FILE:///",    "file:////",
    };
    for (const char* text : roots) {
        EXPECT_TRUE(IsDriveRoot(text)) << text;
    }
    const std::vector<const char*> notRoots = {
        "K:\\",
        "A:",
        " C:",
        "C:\\Windows",
        "file:///C:/x",
        "C:\\.",
        "C:\\\\",
        "B:",
        "",
        "C: ",
        "/home",
        "file:///home",
        "/ ",
        " /",
        "file:///K:/",
        "file:///C:\\\\",
        "file://",
        "Z:",
    };
    for (const char* text : notRoots) {
        EXPECT_FALSE(IsDriveRoot(text)) << text;
    }
}

TEST(AddressRulesTest, DeriveRootPathGroupsByHostOrDriveAndFirstFolder) {
    struct Case {
        const char* address;
        const char* root;
    };
    const std::vector<Case> cases = {
        {"http://somehost/a/b.html", "somehost"},
        {"https://somehost", "somehost"},
        {"  http://h/x  ", "h"},
        {"ftp://host", "ftp://host"},  // a file manager's remote place
        {"mailto:someone", ""},
        {"about:blank", ""},
        {"C:\\Tools\\a.exe", ""},
        {"file:///C:/Program Files/x", "C:\\Program Files"},
        {"file:///D:/readme.txt", "D:\\readme.txt"},
        {"file:///E:/", "E:\\"},
        {"file:///C:", "C:\\"},
        {"file:///C:/a//b", "C:\\a"},
        {"file:///C:/a///b/c", "C:\\a"},
        {"file:///D:/Work/x", "D:\\Work"},
        {"file:///D:\\Work\\x", "D:\\Work"},  // the stored form reloads into the same group
        {"file:///K:/", "K:\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeriveRootPath(c.address, kHome), c.root) << c.address;
    }
}

TEST(AddressRulesTest, PosixRootPathUsesTheHomeFoldersFirstLevel) {
    struct Case {
        const char* address;
        const char* home;
        const char* root;
    };
    const std::vector<Case> cases = {
        {"file:///home/u/Documents/a.txt", kHome, "/home/u/Documents"},
        {"file:///home/u/Documents", kHome, "/home/u/Documents"},
        {"file:///home/u/a.txt", kHome, "/home/u/a.txt"},
        {"file:///home/u", kHome, "/home/u"},
        {"file:///home/u/", kHome, "/home/u"},
        {"file:///home/uu/x", kHome, "/home"},  // a name that merely starts like the home
        {"file:///home/other/x", kHome, "/home"},
        {"file:///usr/share/doc", kHome, "/usr"},
        {"file:///mnt", kHome, "/mnt"},
        {"file:///etc/x", kHome, "/etc"},
        {"file:////home//u///Documents//a", kHome, "/home/u/Documents"},
        {"file:///home/u/Documents/a.txt", "/home/u/", "/home/u/Documents"},
        {"file:///home/u/Documents/a.txt", "", "/home"},
        {"file:///home/u/Documents/a.txt", "/", "/home"},
        {"file:///tmp/文档/a", kHome, "/tmp"},
        {"file:///home/u/文档/a", kHome, "/home/u/文档"},
        {"/usr/bin/vim", kHome, ""},  // a program path is not grouped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeriveRootPath(c.address, c.home), c.root) << c.address << " home " << c.home;
    }
}

TEST(AddressRulesTest, KindComesFromTheFileMarkerFirst) {
    EXPECT_EQ(KindOf("file:///C:/x", true), dkFolderOrFile);
    EXPECT_EQ(KindOf("file:///home/u/x", false), dkFolderOrFile);
    EXPECT_EQ(KindOf("/usr/bin/vim", true), dkSoftware);
    EXPECT_EQ(KindOf("http://h/", false), dkWebPage);
    EXPECT_EQ(KindOf("C:\\Tools", false), dkWebPage);
    EXPECT_EQ(KindOf("FILE:///C:/x", false), dkWebPage);  // the marker is case-sensitive
}

TEST(AddressRulesTest, FileAddressConversionsEachKeepTheirOwnRule) {
    struct Case {
        const char* address;
        const char* addDoc;
        const char* isDocKnown;
        const char* recent;
        const char* favourite;
    };
    const std::vector<Case> cases = {
        {"file:///C:/a/b.txt", "C:\\a\\b.txt", "C:\\a\\b.txt", "C:/a/b.txt", "C:\\a\\b.txt"},
        {"file:///C:/a//b", "C:\\a\\b", "C:\\a\\\\b", "C:/a//b", "C:\\a\\\\b"},
        {"file:///C:/a////b", "C:\\a\\\\b", "C:\\a\\\\\\\\b", "C:/a////b", "C:\\a\\\\\\\\b"},
        {"file:///D:\\Work\\x", "D:\\Work\\x", "D:\\Work\\x", "D:\\Work\\x", "D:\\Work\\x"},
        {"file:///home/u/a b.txt", "/home/u/a b.txt", "/home/u/a b.txt", "/home/u/a b.txt",
         "/home/u/a b.txt"},
        {"file:////home//u///x/", "/home/u/x/", "/home/u/x/", "/home/u/x/", "/home/u/x/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LocalPathForAddDoc(c.address), c.addDoc) << c.address;
        EXPECT_EQ(LocalPathForIsDocKnown(c.address), c.isDocKnown) << c.address;
        EXPECT_EQ(LocalPathForList(c.address, false), c.recent) << c.address;
        EXPECT_EQ(LocalPathForList(c.address, true), c.favourite) << c.address;
    }
    // Texts without the marker are compared as they are.
    EXPECT_EQ(LocalPathForIsDocKnown("http://h/a/b"), "http://h/a/b");
    EXPECT_EQ(LocalPathForIsDocKnown("/usr//bin/vim"), "/usr//bin/vim");
    EXPECT_EQ(LocalPathForIsDocKnown("see file:///C:/a"), "see file:///C:/a");
    EXPECT_EQ(LocalPathForList("/usr/bin/vim", true), "/usr/bin/vim");
}

TEST(AddressRulesTest, StoredPathReloadsAsTheSameEntry) {
    const std::vector<const char*> addresses = {
        "file:///C:/Tools/a.txt",
        "file:///D:/Work/x",
        "file:///C:/a//b",
        "file:///E:/",
        "file:///home/u/Documents/a",
        "file:///home/u",
        "file:////srv//data/x",
        "file:///tmp/a b/文件.txt",
    };
    for (const char* address : addresses) {
        const std::string path = LocalPathForAddDoc(address);
        const std::string stored = StoredPathForIni(path);
        EXPECT_EQ(LocalPathForAddDoc(stored), path) << address;
        EXPECT_EQ(LocalPathForIsDocKnown(stored), path) << address;
        EXPECT_EQ(DeriveRootPath(stored, kHome), DeriveRootPath(address, kHome)) << address;
        EXPECT_EQ(KindOf(stored, false), dkFolderOrFile) << address;
    }
    EXPECT_EQ(StoredPathForIni("C:\\Tools\\a.txt"), "file:///C:\\Tools\\a.txt");
    EXPECT_EQ(StoredPathForIni("/home/u/x"), "file:///home/u/x");
    EXPECT_EQ(StoredPathForIni("file:///C:/x"), "file:///C:/x");
}

TEST(AddressRulesTest, ChildTextIsMissingForGroupRootsOnly) {
    struct Case {
        const char* address;
        DocKind kind;
        const char* root;
        const char* child;
    };
    const std::vector<Case> cases = {
        {"http://site-a/", dkWebPage, "site-a", ""},
        {"http://site-a", dkWebPage, "site-a", ""},
        {"http://site-a/news.html", dkWebPage, "site-a", "site-a/news.html"},
        {"https://site-a/a", dkWebPage, "site-a", "site-a/a"},
        {"https://site-a/", dkWebPage, "site-a", ""},
        {"smb://nas/share", dkFolderOrFile, "smb://nas/share", ""},
        {"smb://nas/share/", dkFolderOrFile, "smb://nas/share", ""},
        {"smb://nas/share/Photos", dkFolderOrFile, "smb://nas/share", "smb://nas/share/Photos"},
        {"ftp://site-a/a", dkWebPage, "site-a", ""},
        {"file:///C:/Tools", dkFolderOrFile, "C:\\Tools", ""},
        {"file:///C:/Tools/a.txt", dkFolderOrFile, "C:\\Tools", "C:\\Tools\\a.txt"},
        {"file:///C:/a//b", dkFolderOrFile, "C:\\a", "C:\\a\\\\b"},
        {"file:///D:/readme.txt", dkFolderOrFile, "D:\\readme.txt", ""},
        {"file:///home/u/Documents", dkFolderOrFile, "/home/u/Documents", ""},
        {"file:///home/u/Documents/a", dkFolderOrFile, "/home/u/Documents", "/home/u/Documents/a"},
        {"file:///home/u", dkFolderOrFile, "/home/u", ""},
        {"/usr/bin/vim", dkSoftware, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChildTextForAddDoc(c.address, c.kind, c.root), c.child) << c.address;
    }
}

TEST(AddressRulesTest, OnlyATextThatStartsWithTheMarkerIsALocalFile) {
    for (const char* page : {"https://evil.example/?x=file:///home/u/Downloads/cats.desktop",
                             "http://evil.example/#file:///C:/payload.exe"}) {
        SCOPED_TRACE(page);
        EXPECT_FALSE(IsFileAddress(page));
        EXPECT_EQ(KindOf(page, false), dkWebPage);
        EXPECT_EQ(DeriveRootPath(page, kHome), "evil.example");
        EXPECT_EQ(LocalPathForAddDoc(page), page);
        EXPECT_EQ(LocalPathForIsDocKnown(page), page);
        EXPECT_EQ(LocalPathForList(page, true), page);
    }
    EXPECT_TRUE(IsFileAddress("  file:///home/u/x"));
    EXPECT_EQ(LocalPathForAddDoc(" file:///home/u/x"), "/home/u/x");
}

TEST(AddressRulesTest, RemoteFolderPlacesGroupByHostAndShare) {
    struct Case {
        const char* address;
        const char* root;
    };
    const std::vector<Case> cases = {
        {"smb://nas/share/Photos/2026", "smb://nas/share"},
        {"smb://nas/share", "smb://nas/share"},
        {"smb://nas/", "smb://nas"},
        {"sftp://me@host:2222/home/me", "sftp://me@host:2222/home"},
        {"mtp://Pixel_7/Internal%20storage/DCIM", "mtp://Pixel_7/Internal%20storage"},
        {"google-drive://me@gmail.com/0AbC/x", "google-drive://me@gmail.com/0AbC"},
        {"DAVS://cloud.example/remote.php/x", "DAVS://cloud.example/remote.php"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_TRUE(IsRemoteFolderAddress(c.address));
        EXPECT_EQ(KindOf(c.address, false), dkFolderOrFile);
        EXPECT_EQ(DeriveRootPath(c.address, kHome), c.root);
        EXPECT_EQ(LocalPathForAddDoc(c.address), c.address);
        EXPECT_EQ(StoredPathForIni(c.address), c.address);  // reloads as the same entry
    }
    for (const char* view : {"trash:///", "x-nautilus-search:///?q=a", "recent:///", "computer:///",
                             "other-locations:///"}) {
        EXPECT_TRUE(IsNonPlaceLocation(view)) << view;
        EXPECT_FALSE(IsRemoteFolderAddress(view)) << view;
    }
    EXPECT_FALSE(IsNonPlaceLocation("file:///home/u/trash:"));
    EXPECT_FALSE(IsRemoteFolderAddress("https://smb.example/"));
}

TEST(AddressRulesTest, PathsOnOtherFileSystemsGroupByMountPointAndFirstFolder) {
    FixedMountTable mounts({"/mnt/backup", "/media/u/DATA", "/home"});
    struct Case {
        const char* address;
        const char* root;
    };
    const std::vector<Case> cases = {
        {"file:///media/u/DATA/Photos/2026/a.jpg", "/media/u/DATA/Photos"},
        {"file:///media/u/DATA", "/media/u/DATA"},
        {"file:///mnt/backup/2026/x", "/mnt/backup/2026"},
        {"file:///mnt/backupx/a", "/mnt"},                    // merely starts like the mount point
        {"file:///home/u/Documents/a", "/home/u/Documents"},  // home keeps its rule
        {"file:///home/other/x", "/home/other"},
        {"file:///usr/share/doc", "/usr"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeriveRootPath(c.address, kHome, &mounts), c.root) << c.address;
    }
}

TEST(AddressRulesTest, MountInfoGivesTheUsersFileSystemsLongestFirst) {
    const std::string mountinfo =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "30 27 0:27 / /tmp rw - tmpfs tmpfs rw\n"
        "41 27 8:17 / /media/u/My\\040Disk rw,nosuid shared:1 - vfat /dev/sdb1 rw\n"
        "42 27 8:18 / /mnt/backup rw master:2 - ext4 /dev/sdc1 rw\n"
        "43 23 0:50 / /sys/fs/fuse/connections rw - fusectl fusectl rw\n"
        "44 27 0:51 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
        "broken line\n";
    EXPECT_EQ(ParseMountInfo(mountinfo),
              (std::vector<std::string>{"/run/user/1000/gvfs", "/media/u/My Disk", "/mnt/backup"}));
}

}  // namespace
}  // namespace qarvex
