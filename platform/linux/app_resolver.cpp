#include "platform/linux/app_resolver.h"

#include <algorithm>

#include "store/strings.h"

namespace qarvex {

namespace {

std::string WithDesktopSuffix(std::string_view id) {
    std::string out(id);
    if (!EndsWith(out, ".desktop")) {
        out += ".desktop";
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// systemd writes "-" inside a unit name's parts as "\x2d".
std::string UnescapeUnitName(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

void AddCandidate(std::vector<std::string>& ids, std::string_view id) {
    if (id.empty() || Contains(id, "/")) {
        return;
    }
    std::string full = WithDesktopSuffix(id);
    if (std::find(ids.begin(), ids.end(), full) == ids.end()) {
        ids.push_back(std::move(full));
    }
}

// "app-[LAUNCHER-]ID-RANDOM.scope" or "app-[LAUNCHER-]ID[@RANDOM].service".
void IdsFromAppUnit(std::string_view unit, std::vector<std::string>& ids) {
    std::string_view rest = unit.substr(4);
    if (EndsWith(rest, ".scope")) {
        rest.remove_suffix(6);
        const std::size_t dash = rest.rfind('-');
        if (dash == std::string_view::npos) {
            return;  // a scope always ends in a random part
        }
        rest = rest.substr(0, dash);
    } else if (EndsWith(rest, ".service")) {
        rest.remove_suffix(8);
        const std::size_t at = rest.find('@');
        if (at != std::string_view::npos) {
            rest = rest.substr(0, at);
        }
    } else {
        return;
    }
    // Dashes inside the id are escaped, so a bare one ends the launcher's name. Desktops
    // that don't escape still find their id in the whole text.
    const std::size_t dash = rest.find('-');
    if (dash != std::string_view::npos) {
        AddCandidate(ids, UnescapeUnitName(rest.substr(dash + 1)));
    }
    AddCandidate(ids, UnescapeUnitName(rest));
}

// "snap.NAME.APP.UUID.scope" names the entry "NAME_APP.desktop".
void IdsFromSnapUnit(std::string_view unit, std::vector<std::string>& ids) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= unit.size()) {
        std::size_t dot = unit.find('.', start);
        if (dot == std::string_view::npos) {
            dot = unit.size();
        }
        parts.push_back(unit.substr(start, dot - start));
        start = dot + 1;
    }
    if (parts.size() >= 4 && !parts[1].empty() && !parts[2].empty()) {
        AddCandidate(ids, std::string(parts[1]) + "_" + std::string(parts[2]));
    }
}

}  // namespace

AppResolver::AppResolver(DesktopEntryIndex& index, ProcessFacts& facts)
    : m_index(index), m_facts(facts) {}

std::vector<std::string> AppResolver::IdsFromControlGroup(std::string_view groups) {
    std::vector<std::string> ids;
    std::size_t start = 0;
    while (start < groups.size()) {
        std::size_t end = groups.find('\n', start);
        if (end == std::string_view::npos) {
            end = groups.size();
        }
        // "hierarchy:controllers:/path/of/units"
        std::string_view line = groups.substr(start, end - start);
        start = end + 1;
        const std::size_t colon = line.find(':', line.find(':') + 1);
        if (colon == std::string_view::npos) {
            continue;
        }
        std::string_view path = line.substr(colon + 1);
        // The innermost unit says most: walk from the end.
        while (!path.empty()) {
            const std::size_t slash = path.rfind('/');
            const std::string_view unit =
                slash == std::string_view::npos ? path : path.substr(slash + 1);
            if (StartsWith(unit, "app-")) {
                IdsFromAppUnit(unit, ids);
            } else if (StartsWith(unit, "snap.")) {
                IdsFromSnapUnit(unit, ids);
            }
            path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
        }
    }
    return ids;
}

std::string AppResolver::FlatpakApplicationId(std::string_view info) {
    bool inApplication = false;
    std::size_t start = 0;
    while (start < info.size()) {
        std::size_t end = info.find('\n', start);
        if (end == std::string_view::npos) {
            end = info.size();
        }
        const std::string line = Trim(info.substr(start, end - start));
        start = end + 1;
        if (StartsWith(line, "[")) {
            inApplication = line == "[Application]";
        } else if (inApplication && StartsWith(line, "name")) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos && Trim(std::string_view(line).substr(0, eq)) == "name") {
                return Trim(std::string_view(line).substr(eq + 1));
            }
        }
    }
    return {};
}

