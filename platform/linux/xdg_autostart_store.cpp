#include "platform/linux/xdg_autostart_store.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/linux/bounded_read.h"
#include "platform/linux/desktop_entry.h"
#include "store/atomic_file.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kSuffix = ".desktop";
// Desktop entries are a few kilobytes; a bigger file is not one we can safely edit.
constexpr std::size_t kMaxEntryBytes = 1024 * 1024;

std::optional<std::string> ExecOf(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    std::optional<DesktopEntry> entry = ParseDesktopEntry(*text);
    if (!entry) {
        return std::nullopt;
    }
    return entry->exec;
}

// The entry's Name in the user's language.
std::string LabelOf(const std::optional<std::string>& text) {
    const std::optional<DesktopEntry> entry = text ? ParseDesktopEntry(*text) : std::nullopt;
    return entry ? LocalizedName(*entry, LocalePostfixesFromEnvironment()) : std::string();
}

// Text we may edit line by line: no NUL bytes, valid UTF-8.
bool IsEditableText(std::string_view text) {
    return text.find('\0') == std::string_view::npos && IsValidUtf8(text);
}

// Off when the entry hides itself or GNOME's switch says so. Only the [Desktop Entry]
// group counts; a text that is no entry is taken as on (it is listed as it is).
bool IsEnabledEntry(const std::optional<std::string>& text) {
    if (!text) {
        return true;
    }
    const std::optional<DesktopEntry> entry = ParseDesktopEntry(*text);
    if (!entry) {
        return true;
    }
    return !entry->hidden && !entry->autostartDisabled;
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

// The command of an entry the session will run: nothing for one the desktop switched off.
std::optional<std::string> ActiveExecOf(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    std::optional<DesktopEntry> entry = ParseDesktopEntry(*text);
    if (!entry || entry->hidden || entry->autostartDisabled) {
        return std::nullopt;
    }
    return entry->exec;
}

}  // namespace

XdgAutostartStore::XdgAutostartStore(std::string folder, std::vector<std::string> systemFolders)
    : m_folder(WithoutTrailingSlashes(std::move(folder))) {
    for (std::string& system : systemFolders) {
        m_systemFolders.push_back(WithoutTrailingSlashes(std::move(system)));
    }
}

std::vector<std::string> XdgAutostartStore::SystemFolders(const char* xdgConfigDirs) {
    std::vector<std::string> folders;
    const std::string dirs = xdgConfigDirs != nullptr ? xdgConfigDirs : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        const std::string dir = WithoutTrailingSlashes(dirs.substr(start, end - start));
        // Relative entries count for nothing under the XDG base directory rules.
        if (StartsWith(dir, "/")) {
            folders.push_back(dir + "/autostart");
        }
        start = end + 1;
    }
    if (folders.empty()) {
        folders.push_back("/etc/xdg/autostart");
    }
    return folders;
}

