#include "store/history.h"

#include <algorithm>
#include <exception>
#include <unordered_set>
#include <utility>

#include "store/address_rules.h"
#include "store/atomic_file.h"
#include "store/docs_section.h"
#include "store/guarded.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

// A trim leaves this share of the bound free.
constexpr std::size_t kTrimPercent = 99;

// The scan must not add entries while the table is emptied and rebuilt; the timer comes
// back on however the rebuild ends.
class ScanTimerPause {
public:
    explicit ScanTimerPause(const History::ScanTimerHook& hook) : m_hook(hook) { Set(false); }
    ~ScanTimerPause() { Set(true); }
    ScanTimerPause(const ScanTimerPause&) = delete;
    ScanTimerPause& operator=(const ScanTimerPause&) = delete;

private:
    void Set(bool on) noexcept {
        Guarded([&] {
            if (m_hook) {
                m_hook(on);
            }
        });
    }

    const History::ScanTimerHook& m_hook;
};

// Tells the hook once the entry's nodes are in place, however AddDoc ends.
class AddedNotice {
public:
    AddedNotice(const History::DocsChangedHook& hook, int index) : m_hook(hook), m_index(index) {}
    ~AddedNotice() {
        Guarded([&] {
            if (m_hook) {
                m_hook(m_index);
            }
        });
    }
    AddedNotice(const AddedNotice&) = delete;
    AddedNotice& operator=(const AddedNotice&) = delete;

private:
    const History::DocsChangedHook& m_hook;
    int m_index;
};

// Tells the views that much of the history changes, so that they catch up once at the end.
class BulkNotice {
public:
    explicit BulkNotice(const History::BulkChangeHook& hook) : m_hook(hook) { Set(true); }
    ~BulkNotice() { Set(false); }
    BulkNotice(const BulkNotice&) = delete;
    BulkNotice& operator=(const BulkNotice&) = delete;

private:
    void Set(bool begins) noexcept {
        Guarded([&] {
            if (m_hook) {
                m_hook(begins);
            }
        });
    }

    const History::BulkChangeHook& m_hook;
};

void AddToIndex(std::unordered_map<std::string, int>& index, const std::string& key) {
    ++index[key];
}

// A page recorded before its title was known carries its address as its name.
bool IsBareAddressName(const TMyDoc& doc, std::string_view rawAddress) {
    const std::string name = Trim(doc.DisplayName);
    return name.empty() || name == doc.Path || name == rawAddress ||
           ReplaceAll(name, "%20", " ") == doc.Path;
}

// POSIX file systems tell "/home/u/Docs" from "/home/u/docs": those are two groups. Hosts
// and drive letters keep the old case-blind match.
HistoryNode* FindGroup(HistoryTree& tree, const std::string& root) {
    if (!StartsWith(root, "/")) {
        return FindTopLevelByText(tree, root, true);
    }
    HistoryNode* node = tree.FindTopLevel(root, false);
    if (node != nullptr) {
        tree.MakeVisible(node);
    }
    return node;
}

}  // namespace

