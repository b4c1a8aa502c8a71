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

// systemd writes "-" inside a unit name's parts as "\x2d".
std::string UnescapeUnitName(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            HexDigitValue(text[i + 2]) >= 0 && HexDigitValue(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
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

// An AppImage's programs run from its mount ("$TMPDIR/.mount_XXXXXX") or from where it
// was extracted; a snap's from /snap/NAME/REVISION.
// The application an entry is, as the history records it.
AppIdentity WithEntry(AppIdentity identity, const IndexedEntry& entry,
                      const std::vector<std::string>& localePostfixes) {
    identity.path = entry.path;
    identity.execProgram = entry.execProgram;
    identity.entryId = entry.id;
    identity.icon = entry.entry.icon.value_or("");
    identity.name = LocalizedName(entry.entry, localePostfixes);
    return identity;
}

bool RunsFromImage(std::string_view program) {
    return Contains(program, "/.mount_") || Contains(program, "/squashfs-root/") ||
           Contains(program, "/appimage_extracted_") || StartsWith(program, "/snap/");
}

}  // namespace

AppResolver::AppResolver(DesktopEntryIndex& index, ProcessFacts& facts,
                         std::vector<std::string> localePostfixes)
    : m_index(index), m_facts(facts), m_localePostfixes(std::move(localePostfixes)) {}

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

AppResolver::Process& AppResolver::ProcessOf(std::int64_t pid) {
    // A pass that never ends (a caller that forgets StartPass) still can't grow without
    // bound.
    constexpr std::size_t kMaxProcesses = 4096;
    if (const auto it = m_processes.find(pid); it != m_processes.end()) {
        return it->second;
    }
    if (m_processes.size() >= kMaxProcesses) {
        m_processes.clear();
    }
    Process& process = m_processes[pid];
    process.program = m_facts.Executable(pid).value_or("");
    process.followed = process.program;
    process.sandboxed = !m_facts.SeesOurFileSystem(pid);
    if (!process.sandboxed && !process.program.empty() && IsInterpreter(process.program)) {
        std::string script = FirstFileArgument(m_facts.CommandLine(pid),
                                               m_facts.WorkingFolder(pid).value_or(""), m_facts);
        if (!script.empty()) {
            process.followed = std::move(script);
        }
    }
    return process;
}

void AppResolver::ReadSandbox(std::int64_t pid, Process& process) {
    if (process.sandboxRead) {
        return;
    }
    process.sandboxRead = true;
    if (const auto info = m_facts.FlatpakInfo(pid)) {
        process.flatpakId = FlatpakApplicationId(*info);
        if (Contains(process.flatpakId, "/")) {
            process.flatpakId.clear();
        }
    }
    const std::string groups = m_facts.ControlGroups(pid);
    process.groupIds = IdsFromControlGroup(groups);
    // A desktop's launcher puts the program it starts in a unit of its own, and everything
    // that program starts inherits it: a program run from a terminal's shell sits in the
    // terminal's unit. Only the process the launcher placed there (its parent is outside)
    // is that application; sandboxes and snaps name what runs inside them whoever started it.
    if (!process.groupIds.empty() && Contains(groups, "/app-") &&
        !Contains(groups, "/app-flatpak-")) {
        const std::optional<std::int64_t> parent = m_facts.ParentProcess(pid);
        if (parent && m_facts.ControlGroups(*parent) == groups &&
            m_facts.Executable(*parent).value_or("") != process.program) {
            process.groupIds.clear();
        }
    }
    // Programs an AppImage or a snap starts from elsewhere inherit its variables: only a
    // program running from the image itself is the image's application. This also spares
    // reading every other process's environment.
    if (!RunsFromImage(process.program)) {
        return;
    }
    const auto variables = m_facts.EnvironmentVariables(pid, {"APPIMAGE", "SNAP_NAME"});
    if (const auto it = variables.find("APPIMAGE"); it != variables.end()) {
        // An AppImage runs from a mount that is gone after it ends: its file is what stays.
        if (StartsWith(it->second, "/") && m_facts.CanonicalFile(it->second)) {
            process.appImage = it->second;
        }
    }
    if (const auto it = variables.find("SNAP_NAME"); it != variables.end()) {
        if (!Contains(it->second, "/")) {
            process.snapName = it->second;
        }
    }
}

const IndexedEntry* AppResolver::FromSandbox(const Process& process) {
    if (!process.flatpakId.empty()) {
        if (const IndexedEntry* entry = m_index.ById(WithDesktopSuffix(process.flatpakId))) {
            return entry;
        }
    }
    for (const std::string& id : process.groupIds) {
        if (const IndexedEntry* entry = m_index.ById(id)) {
            return entry;
        }
    }
    if (!process.appImage.empty()) {
        if (const auto file = m_facts.CanonicalFile(process.appImage)) {
            if (const IndexedEntry* entry = m_index.ByProgram(*file)) {
                return entry;
            }
        }
    }
    if (!process.snapName.empty()) {
        if (const IndexedEntry* entry =
                m_index.ById(process.snapName + "_" + process.snapName + ".desktop")) {
            return entry;
        }
        if (const IndexedEntry* entry = m_index.ByIdPrefix(process.snapName + "_")) {
            return entry;
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

// A process that sees another file system (a Flatpak, a snap, any other mount namespace
// or root) names files that are not ours under its paths: ~/.var/app/..., /app/bin/x or
// a script of its own would be recorded as whatever this machine has there, and started
// from there later. Such a process is recorded only as the application installed for it:
// the entry its sandbox, its launcher or its window names (a Flatpak's exported entry
// starts "flatpak run"), or a snap's launcher; never as a file, and not at all without one.
std::optional<AppIdentity> AppResolver::ResolveSandboxed(const WindowHints& hints,
                                                         Process& process) {
    const IndexedEntry* entry = nullptr;
    if (hints.pid) {
        ReadSandbox(*hints.pid, process);
        entry = FromSandbox(process);
    }
    if (entry == nullptr) {
        entry = FromWindow(hints);
    }
    if (entry == nullptr) {
        entry = FromWmClass(hints);
    }
    AppIdentity identity;
    identity.programPath = process.program;
    if (entry != nullptr) {
        return WithEntry(std::move(identity), *entry, m_localePostfixes);
    }
    const std::string launcher = "/snap/bin/" + process.snapName;
    if (!process.snapName.empty() && m_facts.CanonicalFile(launcher)) {
        identity.path = launcher;
        return identity;
    }
    return std::nullopt;
}

std::optional<AppIdentity> AppResolver::Resolve(const WindowHints& hints) {
    Process noProcess;
    Process& process = hints.pid ? ProcessOf(*hints.pid) : noProcess;
    if (process.sandboxed) {
        return ResolveSandboxed(hints, process);
    }
    AppIdentity identity;
    identity.programPath = process.program;

    const IndexedEntry* entry = FromWindow(hints);
    if (entry == nullptr && hints.pid) {
        ReadSandbox(*hints.pid, process);
        entry = FromSandbox(process);
    }
    if (entry == nullptr) {
        entry = FromWmClass(hints);
    }
    if (entry == nullptr && !process.followed.empty()) {
        entry = m_index.ByProgram(process.followed);
    }
    if (entry != nullptr) {
        return WithEntry(std::move(identity), *entry, m_localePostfixes);
    }
    // A snap runs from a folder named after its revision; its command stays.
    if (!process.appImage.empty()) {
        identity.path = process.appImage;
    } else if (!process.snapName.empty()) {
        identity.path = "/snap/bin/" + process.snapName;
    } else if (!process.followed.empty()) {
        identity.path = process.followed;
    } else {
        return std::nullopt;
    }
    return identity;
}

}  // namespace qarvex
