#include "store/sync_folder.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "store/exclusions.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using Strings = std::vector<std::string>;

constexpr std::int64_t kNow = 1765286400;

TMyDoc Page(std::string address, std::string name, std::string lastSeen = "2026-12-01") {
    TMyDoc doc;
    doc.RootPath = "网页";
    doc.Path = std::move(address);
    doc.DisplayName = std::move(name);
    doc.DocType = dkWebPage;
    doc.Date = "2026-11-30";
    doc.LastSeen = std::move(lastSeen);
    return doc;
}

// One machine sharing into the folder: its own history and its view of the others.
struct Machine {
    Machine(const test::TempDir& dir, std::string name, std::string id = NewSyncId())
        : folder(SyncIdentity{dir.Path(), std::move(name), std::move(id)}) {}

    bool Write(std::int64_t now = kNow) { return folder.WriteOwn(local, now, nullptr); }
    Strings Refresh() {
        Strings problems;
        folder.Refresh(local, &problems);
        return problems;
    }
    Strings RemoteAddresses() const {
        Strings addresses;
        for (const TMyDoc& doc : folder.Remote().Docs()) {
            addresses.push_back(doc.Path);
        }
        return addresses;
    }
    void Forget(const std::string& address) {
        std::erase_if(local, [&](const TMyDoc& doc) { return doc.Path == address; });
    }

    DocTable local;
    SyncFolder folder;
};

TEST(SyncFolderTest, OtherMachinesEntriesMergeByAddressLocalRowWins) {
    test::TempDir dir;
    Machine office(dir, "office"), laptop(dir, "laptop"), home(dir, "home");
    office.local = {Page("http://a.example/", "A old", "2026-12-01"),
                    Page("http://both.example/", "Both")};
    laptop.local = {Page("http://a.example/", "A new", "2026-12-05"),
                    Page("http://l.example/", "笔记本")};
    home.local = {Page("http://both.example/", "Mine")};
    ASSERT_TRUE(office.Write());
    ASSERT_TRUE(laptop.Write());

    EXPECT_TRUE(home.Refresh().empty());
    const RemoteHistory& remote = home.folder.Remote();
    Strings addresses = home.RemoteAddresses();
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (Strings{"http://a.example/", "http://l.example/"}));
    for (std::size_t n = 0; n < remote.Size(); ++n) {
        if (remote.Docs()[n].Path == "http://a.example/") {
            EXPECT_EQ(remote.Docs()[n].DisplayName, "A new");
            EXPECT_EQ(remote.MachinesOf(static_cast<int>(n)), (Strings{"laptop", "office"}));
        }
    }
    EXPECT_EQ(remote.AlsoOn("http://both.example/"), Strings{"office"});
    EXPECT_EQ(remote.SearchIndex().Size(), remote.Size());

    // Recording here an address another machine has turns its row into the local one.
    home.local.push_back(Page("http://l.example/", "mine now"));
    home.folder.Merge(home.local);
    EXPECT_EQ(home.RemoteAddresses(), Strings{"http://a.example/"});
    EXPECT_EQ(remote.AlsoOn("http://l.example/"), Strings{"laptop"});
    EXPECT_EQ(home.local.size(), 2u) << "the local history never takes in remote entries";
}

TEST(SyncFolderTest, ATornCopyKeepsTheLastGoodReadingAndIsSaidOnce) {
    test::TempDir dir;
    Machine office(dir, "office"), home(dir, "home");
    office.local = {Page("http://a.example/", "A"), Page("http://b.example/", "B")};
    ASSERT_TRUE(office.Write());
    ASSERT_TRUE(home.Refresh().empty());
    ASSERT_EQ(home.folder.Remote().Size(), 2u);

    const std::string file = ShardFileName(office.folder.Self().syncId);
    const std::string good = dir.Read(file);
    dir.Write(file, good.substr(0, good.size() / 2));
    const Strings problems = home.Refresh();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].starts_with(file + ": ")) << problems[0];
    EXPECT_EQ(home.folder.Remote().Size(), 2u);
    dir.Write(file, good.substr(0, good.size() - 9));
    EXPECT_TRUE(home.Refresh().empty()) << "still torn: said already";
    EXPECT_EQ(home.folder.Remote().Size(), 2u);

    office.local.pop_back();
    ASSERT_TRUE(office.Write());
    EXPECT_TRUE(home.Refresh().empty());
    EXPECT_EQ(home.RemoteAddresses(), Strings{"http://a.example/"});
    // A machine that left the folder leaves the view.
    std::filesystem::remove(dir.File(file));
    home.Refresh();
    EXPECT_EQ(home.folder.Remote().Size(), 0u);
}

TEST(SyncFolderTest, ConflictCopiesTemporariesAndOversizedFilesAreNotRead) {
    test::TempDir dir;
    Machine office(dir, "office"), home(dir, "home");
    office.local = {Page("http://real.example/", "real")};
    ASSERT_TRUE(office.Write());
    const std::string id = office.folder.Self().syncId;

    Machine stray(dir, "stray");
    stray.local = {Page("http://stray.example/", "stray")};
    ASSERT_TRUE(stray.Write());
    const std::string strayFile = ShardFileName(stray.folder.Self().syncId);
    const std::string bytes = dir.Read(strayFile);
    std::filesystem::remove(dir.File(strayFile));
    for (const std::string& name :
         {id + ".sync-conflict-20261209-101010-ABCDEFG.qarvex", ".syncthing." + id + ".qarvex.tmp",
          "~syncthing~" + id + ".qarvex.tmp", "." + id + ".qarvex.tmp-Ab12Cd", id + ".qarvex.part",
          "ABCDEF" + id.substr(6) + ".qarvex"}) {
        dir.Write(name, bytes);
    }
    std::filesystem::create_directory(dir.File("sub"));
    dir.Write("sub/" + strayFile, bytes);
    // Under the name of a machine: junk, and a file too large to read.
    dir.Write(ShardFileName(NewSyncId()), std::string("\0\xFF garbage\r\n", 12));
    const std::string huge = dir.Write(ShardFileName(NewSyncId()), "");
    ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kMaxShardBytes) + 1), 0);

    const Strings problems = home.Refresh();
    EXPECT_EQ(problems.size(), 2u);
    EXPECT_EQ(home.RemoteAddresses(), Strings{"http://real.example/"});
}