// Collects the recent-list additions of a load or rebuild and applies them when it ends,
// with the same outcome as adding them one by one: an address already in the list, or
// added earlier in the batch, is skipped, and the last one added ends up on top.
class History::RecentBatch {
public:
    explicit RecentBatch(History& history) : m_history(history) {
        if (m_history.m_recentBatch == nullptr) {
            m_history.m_recentBatch = &m_pending;
            m_owner = true;
        }
    }
    ~RecentBatch() {
        if (!m_owner) {
            return;
        }
        m_history.m_recentBatch = nullptr;
        Guarded([&] { Apply(); });
    }
    RecentBatch(const RecentBatch&) = delete;
    RecentBatch& operator=(const RecentBatch&) = delete;

private:
    void Apply() {
        if (m_pending.empty()) {
            return;
        }
        StoredList& recent = m_history.m_recent;
        std::unordered_set<std::string_view> known;
        for (const std::string& line : recent.Lines()) {
            const std::size_t separator = line.find(kListSeparator);
            if (separator != std::string::npos) {
                known.insert(std::string_view(line).substr(0, separator));
            }
        }
        std::vector<const std::pair<std::string, std::string>*> added;
        for (const auto& entry : m_pending) {
            if (known.insert(entry.first).second) {
                added.push_back(&entry);
            }
        }
        if (added.empty()) {
            return;
        }
        // The list keeps its newest lines only, as its file does.
        const auto limit = static_cast<std::size_t>(kMaxListLines);
        const std::size_t fresh = std::min(added.size(), limit);
        const std::size_t old = std::min(recent.Lines().size(), limit - fresh);
        std::vector<std::string> lines;
        std::vector<std::string> items;
        lines.reserve(fresh + old);
        items.reserve(fresh + std::min(recent.Items().size(), old));
        for (auto it = added.rbegin(); it != added.rbegin() + static_cast<std::ptrdiff_t>(fresh);
             ++it) {
            lines.push_back(MakeListLine((*it)->first, (*it)->second));
            items.push_back((*it)->second);
        }
        lines.insert(lines.end(), recent.Lines().begin(),
                     recent.Lines().begin() + static_cast<std::ptrdiff_t>(old));
        items.insert(items.end(), recent.Items().begin(),
                     recent.Items().begin() +
                         static_cast<std::ptrdiff_t>(std::min(recent.Items().size(), old)));
        recent.SetLines(std::move(lines));
        recent.SetItems(std::move(items));
    }

    History& m_history;
    bool m_owner = false;
    std::vector<std::pair<std::string, std::string>> m_pending;
};

// Stored entries replayed into the table (the load, a rebuild) keep the names and addresses
// they were stored with: the bounds on a new sighting and a later title do not apply.
class History::Replay {
public:
    explicit Replay(History& history) : m_history(history) { ++m_history.m_replayDepth; }
    ~Replay() {
        // The other views catch up once, not once per entry.
        if (--m_history.m_replayDepth == 0 && m_history.m_docsChanged) {
            Guarded([&] { m_history.m_docsChanged(kDocsReplaced); });
        }
    }
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

private:
    History& m_history;
};

History::History(IniFile& settings, StoredList& recent, Clock today, ProgramIcons* icons,
                 std::string home, FileExistsFunction fileExists)
    : m_ini(settings),
      m_recent(recent),
      m_today(std::move(today)),
      m_icons(icons),
      m_home(std::move(home)),
      m_fileExists(std::move(fileExists)) {
    if (!m_fileExists) {
        m_fileExists = [](const std::string& path) { return FileExists(path); };
    }
}

History::~History() = default;

void History::IndexEntry(const TMyDoc& doc, int index) {
    m_pathIndex.emplace(Trim(doc.Path), index);
    AddToIndex(m_rootIndex, Trim(doc.RootPath));
}

int History::IndexOfPath(const std::string& trimmedPath) const {
    if (m_useIndex) {
        const auto found = m_pathIndex.find(trimmedPath);
        return found == m_pathIndex.end() ? -1 : found->second;
    }
    for (std::size_t n = 0; n < m_docs.size(); ++n) {
        if (Trim(m_docs[n].Path) == trimmedPath) {
            return static_cast<int>(n);
        }
    }
    return -1;
}

bool History::PathKnown(const std::string& path) const {
    const std::string wanted = Trim(path);
    if (m_useIndex) {
        return m_pathIndex.count(wanted) > 0;
    }
    return std::any_of(m_docs.begin(), m_docs.end(),
                       [&wanted](const TMyDoc& doc) { return Trim(doc.Path) == wanted; });
}

bool History::IsDocKnown(std::string_view address) const {
    if (IsDriveRoot(address)) {
        return true;
    }
    if (PathKnown(LocalPathForIsDocKnown(address))) {
        return true;
    }
    // The duplicate test used to compare a slightly different form than the one AddDoc
    // stores ("C:\a\\b" against "C:\a\b"), so such folders were recorded again on every
    // scan. Comparing the stored form as well keeps one entry per Path.
    return IsFileAddress(address) && PathKnown(LocalPathForAddDoc(address));
}

