#include "store/exclusions.h"

#include <algorithm>
#include <cctype>

#include "store/address_rules.h"
#include "store/host_names.h"
#include "store/strings.h"

namespace qarvex {

namespace {

constexpr std::string_view kFileMarker = "file:///";
constexpr std::string_view kDesktopSuffix = ".desktop";

// A "#" that begins the line or follows a blank; one inside a word ("C#", a page
// anchor) is part of the rule.
std::string_view StripComment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
            return line.substr(0, i);
        }
    }
    return line;
}

bool IsWindowsPath(std::string_view text) {
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) != 0 &&
           text[1] == ':';
}

char SeparatorOf(std::string_view folder) {
    return IsWindowsPath(folder) ? '\\' : '/';
}

std::string WithoutTrailingSeparators(std::string text) {
    const char separator = SeparatorOf(text);
    while (text.size() > 1 && text.back() == separator) {
        // "C:\" keeps its separator: "C:" alone names the drive's current folder.
        if (IsWindowsPath(text) && text.size() == 3) {
            break;
        }
        text.pop_back();
    }
    return text;
}

std::string_view BaseName(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// A program seen by its executable is matched to a desktop entry id by the id's last part:
// "org.gnome.Evince.desktop" stands for "evince", "gimp.desktop" for "gimp".
std::string_view LastIdPart(std::string_view id) {
    id.remove_suffix(kDesktopSuffix.size());
    const std::size_t dot = id.rfind('.');
    return dot == std::string_view::npos ? id : id.substr(dot + 1);
}

}  // namespace

std::string HostOfAddress(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) {
        return {};
    }
    std::string_view rest = address.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#\\"));
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos) {
        rest = rest.substr(at + 1);
    }
    if (StartsWith(rest, "[")) {
        const std::size_t close = rest.find(']');
        rest = close == std::string_view::npos ? rest : rest.substr(0, close + 1);
    } else {
        rest = rest.substr(0, rest.find(':'));
    }
    std::string host = Trim(rest);
    while (!host.empty() && host.back() == '.') {
        host.pop_back();
    }
    return AsciiHostName(host);
}

bool PathIsUnder(std::string_view path, std::string_view folder) {
    if (folder.empty() || path.empty()) {
        return false;
    }
    const std::string base = WithoutTrailingSeparators(std::string(folder));
    if (path == base) {
        return true;
    }
    if (!StartsWith(path, base)) {
        return false;
    }
    const char separator = SeparatorOf(base);
    // The root (or a drive root) already ends in its separator.
    return base.back() == separator || path[base.size()] == separator;
}

bool Exclusions::ParseRule(std::string_view line, std::string_view home, ExclusionRule& rule) {
    const std::string text = Trim(StripComment(line));
    if (text.empty()) {
        return false;
    }
    if (StartsWith(AsciiLower(text), "file://")) {
        std::string address = LocalFileAddress(text);
        if (!StartsWith(AsciiLower(address), kFileMarker)) {
            address = std::string(kFileMarker) + address.substr(7);
        }
        rule = {ExclusionRule::Kind::Path,
                WithoutTrailingSeparators(LocalPathForAddDoc(PercentDecode(address)))};
        return !rule.text.empty();
    }
    if (StartsWith(text, "~/") && !home.empty()) {
        std::string base(home);
        if (base.back() != '/') {
            base.push_back('/');
        }
        rule = {ExclusionRule::Kind::Path, WithoutTrailingSeparators(base + text.substr(2))};
        return true;
    }
    if (StartsWith(text, "/") || IsWindowsPath(text)) {
        rule = {ExclusionRule::Kind::Path, WithoutTrailingSeparators(text)};
        return true;
    }
    if (Contains(text, "://")) {
        rule = {ExclusionRule::Kind::Host, HostOfAddress(text)};
        return !rule.text.empty();
    }
    if (StartsWith(text, "*.")) {
        std::string host = text.substr(2);
        while (!host.empty() && host.back() == '.') {
            host.pop_back();
        }
        rule = {ExclusionRule::Kind::HostAndSubdomains, AsciiHostName(host)};
        return !rule.text.empty();
    }
    if (EndsWith(text, kDesktopSuffix) && text.size() > kDesktopSuffix.size()) {
        rule = {ExclusionRule::Kind::DesktopId, text};
        return true;
    }
    rule = {ExclusionRule::Kind::Name, text};
    return true;
}

Exclusions::Exclusions(const std::vector<std::string>& lines, std::string_view home,
                       EntryPrograms entryPrograms)
    : m_entryPrograms(std::move(entryPrograms)) {
    for (const std::string& line : lines) {
        ExclusionRule rule;
        if (ParseRule(line, home, rule)) {
            m_rules.push_back(std::move(rule));
        }
    }
}

