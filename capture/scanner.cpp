#include "capture/scanner.h"

#include <algorithm>
#include <array>

#include "capture/browsers.h"
#include "store/address_rules.h"
#include "store/atomic_file.h"
#include "store/guarded.h"
#include "store/list_file.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr int kProgramNumber = 2;
constexpr int kWebPageNumber = 1;
constexpr int kFolderNumber = 3;
constexpr int kPhasePauseMs = 3;
constexpr int kItemPauseMs = 5;

constexpr std::array<std::string_view, 5> kSpecialShellTitles = {"我的电脑", "网上邻居", "控制面板",
                                                                 "性能和维护", "桌面"};

// The original four, then the file managers and browsers whose folders and pages are
// read from the shell's window list instead.
constexpr std::array<std::string_view, 13> kSkippedPrograms = {
    "IEXPLORE.EXE", "TTRAVELER.EXE", "EXPLORER.EXE", "QQ.EXE",   "/NAUTILUS",
    "/NEMO",        "/CAJA",         "/THUNAR",      "/PCMANFM", "/DOLPHIN",
    "/FIREFOX",     "/FIREFOX-ESR",  "/FIREFOX-BIN"};

TMyDocObj Sighting(std::string path, std::string name, int number) {
    TMyDocObj doc;
    doc.Path = std::move(path);
    doc.Name = std::move(name);
    doc.Number = number;
    return doc;
}

// A document of the recent-files lists as a sighting: a local file or folder that still
// exists as its "file://" address under its file name, a remote one as its URI. Nothing for
// anything else, and for a path the history cannot keep as it is: not text, holding a
// control character, or "%20" (which the add routine turns into a blank).
std::optional<TMyDocObj> RecentFileSighting(const std::string& uri) {
    std::string path;
    const std::string local = LocalFileAddress(Trim(uri));
    const std::string scheme = AsciiLower(std::string_view(local).substr(0, 7));
    if (StartsWith(local, "/")) {
        path = local;
    } else if (IsFileAddress(local)) {
        path = PercentDecode(std::string_view(local).substr(7));
    } else if (StartsWith(scheme, "file:/") && scheme != "file://") {
        // KDE's links write "file:" + path.
        path = PercentDecode(std::string_view(local).substr(5));
    } else if (IsRemoteFolderAddress(local)) {
        return Sighting(local, local, kFolderNumber);
    } else {
        return std::nullopt;
    }
    const bool control = std::any_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (control || !IsValidUtf8(path) || Contains(path, "%20") ||
        !(FileExists(path) || DirectoryExists(path))) {
        return std::nullopt;
    }
    std::string name = path.substr(path.find_last_of('/') + 1);
    return Sighting("file://" + path, name.empty() ? path : name, kFolderNumber);
}

}  // namespace

