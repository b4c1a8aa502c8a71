#include "platform/linux/icon_lookup.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "platform/linux/bounded_read.h"
#include "platform/linux/desktop_entry_index.h"
#include "store/atomic_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// hicolor's own index names some 650 folders in 55 KB.
constexpr std::size_t kMaxIndexBytes = 1024 * 1024;
// An inheritance chain longer than this is a loop or damage.
constexpr std::size_t kMaxThemes = 16;
constexpr std::string_view kFallbackTheme = "hicolor";

enum class FolderType { Fixed, Scalable, Threshold };

// One folder of a theme as its index.theme describes it.
struct ThemeFolder {
    std::string path;  // below the theme's folder: "48x48/apps"
    FolderType type = FolderType::Threshold;
    int size = 0;
    int minSize = 0;
    int maxSize = 0;
    int threshold = 2;
    int scale = 1;
};

// One base folder's share of a theme: the file names in each folder the index names.
struct ThemePart {
    std::string root;                                    // base/theme
    std::vector<std::unordered_set<std::string>> files;  // in the order of the folders
};

struct Theme {
    std::string name;
    std::vector<std::string> inherits;
    std::vector<ThemeFolder> folders;
    std::vector<ThemePart> parts;
    // Every folder and file read, as it was then (nothing: missing). A change to any of
    // them (an application installed or removed) has the theme read again. The theme's
    // own folders and index are looked at on every use; the few hundred icon folders
    // below them at most once a second, so that the icons of a whole history cost one look.
    using Stamps = std::vector<std::pair<std::string, std::optional<FileStamp>>>;
    Stamps outer;
    Stamps folderStamps;
    mutable std::chrono::steady_clock::time_point foldersChecked = std::chrono::steady_clock::now();
    // Change times move in clock ticks: what changed in the tick it was read in may change
    // again without its time moving, so such a reading is used once only.
    bool racy = false;

    static bool Unchanged(const Stamps& stamps) {
        return std::all_of(stamps.begin(), stamps.end(),
                           [](const auto& stamp) { return StatFile(stamp.first) == stamp.second; });
    }
    bool Current() const {
        if (racy || !Unchanged(outer)) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - foldersChecked < std::chrono::seconds(1)) {
            return true;
        }
        foldersChecked = now;
        return Unchanged(folderStamps);
    }
};

void Stamp(Theme::Stamps& stamps, const std::string& path) {
    stamps.emplace_back(path, StatFile(path));
}

// A folder's entries; false when it can't be read. More than this many are not looked at.
constexpr std::size_t kMaxFolderEntries = 100000;

bool ListFolder(const std::string& folder, std::unordered_set<std::string>& names) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (std::filesystem::directory_iterator end;
         !ec && it != end && names.size() < kMaxFolderEntries; it.increment(ec)) {
        names.insert(it->path().filename().string());
    }
    return !ec || !names.empty();
}

std::vector<std::string> SplitList(std::string_view value) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        std::string item = Trim(value.substr(start, comma - start));
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
        start = comma + 1;
    }
    return items;
}

using Groups = std::map<std::string, std::map<std::string, std::string>, std::less<>>;

Groups ParseGroups(std::string_view text) {
    Groups groups;
    std::map<std::string, std::string>* group = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (StartsWith(line, "[") && EndsWith(line, "]")) {
            group = &groups[line.substr(1, line.size() - 2)];
        } else if (const std::size_t eq = line.find('=');
                   group != nullptr && eq != std::string::npos && !StartsWith(line, "#")) {
            (*group)[Trim(std::string_view(line).substr(0, eq))] =
                Trim(std::string_view(line).substr(eq + 1));
        }
    }
    return groups;
}

int IntValue(const std::map<std::string, std::string>& group, const char* key, int fallback) {
    const auto it = group.find(key);
    int value = 0;
    return it != group.end() && ParseInt(it->second, value) ? value : fallback;
}

