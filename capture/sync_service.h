#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

class Exclusions;
class History;
class IniFile;
class Messages;
class Openers;
class RemoteHistory;
class SyncFolder;

// The history shared with the user's other machines through a synced folder, as the
// program runs it: who this machine is, reading the others' files, writing its own, and
// carrying deletions both ways. Off (every call does nothing) while no folder is set.
class SyncService {
public:
    struct Hooks {
        // What must never reach the shared file; may give null.
        std::function<const Exclusions*()> exclusions;
        // Runs a change of much of the history so that the views catch up once.
        std::function<void(const std::function<void()>&)> bulkChange;
        // Seconds since 1970 (UTC).
        std::function<std::int64_t()> now;
        // One quiet line about the folder (a torn or foreign file), never a dialog.
        std::function<void(const std::string&)> note;
        // True for a program this machine identified itself (a program entry of its own
        // history, an installed application that starts it): the only remote programs
        // that are ever started.
        std::function<bool(std::string_view path)> identifiedProgram;
    };

    SyncService(History& history, Hooks hooks);
    ~SyncService();
    SyncService(const SyncService&) = delete;
    SyncService& operator=(const SyncService&) = delete;

    // Reads the folder, this machine's name and its id from the settings, making and
    // storing an id when there is none. True when the stored id was replaced because the
    // configuration was copied from another host or folder (the user is told).
    bool Configure(IniFile& settings, std::string_view hostName, std::string_view owner);
    bool Enabled() const;
    std::string Folder() const;
    // This machine's name as the others see it.
    std::string MachineName() const;
    // The others' entries; null while sharing is off.
    const RemoteHistory* Remote() const;

    // Reads the other machines' files, and removes from the local history what they
    // deleted of this machine's. True when what the search and the trees show changed.
    bool Refresh();
    // The local history changed: entries it now holds leave the others' view, and this
    // machine's file is due to be written.
    void LocalChanged();
    // The same when the local history may have changed without being told (a deletion in
    // the trees): cheap when its size did not change.
    void FollowLocal();
    bool WriteDue() const { return m_writeDue; }
    // Replaces this machine's file; false when sharing is off or the write failed.
    bool WriteOwn();
    // The user deleted entries that other machines hold: they are told through this
    // machine's file, written at once.
    void DeleteRemote(const std::vector<std::string>& addresses);

    // "also on ..." for a local entry's address: the other machines' names, empty when
    // none holds it.
    std::vector<std::string> AlsoOn(std::string_view address) const;
    // The other machines' entry of that address, or -1.
    int FindRemote(std::string_view address) const;
    bool IdentifiedProgram(std::string_view path) const;

private:
    void ApplyDeletionsForSelf();

    History& m_history;
    Hooks m_hooks;
    std::unique_ptr<SyncFolder> m_folder;
    std::string m_machineName;
    bool m_writeDue = false;
    std::size_t m_mergedLocalSize = 0;
};

// How an entry of other machines opens on this one.
struct RemoteOpening {
    enum class Way {
        Open,       // as any entry: the default handler (web pages, existing files)
        Launch,     // a program Qarvex identified here too, by its argument vector
        Elsewhere,  // not here: the user is told which machine has it
    };
    Way way = Way::Elsewhere;
    std::string target;
};
// A web page opens anywhere; a program or a local path only where the same path exists
// here, and a program only when this machine identified it as one too.
RemoteOpening HowRemoteEntryOpens(const TMyDoc& doc,
                                  const std::function<bool(const std::string&)>& pathExists,
                                  const std::function<bool(std::string_view)>& identifiedProgram);

// Opens the other machines' entry of that address as this machine may, or says which
// machine has it.
void OpenRemoteEntry(const SyncService& sync, std::string_view address, Openers& openers,
                     Messages& messages);
// The trees' picture for an entry of another machine, by its kind.
int RemoteImageIndex(const TMyDoc& doc);

// "该项在 <machines> 上".
std::string ElsewhereText(const std::vector<std::string>& machines);
// The machines' names for a row, joined with "、".
std::string JoinMachineNames(const std::vector<std::string>& machines);

}  // namespace qarvex
