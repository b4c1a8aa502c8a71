#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/desktop_windows.h"
#include "platform/recent_documents.h"
#include "platform/shell_windows.h"
#include "store/list_file.h"

namespace qarvex {

// Finds what the user has open (programs with visible windows, folder windows and
// web pages) and hands every sighting to the history, in a fixed order.
//
// Scans run on the UI thread and let pending events run between items, so a refresh
// can be asked for while one runs; such a request is ignored, which keeps the lists of
// the running scan from being emptied under it.
class Scanner {
public:
    struct History {
        std::function<void(const std::string& address, const std::string& name, bool software)>
            addDoc;
        std::function<bool(const std::string& address)> isDocKnown;
        // While recording is paused a scan hands over nothing. It looks at nothing either,
        // but for the recent-files lists: what they gain meanwhile is noted as seen, so it
        // is not recorded when the pause ends.
        std::function<bool()> isPaused;
        // Sightings the user asked never to record; they are dropped before addDoc.
        std::function<bool(const std::string& address, const std::string& name, bool software)>
            isExcluded;
        // Whether the recent-files lists are a source at all (on when unset).
        std::function<bool()> recordRecentFiles;
        // The history's bound on its entries (0: none), which bounds the first reading of
        // the recent-files lists too.
        std::function<std::size_t()> maxDocs;
        // The latest use of a recent-files document dealt with, kept across runs (ini
        // RecentFilesSeen; negative: note the next reading, record none of it).
        std::function<std::int64_t()> recentFilesSeen;
        std::function<void(std::int64_t)> setRecentFilesSeen;
    };

    // What the scan asks of the window it runs in.
    struct Hooks {
        std::function<void()> processEvents;  // let pending events run
        std::function<void(int ms)> pause;    // wait, keeping the event loop running
        std::function<void()> stepProgress;
        std::function<void(int)> setProgress;
        std::function<void()> expandCurrentTree;
        std::function<void(int page)> expandPageTree;  // 0 web, 1 software, 2 folders
        std::function<int()> visibleTab;
        // true when a pass begins, false when it ends: the history holds its writes
        // meanwhile and stores the whole pass at once.
        std::function<void(bool begins)> recordingPass;
    };

    Scanner(DesktopWindows& desktop, ShellWindows& shell, History history, Hooks hooks);

    // The desktop's recent-files lists, read with the shell windows; none when null. The
    // source must outlive the scanner.
    void SetRecentDocuments(RecentDocuments* source) { m_recent = source; }

    void RefreshAllDocs();
    void RefreshPageDocs();
    void ScanPrograms();
    void ScanShellWindows();
    // The documents the recent-files lists gained since they were last read, to the
    // history as file entries (remote ones as remote folders are).
    void ScanRecentFiles();
    void CollectOpenPrograms();
    void CollectShellWindows();  // throws ShellWindowsError when the walk fails part-way

    // (title, window) pairs of the visible, unowned, non-tool top-level windows.
    std::vector<std::pair<std::string, std::uint64_t>> EnumerateTopWindows();
    std::optional<std::string> ProgramPathOfWindow(std::uint64_t window);
    // The application a window belongs to; what a program sighting records is its path.
    std::optional<AppIdentity> ApplicationOfWindow(std::uint64_t window);

    // Close-time variants: every qualifying address goes to lastRun (AddLastRun rules).
    void ListOpenProgramPaths(std::vector<std::string>& lastRun);
    void ListShellWindowAddresses(std::vector<std::string>& lastRun);
    void RecordOpenDocsAtClose(std::vector<std::string>& lastRun);

    bool IsDocumentOpen(std::string_view path) const;
    bool IsScanning() const { return m_depth > 0; }

    const std::optional<std::vector<std::string>>& OpenProgramList() const {
        return m_openPrograms;
    }
    const std::optional<std::vector<std::string>>& ShellWindowList() const {
        return m_shellWindows;
    }

    // Shell places whose windows are recorded as programs even though their program is
    // one whose documents arrive through the shell's window list.
    static bool IsSpecialShellTitle(std::string_view trimmedTitle);
    // Programs whose windows are not recorded as programs (matched as upper-cased
    // substrings of the program path).
    static bool IsSkippedProgram(std::string_view upperTrimmedPath);
    // The same test over an application's program and the program its entry starts; and
    // every browser whose pages are read (IsBrowserApplication).
    static bool IsSkippedApplication(const AppIdentity& app);

private:
    class Guard;
    // The program path of a window that qualifies as a program sighting; name gets what
    // it is recorded under: its application's name, else its trimmed title.
    std::optional<std::string> QualifyingPath(const std::pair<std::string, std::uint64_t>& window,
                                              std::string& name);
    void DoScanPrograms();
    void DoScanShellWindows();
    void DoScanRecentFiles();
    void Step();
    void Pause(int ms);
    void Pump();
    bool Paused() const;
    bool Excluded(const std::string& address, const std::string& name, bool software) const;

    DesktopWindows& m_desktop;
    ShellWindows& m_shell;
    History m_history;
    Hooks m_hooks;
    int m_depth = 0;
    // The scan lines of each list, and the same sightings as records: a path or title
    // holding "*|*" or "*2*" must reach the history whole, so the scan never splits its
    // own lines again.
    std::optional<std::vector<std::string>> m_openPrograms;
    std::optional<std::vector<std::string>> m_shellWindows;
    std::vector<TMyDocObj> m_openProgramDocs;
    std::vector<TMyDocObj> m_shellWindowDocs;
    RecentDocuments* m_recent = nullptr;
    // Each list document's last use as last read: a document is handed over when it is new
    // to the lists or was used again since.
    std::unordered_map<std::string, std::int64_t> m_recentSeen;
    bool m_recentRead = false;
    std::int64_t m_recentSeenUntil = 0;
};

}  // namespace qarvex
