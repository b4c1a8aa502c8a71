#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/atomic_file.h"
#include "store/doc_search.h"
#include "store/doc_table.h"
#include "store/sync_shard.h"

namespace qarvex {

class Exclusions;
class IniFile;

// Who this machine is in the synced folder. Kept in section "default" of the settings:
// "SyncFolder" (empty: sharing is off), "MachineName" (the host name by default),
// "SyncId" and "SyncIdOwner" (the host and configuration folder the id was made for, so
// that a copied configuration is noticed and makes itself a new id).
struct SyncIdentity {
    std::string folder;
    std::string machineName;
    std::string syncId;
};

// Reads SyncFolder, MachineName and SyncId, making and storing a new id when there is none
// or when SyncIdOwner names another host or configuration folder than owner ("host:dir").
// Nothing is written while SyncFolder is empty (sharing off): the id is made when sharing
// is first switched on, and a copied id is returned empty until then.
// renewed is set true when an existing id was replaced because the configuration was
// copied (the caller says so to the user).
SyncIdentity ReadSyncIdentity(IniFile& ini, std::string_view hostName, std::string_view owner,
                              bool* renewed);

// Other machines' entries, merged: one entry per address, whatever number of machines
// hold it, as the search and the trees show them.
class RemoteHistory {
public:
    // Entries no local entry has (by address), machines in the order of their ids, then
    // each file's order. RootPath, DisplayName, DocType, Date and use are the newest
    // machine's (latest use, then the file written last). An address longer than any this
    // program records is left out, a name longer than it records is cut.
    const DocTable& Docs() const { return m_docs; }
    const DocSearchIndex& SearchIndex() const { return m_index; }
    // The names of the machines that hold entry index (the newest use first).
    const std::vector<std::string>& MachinesOf(int index) const;
    // For an address a local entry also has: the other machines that hold it ("also on").
    std::vector<std::string> AlsoOn(std::string_view address) const;
    std::size_t Size() const { return m_docs.size(); }

private:
    friend class SyncFolder;
    DocTable m_docs;
    DocSearchIndex m_index;
    // Most entries share their list of machines (a single machine's name): each distinct
    // list is kept once.
    std::vector<std::vector<std::string>> m_machineLists;
    std::vector<std::uint32_t> m_listOf;  // per entry
    std::map<std::string, std::vector<std::string>, std::less<>> m_alsoOn;
};

// The synced folder as one machine sees it. Plain file operations, no watching: the
// caller reads again when the folder changes and at each scan pass.
class SyncFolder {
public:
    explicit SyncFolder(SyncIdentity self);

    const SyncIdentity& Self() const { return m_self; }

    // The first reading also takes this machine's own file back, for the tombstones it
    // still carries and the deletions it has acknowledged.
    // Reads each other machine's file that changed since the last reading (by its stamp);
    // a file that is torn or no shard keeps that machine's last good reading and adds one
    // line to problems ("<file>: <why>") the first time it is seen so. A machine whose
    // file left the folder leaves the view; a folder that cannot be listed keeps what was
    // read. Rebuilds the merged view against the local history when anything changed. True
    // when what the other machines hold changed (or one of them acknowledged deletions).
    bool Refresh(const DocTable& local, std::vector<std::string>* problems = nullptr);
    // Rebuilds the merged view after the local history changed (entries now local drop out
    // of it). Cheap when nothing remote changed.
    void Merge(const DocTable& local);
    const RemoteHistory& Remote() const { return m_remote; }

    // Entries of this machine that other machines deleted since they were last applied:
    // their addresses. The caller deletes them from the local history, then calls
    // AcknowledgeDeletions, and the next WriteOwn tells the deleting machines. Only the
    // deletions the last call handed out are acknowledged.
    std::vector<std::string> DeletionsForSelf() const;
    void AcknowledgeDeletions();

    // The user deleted a remote entry here: a tombstone for each machine that holds it,
    // and the entry leaves the merged view at once.
    void DeleteRemote(std::string_view address, std::int64_t now);

    // Writes this machine's own file from the local history by atomic replace (never any
    // other file). False when the folder is missing or the write failed.
    bool WriteOwn(const DocTable& local, std::int64_t now, const Exclusions* exclusions);
    // The tombstones or acknowledgements this machine's file carries changed since it was
    // last written (a deletion here, one applied, one acknowledged by its owner): WriteOwn
    // is due even when the local history did not change.
    bool OwnChanged() const { return m_ownChanged; }

private:
    struct Machine {
        FileStamp stamp;
        MachineShard shard;
        bool good = false;      // shard is its last good reading
        bool reported = false;  // its current problem was already said
    };
    // One machine's entry for an address of the merged view.
    struct Holder {
        const SharedEntry* entry = nullptr;
        const Machine* machine = nullptr;
    };
    // One address of the merged view: its holders in m_holders, the newest first.
    struct Slot {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    bool ReadMachine(const std::string& path, std::string_view syncId, Machine& machine,
                     std::vector<std::string>* problems);
    void ReadOwnOnce();
    bool DropAcknowledged();
    std::int64_t AppliedStamp(const Machine& machine) const;
    void Combine();
    void BuildView(const std::vector<std::string>& localShared);
    int FindSlot(std::string_view address) const;  // -1 when no machine has it
    std::string OwnPath() const;

    SyncIdentity m_self;
    std::map<std::string, Machine, std::less<>> m_machines;  // by SyncId
    std::vector<SharedTombstone> m_tombstones;               // ours, not yet acknowledged
    std::vector<std::pair<std::string, std::int64_t>> m_applied;
    // What the last DeletionsForSelf handed out: each deleting machine and its latest stamp.
    mutable std::vector<std::pair<std::string, std::int64_t>> m_offered;
    bool m_ownRead = false;
    bool m_ownChanged = false;
    bool m_remoteChanged = true;
    std::vector<Slot> m_slots;
    std::vector<Holder> m_holders;
    // The slots by address, open addressing: a slot's index + 1, 0 for a free place. Flat,
    // because a machine writing its file again rebuilds the whole view.
    std::vector<std::uint32_t> m_table;
    std::vector<std::string> m_localShared;  // addresses both here and elsewhere, sorted
    RemoteHistory m_remote;
};

}  // namespace qarvex
