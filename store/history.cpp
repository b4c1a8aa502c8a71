#include "store/history.h"

#include <algorithm>
#include <exception>
#include <unordered_set>
#include <utility>

#include "capture/address_rules.h"
#include "store/atomic_file.h"
#include "store/docs_section.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

constexpr int kMaxStoredKeys = 1000;

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
        try {
            if (m_hook) {
                m_hook(on);
            }
        } catch (...) {
        }
    }

    const History::ScanTimerHook& m_hook;
};

// Tells the hook once the entry's nodes are in place, however AddDoc ends.
class AddedNotice {
public:
    AddedNotice(const History::DocsChangedHook& hook, int index) : m_hook(hook), m_index(index) {}
    ~AddedNotice() {
        try {
            if (m_hook) {
                m_hook(m_index);
            }
        } catch (...) {
        }
    }
    AddedNotice(const AddedNotice&) = delete;
    AddedNotice& operator=(const AddedNotice&) = delete;

private:
    const History::DocsChangedHook& m_hook;
    int m_index;
};

void AddToIndex(std::unordered_map<std::string, int>& index, const std::string& key) {
    ++index[key];
}

// POSIX file systems tell "/home/u/Docs" from "/home/u/docs": those are two groups. Hosts
// and drive letters keep the old case-blind match.
HistoryNode* FindGroup(HistoryTree& tree, const std::string& root) {
    if (!StartsWith(root, "/")) {
        return FindTopLevelByText(tree, root, true);
    }
    for (int row = 0; row < tree.TopLevelCount(); ++row) {
        HistoryNode* node = tree.TopLevel(row);
        if (node->Caption() == root) {
            tree.MakeVisible(node);
            return node;
        }
    }
    return nullptr;
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
        try {
            Apply();
        } catch (...) {
        }
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
        std::vector<std::string> lines;
        std::vector<std::string> items;
        lines.reserve(added.size() + recent.Lines().size());
        items.reserve(added.size() + recent.Items().size());
        for (auto it = added.rbegin(); it != added.rend(); ++it) {
            lines.push_back(MakeListLine((*it)->first, (*it)->second));
            items.push_back((*it)->second);
        }
        lines.insert(lines.end(), recent.Lines().begin(), recent.Lines().end());
        items.insert(items.end(), recent.Items().begin(), recent.Items().end());
        recent.SetLines(std::move(lines));
        recent.SetItems(std::move(items));
    }

    History& m_history;
    bool m_owner = false;
    std::vector<std::pair<std::string, std::string>> m_pending;
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

void History::IndexEntry(const TMyDoc& doc) {
    AddToIndex(m_pathIndex, Trim(doc.Path));
    AddToIndex(m_rootIndex, Trim(doc.RootPath));
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
    try {
        const std::string trimmedName = Trim(name);
        std::string addr = Trim(address);
        if (addr.empty() || trimmedName.empty()) {
            return;
        }
        addr = ReplaceAll(addr, "%20", " ");
        if (IsRejectedAddress(addr) || IsDocKnown(addr)) {
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
        const AddedNotice notice(m_docsChanged, i);
        IndexEntry(doc);
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
        SaveDocToIni(i, trimmedName);

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
    } catch (...) {
    }
}

void History::AddToRecent(const std::string& address, const std::string& name) {
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
    try {
        // Every entry is written back under its compacted index; one replace at the end
        // instead of one per entry.
        IniFile::Batch batch(m_ini);
        RecentBatch recent(*this);
        ResetAll();
        const bool needRemoveUrl = m_ini.ReadBool("default", "needremoveurl", false);
        for (int n = 0; n < kMaxStoredKeys; ++n) {
            try {
                const StoredDocKeys keys = ReadDocKeys(m_ini, n);
                if (keys.Path.empty()) {
                    break;
                }
                if (IsDocKnown(keys.Path)) {
                    continue;
                }
                bool software = false;
                if (keys.DocType == dkSoftware) {
                    software = true;
                } else if (needRemoveUrl && keys.DocType == dkWebPage) {
                    continue;
                }
                AddDoc(keys.Path, keys.Name, keys.Date, software);
            } catch (const std::exception&) {
            }
        }
    } catch (...) {
    }
}

void History::BeginRecordingPass() {
    if (m_passDepth++ == 0) {
        m_pass.emplace(m_ini);
        m_passRecent = std::make_unique<RecentBatch>(*this);
    }
}

void History::EndRecordingPass() noexcept {
    if (m_passDepth > 0 && --m_passDepth == 0) {
        try {
            m_passRecent.reset();
            m_pass.reset();
        } catch (...) {
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
    try {
        DocTable survivors;
        survivors.reserve(m_docs.size());
        for (std::size_t n = 0; n < m_docs.size(); ++n) {
            if (!doomed[n]) {
                survivors.push_back(m_docs[n]);
            }
        }
        ScanTimerPause pause(m_setScanTimer);
        // Positions up to the counter's start belong to the fixed pictures.
        m_iconCounter = std::max(kFirstIconCounter, m_iconCounter - count);
        // Erasing and rewriting in one replace: a crash half-way must not leave the
        // stored history empty.
        IniFile::Batch batch(m_ini);
        RecentBatch recent(*this);
        ResetAll();
        EraseDocsSection(m_ini);
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
    } catch (...) {
    }
}

void History::DeleteAllDocs() {
    try {
        ScanTimerPause pause(m_setScanTimer);
        m_iconCounter = kFirstIconCounter;
        ResetAll();
        if (m_recentBatch != nullptr) {
            m_recentBatch->clear();  // entries a running pass recorded are gone with the rest
        }
        m_recent.Clear();
        EraseDocsSection(m_ini);
    } catch (...) {
    }
}

}  // namespace qarvex