std::optional<std::string> XdgAutostartStore::SystemEntryPath(const std::string& name) const {
    for (const std::string& folder : m_systemFolders) {
        const std::string path = folder + "/" + name + std::string(kSuffix);
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<AutostartStore::Value>> XdgAutostartStore::ListAll() {
    std::optional<std::vector<Value>> values = List();
    if (!values) {
        return std::nullopt;
    }
    std::map<std::string, Value> byName;
    for (Value& value : *values) {
        value.enabled = IsEnabledEntry(ReadFileUpTo(PathOf(value.name), kMaxEntryBytes));
        std::string name = value.name;
        byName.emplace(std::move(name), std::move(value));
    }
    for (const std::string& folder : m_systemFolders) {
        XdgAutostartStore system(folder);
        const std::optional<std::vector<Value>> found = system.List();
        if (!found) {
            continue;
        }
        for (const Value& value : *found) {
            if (byName.count(value.name) != 0) {
                continue;  // the user's own entry, or an earlier system folder, wins
            }
            Value listed = value;
            listed.system = true;
            listed.enabled = IsEnabledEntry(
                ReadFileUpTo(folder + "/" + value.name + std::string(kSuffix), kMaxEntryBytes));
            byName.emplace(value.name, std::move(listed));
        }
    }
    std::vector<Value> all;
    all.reserve(byName.size());
    for (auto& [name, value] : byName) {
        all.push_back(std::move(value));
    }
    return all;
}

bool XdgAutostartStore::IsValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string XdgAutostartStore::PathOf(const std::string& name) const {
    return m_folder + "/" + name + std::string(kSuffix);
}

std::optional<std::vector<AutostartStore::Value>> XdgAutostartStore::List() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status status = fs::status(m_folder, ec);
    if (status.type() == fs::file_type::not_found) {
        return std::vector<Value>{};
    }
    if (ec || status.type() != fs::file_type::directory) {
        return std::nullopt;
    }
    fs::directory_iterator it(m_folder, ec);
    if (ec) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::string fileName = it->path().filename().string();
        if (!EndsWith(fileName, kSuffix)) {
            continue;
        }
        std::string name = fileName.substr(0, fileName.size() - kSuffix.size());
        std::error_code typeError;
        if (IsValidName(name) && !it->is_directory(typeError)) {
            names.push_back(std::move(name));
        }
    }
    if (ec) {
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    std::vector<Value> values;
    values.reserve(names.size());
    for (std::string& name : names) {
        const std::optional<std::string> text = ReadFileUpTo(PathOf(name), kMaxEntryBytes);
        Value value;
        value.name = std::move(name);
        value.data = ExecOf(text);
        value.label = LabelOf(text);
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<std::string> XdgAutostartStore::Read(const std::string& name) {
    if (!IsValidName(name)) {
        return std::nullopt;
    }
    return ActiveExecOf(ReadFileUpTo(PathOf(name), kMaxEntryBytes));
}

bool XdgAutostartStore::Write(const std::string& name, const std::string& data) {
    if (!IsValidName(name)) {
        return false;
    }
    const std::string path = PathOf(name);
    const std::string exec = EscapeDesktopValue(data);
    std::error_code ec;
    const bool exists = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    std::string text;
    if (exists) {
        std::optional<std::string> old = ReadFileUpTo(path, kMaxEntryBytes);
        if (!old || !IsEditableText(*old)) {
            return false;
        }
        std::optional<std::string> changed = SetDesktopEntryKey(*old, "Exec", exec);
        if (changed) {
            // Writing the command means it is to start again: the desktop's switches
            // that turned the entry off go.
            for (const std::string_view key : {"Hidden", "X-GNOME-Autostart-enabled"}) {
                if (auto without = RemoveDesktopEntryKey(*changed, key)) {
                    changed = std::move(without);
                }
            }
            text = std::move(*changed);
        } else {
            // A text without the group: ours goes first, as the format wants, and what
            // was there before follows unchanged.
            text = "[Desktop Entry]\nType=Application\nName=" + EscapeDesktopValue(name) +
                   "\nExec=" + exec + "\n" + *old;
        }
    } else {
        std::filesystem::create_directories(m_folder, ec);
        text = "[Desktop Entry]\nType=Application\nName=" + EscapeDesktopValue(name) +
               "\nExec=" + exec + "\nX-GNOME-Autostart-enabled=true\n";
    }
    return WriteFileAtomic(path, text);
}

bool XdgAutostartStore::Remove(const std::string& name) {
    if (!IsValidName(name)) {
        return false;
    }
    if (const std::optional<std::string> system = SystemEntryPath(name)) {
        // The user's copy of the entry (or the system's) with Hidden=true; the system's
        // folder is never touched.
        std::optional<std::string> text = ReadFileUpTo(PathOf(name), kMaxEntryBytes);
        if (!text || !IsEditableText(*text)) {
            text = ReadFileUpTo(*system, kMaxEntryBytes);
        }
        std::optional<std::string> hidden;
        if (text && IsEditableText(*text)) {
            hidden = SetDesktopEntryKey(*text, "Hidden", "true");
        }
        if (!hidden) {
            hidden = "[Desktop Entry]\nType=Application\nName=" + EscapeDesktopValue(name) +
                     "\nHidden=true\n";
        }
        std::error_code ec;
        std::filesystem::create_directories(m_folder, ec);
        return WriteFileAtomic(PathOf(name), *hidden);
    }
    std::error_code ec;
    std::filesystem::remove(PathOf(name), ec);
    return !ec;
}

}  // namespace qarvex