bool Exclusions::MatchesProgram(std::string_view path, std::string_view name) const {
    const std::string program = Trim(path);
    const std::string_view file = BaseName(program);
    std::string_view stem = file;
    if (EndsWith(stem, kDesktopSuffix)) {
        stem.remove_suffix(kDesktopSuffix.size());
    }
    const std::string shownName = Trim(name);
    for (const ExclusionRule& rule : m_rules) {
        switch (rule.kind) {
            case ExclusionRule::Kind::Path:
                if (PathIsUnder(program, rule.text)) {
                    return true;
                }
                break;
            case ExclusionRule::Kind::DesktopId:
                if (file == rule.text || (stem.size() == file.size() &&
                                          EqualsIgnoreAsciiCase(LastIdPart(rule.text), file))) {
                    return true;
                }
                break;
            case ExclusionRule::Kind::Name:
                if (EqualsIgnoreAsciiCase(rule.text, shownName) ||
                    EqualsIgnoreAsciiCase(rule.text, file) ||
                    EqualsIgnoreAsciiCase(rule.text, stem)) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    // A desktop entry is recorded, but a rule may name the program it starts, by its
    // path or by its name.
    const bool programRules = std::any_of(m_rules.begin(), m_rules.end(), [](const auto& rule) {
        return rule.kind == ExclusionRule::Kind::Path || rule.kind == ExclusionRule::Kind::Name;
    });
    if (stem.size() == file.size() || !m_entryPrograms || !programRules) {
        return false;
    }
    for (const std::string& entryProgram : m_entryPrograms(program)) {
        for (const ExclusionRule& rule : m_rules) {
            if ((rule.kind == ExclusionRule::Kind::Path && PathIsUnder(entryProgram, rule.text)) ||
                (rule.kind == ExclusionRule::Kind::Name &&
                 EqualsIgnoreAsciiCase(rule.text, BaseName(entryProgram)))) {
                return true;
            }
        }
    }
    return false;
}

bool Exclusions::MatchesHost(std::string_view host) const {
    if (host.empty()) {
        return false;
    }
    for (const ExclusionRule& rule : m_rules) {
        switch (rule.kind) {
            case ExclusionRule::Kind::Host:
                if (host == rule.text) {
                    return true;
                }
                break;
            case ExclusionRule::Kind::Name:
                if (host == AsciiHostName(rule.text)) {
                    return true;
                }
                break;
            case ExclusionRule::Kind::HostAndSubdomains:
                if (host == rule.text ||
                    (host.size() > rule.text.size() && EndsWith(host, rule.text) &&
                     host[host.size() - rule.text.size() - 1] == '.')) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

bool Exclusions::MatchesLocalPath(std::string_view path) const {
    for (const ExclusionRule& rule : m_rules) {
        if (rule.kind == ExclusionRule::Kind::Path && PathIsUnder(path, rule.text)) {
            return true;
        }
    }
    return false;
}

bool Exclusions::MatchesSighting(std::string_view address, std::string_view name,
                                 bool software) const {
    if (m_rules.empty()) {
        return false;
    }
    try {
        if (software) {
            return MatchesProgram(Trim(address), name);
        }
        const std::string trimmed = LocalFileAddress(Trim(address));
        // Only a text that starts with the marker is a folder or file; a web address that
        // carries one further on is a page of its host.
        if (IsFileAddress(trimmed)) {
            // The history keeps the form with "%20" as a blank; a rule may name the folder
            // as the user sees it, with every escape decoded.
            const std::string stored = LocalPathForAddDoc(ReplaceAll(trimmed, "%20", " "));
            return MatchesLocalPath(stored) ||
                   MatchesLocalPath(LocalPathForAddDoc(PercentDecode(trimmed)));
        }
        // What the recent list and the favourites hold: the local path itself.
        if (StartsWith(trimmed, "/") || IsWindowsPath(trimmed)) {
            return MatchesLocalPath(trimmed);
        }
        return MatchesHost(HostOfAddress(trimmed));
    } catch (...) {
        return false;
    }
}

bool Exclusions::MatchesDoc(const TMyDoc& doc) const {
    if (m_rules.empty()) {
        return false;
    }
    try {
        switch (doc.DocType) {
            case dkSoftware:
                return MatchesProgram(doc.Path, doc.DisplayName);
            case dkFolderOrFile:
                return MatchesLocalPath(Trim(doc.Path));
            case dkWebPage:
                return MatchesHost(HostOfAddress(Trim(doc.Path)));
            default:
                return false;
        }
    } catch (...) {
        return false;
    }
}

std::vector<int> Exclusions::MatchingDocs(const DocTable& docs) const {
    std::vector<int> found;
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (MatchesDoc(docs[i])) {
            found.push_back(static_cast<int>(i));
        }
    }
    return found;
}

std::string NarrowestRuleFor(const TMyDoc& doc) {
    switch (doc.DocType) {
        case dkSoftware:
        case dkFolderOrFile:
            return Trim(doc.Path);
        case dkWebPage:
            return HostOfAddress(Trim(doc.Path));
        default:
            return {};
    }
}

}  // namespace qarvex
