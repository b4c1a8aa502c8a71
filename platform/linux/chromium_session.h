#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell_windows.h"

namespace qarvex {

// Browsers of the Chromium family (Chromium, Google Chrome, Microsoft Edge, Brave,
// Vivaldi, Opera) log every change to their open windows and tabs in the profile's
// session file ("SNSS": a header, then records of a 16-bit size, an 8-bit command and a
// payload). These functions replay that log the way the browser restores it and find
// the profiles of every installation. They never throw and never show anything.

// Session files larger than this are not read.
inline constexpr std::size_t kMaxSnssBytes = 64u * 1024u * 1024u;

// The work one reading of the session files may do, on the UI thread, in one pass: a
// unit per byte of the records replayed and per entry a record moves. Enough for twice
// the largest file read, however it is made; a hostile log (millions of prunes that each
// move hundreds of entries) is cut off there instead of holding the scan up for minutes.
class SnssBudget {
public:
    static constexpr std::size_t kUnits = 2 * kMaxSnssBytes;

    void Spend(std::size_t units) { m_spent += units; }
    bool Exhausted() const { return m_spent >= kUnits; }
    std::size_t Spent() const { return m_spent; }

private:
    std::size_t m_spent = 0;
};

// The current page of every tab, windows in the order they were opened and tabs in
// their order on the tab strip; closed tabs and windows are left out, and so are the
// browser's own pages (its new-tab page, settings). An empty title takes the address.
// A damaged record ends the replay with what came before it, and so does the budget's
// end; an encrypted or foreign file gives nothing.
std::vector<ShellWindow> PagesFromSnss(std::string_view bytes);
std::vector<ShellWindow> PagesFromSnss(std::string_view bytes, SnssBudget& budget);

// The session file the browser is writing now in one profile folder: the newest
// complete Sessions/Session_*, or "Current Session" of older builds. Empty when there
// is none.
std::string CurrentSessionFile(const std::string& profileDir);

// The profile folders one "Local State" names, most recently used first: the entries
// of profile.last_active_profiles, then the rest of profile.info_cache. "Default" when
// the text names none. Names that would leave userDataDir are dropped.
std::vector<std::string> ChromiumProfileDirs(std::string_view localState,
                                             const std::string& userDataDir);

// The folders that may hold a Chromium-family browser's user data for this user,
// native, Flatpak and snap installations ($XDG_CONFIG_HOME, or ~/.config when it is
// empty or relative).
std::vector<std::string> ChromiumUserDataDirs(const std::string& home,
                                              const std::string& xdgConfigHome);

// The open pages of every running Chromium-family browser, installation by
// installation, profile by profile. A browser that is not running (its SingletonLock
// names no live process on this host) contributes nothing.
std::vector<ShellWindow> ReadChromiumPages(const std::string& home,
                                           const std::string& xdgConfigHome);

}  // namespace qarvex
