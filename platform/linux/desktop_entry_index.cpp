#include "platform/linux/desktop_entry_index.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/linux/bounded_read.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// Desktop entries are small; a bigger file is not one.
constexpr std::size_t kMaxEntryBytes = 256 * 1024;
// A folder tree deeper than this is a loop of links, not a menu layout.
constexpr int kMaxDepth = 8;
constexpr std::int64_t kMissing = -1;
// Longer than the coarse clock step file times are taken from.
constexpr int kRacyMs = 100;

std::string_view BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> SubFoldersOf(std::vector<std::string> folders, std::string_view name) {
    for (std::string& folder : folders) {
        folder = JoinPath(folder, name);
    }
    return folders;
}

std::int64_t ChangeTime(const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return kMissing;
    }
    const auto time = std::filesystem::last_write_time(folder, error);
    return error ? kMissing : static_cast<std::int64_t>(time.time_since_epoch().count());
}

// Keeps the first entry of a key: entries come in precedence order.
void AddKey(std::unordered_map<std::string, std::size_t>& map, std::string key, std::size_t at) {
    if (!key.empty()) {
        map.emplace(std::move(key), at);
    }
}

// "env A=1 B=2 prog args" starts prog.
std::vector<std::string> WithoutEnv(std::vector<std::string> argv) {
    if (!argv.empty() && BaseName(argv.front()) == "env") {
        std::size_t first = 1;
        while (first < argv.size() &&
               (Contains(argv[first], "=") || StartsWith(argv[first], "-"))) {
            ++first;
        }
        argv.erase(argv.begin(), argv.begin() + static_cast<std::ptrdiff_t>(first));
    }
    return argv;
}

}  // namespace

bool IsInterpreter(std::string_view programPath) {
    std::string_view name = BaseName(programPath);
    // python3.11, lua5.4, tclsh8.6: the version says nothing.
    while (!name.empty() && ((name.back() >= '0' && name.back() <= '9') || name.back() == '.')) {
        name.remove_suffix(1);
    }
    static constexpr std::array<std::string_view, 22> kInterpreters = {
        "python", "pypy",  "perl", "ruby", "node",  "nodejs",    "gjs", "gjs-console",
        "java",   "sh",    "bash", "dash", "zsh",   "ksh",       "lua", "luajit",
        "php",    "tclsh", "wish", "mono", "guile", "python-dbg"};
    return std::find(kInterpreters.begin(), kInterpreters.end(), name) != kInterpreters.end();
}

std::string FirstFileArgument(const std::vector<std::string>& argv, const std::string& folder,
                              ProcessFacts& facts) {
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (arg.empty() || StartsWith(arg, "-")) {
            continue;
        }
        if (!StartsWith(arg, "/") && folder.empty()) {
            continue;  // relative to a folder we don't know
        }
        const std::string path = StartsWith(arg, "/") ? arg : folder + "/" + arg;
        if (auto canonical = facts.CanonicalFile(path)) {
            return *canonical;
        }
    }
    return {};
}

std::string DesktopEntryIcon(const std::string& path) {
    const std::optional<std::string> text = ReadFileUpTo(path, kMaxEntryBytes);
    const std::optional<DesktopEntry> entry = text ? ParseDesktopEntry(*text) : std::nullopt;
    return entry ? Trim(entry->icon.value_or("")) : std::string();
}

DesktopEntryIndex::DesktopEntryIndex(std::vector<std::string> folders, ProcessFacts& facts)
    : m_folders(std::move(folders)), m_facts(facts) {}

std::vector<std::string> DataFolders(const std::string& xdgDataHome, const std::string& xdgDataDirs,
                                     const std::string& home) {
    std::vector<std::string> folders;
    const auto add = [&folders](const std::string& base) {
        if (!StartsWith(base, "/")) {
            return;  // relative folders are not valid in these variables
        }
        std::string folder = base;
        while (folder.size() > 1 && EndsWith(folder, "/")) {
            folder.pop_back();
        }
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(std::move(folder));
        }
    };
    add(!xdgDataHome.empty() ? xdgDataHome : home + "/.local/share");
    const std::string dirs = !xdgDataDirs.empty() ? xdgDataDirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t colon = dirs.find(':', start);
        if (colon == std::string::npos) {
            colon = dirs.size();
        }
        add(dirs.substr(start, colon - start));
        start = colon + 1;
    }
    return folders;
}