std::optional<Theme> ReadTheme(const IconFolders& folders, const std::string& name) {
    const auto started = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    Theme theme;
    theme.name = name;
    std::optional<std::string> text;
    for (const std::string& base : folders.themes) {
        const std::string root = JoinPath(base, name);
        Stamp(theme.outer, root);
        if (!text) {
            text = ReadFileUpTo(JoinPath(root, "index.theme"), kMaxIndexBytes);
            if (text) {
                Stamp(theme.outer, JoinPath(root, "index.theme"));
            }
        }
    }
    if (!text) {
        return std::nullopt;
    }
    const Groups groups = ParseGroups(*text);
    const auto main = groups.find("Icon Theme");
    if (main == groups.end()) {
        return std::nullopt;
    }
    const auto value = [&main](const char* key) {
        const auto it = main->second.find(key);
        return it == main->second.end() ? std::string() : it->second;
    };
    theme.inherits = SplitList(value("Inherits"));
    std::vector<std::string> paths = SplitList(value("Directories"));
    for (std::string& scaled : SplitList(value("ScaledDirectories"))) {
        paths.push_back(std::move(scaled));
    }
    for (const std::string& path : paths) {
        const auto group = groups.find(path);
        if (group == groups.end() || StartsWith(path, "/") || Contains(path, "..")) {
            continue;
        }
        ThemeFolder folder;
        folder.path = path;
        folder.size = IntValue(group->second, "Size", 0);
        if (folder.size <= 0) {
            continue;  // Size is required
        }
        folder.minSize = IntValue(group->second, "MinSize", folder.size);
        folder.maxSize = IntValue(group->second, "MaxSize", folder.size);
        folder.threshold = IntValue(group->second, "Threshold", 2);
        folder.scale = IntValue(group->second, "Scale", 1);
        const auto type = group->second.find("Type");
        if (type != group->second.end() && type->second == "Fixed") {
            folder.type = FolderType::Fixed;
        } else if (type != group->second.end() && type->second == "Scalable") {
            folder.type = FolderType::Scalable;
        }
        theme.folders.push_back(std::move(folder));
    }
    // Only what is installed is read: of hicolor's 650 folders a system has a few dozen.
    for (const std::string& base : folders.themes) {
        ThemePart part{JoinPath(base, name), {}};
        std::unordered_set<std::string> tops;
        if (!ListFolder(part.root, tops) || tops.empty()) {
            continue;
        }
        std::unordered_set<std::string> stampedTops;
        part.files.resize(theme.folders.size());
        for (std::size_t i = 0; i < theme.folders.size(); ++i) {
            const std::string& path = theme.folders[i].path;
            const std::string top = path.substr(0, path.find('/'));
            if (tops.count(top) == 0) {
                continue;
            }
            // A new folder below it ("48x48/apps" for a first 48-pixel icon) changes it.
            if (stampedTops.insert(top).second) {
                Stamp(theme.outer, JoinPath(part.root, top));
            }
            const std::string folder = JoinPath(part.root, path);
            if (ListFolder(folder, part.files[i])) {
                Stamp(theme.folderStamps, folder);
            }
        }
        theme.parts.push_back(std::move(part));
    }
    constexpr std::int64_t kTickNs = 100'000'000;  // longer than the coarse clock's step
    const auto recent = [&](const auto& stamp) {
        return stamp.second && stamp.second->mtimeNs >= started - kTickNs;
    };
    theme.racy = std::any_of(theme.outer.begin(), theme.outer.end(), recent) ||
                 std::any_of(theme.folderStamps.begin(), theme.folderStamps.end(), recent);
    return theme;
}

// Themes as last read, read again when they changed.
std::shared_ptr<const Theme> CachedTheme(const IconFolders& folders, const std::string& name) {
    constexpr std::size_t kMaxCachedThemes = 64;
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const Theme>> cache;
    std::string key = name;
    for (const std::string& base : folders.themes) {
        key += '\n' + base;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto it = cache.find(key);
        if (it != cache.end() && it->second->Current()) {
            return it->second;
        }
    }
    std::optional<Theme> theme = ReadTheme(folders, name);
    if (!theme) {
        return nullptr;
    }
    auto shared = std::make_shared<const Theme>(std::move(*theme));
    const std::lock_guard<std::mutex> lock(mutex);
    if (cache.size() >= kMaxCachedThemes) {
        cache.clear();
    }
    cache[key] = shared;
    return shared;
}

bool FolderMatchesSize(const ThemeFolder& folder, int size) {
    if (folder.scale != 1) {
        return false;
    }
    switch (folder.type) {
        case FolderType::Fixed:
            return folder.size == size;
        case FolderType::Scalable:
            return folder.minSize <= size && size <= folder.maxSize;
        case FolderType::Threshold:
            return folder.size - folder.threshold <= size && size <= folder.size + folder.threshold;
    }
    return false;
}