TEST(SyncFolderTest, ADeletionReachesItsOwnerOnceAndIsThenForgotten) {
    test::TempDir dir;
    Machine owner(dir, "owner"), other(dir, "other");
    owner.local = {Page("http://x.example/", "X"), Page("http://y.example/", "Y")};
    ASSERT_TRUE(owner.Write());
    other.Refresh();

    other.folder.DeleteRemote("http://x.example/", kNow);
    EXPECT_EQ(other.RemoteAddresses(), Strings{"http://y.example/"}) << "hidden at once";
    EXPECT_TRUE(other.folder.OwnChanged());
    ASSERT_TRUE(other.Write());
    // The deleting machine starting again still hides it while the owner has not applied it.
    Machine otherAgain(dir, "other", other.folder.Self().syncId);
    otherAgain.Refresh();
    EXPECT_EQ(otherAgain.RemoteAddresses(), Strings{"http://y.example/"});

    owner.Refresh();
    ASSERT_EQ(owner.folder.DeletionsForSelf(), Strings{"http://x.example/"});
    owner.Forget("http://x.example/");
    owner.folder.AcknowledgeDeletions();
    EXPECT_TRUE(owner.folder.DeletionsForSelf().empty());
    ASSERT_TRUE(owner.Write());

    // Reopened on the owner before the deleting machine saw the acknowledgement, even by a
    // fresh start of the owner: the entry stays.
    owner.local.push_back(Page("http://x.example/", "X again"));
    ASSERT_TRUE(owner.Write());
    owner.Refresh();
    EXPECT_TRUE(owner.folder.DeletionsForSelf().empty());
    Machine ownerAgain(dir, "owner", owner.folder.Self().syncId);
    ownerAgain.Refresh();
    EXPECT_TRUE(ownerAgain.folder.DeletionsForSelf().empty());

    other.Refresh();
    EXPECT_TRUE(other.folder.OwnChanged()) << "the acknowledged tombstone is dropped";
    ASSERT_TRUE(other.Write());
    EXPECT_EQ(dir.Read(ShardFileName(other.folder.Self().syncId)).find("\r\nT\t"),
              std::string::npos);
    Strings addresses = other.RemoteAddresses();
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (Strings{"http://x.example/", "http://y.example/"}));

    // A second deletion in the same second as the first is applied all the same.
    other.folder.DeleteRemote("http://x.example/", kNow);
    ASSERT_TRUE(other.Write());
    owner.Refresh();
    EXPECT_EQ(owner.folder.DeletionsForSelf(), Strings{"http://x.example/"});
}

TEST(SyncFolderTest, ExcludedEntriesNeverReachTheSharedFile) {
    test::TempDir dir;
    Machine office(dir, "office");
    office.local = {Page("https://mail.secret.example/inbox", "Inbox"),
                    Page("http://open.example/", "Open")};
    const Exclusions exclusions({"*.secret.example"}, "/home/u");
    ASSERT_TRUE(office.folder.WriteOwn(office.local, kNow, &exclusions));
    const std::string bytes = dir.Read(ShardFileName(office.folder.Self().syncId));
    EXPECT_NE(bytes.find("open.example"), std::string::npos);
    EXPECT_EQ(bytes.find("secret"), std::string::npos);
}

TEST(SyncFolderTest, ACopiedConfigurationMakesItselfANewId) {
    test::TempDir dir;
    IniFile ini(dir.File("defualt.ini"));
    bool renewed = true;
    // Sharing off: nothing is added to the settings.
    EXPECT_TRUE(ReadSyncIdentity(ini, "desk", "desk:/home/a/.config", &renewed).syncId.empty());
    EXPECT_FALSE(ini.ValueExists(kDefaultSectionName, kKeySyncId));

    ini.WriteString(kDefaultSectionName, kKeySyncFolder, dir.Path());
    const SyncIdentity first = ReadSyncIdentity(ini, "desk", "desk:/home/a/.config", &renewed);
    EXPECT_TRUE(IsSyncId(first.syncId));
    EXPECT_EQ(first.machineName, "desk");
    EXPECT_FALSE(renewed);
    EXPECT_EQ(ReadSyncIdentity(ini, "desk", "desk:/home/a/.config", &renewed).syncId, first.syncId);
    EXPECT_FALSE(renewed);

    IniFile copy(dir.File("defualt.ini"));
    const SyncIdentity copied = ReadSyncIdentity(copy, "desk", "desk:/home/b/.config", &renewed);
    EXPECT_TRUE(renewed);
    EXPECT_TRUE(IsSyncId(copied.syncId));
    EXPECT_NE(copied.syncId, first.syncId);
    IniFile reread(dir.File("defualt.ini"));
    EXPECT_EQ(reread.ReadString(kDefaultSectionName, kKeySyncId, ""), copied.syncId);
    EXPECT_EQ(reread.ReadString(kDefaultSectionName, kKeySyncIdOwner, ""), "desk:/home/b/.config");
}

}  // namespace
}  // namespace qarvex