const IndexedEntry* AppResolver::FromWindow(const WindowHints& hints) {
    if (!hints.appId.empty()) {
        if (const IndexedEntry* entry = m_index.ById(WithDesktopSuffix(hints.appId))) {
            return entry;
        }
    }
    for (const std::string* named : {&hints.kdeDesktopFile, &hints.bamfDesktopFile}) {
        if (named->empty()) {
            continue;
        }
        if (StartsWith(*named, "/")) {
            if (const IndexedEntry* entry = m_index.ByPath(*named)) {
                return entry;
            }
            const std::size_t slash = named->rfind('/');
            if (const IndexedEntry* entry = m_index.ById(named->substr(slash + 1))) {
                return entry;
            }
        } else if (const IndexedEntry* entry = m_index.ById(WithDesktopSuffix(*named))) {
            return entry;
        }
    }
    return nullptr;
}

const IndexedEntry* AppResolver::FromSandbox(std::int64_t pid) {
    if (const auto info = m_facts.FlatpakInfo(pid)) {
        const std::string id = FlatpakApplicationId(*info);
        if (!id.empty() && !Contains(id, "/")) {
            if (const IndexedEntry* entry = m_index.ById(WithDesktopSuffix(id))) {
                return entry;
            }
        }
    }
    for (const std::string& id : IdsFromControlGroup(m_facts.ControlGroups(pid))) {
        if (const IndexedEntry* entry = m_index.ById(id)) {
            return entry;
        }
    }
    if (const auto appImage = m_facts.EnvironmentVariable(pid, "APPIMAGE")) {
        if (const auto file = m_facts.CanonicalFile(*appImage)) {
            if (const IndexedEntry* entry = m_index.ByProgram(*file)) {
                return entry;
            }
        }
    }
    if (const auto snap = m_facts.EnvironmentVariable(pid, "SNAP_NAME")) {
        if (!snap->empty() && !Contains(*snap, "/")) {
            if (const IndexedEntry* entry = m_index.ById(*snap + "_" + *snap + ".desktop")) {
                return entry;
            }
            if (const IndexedEntry* entry = m_index.ByIdPrefix(*snap + "_")) {
                return entry;
            }
        }
    }
    return nullptr;
}

const IndexedEntry* AppResolver::FromWmClass(const WindowHints& hints) {
    for (const std::string* name : {&hints.wmClassClass, &hints.wmClassInstance}) {
        if (const IndexedEntry* entry = m_index.ByStartupWmClass(*name)) {
            return entry;
        }
    }
    for (const std::string* name : {&hints.wmClassClass, &hints.wmClassInstance}) {
        if (const IndexedEntry* entry = m_index.ByFileName(*name)) {
            return entry;
        }
    }
    return nullptr;
}

std::optional<AppIdentity> AppResolver::Resolve(const WindowHints& hints) {
    AppIdentity identity;
    std::string followed;  // the program, or the script an interpreter runs
    if (hints.pid) {
        identity.programPath = m_facts.Executable(*hints.pid).value_or("");
        followed = identity.programPath;
        if (!followed.empty() && IsInterpreter(followed)) {
            std::string script =
                FirstFileArgument(m_facts.CommandLine(*hints.pid),
                                  m_facts.WorkingFolder(*hints.pid).value_or(""), m_facts);
            if (!script.empty()) {
                followed = std::move(script);
            }
        }
    }

    const IndexedEntry* entry = FromWindow(hints);
    if (entry == nullptr && hints.pid) {
        entry = FromSandbox(*hints.pid);
    }
    if (entry == nullptr) {
        entry = FromWmClass(hints);
    }
    if (entry == nullptr && !followed.empty()) {
        entry = m_index.ByProgram(followed);
    }
    if (entry != nullptr) {
        identity.path = entry->path;
        identity.execProgram = entry->execProgram;
        identity.entryId = entry->id;
        identity.icon = entry->entry.icon.value_or("");
        return identity;
    }

    if (hints.pid) {
        // An AppImage runs from a mount that is gone after it ends; a snap from a folder
        // named after its revision.
        if (const auto appImage = m_facts.EnvironmentVariable(*hints.pid, "APPIMAGE")) {
            if (StartsWith(*appImage, "/") && m_facts.CanonicalFile(*appImage)) {
                identity.path = *appImage;
                return identity;
            }
        }
        if (const auto snap = m_facts.EnvironmentVariable(*hints.pid, "SNAP_NAME")) {
            if (!snap->empty() && !Contains(*snap, "/")) {
                identity.path = "/snap/bin/" + *snap;
                return identity;
            }
        }
    }
    if (followed.empty()) {
        return std::nullopt;
    }
    identity.path = followed;
    return identity;
}

}  // namespace qarvex