int FolderSizeDistance(const ThemeFolder& folder, int size) {
    const int scale = folder.scale;
    switch (folder.type) {
        case FolderType::Fixed:
            return std::abs(folder.size * scale - size);
        case FolderType::Scalable:
            if (size < folder.minSize * scale) {
                return folder.minSize * scale - size;
            }
            return size > folder.maxSize * scale ? size - folder.maxSize * scale : 0;
        case FolderType::Threshold:
            if (size < (folder.size - folder.threshold) * scale) {
                return folder.minSize * scale - size;
            }
            return size > (folder.size + folder.threshold) * scale ? size - folder.maxSize * scale
                                                                   : 0;
    }
    return 0;
}

// The first file of the icon in one folder of the theme, in any base folder's part of it.
std::string FileIn(const Theme& theme, std::size_t folder, std::string_view name,
                   const std::vector<std::string>& types) {
    for (const ThemePart& part : theme.parts) {
        for (const std::string& type : types) {
            const std::string file = std::string(name) + "." + type;
            if (part.files[folder].count(file) != 0) {
                return JoinPath(JoinPath(part.root, theme.folders[folder].path), file);
            }
        }
    }
    return {};
}

std::string LookupIcon(const Theme& theme, std::string_view name, int size,
                       const std::vector<std::string>& types) {
    for (std::size_t i = 0; i < theme.folders.size(); ++i) {
        if (FolderMatchesSize(theme.folders[i], size)) {
            std::string file = FileIn(theme, i, name, types);
            if (!file.empty()) {
                return file;
            }
        }
    }
    std::string closest;
    int closestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < theme.folders.size(); ++i) {
        const int distance = FolderSizeDistance(theme.folders[i], size);
        if (distance >= closestDistance) {
            continue;
        }
        std::string file = FileIn(theme, i, name, types);
        if (!file.empty()) {
            closest = std::move(file);
            closestDistance = distance;
        }
    }
    return closest;
}

std::string FindInTheme(const IconFolders& folders, const std::string& themeName,
                        std::string_view name, int size, const std::vector<std::string>& types,
                        std::set<std::string>& seen) {
    if (themeName.empty() || Contains(themeName, "/") || seen.size() >= kMaxThemes ||
        !seen.insert(themeName).second) {
        return {};
    }
    const std::shared_ptr<const Theme> theme = CachedTheme(folders, themeName);
    if (!theme) {
        return {};
    }
    std::string file = LookupIcon(*theme, name, size, types);
    for (auto parent = theme->inherits.begin(); file.empty() && parent != theme->inherits.end();
         ++parent) {
        file = FindInTheme(folders, *parent, name, size, types, seen);
    }
    return file;
}

}  // namespace

IconFolders IconFolders::For(const std::string& xdgDataHome, const std::string& xdgDataDirs,
                             const std::string& home) {
    const std::vector<std::string> data = DataFolders(xdgDataHome, xdgDataDirs, home);
    IconFolders folders;
    for (std::size_t i = 0; i < data.size(); ++i) {
        folders.themes.push_back(JoinPath(data[i], "icons"));
        // The user's own folders come first; ~/.icons is the older of the two.
        if (i == 0 && StartsWith(home, "/")) {
            folders.themes.push_back(JoinPath(home, ".icons"));
        }
    }
    folders.loose = folders.themes;
    for (const std::string& folder : data) {
        folders.loose.push_back(JoinPath(folder, "pixmaps"));
    }
    return folders;
}

IconFolders IconFolders::FromEnvironment() {
    const auto get = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    return For(get("XDG_DATA_HOME"), get("XDG_DATA_DIRS"), get("HOME"));
}

std::string FindIconFile(const IconFolders& folders, std::string_view theme, std::string_view name,
                         int size, const std::vector<std::string>& types) {
    std::string icon = Trim(name);
    if (icon.empty() || icon == "." || icon == ".." ||
        icon.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        return {};
    }
    // Many entries name their icon's file ("foo.png") where a name is meant.
    for (const std::string_view type : {".png", ".svg", ".xpm"}) {
        if (EndsWith(icon, type) && icon.size() > type.size()) {
            icon.resize(icon.size() - type.size());
            break;
        }
    }
    std::set<std::string> seen;
    std::string file = FindInTheme(folders, std::string(theme), icon, size, types, seen);
    if (file.empty()) {
        file = FindInTheme(folders, std::string(kFallbackTheme), icon, size, types, seen);
    }
    for (auto base = folders.loose.begin(); file.empty() && base != folders.loose.end(); ++base) {
        for (const std::string& type : types) {
            std::string candidate = JoinPath(*base, icon + "." + type);
            if (FileExists(candidate)) {
                file = std::move(candidate);
                break;
            }
        }
    }
    return file;
}

}  // namespace qarvex
