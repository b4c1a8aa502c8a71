#include "platform/wayland/kwin_report.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

namespace qarvex {

namespace {

// NET::WindowType: Unknown and Normal windows are the ones a taskbar shows.
constexpr int kUnknownType = -1;
constexpr int kNormalType = 0;

// Script text carries the names as JavaScript string literals.
std::string JsString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            continue;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string KWinScriptText(std::string_view service, std::string_view objectPath,
                           std::string_view interfaceName, std::string_view token) {
    std::string script = R"JS((function () {
    var list = typeof workspace.windowList === "function" ? workspace.windowList()
                                                          : workspace.clientList();
    var stacking = workspace.stackingOrder || [];
    var out = [];
    for (var i = 0; i < list.length; ++i) {
        var w = list[i];
        out.push({
            caption: String(w.caption || ""),
            pid: Number(w.pid || 0),
            resourceClass: String(w.resourceClass || ""),
            desktopFileName: String(w.desktopFileName || ""),
            skipTaskbar: !!w.skipTaskbar,
            transient: !!w.transient,
            windowType: Number(w.windowType),
            minimized: !!w.minimized,
            stack: stacking.indexOf(w),
            x11: Number(w.windowId || 0) > 0
        });
    }
    callDBus()JS";
    script += JsString(service) + ", " + JsString(objectPath) + ", " + JsString(interfaceName) +
              ", \"Report\", " + JsString(token) + ", JSON.stringify(out));\n})();\n";
    return script;
}

std::optional<std::vector<WaylandToplevel>> ParseWindowReport(std::string_view json) {
    const nlohmann::json report = nlohmann::json::parse(json, nullptr, false);
    if (!report.is_array()) {
        return std::nullopt;
    }
    std::vector<std::pair<std::int64_t, WaylandToplevel>> stacked;
    for (const nlohmann::json& item : report) {
        if (!item.is_object()) {
            continue;
        }
        const auto text = [&item](const char* key) {
            const auto it = item.find(key);
            return it != item.end() && it->is_string() ? it->get<std::string>() : std::string();
        };
        const auto flag = [&item](const char* key) {
            const auto it = item.find(key);
            return it != item.end() && it->is_boolean() && it->get<bool>();
        };
        // Scripts write whole numbers; anything else (1e30 does not fit any integer) is
        // no value at all.
        const auto number = [&item](const char* key, std::int64_t otherwise) {
            const auto it = item.find(key);
            if (it == item.end() || !it->is_number_integer() ||
                (it->is_number_unsigned() &&
                 it->get<std::uint64_t>() >
                     static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))) {
                return otherwise;
            }
            return it->get<std::int64_t>();
        };
        WaylandToplevel window;
        window.title = text("caption");
        window.resourceClass = text("resourceClass");
        window.desktopFile = text("desktopFileName");
        window.appId = window.desktopFile;
        window.minimized = flag("minimized");
        window.hasParent = flag("transient");
        const std::int64_t type = number("windowType", kUnknownType);
        window.toolWindow = flag("skipTaskbar") || (type != kUnknownType && type != kNormalType);
        // For an X11 window KWin passes on the window's own _NET_WM_PID, which can name
        // any process; the X side asks the X server instead.
        const std::int64_t pid = number("pid", 0);
        if (pid > 0 && !flag("x11")) {
            window.pid = pid;
        }
        stacked.emplace_back(number("stack", -1), std::move(window));
    }
    // stackingOrder runs bottom to top; windows it doesn't hold keep the list's order.
    std::stable_sort(stacked.begin(), stacked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<WaylandToplevel> windows;
    windows.reserve(stacked.size());
    for (auto& [stack, window] : stacked) {
        windows.push_back(std::move(window));
    }
    return windows;
}

}  // namespace qarvex
