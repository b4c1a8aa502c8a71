#include "capture/sync_service.h"

#include <unordered_set>
#include <utility>

#include "capture/openers.h"
#include "platform/messages.h"
#include "store/address_rules.h"
#include "store/atomic_file.h"
#include "store/history.h"
#include "store/strings.h"
#include "store/sync_folder.h"

namespace qarvex {

SyncService::SyncService(History& history, Hooks hooks)
    : m_history(history), m_hooks(std::move(hooks)) {}

SyncService::~SyncService() = default;

bool SyncService::Configure(IniFile& settings, std::string_view hostName, std::string_view owner) {
    bool renewed = false;
    SyncIdentity self = ReadSyncIdentity(settings, hostName, owner, &renewed);
    m_machineName = self.machineName;
    if (Trim(self.folder).empty()) {
        m_folder.reset();
    } else if (!m_folder || m_folder->Self().folder != self.folder ||
               m_folder->Self().machineName != self.machineName ||
               m_folder->Self().syncId != self.syncId) {
        m_folder = std::make_unique<SyncFolder>(std::move(self));
        m_mergedLocalSize = static_cast<std::size_t>(-1);
        // A new folder or name: the file there must say so without waiting for a pass.
        m_writeDue = true;
    }
    return renewed;
}

bool SyncService::Enabled() const {
    return m_folder != nullptr;
}

std::string SyncService::Folder() const {
    return m_folder ? m_folder->Self().folder : std::string();
}

std::string SyncService::MachineName() const {
    return m_machineName;
}

const RemoteHistory* SyncService::Remote() const {
    return m_folder ? &m_folder->Remote() : nullptr;
}

bool SyncService::Refresh() {
    if (!m_folder) {
        return false;
    }
    std::vector<std::string> problems;
    bool changed = m_folder->Refresh(m_history.Docs(), &problems);
    m_mergedLocalSize = m_history.Docs().size();
    for (const std::string& problem : problems) {
        if (m_hooks.note) {
            m_hooks.note(problem);
        }
    }
    if (!m_folder->DeletionsForSelf().empty()) {
        ApplyDeletionsForSelf();
        changed = true;
    }
    // Tombstones the owners acknowledged go from this machine's file.
    if (m_folder->OwnChanged()) {
        m_writeDue = true;
    }
    return changed;
}

void SyncService::ApplyDeletionsForSelf() {
    const std::vector<std::string> addresses = m_folder->DeletionsForSelf();
    const std::unordered_set<std::string> going(addresses.begin(), addresses.end());
    std::vector<int> indexes;
    const DocTable& docs = m_history.Docs();
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (going.count(docs[i].Path) != 0) {
            indexes.push_back(static_cast<int>(i));
        }
    }
    if (!indexes.empty()) {
        const auto remove = [this, &indexes] { m_history.DeleteDocs(indexes); };
        if (m_hooks.bulkChange) {
            m_hooks.bulkChange(remove);
        } else {
            remove();
        }
    }
    // Acknowledged even when nothing was left to delete: the deleting machine may then
    // drop its tombstones.
    m_folder->AcknowledgeDeletions();
    m_folder->Merge(m_history.Docs());
    m_mergedLocalSize = m_history.Docs().size();
    m_writeDue = true;
}

void SyncService::LocalChanged() {
    if (!m_folder) {
        return;
    }
    m_folder->Merge(m_history.Docs());
    m_mergedLocalSize = m_history.Docs().size();
    m_writeDue = true;
}

void SyncService::FollowLocal() {
    if (m_folder && m_history.Docs().size() != m_mergedLocalSize) {
        LocalChanged();
    }
}

bool SyncService::WriteOwn() {
    if (!m_folder) {
        return false;
    }
    const Exclusions* rules = m_hooks.exclusions ? m_hooks.exclusions() : nullptr;
    const std::int64_t now = m_hooks.now ? m_hooks.now() : 0;
    const bool written = m_folder->WriteOwn(m_history.Docs(), now, rules);
    if (written) {
        m_writeDue = false;
    } else if (m_hooks.note) {
        m_hooks.note(m_folder->Self().folder + ": this machine's file could not be written");
    }
    return written;
}

