#include "store/sync_shard.h"

#include <string>

#include <gtest/gtest.h>

#include "store/text_codec.h"

namespace qarvex {
namespace {

SharedEntry Entry(std::string address, std::string name) {
    SharedEntry e;
    e.address = std::move(address);
    e.name = std::move(name);
    e.kind = dkWebPage;
    e.group = "网页";
    e.firstDay = "2026-12-01";
    e.lastUsed = "2026-12-09";
    e.count = 3;
    return e;
}

MachineShard Shard() {
    MachineShard shard;
    shard.syncId = NewSyncId();
    shard.machineName = "办公室\tPC\\2";
    shard.written = 1765286400;
    return shard;
}

void ExpectSame(const SharedEntry& a, const SharedEntry& b) {
    EXPECT_EQ(a.address, b.address);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.firstDay, b.firstDay);
    EXPECT_EQ(a.lastUsed, b.lastUsed);
    EXPECT_EQ(a.count, b.count);
}

TEST(SyncShardTest, HostileTextsComeBackAsTheyWere) {
    MachineShard shard = Shard();
    // A name read from a stored file where its bytes were valid in no encoding holds them
    // as the escape range; a real escape sequence in a title is just text.
    const std::string rawBytes = DecodeStoredText("caf\xFF\x81 ");
    ASSERT_TRUE(HasEscapeRange(rawBytes));
    shard.entries = {Entry("http://a.example/?q=1\t2", "line\r\nbreak\\t and \\x41 \\"),
                     Entry("/home/u/文档/报告.odt", "报告 — 第二版"), Entry("x", rawBytes),
                     Entry("http://b.example/", "")};
    shard.entries[1].kind = dkFolderOrFile;
    shard.tombstones = {{NewSyncId(), "http://gone.example/\n", 1765286000}};
    shard.applied = {{NewSyncId(), 1765285000}};

    const std::string bytes = FormatShard(shard);
    EXPECT_FALSE(IsValidUtf8(bytes)) << "the file is GB18030";
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    MachineShard read;
    ASSERT_EQ(ParseShard(bytes, read), ShardParse::Ok);
    EXPECT_EQ(read.syncId, shard.syncId);
    EXPECT_EQ(read.machineName, shard.machineName);
    EXPECT_EQ(read.written, shard.written);
    ASSERT_EQ(read.entries.size(), shard.entries.size());
    for (std::size_t n = 0; n < shard.entries.size(); ++n) {
        ExpectSame(read.entries[n], shard.entries[n]);
    }
    ASSERT_EQ(read.tombstones.size(), 1u);
    EXPECT_EQ(read.tombstones[0].owner, shard.tombstones[0].owner);
    EXPECT_EQ(read.tombstones[0].address, shard.tombstones[0].address);
    EXPECT_EQ(read.tombstones[0].stamp, shard.tombstones[0].stamp);
    EXPECT_EQ(read.applied, shard.applied);
    EXPECT_EQ(FormatShard(read), bytes) << "a file written again keeps its bytes";
}

TEST(SyncShardTest, ACopyCutAnywhereIsTornNeverAShorterHistory) {
    MachineShard shard = Shard();
    shard.entries = {Entry("http://a.example/", "甲"), Entry("http://b.example/", "乙")};
    const std::string bytes = FormatShard(shard);
    const std::size_t header = bytes.find("\r\n");
    MachineShard read;
    for (std::size_t size = header + 2; size + 2 < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(ParseShard(bytes.substr(0, size), read), ShardParse::Torn);
        EXPECT_TRUE(read.entries.empty());
    }
    // Lines a later version adds are passed over; a later format is not read at all.
    std::string later = bytes;
    later.insert(header + 2, "Z\tsomething new\r\n");
    later.replace(later.find("END\t3"), 5, "END\t4");
    EXPECT_EQ(ParseShard(later, read), ShardParse::Ok);
    EXPECT_EQ(read.entries.size(), 2u);
    std::string newer = bytes;
    newer.replace(newer.find("\t1\t"), 3, "\t2\t");
    EXPECT_EQ(ParseShard(newer, read), ShardParse::NotAShard);
    EXPECT_EQ(ParseShard("[docs]\r\nx=1\r\n", read), ShardParse::NotAShard);
    EXPECT_EQ(ParseShard(std::string(kMaxShardBytes + 1, 'E'), read), ShardParse::TooLarge);
}

}  // namespace
}  // namespace qarvex