bool History::RootExists(std::string_view root) const {
    const std::string wanted = Trim(root);
    if (m_useIndex) {
        return m_rootIndex.count(wanted) > 0;
    }
    return std::any_of(m_docs.begin(), m_docs.end(),
                       [&wanted](const TMyDoc& doc) { return Trim(doc.RootPath) == wanted; });
}

bool History::IsProgramPath(std::string_view path) const {
    const std::string wanted = Trim(path);
    if (wanted.empty() || (m_useIndex && m_pathIndex.count(wanted) == 0)) {
        return false;
    }
    return std::any_of(m_docs.begin(), m_docs.end(), [&wanted](const TMyDoc& doc) {
        return doc.DocType == dkSoftware && Trim(doc.Path) == wanted;
    });
}

int History::SoftwareImageIndex(const std::string& programPath, const std::string& name) {
    if (!m_fileExists(programPath)) {
        return kImageMissingProgram;
    }
    if (name == "我的电脑") {
        return kImageMyComputer;
    }
    if (name == "桌面") {
        return kImageDesktop;
    }
    if (name == "网上邻居" || name == "控制面板") {
        return kImageNetworkOrControlPanel;
    }
    if (name == "我的文档") {
        return kImageMyDocuments;
    }
    if (m_iconCounter == 0) {
        m_iconCounter = kFirstIconCounter;
    }
    // A position is taken only when an icon really went there; otherwise the entries
    // after it would point at their neighbours' icons.
    const int position = m_iconCounter + 1;
    bool inserted = false;
    try {
        inserted = m_icons != nullptr && m_icons->InsertProgramIcon(programPath, position);
    } catch (...) {
        inserted = false;
    }
    if (!inserted) {
        return kImageMissingProgram;
    }
    m_iconCounter = position;
    return position;
}

void History::SaveDocToIni(int index, std::string_view name) {
    if (index < 0 || index >= static_cast<int>(m_docs.size())) {
        return;
    }
    qarvex::SaveDocToIni(m_ini, index, m_docs[static_cast<std::size_t>(index)], name);
}

void History::AddDoc(std::string_view address, std::string_view name, std::string_view date,
                     bool software) {
    Record(address, name, date, software);
    // A pass, a load and a rebuild trim once, when they end.
    if (m_replayDepth == 0 && m_passDepth == 0) {
        TrimToLimits();
    }
}

