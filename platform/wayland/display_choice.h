#pragma once

#include <string>

namespace qarvex {

// How the program's own window reaches the screen.
enum class DisplayRoute {
    X11,            // an X session
    XWayland,       // a Wayland session, the window through its X server
    NativeWayland,  // a Wayland session without an X server
    UserChoice,     // QT_QPA_PLATFORM names the platform
};

// The session's variables, as found at start; empty when unset.
struct DisplayEnvironment {
    std::string waylandDisplay;
    std::string display;
    std::string qtPlatform;  // QT_QPA_PLATFORM
};

DisplayEnvironment DisplayEnvironmentFromProcess();

// Placing the window at the lower right, hiding it off-screen and keeping it on top
// work only under X: in a Wayland session with an X server the window goes there.
DisplayRoute ChooseDisplayRoute(const DisplayEnvironment& environment);

// The Qt platform to force before the application object is made; empty to leave
// Qt's own choice alone.
std::string ForcedQtPlatform(DisplayRoute route);

// Whether the window system lets a program place its own window (off-screen included).
// Native Wayland doesn't: there a window minimised to the tray must be hidden instead.
bool PlacesOwnWindows(const std::string& qtPlatformName);

// One line for --version and bug reports: "display: X11 through XWayland (xcb)".
std::string DescribeDisplayRoute(DisplayRoute route, const DisplayEnvironment& environment);

}  // namespace qarvex
