#include "platform/wayland/display_choice.h"

#include <cstdlib>

namespace qarvex {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

DisplayEnvironment DisplayEnvironmentFromProcess() {
    DisplayEnvironment environment;
    environment.waylandDisplay = Variable("WAYLAND_DISPLAY");
    environment.display = Variable("DISPLAY");
    environment.qtPlatform = Variable("QT_QPA_PLATFORM");
    return environment;
}

DisplayRoute ChooseDisplayRoute(const DisplayEnvironment& environment) {
    if (!environment.qtPlatform.empty()) {
        return DisplayRoute::UserChoice;
    }
    if (environment.waylandDisplay.empty()) {
        return DisplayRoute::X11;
    }
    return environment.display.empty() ? DisplayRoute::NativeWayland : DisplayRoute::XWayland;
}

std::string ForcedQtPlatform(DisplayRoute route) {
    return route == DisplayRoute::XWayland ? std::string("xcb") : std::string();
}

bool PlacesOwnWindows(const std::string& qtPlatformName) {
    return qtPlatformName.rfind("wayland", 0) != 0;
}

std::string DescribeDisplayRoute(DisplayRoute route, const DisplayEnvironment& environment) {
    switch (route) {
        case DisplayRoute::X11:
            return "display: X11";
        case DisplayRoute::XWayland:
            return "display: X11 through XWayland (xcb) in a Wayland session";
        case DisplayRoute::NativeWayland:
            return "display: native Wayland (no XWayland)";
        case DisplayRoute::UserChoice:
            return "display: QT_QPA_PLATFORM=" + environment.qtPlatform;
    }
    return "display: unknown";
}

}  // namespace qarvex