void History::Record(std::string_view address, std::string_view name, std::string_view date,
                     bool software) {
    Guarded([&] {
        std::string trimmedName = Trim(name);
        const std::string rawAddress = Trim(address);
        if (rawAddress.empty() || trimmedName.empty()) {
            return;
        }
        const bool sighting = m_replayDepth == 0;
        if (sighting) {
            if (rawAddress.size() > kMaxRecordedAddressBytes) {
                return;
            }
            trimmedName = Trim(CutToChars(trimmedName, kMaxRecordedNameChars));
        }
        const std::string addr = ReplaceAll(rawAddress, "%20", " ");
        if (IsRejectedAddress(addr)) {
            return;
        }
        if (IsDocKnown(addr)) {
            if (sighting && !software) {
                TakeLaterTitle(addr, rawAddress, trimmedName);
            }
            return;
        }
        const std::string root = Trim(DeriveRootPath(addr, m_home, m_mounts));
        if (!software && root.empty()) {
            return;
        }

        const int i = static_cast<int>(m_docs.size());
        const bool newRoot = software || !RootExists(root);
        TMyDoc doc;
        doc.DocType = KindOf(addr, software);
        if (doc.DocType == dkFolderOrFile) {
            doc.Path = LocalPathForAddDoc(addr);
            doc.DisplayName = doc.Path;
        } else {
            doc.Path = addr;
            doc.DisplayName = trimmedName;
        }
        doc.RootPath = root;
        doc.Date = date.empty() ? (m_today ? m_today() : std::string()) : std::string(date);
        m_docs.push_back(doc);
        const AddedNotice notice(m_replayDepth == 0 ? m_docsChanged : m_noNotice, i);
        IndexEntry(doc, i);
        const auto kind = static_cast<DocKind>(doc.DocType);

        HistoryNode* docsParent = nullptr;
        HistoryNode* kindParent = nullptr;
        if (newRoot) {
            const std::string caption = root.empty() ? trimmedName : root;
            int image = kImageFolderOrFile;
            if (kind == dkWebPage) {
                image = kImageWebPage;
            } else if (kind == dkSoftware) {
                image = SoftwareImageIndex(addr, trimmedName);
            }
            docsParent = m_tvDocs.InsertFirst(caption, image, i);
            if (kind == dkWebPage) {
                kindParent = m_tvDoc.InsertFirst(caption, image, i);
            } else if (kind == dkSoftware) {
                kindParent = m_tvApp.InsertFirst(caption, image, i);
            } else {
                kindParent = m_tvPath.InsertFirst(caption, image, i);
            }
        } else {
            // Groups are top-level nodes; a page whose title happens to equal a host name
            // must not become the parent of that host's pages.
            docsParent = FindGroup(m_tvDocs, root);
            HistoryNode* webParent = FindGroup(m_tvDoc, root);
            HistoryNode* pathParent = FindGroup(m_tvPath, root);
            kindParent = kind == dkWebPage ? webParent : pathParent;
        }

        AddToRecent(addr, trimmedName);
        if (m_storedKeys == nullptr || m_storedKeysIndex != i ||
            !StoredKeysHold(*m_storedKeys, m_docs.back(), trimmedName)) {
            SaveDocToIni(i, trimmedName);
        }

        if (software) {
            return;
        }
        const std::string childText = ChildTextForAddDoc(addr, kind, root);
        if (childText.empty()) {
            return;
        }
        const bool web = kind == dkWebPage;
        const std::string& caption = web ? trimmedName : childText;
        const int image = web ? kImageWebPage : kImageFolderOrFile;
        HistoryTree& kindTree = web ? m_tvDoc : m_tvPath;
        // A group node the user removed from one tree leaves its later entries at the
        // bottom of that tree's top level.
        if (docsParent != nullptr) {
            m_tvDocs.AppendChild(docsParent, caption, image, i);
        } else {
            m_tvDocs.AppendTopLevel(caption, image, i);
        }
        if (kindParent != nullptr) {
            kindTree.AppendChild(kindParent, caption, image, i);
        } else {
            kindTree.AppendTopLevel(caption, image, i);
        }
    });
}

void History::AddToRecent(const std::string& address, const std::string& name) {
    if (!m_recordRecent) {
        return;
    }
    if (m_recentBatch == nullptr) {
        AddMyRecent(m_recent, address, name);
        return;
    }
    try {
        m_recentBatch->emplace_back(CutFileUrl(address, false), CutFileUrl(name, false));
    } catch (const std::exception&) {
    }
}

void History::ResetAll() {
    m_tvDocs.Clear();
    m_tvApp.Clear();
    m_tvPath.Clear();
    m_tvDoc.Clear();
    m_docs.clear();
    m_pathIndex.clear();
    m_rootIndex.clear();
    if (m_docsChanged) {
        m_docsChanged(-1);
    }
}

void History::LoadHistory() {
    Guarded([&] {
        // Every entry is written back under its compacted index; one replace at the end
        // instead of one per entry.
        IniFile::Batch batch(m_ini);
        RecentBatch recent(*this);
        {
            const Replay replay(*this);
            ResetAll();
            // Over the count bound the oldest are not even replayed. Each entry has six
            // keys, so a section with fewer keys than that holds no more than the bound.
            int first = 0;
            if (m_limits.maxDocs > 0 && m_ini.KeyCount(kDocsSection) > 6 * m_limits.maxDocs) {
                int stored = 0;
                while (!StoredDocPath(m_ini, stored).empty()) {
                    ++stored;
                }
                if (static_cast<std::size_t>(stored) > m_limits.maxDocs) {
                    first = stored - static_cast<int>(m_limits.maxDocs * kTrimPercent / 100);
                }
            }
            m_pathIndex.reserve(m_ini.KeyCount(kDocsSection) / 6);
            int end = first;
            int failures = 0;
            for (; failures < 100; ++end) {
                try {
                    const StoredDocKeys keys = ReadDocKeys(m_ini, end);
                    if (keys.Path.empty()) {
                        break;
                    }
                    const int n = end;
                    // "needremoveurl" is not obeyed: it used to drop every stored web page
                    // once the history passed 1000 entries. An entry that keeps its index
                    // and its values is not written again.
                    m_storedKeys = &keys;
                    m_storedKeysIndex = n;
                    AddDoc(keys.Path, keys.Name, keys.Date, keys.DocType == dkSoftware);
                    m_storedKeys = nullptr;
                    failures = 0;
                } catch (const std::exception&) {
                    // One entry that cannot be read is passed over; memory running out for
                    // entry after entry ends the load.
                    m_storedKeys = nullptr;
                    ++failures;
                }
            }
            // The key sets above the compacted ones would otherwise be read again at the
            // next start, and a later bound or trim would count them as entries.
            EraseDocKeysFrom(m_ini, static_cast<int>(m_docs.size()), end);
        }
        TrimToLimits();
    });
}

