#include "store/sync_folder.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <set>
#include <system_error>
#include <unordered_set>

#include "store/history.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

// Which of two machines' entries for one address is the newer: the later use, then the
// file written last.
bool Newer(const SharedEntry& a, const MachineShard& aShard, const SharedEntry& b,
           const MachineShard& bShard) {
    if (a.lastUsed != b.lastUsed) {
        return a.lastUsed > b.lastUsed;
    }
    return aShard.written > bShard.written;
}

// The stamp after another, the file it came from being hostile.
std::int64_t After(std::int64_t stamp) {
    return stamp == std::numeric_limits<std::int64_t>::max() ? stamp : stamp + 1;
}

std::string TombstoneKey(std::string_view owner, std::string_view address) {
    std::string key(owner);
    key += '\t';
    key += address;
    return key;
}

}  // namespace

SyncIdentity ReadSyncIdentity(IniFile& ini, std::string_view hostName, std::string_view owner,
                              bool* renewed) {
    if (renewed != nullptr) {
        *renewed = false;
    }
    SyncIdentity identity;
    identity.folder = ini.ReadString(kDefaultSectionName, kKeySyncFolder, "");
    identity.machineName = ini.ReadString(kDefaultSectionName, kKeyMachineName, "");
    if (identity.machineName.empty()) {
        identity.machineName = std::string(hostName);
    }
    const std::string syncId = ini.ReadString(kDefaultSectionName, kKeySyncId, "");
    const std::string storedOwner = ini.ReadString(kDefaultSectionName, kKeySyncIdOwner, "");
    const bool ours = IsSyncId(syncId) && (storedOwner == owner || storedOwner.empty());
    if (identity.folder.empty()) {
        identity.syncId = ours && !storedOwner.empty() ? syncId : std::string();
        return identity;
    }
    if (ours && storedOwner == owner) {
        identity.syncId = syncId;
        return identity;
    }
    // An id without the place it was made for is taken as this one's; an id made for
    // another host or folder is a copy, and two machines with one id would each take the
    // other's file for its own.
    identity.syncId = ours ? syncId : NewSyncId();
    if (renewed != nullptr) {
        *renewed = IsSyncId(syncId) && !ours;
    }
    IniFile::Batch batch(ini);
    ini.WriteString(kDefaultSectionName, kKeySyncId, identity.syncId);
    ini.WriteString(kDefaultSectionName, kKeySyncIdOwner, owner);
    return identity;
}

const std::vector<std::string>& RemoteHistory::MachinesOf(int index) const {
    static const std::vector<std::string> kNone;
    if (index < 0 || static_cast<std::size_t>(index) >= m_listOf.size()) {
        return kNone;
    }
    return m_machineLists[m_listOf[static_cast<std::size_t>(index)]];
}

std::vector<std::string> RemoteHistory::AlsoOn(std::string_view address) const {
    const auto found = m_alsoOn.find(address);
    return found == m_alsoOn.end() ? std::vector<std::string>() : found->second;
}

SyncFolder::SyncFolder(SyncIdentity self) : m_self(std::move(self)) {}

std::string SyncFolder::OwnPath() const {
    return (std::filesystem::path(m_self.folder) / ShardFileName(m_self.syncId)).string();
}

bool SyncFolder::ReadMachine(const std::string& path, std::string_view syncId, Machine& machine,
                             std::vector<std::string>* problems) {
    const char* why = nullptr;
    MachineShard shard;
    FileStamp stamp = machine.stamp;
    if (static_cast<std::uint64_t>(machine.stamp.size) > kMaxShardBytes) {
        why = "larger than 64 MiB, not read";
    } else if (const auto bytes = ReadFileBytes(path, &stamp); !bytes) {
        why = "cannot be read";
    } else {
        switch (ParseShard(*bytes, shard)) {
            case ShardParse::Ok:
                if (shard.syncId != syncId) {
                    why = "its content names another machine, not read";
                }
                break;
            case ShardParse::NotAShard:
                why = "not a shared history file of this version, not read";
                break;
            case ShardParse::Torn:
                why = "incomplete copy, the machine's last complete reading is kept";
                break;
            case ShardParse::TooLarge:
                why = "larger than 64 MiB, not read";
                break;
        }
    }
    machine.stamp = stamp;
    if (why != nullptr) {
        if (!machine.reported && problems != nullptr) {
            problems->push_back(std::filesystem::path(path).filename().string() + ": " + why);
        }
        machine.reported = true;
        return false;
    }
    machine.shard = std::move(shard);
    machine.good = true;
    machine.reported = false;
    return true;
}