std::vector<std::string> DataFoldersFromEnvironment() {
    const auto get = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    return DataFolders(get("XDG_DATA_HOME"), get("XDG_DATA_DIRS"), get("HOME"));
}

std::vector<std::string> DesktopEntryIndex::FoldersFor(const std::string& xdgDataHome,
                                                       const std::string& xdgDataDirs,
                                                       const std::string& home) {
    return SubFoldersOf(DataFolders(xdgDataHome, xdgDataDirs, home), "applications");
}

std::vector<std::string> DesktopEntryIndex::FoldersFromEnvironment() {
    return SubFoldersOf(DataFoldersFromEnvironment(), "applications");
}

std::map<std::string, std::int64_t> DesktopEntryIndex::Stamps() const {
    std::map<std::string, std::int64_t> stamps;
    for (const auto& [folder, stamp] : m_stamps) {
        stamps[folder] = ChangeTime(folder);
    }
    return stamps;
}

void DesktopEntryIndex::Refresh() {
    if (m_built && (m_racy || Stamps() != m_stamps)) {
        m_built = false;
    }
}

void DesktopEntryIndex::EnsureBuilt() {
    if (!m_built) {
        Build();
    }
}

void DesktopEntryIndex::ResolvePrograms(IndexedEntry& indexed) {
    const auto follow = [this, &indexed](std::vector<std::string> argv,
                                         bool isExec) -> std::string {
        argv = WithoutEnv(std::move(argv));
        if (argv.empty() || argv.front().empty()) {
            return {};
        }
        if (isExec) {
            indexed.execProgram = argv.front();
        }
        std::optional<std::string> found = Contains(argv.front(), "/")
                                               ? std::optional<std::string>(argv.front())
                                               : m_facts.FindOnPath(argv.front());
        if (!found) {
            return {};
        }
        std::optional<std::string> canonical = m_facts.CanonicalFile(*found);
        if (!canonical) {
            return {};
        }
        if (isExec) {
            indexed.execProgram = *found;
        }
        if (IsInterpreter(*canonical)) {
            std::string script = FirstFileArgument(argv, {}, m_facts);
            if (!script.empty()) {
                return script;
            }
        }
        return *canonical;
    };
    IndexedEntry& entry = indexed;
    if (entry.entry.tryExec) {
        std::string program = follow({*entry.entry.tryExec}, false);
        if (!program.empty()) {
            entry.programs.push_back(std::move(program));
        }
    }
    if (entry.entry.exec) {
        std::string program = follow(SplitExec(*entry.entry.exec), true);
        if (!program.empty() && std::find(entry.programs.begin(), entry.programs.end(), program) ==
                                    entry.programs.end()) {
            entry.programs.push_back(std::move(program));
        }
    }
}