void History::BeginRecordingPass() {
    if (m_passDepth++ == 0) {
        m_pass.emplace(m_ini);
        m_passRecent = std::make_unique<RecentBatch>(*this);
    }
}

void History::EndRecordingPass() noexcept {
    if (m_passDepth > 0 && --m_passDepth == 0) {
        Guarded([&] {
            m_passRecent.reset();
            // The trim joins the pass's one write.
            TrimToLimits();
            m_pass.reset();
        });
    }
}

std::size_t History::ExcessOverLimits() const {
    const std::size_t count = m_docs.size();
    std::size_t excess = 0;
    if (m_limits.maxDocs > 0 && count > m_limits.maxDocs) {
        excess = count - m_limits.maxDocs * kTrimPercent / 100;
    }
    if (m_limits.maxFileBytes > 0 && m_ini.StoredSizeBound() > m_limits.maxFileBytes) {
        const std::size_t size = m_ini.StoredSize();
        if (size > m_limits.maxFileBytes) {
            const std::size_t target = m_limits.maxFileBytes * kTrimPercent / 100;
            std::size_t freed = 0;
            std::size_t n = 0;
            while (n < count && (n < excess || size - freed > target)) {
                freed = std::min(size, freed + StoredDocBytes(m_ini, static_cast<int>(n)));
                ++n;
            }
            excess = std::max(excess, n);
        }
    }
    return std::min(excess, count);
}

void History::TrimToLimits() {
    if (m_trimming || m_replayDepth > 0) {
        return;
    }
    Guarded([&] {
        const std::size_t excess = ExcessOverLimits();
        if (excess > 0) {
            RemoveOldest(excess);
        }
    });
}

void History::RemoveOldest(std::size_t count) {
    m_trimming = true;
    const BulkNotice bulk(m_bulkChange);
    Guarded([&] {
        DocTable survivors(m_docs.begin() + static_cast<std::ptrdiff_t>(count), m_docs.end());
        Rebuild(std::move(survivors), static_cast<int>(count), false);
    });
    m_trimming = false;
}

void History::Rebuild(DocTable survivors, int removed, bool toRecent) {
    // Positions up to the counter's start belong to the fixed pictures.
    m_iconCounter = std::max(kFirstIconCounter, m_iconCounter - removed);
    // Erasing and rewriting in one replace: a crash half-way must not leave the stored
    // history empty.
    IniFile::Batch batch(m_ini);
    RecentBatch recent(*this);
    const Replay replay(*this);
    // Entries going away by age are not recent ones; the rest are in the recent list or
    // were dropped from it long ago.
    const bool wasRecording = m_recordRecent;
    m_recordRecent = toRecent;
    ResetAll();
    EraseDocsSection(m_ini);
    m_pathIndex.reserve(survivors.size());
    for (const TMyDoc& doc : survivors) {
        const std::string address =
            doc.DocType == dkFolderOrFile ? StoredPathForIni(doc.Path) : doc.Path;
        const std::size_t before = m_docs.size();
        AddDoc(address, doc.DisplayName, doc.Date, doc.DocType == dkSoftware);
        // The reopen mark lives only in memory until the settings are saved; a
        // deletion elsewhere in the table must not clear it.
        if (m_docs.size() > before) {
            m_docs.back().Selected = doc.Selected;
        }
    }
    m_recordRecent = wasRecording;
}

