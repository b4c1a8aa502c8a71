#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/doc_search.h"
#include "store/doc_table.h"
#include "store/history_tree.h"
#include "store/ini_file.h"

namespace qarvex {

class IniFile;
class MountTable;
struct StoredDocKeys;
class StoredList;

// Inserts a program's icon into the trees' shared image list.
class ProgramIcons {
public:
    ProgramIcons() = default;
    virtual ~ProgramIcons() = default;
    ProgramIcons(const ProgramIcons&) = delete;
    ProgramIcons& operator=(const ProgramIcons&) = delete;

    // Inserts the icon of the program file at position (later images move up by one);
    // false when the program has no usable icon, in which case nothing was inserted.
    virtual bool InsertProgramIcon(const std::string& programPath, int position) = 0;
};

// Image list positions used by the history trees.
inline constexpr int kImageFolderOrFile = 0;
inline constexpr int kImageMissingProgram = 1;
inline constexpr int kImageWebPage = 2;
inline constexpr int kImageNetworkOrControlPanel = 5;
inline constexpr int kImageMyComputer = 6;
inline constexpr int kImageMyDocuments = 8;
inline constexpr int kImageDesktop = 9;
inline constexpr int kFirstIconCounter = 10;  // program icons go above this position

// What one new sighting may bring: a longer address (a data: URL, a tracking blob) is not
// recorded, a longer name is cut at a character boundary.
inline constexpr std::size_t kMaxRecordedAddressBytes = 8 * 1024;
inline constexpr std::size_t kMaxRecordedNameChars = 1024;
// The settings file stays well below the size at which no stored file is read any more.
inline constexpr std::size_t kMaxHistoryFileBytes = 48u * 1024u * 1024u;

// How much history is kept. Above either bound the oldest entries go, in one batch that
// leaves 1% of room, so that recording at the bound does not trim at every pass.
struct HistoryLimits {
    std::size_t maxDocs = 100000;  // 0: no limit on the count
    std::size_t maxFileBytes = kMaxHistoryFileBytes;
};

// The remembered documents: the entry table, the four history trees and the "docs"
// section of the settings file, kept in step.
class History {
public:
    using Clock = std::function<std::string()>;  // today as "yyyy-mm-dd"
    using FileExistsFunction = std::function<bool(const std::string&)>;
    using ScanTimerHook = std::function<void(bool on)>;
    // Told of every entry appended (its index), of every emptying of the table (-1) and of
    // every rebuild of the whole table (kDocsReplaced: a load, a deletion, a trim), so that
    // other views of the history can follow it.
    using DocsChangedHook = std::function<void(int addedIndex)>;
    static constexpr int kDocsReplaced = -2;
    // Told when an entry's DisplayName changed (a page's title arrived after its address).
    using DocRenamedHook = std::function<void(int index)>;
    // true before and false after a change that rebuilds the trees on its own (a trim).
    using BulkChangeHook = std::function<void(bool begins)>;

    // fileExists defaults to the real file system. icons may be null.
    History(IniFile& settings, StoredList& recent, Clock today, ProgramIcons* icons,
            std::string home, FileExistsFunction fileExists = {});
    History(const History&) = delete;
    History& operator=(const History&) = delete;
    ~History();

    const DocTable& Docs() const { return m_docs; }
    // Today as the history's clock tells it ("yyyy-mm-dd").
    std::string Today() const { return m_today ? m_today() : std::string(); }
    // What the search matches each entry's name with besides its text (RankedMatches).
    const DocSearchIndex& SearchIndex() const { return m_searchIndex; }
    // Off, names get no pinyin forms (for comparison); applies to entries recorded later.
    void SetPinyinIndexing(bool on) { m_searchIndex.SetPinyin(on); }
    // The picture the trees show for the entry (a program's own icon), or the folder
    // picture for an unknown index.
    int ImageIndexOf(int index) const;
    HistoryTree& TVDocs() { return m_tvDocs; }
    HistoryTree& TVDoc() { return m_tvDoc; }
    HistoryTree& TVApp() { return m_tvApp; }
    HistoryTree& TVPath() { return m_tvPath; }
    int IconCounter() const { return m_iconCounter; }

    // The file systems POSIX paths outside the home folder are grouped by; without one
    // (the default) they group by their first folder below the root. The table must
    // outlive the history.
    void SetMountTable(MountTable* mounts) { m_mounts = mounts; }

    // Switches the periodic scan off before a deletion rebuilds the history and on after.
    void SetScanTimerHook(ScanTimerHook hook) { m_setScanTimer = std::move(hook); }
    void SetDocsChangedHook(DocsChangedHook hook) { m_docsChanged = std::move(hook); }
    void SetDocRenamedHook(DocRenamedHook hook) { m_docRenamed = std::move(hook); }
    void SetBulkChangeHook(BulkChangeHook hook) { m_bulkChange = std::move(hook); }

    // Applies from the next recording on; a history already over them is trimmed then.
    void SetLimits(HistoryLimits limits) { m_limits = limits; }
    const HistoryLimits& Limits() const { return m_limits; }
    // Trims a history over its limits now (a running pass does it when it ends).
    void ApplyLimits() {
        if (m_passDepth == 0) {
            TrimToLimits();
        }
    }