void DesktopEntryIndex::Build() {
    ++m_builds;
    const std::int64_t started = static_cast<std::int64_t>(
        std::filesystem::file_time_type::clock::now().time_since_epoch().count());
    m_entries.clear();
    m_byId.clear();
    m_byPath.clear();
    m_byWmClass.clear();
    m_byFileName.clear();
    m_byLastPart.clear();
    m_byProgram.clear();
    m_stamps.clear();
    std::unordered_map<std::string, bool> seenIds;  // a hidden entry masks later ones too

    for (const std::string& folder : m_folders) {
        m_stamps[folder] = ChangeTime(folder);
        if (m_stamps[folder] == kMissing) {
            continue;
        }
        // Files in a stable order, so that ties between entries always fall the same way.
        std::vector<std::pair<std::string, std::string>> files;  // id, path
        std::vector<std::pair<std::string, int>> pending = {{folder, 0}};
        while (!pending.empty()) {
            auto [current, depth] = pending.back();
            pending.pop_back();
            std::error_code error;
            std::filesystem::directory_iterator it(current, error);
            for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
                const std::string path = it->path().string();
                std::error_code typeError;
                if (it->is_directory(typeError)) {
                    if (depth < kMaxDepth) {
                        m_stamps[path] = ChangeTime(path);
                        pending.emplace_back(path, depth + 1);
                    }
                } else if (EndsWith(path, ".desktop")) {
                    std::string id = path.substr(folder.size() + 1);
                    std::replace(id.begin(), id.end(), '/', '-');
                    files.emplace_back(std::move(id), path);
                }
            }
        }
        std::sort(files.begin(), files.end());
        for (auto& [id, path] : files) {
            if (seenIds.count(id) != 0) {
                continue;
            }
            const std::optional<std::string> text = ReadFileUpTo(path, kMaxEntryBytes);
            std::optional<DesktopEntry> entry = text ? ParseDesktopEntry(*text) : std::nullopt;
            if (!entry) {
                continue;  // unreadable: a later folder's entry of that id may serve
            }
            seenIds[id] = true;
            if (entry->hidden || entry->type.value_or("") != "Application") {
                continue;
            }
            m_entries.push_back(IndexedEntry{id, path, std::move(*entry), {}, {}});
            ResolvePrograms(m_entries.back());
        }
    }

    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const IndexedEntry& entry = m_entries[i];
        AddKey(m_byId, entry.id, i);
        AddKey(m_byPath, entry.path, i);
        AddKey(m_byWmClass, AsciiLower(entry.entry.startupWmClass.value_or("")), i);
        const std::string stem = AsciiLower(entry.id.substr(0, entry.id.size() - 8));
        AddKey(m_byFileName, stem, i);
        const std::size_t dot = stem.rfind('.');
        if (dot != std::string::npos) {
            AddKey(m_byLastPart, stem.substr(dot + 1), i);
        }
        for (const std::string& program : entry.programs) {
            AddKey(m_byProgram, program, i);
        }
    }
    // Change times move in clock ticks: a folder changed in the tick of this reading may
    // change again without its time moving, so such a reading is only trusted once.
    const auto tick = std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
        std::chrono::milliseconds(kRacyMs));
    m_racy = std::any_of(m_stamps.begin(), m_stamps.end(), [&](const auto& stamp) {
        return stamp.second != kMissing && stamp.second >= started - tick.count();
    });
    m_built = true;
}

const std::vector<IndexedEntry>& DesktopEntryIndex::Entries() {
    EnsureBuilt();
    return m_entries;
}

namespace {

const IndexedEntry* Find(const std::unordered_map<std::string, std::size_t>& map,
                         const std::vector<IndexedEntry>& entries, const std::string& key) {
    if (key.empty()) {
        return nullptr;
    }
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &entries[it->second];
}

}  // namespace

const IndexedEntry* DesktopEntryIndex::ById(std::string_view id) {
    EnsureBuilt();
    return Find(m_byId, m_entries, std::string(id));
}

const IndexedEntry* DesktopEntryIndex::ByPath(std::string_view path) {
    EnsureBuilt();
    return Find(m_byPath, m_entries, std::string(path));
}

const IndexedEntry* DesktopEntryIndex::ByStartupWmClass(std::string_view wmClass) {
    EnsureBuilt();
    return Find(m_byWmClass, m_entries, AsciiLower(wmClass));
}

const IndexedEntry* DesktopEntryIndex::ByFileName(std::string_view name) {
    EnsureBuilt();
    const std::string lower = AsciiLower(name);
    if (const IndexedEntry* entry = Find(m_byFileName, m_entries, lower)) {
        return entry;
    }
    return Find(m_byLastPart, m_entries, lower);
}

const IndexedEntry* DesktopEntryIndex::ByProgram(std::string_view canonicalPath) {
    EnsureBuilt();
    return Find(m_byProgram, m_entries, std::string(canonicalPath));
}

const IndexedEntry* DesktopEntryIndex::ByIdPrefix(std::string_view prefix) {
    EnsureBuilt();
    if (prefix.empty()) {
        return nullptr;
    }
    for (const IndexedEntry& entry : m_entries) {
        if (StartsWith(entry.id, prefix)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace qarvex
