#include "platform/wayland/gnome_extension.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qarvex {

namespace {

// Both formats share the listing; only how it is loaded differs.
constexpr const char* kListing = R"JS(
const IFACE = `<node>
  <interface name="org.qarvex.ShellWindows">
    <method name="GetWindows"><arg type="s" direction="out" name="windows"/></method>
  </interface>
</node>`;

// The window kinds of the report, numbered as KWin numbers them.
function windowKind(w) {
    switch (w.get_window_type()) {
    case Meta.WindowType.NORMAL: return 0;
    case Meta.WindowType.DIALOG:
    case Meta.WindowType.MODAL_DIALOG: return 5;
    case Meta.WindowType.UTILITY: return 8;
    default: return 1;
    }
}

function listWindows() {
    const windows = global.get_window_actors().map(a => a.meta_window).filter(w => w);
    const stacked = global.display.sort_windows_by_stacking(windows);
    return JSON.stringify(windows.map(w => ({
        caption: w.get_title() || '',
        pid: w.get_pid(),
        resourceClass: w.get_wm_class() || '',
        desktopFileName: w.get_gtk_application_id() || w.get_sandboxed_app_id() || '',
        skipTaskbar: w.is_skip_taskbar(),
        transient: w.get_transient_for() !== null,
        windowType: windowKind(w),
        minimized: w.minimized,
        stack: stacked.indexOf(w),
    })));
}

function exportWindows() {
    const impl = Gio.DBusExportedObject.wrapJSObject(IFACE, {GetWindows: listWindows});
    impl.export(Gio.DBus.session, '/org/qarvex/ShellWindows');
    return impl;
}
)JS";

constexpr const char* kLegacyHead =
    R"JS(// Lists the Shell's windows for Qarvex, on the Shell's own bus name.
const {Gio, Meta} = imports.gi;
)JS";

constexpr const char* kLegacyTail = R"JS(
class QarvexWindows {
    enable() { this._impl = exportWindows(); }
    disable() {
        if (this._impl) {
            this._impl.unexport();
            this._impl = null;
        }
    }
}

function init() {
    return new QarvexWindows();
}
)JS";

constexpr const char* kModuleHead =
    R"JS(// Lists the Shell's windows for Qarvex, on the Shell's own bus name.
import Gio from 'gi://Gio';
import Meta from 'gi://Meta';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
)JS";

constexpr const char* kModuleTail = R"JS(
export default class QarvexWindows extends Extension {
    enable() { this._impl = exportWindows(); }
    disable() {
        if (this._impl) {
            this._impl.unexport();
            this._impl = null;
        }
    }
}
)JS";

std::string Metadata(bool modules) {
    const char* versions = modules ? R"("45", "46", "47", "48", "49")"
                                   : R"("3.36", "3.38", "40", "41", "42", "43", "44")";
    return std::string("{\n  \"uuid\": \"") + kGnomeExtensionUuid +
           "\",\n  \"name\": \"Qarvex window list\",\n"
           "  \"description\": \"Lets Qarvex see which programs are open.\",\n"
           "  \"shell-version\": [" +
           versions + "],\n  \"url\": \"https://qarvex.org\"\n}\n";
}

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

std::string GnomeExtensionFolder(const std::string& dataHome) {
    return dataHome + "/gnome-shell/extensions/" + kGnomeExtensionUuid;
}

bool InstallGnomeExtensionIfMissing(const std::string& dataHome, int shellMajorVersion) {
    namespace fs = std::filesystem;
    if (dataHome.empty() || shellMajorVersion <= 0) {
        return false;
    }
    const fs::path folder = GnomeExtensionFolder(dataHome);
    std::error_code error;
    if (fs::exists(folder, error)) {
        return false;
    }
    // Written beside and moved into place, so a Shell never sees half an extension.
    const fs::path partial = folder.string() + ".partial";
    fs::remove_all(partial, error);
    if (!fs::create_directories(partial, error)) {
        return false;
    }
    const bool modules = shellMajorVersion >= 45;
    const std::string script = modules ? std::string(kModuleHead) + kListing + kModuleTail
                                       : std::string(kLegacyHead) + kListing + kLegacyTail;
    if (!WriteFile(partial / "metadata.json", Metadata(modules)) ||
        !WriteFile(partial / "extension.js", script)) {
        fs::remove_all(partial, error);
        return false;
    }
    fs::rename(partial, folder, error);
    if (error) {
        fs::remove_all(partial, error);
        return false;
    }
    return true;
}

std::string GnomeExtensionNotice() {
    return "Qarvex 已为 GNOME Shell 安装了“Qarvex window list”扩展，用来记录打开的程序。"
           "请注销并重新登录，然后在“扩展”应用中启用它（或运行 gnome-extensions enable "
           "qarvex-windows@qarvex.org）。启用之前，Qarvex 只能记录通过 XWayland 运行的程序。";
}

}  // namespace qarvex