void SyncFolder::ReadOwnOnce() {
    if (m_ownRead || m_self.folder.empty() || !IsSyncId(m_self.syncId)) {
        return;
    }
    m_ownRead = true;
    const auto bytes = ReadFileBytes(OwnPath());
    MachineShard shard;
    if (!bytes || ParseShard(*bytes, shard) != ShardParse::Ok || shard.syncId != m_self.syncId) {
        return;
    }
    m_tombstones = std::move(shard.tombstones);
    m_applied = std::move(shard.applied);
}

bool SyncFolder::Refresh(const DocTable& local, std::vector<std::string>* problems) {
    bool changed = false;
    if (m_self.folder.empty()) {
        changed = !m_machines.empty();
        m_machines.clear();
    } else {
        std::error_code error;
        std::filesystem::directory_iterator it(m_self.folder, error);
        // A folder that cannot be listed (a drive not mounted yet) keeps what was read.
        if (!error) {
            ReadOwnOnce();
            std::set<std::string, std::less<>> present;
            for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
                if (error) {
                    break;
                }
                const std::string name = it->path().filename().string();
                const std::string syncId = SyncIdOfShardFile(name);
                if (syncId.empty() || syncId == m_self.syncId) {
                    continue;
                }
                const std::string path = it->path().string();
                const auto stamp = StatFile(path);
                if (!stamp) {
                    continue;
                }
                present.insert(syncId);
                Machine& machine = m_machines[syncId];
                if (machine.stamp == *stamp && (machine.good || machine.reported)) {
                    continue;
                }
                machine.stamp = *stamp;
                changed = ReadMachine(path, syncId, machine, problems) || changed;
            }
            if (!error) {
                for (auto machine = m_machines.begin(); machine != m_machines.end();) {
                    if (present.contains(machine->first)) {
                        ++machine;
                        continue;
                    }
                    changed = changed || machine->second.good;
                    machine = m_machines.erase(machine);
                }
            }
        }
    }
    changed = DropAcknowledged() || changed;
    if (changed) {
        m_remoteChanged = true;
    }
    Merge(local);
    return changed;
}

std::int64_t SyncFolder::AppliedStamp(const Machine& machine) const {
    for (const auto& [syncId, stamp] : m_applied) {
        if (syncId == machine.shard.syncId) {
            return stamp;
        }
    }
    return std::numeric_limits<std::int64_t>::min();
}

bool SyncFolder::DropAcknowledged() {
    const std::size_t before = m_tombstones.size();
    std::erase_if(m_tombstones, [this](const SharedTombstone& tombstone) {
        const auto owner = m_machines.find(tombstone.owner);
        if (owner == m_machines.end() || !owner->second.good) {
            return false;
        }
        for (const auto& [syncId, stamp] : owner->second.shard.applied) {
            if (syncId == m_self.syncId) {
                return tombstone.stamp <= stamp;
            }
        }
        return false;
    });
    if (m_tombstones.size() == before) {
        return false;
    }
    m_ownChanged = true;
    return true;
}

int SyncFolder::FindSlot(std::string_view address) const {
    if (m_table.empty()) {
        return -1;
    }
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t at = std::hash<std::string_view>{}(address)&mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = m_table[at];
        if (slot == 0) {
            return -1;
        }
        if (m_holders[m_slots[slot - 1].first].entry->address == address) {
            return static_cast<int>(slot - 1);
        }
    }
}

