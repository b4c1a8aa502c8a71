#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/autostart_store.h"

namespace qarvex {

// The session's start-up commands as desktop entries in one folder (the user's
// ~/.config/autostart): the value `name` is the file "<folder>/<name>.desktop" and its
// data is the entry's Exec command.
//
// The folder is shared with every other program of the session, so this store never
// damages a file it did not make: changing a value rewrites only the Exec line of an
// existing entry, every other byte stays, and files are replaced atomically. Names that
// could lead outside the folder ("", ".", "..", anything with "/" or NUL) are refused.
class XdgAutostartStore : public AutostartStore {
public:
    // systemFolders: the system's autostart folders, the one that wins first
    // ($XDG_CONFIG_DIRS, each with "/autostart"). They are read, never written.
    explicit XdgAutostartStore(std::string folder, std::vector<std::string> systemFolders = {});

    // The system folders for a $XDG_CONFIG_DIRS value ("/etc/xdg" when unset or empty).
    static std::vector<std::string> SystemFolders(const char* xdgConfigDirs);

    const std::string& Folder() const { return m_folder; }

    // Every *.desktop file, sorted by file name; a missing folder is an empty store, a
    // folder that can't be read gives nothing. Data is missing for an entry without a
    // readable Exec (a binary or broken file, no [Desktop Entry] group, no Exec key).
    std::optional<std::vector<Value>> List() override;
    // The command of an entry the session runs: nothing for one switched off (Hidden=true,
    // X-GNOME-Autostart-enabled=false).
    std::optional<std::string> Read(const std::string& name) override;
    // Creates the folder and the entry when missing; an existing entry loses the keys
    // that switched it off. False when the name is refused, the
    // existing file can't be read as a desktop entry text (it is then left alone) or the
    // file can't be written.
    bool Write(const std::string& name, const std::string& data) override;
    // A name the system also provides can't be removed by deleting a file: the user's
    // entry then says Hidden=true, which switches the system's off (the XDG rule).
    bool Remove(const std::string& name) override;
    // Sorted by name; an entry with Hidden=true or X-GNOME-Autostart-enabled=false is off.
    std::optional<std::vector<Value>> ListAll() override;

    static bool IsValidName(const std::string& name);

private:
    std::string PathOf(const std::string& name) const;

    std::optional<std::string> SystemEntryPath(const std::string& name) const;

    std::string m_folder;
    std::vector<std::string> m_systemFolders;
};

}  // namespace qarvex