    // Records one document unless it is rejected, already known or has no group. date is
    // empty for a new sighting (today is used). A sighting of a known web page whose name
    // is still its bare address gives it the sighting's title. Never throws.
    void AddDoc(std::string_view address, std::string_view name, std::string_view date,
                bool software);
    // The user opened something: when it is an entry (the address or local path of one),
    // the entry counts one more use, today. Never throws.
    void NoteOpened(std::string_view address);
    // A bare drive root, or an address whose local form is already the Path of an entry.
    bool IsDocKnown(std::string_view address) const;
    bool RootExists(std::string_view root) const;
    // True when an entry of kind software has this Path (blanks at the ends ignored):
    // the one kind of entry that may ever be started as a program.
    bool IsProgramPath(std::string_view path) const;
    int SoftwareImageIndex(const std::string& programPath, const std::string& name);

    // A scan pass records its sightings between these: the settings file is replaced once,
    // when the outermost pass ends, instead of once per entry (a crash loses at most the
    // pass in progress), and the recent list gets the pass's entries then, at once. Nested
    // passes join the outer one.
    void BeginRecordingPass();
    void EndRecordingPass() noexcept;
    // The process ends inside a pass (the X server went away and Qt calls exit()): what
    // the pass found goes to the recent list and the settings file now, as its end would
    // have done. Later ends of the pass do nothing.
    void FinishRecordingPass() noexcept;

    // Replays every stored entry through AddDoc, rewriting the history compacted and within
    // its limits. Never throws.
    void LoadHistory();
    void SaveDocToIni(int index, std::string_view name);
    // Marks the entries for reopening; never clears a mark. Unknown indexes are ignored.
    void MarkSelectedDocs(const std::vector<int>& selectedDocIndexes);
    // Sets or clears one entry's reopen mark; an unknown index does nothing.
    void SetSelected(int index, bool selected);

    // Removes one entry and records the others again; an unknown index does nothing.
    void DeleteSelectDocs(int index);
    // Removes several entries with one rebuild; unknown indexes are ignored.
    void DeleteDocs(const std::vector<int>& indexes);
    void DeleteAllDocs();

    // The path and root tests use hash indexes; switching them off gives the plain scans
    // (the same results) for comparison.
    void SetUseIndex(bool use) { m_useIndex = use; }

private:
    // While the history is loaded or rebuilt, the recent list gets its additions at once at
    // the end instead of one search and one insertion per entry.
    class RecentBatch;

    // Marks the replay of stored entries (load, rebuild): they keep what they hold.
    class Replay;

    void Record(std::string_view address, std::string_view name, std::string_view date,
                bool software);
    void ResetAll();
    void AddToRecent(const std::string& address, const std::string& name);
    void IndexEntry(const TMyDoc& doc, int index);
    bool PathKnown(const std::string& path) const;
    int IndexOfPath(const std::string& trimmedPath) const;
    // The entry an address or local path names, or -1.
    int IndexOfAddress(std::string_view address) const;
    // The entry was seen again today.
    void NoteSeen(int index);
    void TakeLaterTitle(const std::string& address, std::string_view rawAddress,
                        const std::string& title);
    void RenameNodes(HistoryTree& tree, int index, const std::string& from, const std::string& to);
    void RenameInRecent(const std::string& address, const std::string& from, const std::string& to);
    // How many of the oldest entries must go to bring the history within its limits.
    std::size_t ExcessOverLimits() const;
    void TrimToLimits();
    void RemoveOldest(std::size_t count);
    // Empties the table and records the survivors again, in one replace of the file.
    void Rebuild(DocTable survivors, int removed, bool toRecent);

    IniFile& m_ini;
    StoredList& m_recent;
    Clock m_today;
    ProgramIcons* m_icons;
    std::string m_home;
    MountTable* m_mounts = nullptr;
    FileExistsFunction m_fileExists;
    ScanTimerHook m_setScanTimer;
    DocsChangedHook m_docsChanged;
    const DocsChangedHook m_noNotice;
    DocRenamedHook m_docRenamed;
    BulkChangeHook m_bulkChange;
    bool m_recordRecent = true;
    HistoryLimits m_limits;
    int m_replayDepth = 0;
    // While the load replays one entry: what is stored under its old index.
    const StoredDocKeys* m_storedKeys = nullptr;
    int m_storedKeysIndex = -1;
    // While a stored or surviving entry is replayed: its use, which it keeps.
    const TMyDoc* m_replayedUse = nullptr;
    bool m_trimming = false;

    DocTable m_docs;
    std::vector<int> m_images;  // the picture of each entry, as its tree nodes have it
    DocSearchIndex m_searchIndex;
    HistoryTree m_tvDocs;
    HistoryTree m_tvDoc;
    HistoryTree m_tvApp;
    HistoryTree m_tvPath;
    int m_iconCounter = kFirstIconCounter;

    std::vector<std::pair<std::string, std::string>>* m_recentBatch = nullptr;
    int m_passDepth = 0;
    std::optional<IniFile::Batch> m_pass;
    std::unique_ptr<RecentBatch> m_passRecent;

    bool m_useIndex = true;
    std::unordered_map<std::string, int> m_pathIndex;  // trimmed Path -> its entry
    std::unordered_map<std::string, int> m_rootIndex;  // trimmed RootPath -> entries
};

}  // namespace qarvex