void SyncFolder::Combine() {
    m_slots.clear();
    m_holders.clear();
    std::unordered_set<std::string> hidden;
    for (const SharedTombstone& tombstone : m_tombstones) {
        hidden.insert(TombstoneKey(tombstone.owner, tombstone.address));
    }
    std::size_t total = 0;
    for (const auto& [syncId, machine] : m_machines) {
        total += machine.good ? machine.shard.entries.size() : 0;
    }
    std::size_t tableSize = 16;
    while (tableSize < 2 * total) {
        tableSize *= 2;
    }
    m_table.assign(tableSize, 0);
    const std::size_t mask = tableSize - 1;
    // Each machine's entries with the slot of their address, in machine and file order.
    std::vector<std::pair<std::uint32_t, Holder>> found;
    found.reserve(total);
    std::vector<const SharedEntry*> keys;
    keys.reserve(total);
    for (const auto& [syncId, machine] : m_machines) {
        if (!machine.good) {
            continue;
        }
        for (const SharedEntry& entry : machine.shard.entries) {
            // A longer address is nothing this program records; it is no entry to show.
            if (entry.address.empty() || entry.address.size() > kMaxRecordedAddressBytes ||
                (!hidden.empty() && hidden.contains(TombstoneKey(syncId, entry.address)))) {
                continue;
            }
            std::size_t at = std::hash<std::string_view>{}(entry.address) & mask;
            while (m_table[at] != 0 && keys[m_table[at] - 1]->address != entry.address) {
                at = (at + 1) & mask;
            }
            if (m_table[at] == 0) {
                keys.push_back(&entry);
                m_table[at] = static_cast<std::uint32_t>(keys.size());
            }
            found.emplace_back(m_table[at] - 1, Holder{&entry, &machine});
        }
    }
    // The holders grouped by slot, each group in machine order, then the newest first.
    m_slots.assign(keys.size(), Slot{});
    for (const auto& [slot, holder] : found) {
        ++m_slots[slot].count;
    }
    std::uint32_t next = 0;
    for (Slot& slot : m_slots) {
        slot.first = next;
        next += slot.count;
        slot.count = 0;
    }
    m_holders.resize(found.size());
    for (const auto& [slot, holder] : found) {
        Slot& group = m_slots[slot];
        m_holders[group.first + group.count++] = holder;
    }
    for (const Slot& slot : m_slots) {
        if (slot.count > 1) {
            const auto begin = m_holders.begin() + slot.first;
            std::stable_sort(begin, begin + slot.count, [](const Holder& a, const Holder& b) {
                return Newer(*a.entry, a.machine->shard, *b.entry, b.machine->shard);
            });
        }
    }
    m_remoteChanged = false;
}

void SyncFolder::BuildView(const std::vector<std::string>& localShared) {
    m_localShared = localShared;
    RemoteHistory& view = m_remote;
    view.m_docs.clear();
    view.m_index.Clear();
    view.m_machineLists.clear();
    view.m_listOf.clear();
    view.m_alsoOn.clear();
    const std::size_t count = m_slots.size() - std::min(m_slots.size(), localShared.size());
    std::size_t textBytes = 0;
    for (const Slot& slot : m_slots) {
        const SharedEntry& newest = *m_holders[slot.first].entry;
        textBytes += newest.address.size() + newest.name.size();
    }
    view.m_docs.reserve(count);
    view.m_listOf.reserve(count);
    view.m_index.Reserve(count, textBytes);
    std::map<std::vector<const Machine*>, std::uint32_t> lists;
    std::vector<const Machine*> holders;
    for (const Slot& slot : m_slots) {
        const SharedEntry& entry = *m_holders[slot.first].entry;
        holders.clear();
        for (std::uint32_t n = 0; n < slot.count; ++n) {
            holders.push_back(m_holders[slot.first + n].machine);
        }
        const auto [list, added] =
            lists.try_emplace(holders, static_cast<std::uint32_t>(view.m_machineLists.size()));
        if (added) {
            std::vector<std::string>& names = view.m_machineLists.emplace_back();
            for (const Machine* machine : holders) {
                names.push_back(machine->shard.machineName);
            }
        }
        if (std::binary_search(localShared.begin(), localShared.end(), entry.address)) {
            view.m_alsoOn.emplace(entry.address, view.m_machineLists[list->second]);
            continue;
        }
        TMyDoc& doc = view.m_docs.emplace_back(DocOfShared(entry));
        if (doc.DisplayName.size() > kMaxRecordedNameChars) {
            doc.DisplayName = CutToChars(doc.DisplayName, kMaxRecordedNameChars);
        }
        view.m_index.Add(doc);
        view.m_listOf.push_back(list->second);
    }
}

