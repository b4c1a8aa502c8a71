#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

// One line of the "不记录以下内容" list.
struct ExclusionRule {
    enum class Kind {
        Path,               // a folder or program file, and everything under it
        Host,               // exactly this web host
        HostAndSubdomains,  // "*.example.com": the host and every host below it
        DesktopId,          // "firefox.desktop"
        Name,               // a program's name or file name, or a bare host
    };
    Kind kind = Kind::Name;
    std::string text;  // normalised: hosts lower-cased, paths without a trailing separator
};

// What the user asked never to record. Sightings that match are dropped before they
// reach the history, so nothing of them is kept anywhere.
class Exclusions {
public:
    // The programs a desktop entry file starts (its TryExec and Exec, found on $PATH):
    // the history records an application by its entry, while a rule may name its program.
    using EntryPrograms = std::function<std::vector<std::string>(const std::string& entryPath)>;

    Exclusions() = default;
    // One rule per line; "#" at the start of a line or after a blank starts a comment.
    // A leading "~/" stands for home. Host rules hold hosts in their ASCII form.
    Exclusions(const std::vector<std::string>& lines, std::string_view home,
               EntryPrograms entryPrograms = {});

    // The rule a line states, or false for a blank or comment-only line.
    static bool ParseRule(std::string_view line, std::string_view home, ExclusionRule& rule);

    bool Empty() const { return m_rules.empty(); }
    const std::vector<ExclusionRule>& Rules() const { return m_rules; }

    // A sighting as the scan hands it over: a program path (software), a "file:///"
    // address (folder or file; "file://localhost/" too), a local path (as the recent list
    // holds it) or a web address.
    bool MatchesSighting(std::string_view address, std::string_view name, bool software) const;
    // An entry already in the history.
    bool MatchesDoc(const TMyDoc& doc) const;
    // The indexes of the entries that match, in table order.
    std::vector<int> MatchingDocs(const DocTable& docs) const;

private:
    bool MatchesProgram(std::string_view path, std::string_view name) const;
    bool MatchesHost(std::string_view host) const;
    bool MatchesLocalPath(std::string_view path) const;

    std::vector<ExclusionRule> m_rules;
    EntryPrograms m_entryPrograms;
};

// The narrowest rule that keeps an entry out: its program, its host or its own path.
// Empty when the entry gives none.
std::string NarrowestRuleFor(const TMyDoc& doc);

// The host of a web address in its ASCII form (see AsciiHostName), without user, port or
// trailing dot.
std::string HostOfAddress(std::string_view address);

// True when path is folder itself or lies under it; only whole path components count, so
// "/home/u/doc" does not hold "/home/u/docs".
bool PathIsUnder(std::string_view path, std::string_view folder);

}  // namespace qarvex