// Marks a scan as running for its whole extent, however it ends.
class Scanner::Guard {
public:
    explicit Guard(Scanner& scanner) : m_scanner(scanner) {
        if (m_scanner.m_depth++ == 0 && m_scanner.m_hooks.recordingPass) {
            Guarded([&] { m_scanner.m_hooks.recordingPass(true); });
        }
    }
    ~Guard() {
        if (--m_scanner.m_depth == 0 && m_scanner.m_hooks.recordingPass) {
            Guarded([&] { m_scanner.m_hooks.recordingPass(false); });
        }
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    Scanner& m_scanner;
};

Scanner::Scanner(DesktopWindows& desktop, ShellWindows& shell, History history, Hooks hooks)
    : m_desktop(desktop),
      m_shell(shell),
      m_history(std::move(history)),
      m_hooks(std::move(hooks)) {}

bool Scanner::IsSpecialShellTitle(std::string_view trimmedTitle) {
    for (const std::string_view title : kSpecialShellTitles) {
        if (trimmedTitle == title) {
            return true;
        }
    }
    return false;
}

bool Scanner::IsSkippedProgram(std::string_view upperTrimmedPath) {
    for (const std::string_view name : kSkippedPrograms) {
        if (Contains(upperTrimmedPath, name)) {
            return true;
        }
    }
    return false;
}

void Scanner::Step() {
    if (m_hooks.stepProgress) {
        m_hooks.stepProgress();
    }
}

void Scanner::Pause(int ms) {
    if (m_hooks.pause) {
        m_hooks.pause(ms);
    }
}

void Scanner::Pump() {
    if (m_hooks.processEvents) {
        m_hooks.processEvents();
    }
}

bool Scanner::Paused() const {
    return m_history.isPaused && m_history.isPaused();
}

bool Scanner::Excluded(const std::string& address, const std::string& name, bool software) const {
    return m_history.isExcluded && m_history.isExcluded(address, name, software);
}

std::vector<std::pair<std::string, std::uint64_t>> Scanner::EnumerateTopWindows() {
    std::vector<std::pair<std::string, std::uint64_t>> list;
    std::vector<TopWindow> windows;
    try {
        windows = m_desktop.TopWindows();
    } catch (...) {
        return list;
    }
    for (const TopWindow& window : windows) {
        if (!window.visible || window.owned || window.toolWindow) {
            continue;
        }
        list.emplace_back(window.title, window.id);
    }
    return list;
}

std::optional<std::string> Scanner::ProgramPathOfWindow(std::uint64_t window) {
    try {
        return m_desktop.ProgramPath(window);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<AppIdentity> Scanner::ApplicationOfWindow(std::uint64_t window) {
    try {
        return m_desktop.Application(window);
    } catch (...) {
        return std::nullopt;
    }
}

bool Scanner::IsSkippedApplication(const AppIdentity& app) {
    // The program itself, and what the application's entry starts: a browser found
    // through its entry is still a browser. A bare Exec name is a program on $PATH.
    const std::string& program = app.programPath.empty() ? app.path : app.programPath;
    if (IsSkippedProgram(AsciiUpper(Trim(program))) || IsBrowserApplication(app)) {
        return true;
    }
    if (app.execProgram.empty()) {
        return false;
    }
    const std::string exec =
        Contains(app.execProgram, "/") ? app.execProgram : "/" + app.execProgram;
    return IsSkippedProgram(AsciiUpper(Trim(exec)));
}

std::optional<std::string> Scanner::QualifyingPath(
    const std::pair<std::string, std::uint64_t>& window, std::string& name) {
    const std::optional<AppIdentity> app = ApplicationOfWindow(window.second);
    if (!app || !(FileExists(app->path) || DirectoryExists(app->path))) {
        return std::nullopt;
    }
    name = Trim(window.first);
    if (IsSpecialShellTitle(name)) {
        return app->path;
    }
    if (IsSkippedApplication(*app)) {
        return std::nullopt;
    }
    // A window's title names what it shows ("说明.txt - Mousepad"); the application is
    // known by its entry's name.
    if (!app->name.empty()) {
        name = app->name;
    }
    return app->path;
}

void Scanner::CollectOpenPrograms() {
    if (!m_openPrograms) {
        m_openPrograms.emplace();
    }
    m_openPrograms->clear();
    m_openProgramDocs.clear();
    // A failure keeps the lines found before it.
    Guarded([&] {
        for (const auto& window : EnumerateTopWindows()) {
            std::string title;
            if (const auto path = QualifyingPath(window, title)) {
                m_openPrograms->push_back(MakeScanLine(*path, title, kProgramNumber));
                m_openProgramDocs.push_back(Sighting(*path, title, kProgramNumber));
            }
        }
    });
}

void Scanner::ScanPrograms() {
    if (IsScanning()) {
        return;
    }
    Guard guard(*this);
    DoScanPrograms();
}

void Scanner::DoScanPrograms() {
    if (Paused()) {
        return;
    }
    Guarded([&] {
        CollectOpenPrograms();
        // Copy: events that run below may not change what this pass hands over.
        const std::vector<TMyDocObj> docs = m_openProgramDocs;
        for (const TMyDocObj& doc : docs) {
            Pump();
            Pause(kItemPauseMs);
            // The user may pause while this pass lets events run.
            if (Paused()) {
                return;
            }
            const bool software = doc.Number == kProgramNumber;
            if (!m_history.isDocKnown(doc.Path) && !Excluded(doc.Path, doc.Name, software)) {
                m_history.addDoc(doc.Path, doc.Name, software);
            }
        }
    });
}

void Scanner::CollectShellWindows() {
    if (!m_shellWindows) {
        m_shellWindows.emplace();
    }
    m_shellWindows->clear();
    m_shellWindowDocs.clear();
    // A failure of the walk reaches the caller; the lines collected before it stay.
    for (const ShellWindow& window : m_shell.Windows()) {
        if (window.locationUrl.empty() || !window.hasDocument) {
            continue;
        }
        // "file://localhost/" names a local folder like "file:///" does, and is recorded,
        // grouped and excluded as one.
        const std::string url = LocalFileAddress(Trim(window.locationUrl));
        // The trash, a search or the recent view can't be gone back to as a place.
        if (IsNonPlaceLocation(url)) {
            continue;
        }
        if (IsFileAddress(url) || IsRemoteFolderAddress(url)) {
            m_shellWindows->push_back(MakeScanLine(url, url, kFolderNumber));
            m_shellWindowDocs.push_back(Sighting(url, url, kFolderNumber));
        } else {
            if (!window.hasTitle) {
                throw ShellWindowsError("page without a title");
            }
            m_shellWindows->push_back(MakeScanLine(url, window.title, kWebPageNumber));
            m_shellWindowDocs.push_back(Sighting(url, window.title, kWebPageNumber));
        }
    }
}

void Scanner::ScanShellWindows() {
    if (IsScanning()) {
        return;
    }
    Guard guard(*this);
    DoScanShellWindows();
}

void Scanner::DoScanShellWindows() {
    Guarded([&] {
        if (Paused()) {
            return;
        }
        CollectShellWindows();
        const std::vector<TMyDocObj> docs = m_shellWindowDocs;
        for (const TMyDocObj& doc : docs) {
            if (Paused()) {
                return;
            }
            if (!Excluded(doc.Path, doc.Name, false)) {
                m_history.addDoc(doc.Path, doc.Name, false);
            }
            Pump();
            Pause(kItemPauseMs);
        }
    });
    DoScanRecentFiles();
}

void Scanner::ScanRecentFiles() {
    if (IsScanning()) {
        return;
    }
    Guard guard(*this);
    DoScanRecentFiles();
}

void Scanner::DoScanRecentFiles() {
    if (m_recent == nullptr) {
        return;
    }
    Guarded([&] {
        const auto switchedOff = [this] {
            return m_history.recordRecentFiles && !m_history.recordRecentFiles();
        };
        if (switchedOff()) {
            // Switched off, the lists are not read; switched on again, they are read as at
            // the start of a run.
            if (m_recentRead) {
                m_recent->Forget();
                m_recentSeen.clear();
                m_recentRead = false;
            }
            return;
        }
        const bool first = !m_recentRead;
        bool skip = false;
        if (first) {
            const std::int64_t stored = m_history.recentFilesSeen ? m_history.recentFilesSeen() : 0;
            skip = stored < 0;
            m_recentSeenUntil = std::max<std::int64_t>(stored, 0);
        }
        const std::int64_t before = m_recentSeenUntil;
        std::vector<RecentDocument> fresh;
        for (RecentDocument& document : m_recent->ChangedDocuments()) {
            const auto [seen, added] = m_recentSeen.try_emplace(document.uri, document.usedAt);
            bool isFresh = added || document.usedAt > seen->second;
            seen->second = std::max(seen->second, document.usedAt);
            // An earlier run dealt with it: recorded it, or passed it over while paused.
            if (first && document.usedAt != 0 && document.usedAt <= before) {
                isFresh = false;
            }
            m_recentSeenUntil = std::max(m_recentSeenUntil, document.usedAt);
            if (isFresh) {
                fresh.push_back(std::move(document));
            }
        }
        m_recentRead = true;
        if ((skip || m_recentSeenUntil != before) && m_history.setRecentFilesSeen) {
            m_history.setRecentFilesSeen(m_recentSeenUntil);
        }
        if (skip || Paused()) {
            return;
        }
        // Oldest first, as they were opened, so that a trim of the history keeps the newest.
        std::stable_sort(
            fresh.begin(), fresh.end(),
            [](const RecentDocument& a, const RecentDocument& b) { return a.usedAt < b.usedAt; });
        const std::size_t bound = m_history.maxDocs ? m_history.maxDocs() : 0;
        if (first && bound > 0 && fresh.size() > bound) {
            fresh.erase(fresh.begin(), fresh.end() - static_cast<std::ptrdiff_t>(bound));
        }
        for (const RecentDocument& document : fresh) {
            // The user may pause, or switch this source off, while this pass lets events run.
            if (Paused() || switchedOff()) {
                return;
            }
            const std::optional<TMyDocObj> doc = RecentFileSighting(document.uri);
            if (!doc || m_history.isDocKnown(doc->Path) || Excluded(doc->Path, doc->Name, false)) {
                continue;
            }
            m_history.addDoc(doc->Path, doc->Name, false);
            Pump();
        }
    });
}

void Scanner::RefreshAllDocs() {
    if (IsScanning()) {
        return;
    }
    Guard guard(*this);
    Guarded([&] {
        Step();
        Pause(kPhasePauseMs);
        Pump();
        DoScanPrograms();
        Pause(kPhasePauseMs);
        Step();
        Pump();
        DoScanShellWindows();
        Pause(kPhasePauseMs);
        Step();
        if (m_hooks.expandCurrentTree) {
            m_hooks.expandCurrentTree();
        }
    });
}

void Scanner::RefreshPageDocs() {
    if (IsScanning()) {
        return;
    }
    Guard guard(*this);
    Guarded([&] {
        const int tab = m_hooks.visibleTab ? m_hooks.visibleTab() : -1;
        switch (tab) {
            case 0:
            case 2:
                Step();
                Pump();
                DoScanShellWindows();
                if (m_hooks.expandPageTree) {
                    m_hooks.expandPageTree(tab);
                }
                Pause(kPhasePauseMs);
                break;
            case 1:
                Step();
                Pause(kPhasePauseMs);
                Pump();
                DoScanPrograms();
                if (m_hooks.expandPageTree) {
                    m_hooks.expandPageTree(1);
                }
                if (m_hooks.setProgress) {
                    m_hooks.setProgress(0);
                }
                break;
            default:
                break;
        }
    });
}

void Scanner::ListOpenProgramPaths(std::vector<std::string>& lastRun) {
    Guarded([&] {
        for (const auto& window : EnumerateTopWindows()) {
            std::string title;
            if (const auto path = QualifyingPath(window, title);
                path && !Excluded(*path, title, true)) {
                AddLastRun(lastRun, *path);
            }
        }
    });
}

void Scanner::ListShellWindowAddresses(std::vector<std::string>& lastRun) {
    Guarded([&] {
        for (const ShellWindow& window : m_shell.Windows()) {
            if (window.locationUrl.empty() || !window.hasDocument) {
                continue;
            }
            const std::string url = LocalFileAddress(Trim(window.locationUrl));
            if (IsNonPlaceLocation(url)) {
                continue;
            }
            if (!Excluded(url, window.title, false)) {
                AddLastRun(lastRun, url);
            }
            Step();
        }
    });
}

void Scanner::RecordOpenDocsAtClose(std::vector<std::string>& lastRun) {
    // Paused, what is open now is not noted anywhere; the list from before stays.
    if (Paused()) {
        return;
    }
    lastRun.clear();
    ListOpenProgramPaths(lastRun);
    ListShellWindowAddresses(lastRun);
}

bool Scanner::IsDocumentOpen(std::string_view path) const {
    bool open = false;
    Guarded([&] {
        const std::string p = Trim(path);
        for (const auto* docs : {&m_openProgramDocs, &m_shellWindowDocs}) {
            for (const TMyDocObj& doc : *docs) {
                if (Trim(doc.Path) == p) {
                    open = true;
                    return;
                }
            }
        }
    });
    return open;
}

}  // namespace qarvex
