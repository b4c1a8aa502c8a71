#pragma once

#include <string>
#include <string_view>

namespace qarvex {

// Browsers keep their session files after they end, crashed or killed, and the tabs in
// such a file are no longer open. A running browser holds a lock in its profile: a
// symbolic link whose target names the host and the process. Only a profile whose lock
// names a live process on this host is read.

// This machine's host name, as Chromium writes it into SingletonLock.
std::string ThisHostName();

// The address Firefox writes for this machine into its lock: the IPv4 address this
// host's name resolves to, 127.0.0.1 when it resolves to none.
std::string ThisFirefoxLockHost();

// True when a process with this id exists (one of another user counts too).
bool ProcessIsAlive(long pid);

// Firefox and its relatives: "<address>:+<pid>" (or "<address>:<pid>"), the link
// `lock` in the profile folder.
bool FirefoxLockTargetIsLive(std::string_view target);
bool FirefoxProfileIsInUse(const std::string& profileDir);

// The Chromium family: "<host name>-<pid>", the link `SingletonLock` in the user-data
// folder (host names may hold "-" themselves; the pid follows the last one).
bool ChromiumLockTargetIsLive(std::string_view target);
bool ChromiumUserDataIsInUse(const std::string& userDataDir);

}  // namespace qarvex
