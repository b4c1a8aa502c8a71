// Arbitrary bytes as another machine's shared history file, and as the texts of an entry:
// reading never crashes, what was read writes back to a file that reads the same, and any
// text an entry holds comes back from the file as it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "store/sync_shard.h"
#include "store/text_codec.h"

using qarvex::fuzz::Check;

namespace {

bool Same(const qarvex::MachineShard& a, const qarvex::MachineShard& b) {
    if (a.syncId != b.syncId || a.machineName != b.machineName || a.written != b.written ||
        a.applied != b.applied || a.entries.size() != b.entries.size() ||
        a.tombstones.size() != b.tombstones.size()) {
        return false;
    }
    for (std::size_t n = 0; n < a.entries.size(); ++n) {
        const qarvex::SharedEntry& x = a.entries[n];
        const qarvex::SharedEntry& y = b.entries[n];
        if (x.address != y.address || x.name != y.name || x.kind != y.kind || x.group != y.group ||
            x.firstDay != y.firstDay || x.lastUsed != y.lastUsed || x.count != y.count) {
            return false;
        }
    }
    for (std::size_t n = 0; n < a.tombstones.size(); ++n) {
        const qarvex::SharedTombstone& x = a.tombstones[n];
        const qarvex::SharedTombstone& y = b.tombstones[n];
        if (x.owner != y.owner || x.address != y.address || x.stamp != y.stamp) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);

    qarvex::MachineShard shard;
    if (qarvex::ParseShard(input, shard) == qarvex::ShardParse::Ok) {
        const std::string bytes = qarvex::FormatShard(shard);
        qarvex::MachineShard again;
        Check(qarvex::ParseShard(bytes, again) == qarvex::ShardParse::Ok,
              "a file written from what was read does not read");
        Check(Same(shard, again), "a file written from what was read reads differently");
        Check(qarvex::FormatShard(again) == bytes, "writing the same history changed its bytes");
    } else {
        Check(shard.entries.empty() && shard.syncId.empty(), "a file not read left data");
    }

    // The input's texts as a stored file would give them, as an entry's address and name.
    const auto [first, second] = qarvex::fuzz::SplitAtNul(input);
    qarvex::MachineShard made;
    made.syncId = std::string(32, 'a');
    made.machineName = qarvex::DecodeStoredText(second);
    qarvex::SharedEntry& entry = made.entries.emplace_back();
    entry.address = qarvex::DecodeStoredText(first);
    entry.name = made.machineName;
    entry.group = entry.address;
    made.tombstones.push_back({std::string(32, 'b'), entry.address, 7});
    qarvex::MachineShard read;
    Check(qarvex::ParseShard(qarvex::FormatShard(made), read) == qarvex::ShardParse::Ok,
          "a written file does not read");
    Check(Same(made, read), "a text did not come back from the file as it was");
    return 0;
}