void SyncService::DeleteRemote(const std::vector<std::string>& addresses) {
    if (!m_folder || addresses.empty()) {
        return;
    }
    const std::int64_t now = m_hooks.now ? m_hooks.now() : 0;
    for (const std::string& address : addresses) {
        m_folder->DeleteRemote(address, now);
    }
    m_writeDue = true;
    WriteOwn();
}

std::vector<std::string> SyncService::AlsoOn(std::string_view address) const {
    return m_folder ? m_folder->Remote().AlsoOn(address) : std::vector<std::string>();
}

int SyncService::FindRemote(std::string_view address) const {
    if (!m_folder) {
        return -1;
    }
    const DocTable& docs = m_folder->Remote().Docs();
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (docs[i].Path == address) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool SyncService::IdentifiedProgram(std::string_view path) const {
    return m_history.IsProgramPath(path) ||
           (m_hooks.identifiedProgram && m_hooks.identifiedProgram(path));
}

void OpenRemoteEntry(const SyncService& sync, std::string_view address, Openers& openers,
                     Messages& messages) {
    const RemoteHistory* remote = sync.Remote();
    const int index = sync.FindRemote(address);
    if (remote == nullptr || index < 0) {
        return;
    }
    const TMyDoc& doc = remote->Docs()[static_cast<std::size_t>(index)];
    const RemoteOpening opening = HowRemoteEntryOpens(
        doc, [](const std::string& path) { return FileExists(path) || DirectoryExists(path); },
        [&sync](std::string_view path) { return sync.IdentifiedProgram(path); });
    switch (opening.way) {
        case RemoteOpening::Way::Open:
            openers.OpenDoc(opening.target, doc.DisplayName);
            return;
        case RemoteOpening::Way::Launch:
            openers.LaunchProgram(opening.target);
            return;
        case RemoteOpening::Way::Elsewhere:
            messages.Show(ElsewhereText(remote->MachinesOf(index)), openers.texts().caption,
                          Messages::Icon::Information);
            return;
    }
}

int RemoteImageIndex(const TMyDoc& doc) {
    switch (doc.DocType) {
        case dkWebPage:
            return kImageWebPage;
        case dkSoftware:
            return kImageMissingProgram;
        default:
            return kImageFolderOrFile;
    }
}

RemoteOpening HowRemoteEntryOpens(const TMyDoc& doc,
                                  const std::function<bool(const std::string&)>& pathExists,
                                  const std::function<bool(std::string_view)>& identifiedProgram) {
    RemoteOpening opening;
    const std::string low = AsciiLower(Trim(doc.Path));
    // Whatever kind the other machine says it is: only a web address is a page.
    if (StartsWith(low, "http://") || StartsWith(low, "https://")) {
        opening.way = RemoteOpening::Way::Open;
        opening.target = doc.Path;
        return opening;
    }
    if (doc.DocType == dkSoftware) {
        // Only a program this machine knows as one is ever started, and only where it is.
        const std::string path(Trim(doc.Path));
        if (!path.empty() && pathExists(path) && identifiedProgram(path)) {
            opening.way = RemoteOpening::Way::Launch;
            opening.target = path;
        }
        return opening;
    }
    // A folder or file: its local path, in whichever form the entry carries it; a share
    // reached by address is the same share from every machine.
    if (IsRemoteFolderAddress(doc.Path)) {
        opening.way = RemoteOpening::Way::Open;
        opening.target = doc.Path;
        return opening;
    }
    const std::string fromAddress =
        IsPosixFileAddress(doc.Path) ? LocalPathForAddDoc(doc.Path) : std::string();
    for (const std::string* candidate : {&doc.DisplayName, &doc.Path, &fromAddress}) {
        if (StartsWith(*candidate, "/") && pathExists(*candidate)) {
            opening.way = RemoteOpening::Way::Open;
            opening.target = *candidate;
            break;
        }
    }
    return opening;
}

std::string JoinMachineNames(const std::vector<std::string>& machines) {
    std::string joined;
    for (const std::string& name : machines) {
        if (!joined.empty()) {
            joined += "、";
        }
        joined += name;
    }
    return joined;
}

std::string ElsewhereText(const std::vector<std::string>& machines) {
    return "该项在 " + JoinMachineNames(machines) + " 上";
}

}  // namespace qarvex