void SyncFolder::Merge(const DocTable& local) {
    const bool combined = m_remoteChanged;
    if (combined) {
        Combine();
    }
    std::vector<std::string> shared;
    if (!m_slots.empty()) {
        for (const TMyDoc& doc : local) {
            if (FindSlot(doc.Path) >= 0) {
                shared.push_back(doc.Path);
            }
        }
        std::sort(shared.begin(), shared.end());
        shared.erase(std::unique(shared.begin(), shared.end()), shared.end());
    }
    if (!combined && shared == m_localShared) {
        return;
    }
    BuildView(shared);
}

std::vector<std::string> SyncFolder::DeletionsForSelf() const {
    std::vector<std::string> addresses;
    m_offered.clear();
    for (const auto& [syncId, machine] : m_machines) {
        if (!machine.good) {
            continue;
        }
        const std::int64_t applied = AppliedStamp(machine);
        std::int64_t latest = applied;
        for (const SharedTombstone& tombstone : machine.shard.tombstones) {
            if (tombstone.owner == m_self.syncId && tombstone.stamp > applied) {
                addresses.push_back(tombstone.address);
                latest = std::max(latest, tombstone.stamp);
            }
        }
        if (latest != applied) {
            m_offered.emplace_back(syncId, latest);
        }
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

void SyncFolder::AcknowledgeDeletions() {
    // Only what DeletionsForSelf handed out: a file read in between may carry deletions the
    // caller has not made yet.
    for (const auto& offer : m_offered) {
        const std::string& deleter = offer.first;
        const auto entry =
            std::find_if(m_applied.begin(), m_applied.end(),
                         [&deleter](const auto& ack) { return ack.first == deleter; });
        if (entry == m_applied.end()) {
            m_applied.push_back(offer);
        } else if (entry->second < offer.second) {
            entry->second = offer.second;
        }
        m_ownChanged = true;
    }
    m_offered.clear();
}

void SyncFolder::DeleteRemote(std::string_view address, std::int64_t now) {
    const int found = FindSlot(address);
    if (found < 0) {
        return;
    }
    ReadOwnOnce();
    const std::string text(address);
    const Slot slot = m_slots[static_cast<std::size_t>(found)];
    for (std::uint32_t n = 0; n < slot.count; ++n) {
        const Machine* machine = m_holders[slot.first + n].machine;
        const std::string& owner = machine->shard.syncId;
        // The stamps given one owner only grow, so that its acknowledgement of the last
        // one applied never covers a deletion made after it.
        std::int64_t stamp = now;
        for (const auto& [syncId, applied] : machine->shard.applied) {
            if (syncId == m_self.syncId) {
                stamp = std::max(stamp, After(applied));
            }
        }
        for (const SharedTombstone& tombstone : m_tombstones) {
            if (tombstone.owner == owner) {
                stamp = std::max(stamp, After(tombstone.stamp));
            }
        }
        std::erase_if(m_tombstones, [&](const SharedTombstone& tombstone) {
            return tombstone.owner == owner && tombstone.address == text;
        });
        m_tombstones.push_back(SharedTombstone{owner, text, stamp});
    }
    m_ownChanged = true;
    const std::vector<std::string> shared = m_localShared;
    Combine();
    BuildView(shared);
}

bool SyncFolder::WriteOwn(const DocTable& local, std::int64_t now, const Exclusions* exclusions) {
    if (m_self.folder.empty() || !IsSyncId(m_self.syncId) || !DirectoryExists(m_self.folder)) {
        return false;
    }
    ReadOwnOnce();
    const std::string bytes = FormatShard(ShardOfHistory(local, m_self.syncId, m_self.machineName,
                                                         now, m_tombstones, m_applied, exclusions));
    // Every other machine would refuse a larger file.
    if (bytes.size() > kMaxShardBytes || !WriteFileAtomic(OwnPath(), bytes)) {
        return false;
    }
    m_ownChanged = false;
    return true;
}

}  // namespace qarvex