void History::TakeLaterTitle(const std::string& address, std::string_view rawAddress,
                             const std::string& title) {
    const int index = IndexOfPath(Trim(address));
    if (index < 0) {
        return;
    }
    TMyDoc& doc = m_docs[static_cast<std::size_t>(index)];
    if (doc.DocType != dkWebPage || !IsBareAddressName(doc, rawAddress) || title == rawAddress ||
        title == doc.Path || title == doc.DisplayName) {
        return;
    }
    const std::string old = doc.DisplayName;
    doc.DisplayName = title;
    for (HistoryTree* tree : {&m_tvDocs, &m_tvDoc}) {
        RenameNodes(*tree, index, old, title);
    }
    RenameInRecent(address, old, title);
    WriteDocName(m_ini, index, title);
    if (m_docRenamed) {
        m_docRenamed(index);
    }
}

void History::RenameNodes(HistoryTree& tree, int index, const std::string& from,
                          const std::string& to) {
    std::vector<HistoryNode*> nodes;
    tree.Walk([&](HistoryNode& node) {
        if (node.Data().DocIndex == index && node.Caption() == from) {
            nodes.push_back(&node);
        }
        return true;
    });
    for (HistoryNode* node : nodes) {
        tree.SetCaption(node, to);
    }
}

void History::RenameInRecent(const std::string& address, const std::string& from,
                             const std::string& to) {
    const std::string path = CutFileUrl(address, false);
    if (m_recentBatch != nullptr) {
        for (auto& pending : *m_recentBatch) {
            if (pending.first == path && pending.second == from) {
                pending.second = to;
            }
        }
    }
    const std::vector<std::string>& lines = m_recent.Lines();
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const TMyDocObj line = ParseListLine(lines[n]);
        if (line.Path == path && line.Name == from) {
            m_recent.SetLine(static_cast<int>(n), MakeListLine(path, to));
            if (n < m_recent.Items().size() && m_recent.Items()[n] == from) {
                m_recent.SetItem(static_cast<int>(n), to);
            }
            return;
        }
    }
}

void History::FinishRecordingPass() noexcept {
    if (m_passDepth > 0) {
        m_passDepth = 1;
        EndRecordingPass();
    }
}

void History::MarkSelectedDocs(const std::vector<int>& selectedDocIndexes) {
    for (const int index : selectedDocIndexes) {
        if (index >= 0 && index < static_cast<int>(m_docs.size())) {
            m_docs[static_cast<std::size_t>(index)].Selected = 1;
        }
    }
}

void History::SetSelected(int index, bool selected) {
    if (index >= 0 && index < static_cast<int>(m_docs.size())) {
        m_docs[static_cast<std::size_t>(index)].Selected = selected ? 1 : 0;
    }
}

void History::DeleteSelectDocs(int index) {
    DeleteDocs({index});
}

void History::DeleteDocs(const std::vector<int>& indexes) {
    std::vector<bool> doomed(m_docs.size(), false);
    int count = 0;
    for (const int index : indexes) {
        if (index >= 0 && index < static_cast<int>(m_docs.size()) &&
            !doomed[static_cast<std::size_t>(index)]) {
            doomed[static_cast<std::size_t>(index)] = true;
            ++count;
        }
    }
    if (count == 0) {
        return;
    }
    Guarded([&] {
        DocTable survivors;
        survivors.reserve(m_docs.size());
        for (std::size_t n = 0; n < m_docs.size(); ++n) {
            if (!doomed[n]) {
                survivors.push_back(m_docs[n]);
            }
        }
        ScanTimerPause pause(m_setScanTimer);
        Rebuild(std::move(survivors), count, true);
    });
}

void History::DeleteAllDocs() {
    Guarded([&] {
        ScanTimerPause pause(m_setScanTimer);
        m_iconCounter = kFirstIconCounter;
        ResetAll();
        if (m_recentBatch != nullptr) {
            m_recentBatch->clear();  // entries a running pass recorded are gone with the rest
        }
        m_recent.Clear();
        EraseDocsSection(m_ini);
    });
}

}  // namespace qarvex
