#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/app_identity.h"
#include "platform/linux/desktop_entry.h"

namespace qarvex {

// One application entry that counts: the first of its id in the folders' order, of type
// Application, not Hidden (NoDisplay ones count: helpers and services have windows too).
struct IndexedEntry {
    std::string id;    // desktop file id: its path below "applications", "/" made "-"
    std::string path;  // the file
    DesktopEntry entry;
    std::string execProgram;  // the program Exec starts, found on $PATH; empty when none
    // Canonical programs that identify the application: TryExec's and Exec's, each
    // followed from an interpreter to its script.
    std::vector<std::string> programs;
};

// True for programs that run another file given on their command line (python3.11,
// perl, node, java, gjs, sh...): such a program says nothing about the application.
bool IsInterpreter(std::string_view programPath);

// The first argument after the program that names an existing file, canonical; relative
// ones are taken against folder (and passed over without one). Empty when there is none.
std::string FirstFileArgument(const std::vector<std::string>& argv, const std::string& folder,
                              ProcessFacts& facts);

// The Icon of the desktop entry file at path (a theme name or a file); empty when it
// names none or can't be read.
std::string DesktopEntryIcon(const std::string& path);

// The XDG data folders, the most important first: $XDG_DATA_HOME (or ~/.local/share),
// then each of $XDG_DATA_DIRS (or /usr/local/share:/usr/share); relative ones are ignored,
// none is given twice, none ends in "/" (but "/" itself).
std::vector<std::string> DataFolders(const std::string& xdgDataHome, const std::string& xdgDataDirs,
                                     const std::string& home);
std::vector<std::string> DataFoldersFromEnvironment();

// The applications installed for this user, read from the "applications" folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS (subfolders included). Read once and kept; Refresh()
// reads it again only when one of the folders changed.
class DesktopEntryIndex {
public:
    // folders: the "applications" folders, the most important first.
    DesktopEntryIndex(std::vector<std::string> folders, ProcessFacts& facts);

    // $XDG_DATA_HOME (or ~/.local/share), then each of $XDG_DATA_DIRS (or
    // /usr/local/share:/usr/share), each with "/applications"; relative ones are ignored.
    static std::vector<std::string> FoldersFor(const std::string& xdgDataHome,
                                               const std::string& xdgDataDirs,
                                               const std::string& home);
    static std::vector<std::string> FoldersFromEnvironment();

    // Rebuilds the index when a folder (or one below it) was added, removed or changed.
    void Refresh();
    int Builds() const { return m_builds; }

    const std::vector<IndexedEntry>& Entries();
    const IndexedEntry* ById(std::string_view id);
    const IndexedEntry* ByPath(std::string_view path);
    // StartupWMClass, ignoring case.
    const IndexedEntry* ByStartupWmClass(std::string_view wmClass);
    // The id without ".desktop", ignoring case; then its last dot-separated part.
    const IndexedEntry* ByFileName(std::string_view name);
    // An entry whose TryExec or Exec program is this canonical path.
    const IndexedEntry* ByProgram(std::string_view canonicalPath);
    // The first entry whose id starts with prefix (snaps name theirs "NAME_APP.desktop").
    const IndexedEntry* ByIdPrefix(std::string_view prefix);

private:
    void EnsureBuilt();
    void Build();
    std::map<std::string, std::int64_t> Stamps() const;
    void ResolvePrograms(IndexedEntry& indexed);

    std::vector<std::string> m_folders;
    ProcessFacts& m_facts;
    bool m_built = false;
    bool m_racy = false;  // a folder changed so recently that a change may be unseen
    int m_builds = 0;
    std::map<std::string, std::int64_t> m_stamps;  // every folder read, with its change time
    std::vector<IndexedEntry> m_entries;
    std::unordered_map<std::string, std::size_t> m_byId;
    std::unordered_map<std::string, std::size_t> m_byPath;
    std::unordered_map<std::string, std::size_t> m_byWmClass;   // lower-cased
    std::unordered_map<std::string, std::size_t> m_byFileName;  // lower-cased
    std::unordered_map<std::string, std::size_t> m_byLastPart;  // lower-cased
    std::unordered_map<std::string, std::size_t> m_byProgram;
};

}  // namespace qarvex
