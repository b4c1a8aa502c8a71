#pragma once

#include "platform/app_identity.h"

namespace qarvex {

// The browsers whose open pages are read from their session files: Firefox and the
// browsers built from it (LibreWolf, Waterfox, Floorp, Zen, Mullvad Browser), and the
// Chromium family (Chromium, Google Chrome, Microsoft Edge, Brave, Vivaldi, Opera). Their
// pages are what gets recorded, so their windows are not programs. An application is one
// of them by its program, by the program its entry starts, or by its entry's id (native,
// Flatpak and snap ids); names are whole, so "zenity" is not Zen.
bool IsBrowserApplication(const AppIdentity& app);

}  // namespace qarvex
