#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

class Exclusions;

// A history shared through a synced folder (Syncthing, a cloud drive): each machine writes
// only its own file, "<SyncId>.qarvex", at the top of the folder, and reads everyone
// else's. No file ever has two writers, so the replication engine never has a conflict
// to resolve. The format is described in docs/SYNC.md.

// One entry as its machine shares it: the six stored keys' content and its use.
struct SharedEntry {
    std::string address;     // the entry's Path
    std::string name;        // its DisplayName
    std::int32_t kind = 0;   // a DocKind
    std::string group;       // its RootPath
    std::string firstDay;    // Date, "yyyy-mm-dd"
    std::string lastUsed;    // LastSeen, "yyyy-mm-dd"
    std::int32_t count = 0;  // OpenCount
};

// A deletion, made on the machine whose file holds it, of an entry another machine owns.
// The owner removes the entry from its own history when it reads this.
struct SharedTombstone {
    std::string owner;       // the owner's SyncId
    std::string address;     // the entry's Path
    std::int64_t stamp = 0;  // when it was deleted, seconds since 1970 (UTC)
};

// One machine's file.
struct MachineShard {
    std::string syncId;
    std::string machineName;
    std::int64_t written = 0;  // seconds since 1970 (UTC)
    std::vector<SharedEntry> entries;
    std::vector<SharedTombstone> tombstones;
    // For each machine whose tombstones this one has applied: its SyncId and the stamp of
    // the latest one applied. A deleting machine drops what its owner has acknowledged.
    std::vector<std::pair<std::string, std::int64_t>> applied;
};

// Files bigger than this are not read: the most any stored file may be
// (kMaxStoredFileBytes). A machine's history at its default limit takes a fraction.
inline constexpr std::size_t kMaxShardBytes = 64u * 1024u * 1024u;

// "<syncId>.qarvex".
std::string ShardFileName(std::string_view syncId);
// True for a machine's file; false for anything else in the folder, in particular
// Syncthing's conflict copies ("*.sync-conflict-*"), its temporary files
// (".syncthing.*.tmp", "~syncthing~*.tmp"), partial downloads and our own atomic-replace
// temporaries. A SyncId is 32 lower-case hex digits.
bool IsShardFileName(std::string_view fileName);
// The SyncId a shard file name carries, or empty when IsShardFileName is false.
std::string SyncIdOfShardFile(std::string_view fileName);

// A new random SyncId (32 lower-case hex digits, from the system's random source).
std::string NewSyncId();
bool IsSyncId(std::string_view text);

// The file's bytes: GB18030, CR LF, ending in a line that counts the lines before it, so
// that a torn copy is recognised.
std::string FormatShard(const MachineShard& shard);

enum class ShardParse {
    Ok,
    NotAShard,  // no header line of ours, or a newer format version
    Torn,       // the closing line is missing or does not count the lines
    TooLarge,
};
// Reads a shard; on anything but Ok, out is left empty. Lines it does not know (from a
// later version) are passed over; a malformed entry line makes the file Torn.
ShardParse ParseShard(std::string_view bytes, MachineShard& out);

// The entry as another machine's history shows it here.
TMyDoc DocOfShared(const SharedEntry& entry);

// The local history as this machine shares it: every entry but those the exclusions hold
// (exclusions may be null), with the tombstones and acknowledgements given.
MachineShard ShardOfHistory(const DocTable& docs, std::string_view syncId,
                            std::string_view machineName, std::int64_t now,
                            const std::vector<SharedTombstone>& tombstones,
                            const std::vector<std::pair<std::string, std::int64_t>>& applied,
                            const Exclusions* exclusions = nullptr);

}  // namespace qarvex
