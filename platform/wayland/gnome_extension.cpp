#include "platform/wayland/gnome_extension.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "platform/linux/bounded_read.h"
#include "platform/messages.h"
#include "store/ini_file.h"

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
        x11: w.get_client_type() === Meta.WindowClientType.X11,
    })));
}

// Asks the bus one thing about the connection a call came from.
function askBus(method, sender, then) {
    Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
        'org.freedesktop.DBus', method, new GLib.Variant('(s)', [sender]),
        new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, -1, null, (bus, result) => {
            let value = null;
            try {
                value = bus.call_finish(result).deepUnpack()[0];
            } catch (e) {
                value = null;
            }
            then(value);
        });
}

// The window list tells what the user has open: only Qarvex itself may have it. Who owns
// a name proves nothing; the bus knows the caller's user and process, and the process's
// program must be the one this extension was installed for.
function callerIsQarvex(sender, done) {
    askBus('GetConnectionUnixUser', sender, uid => {
        if (uid === null || uid !== new Gio.Credentials().get_unix_user()) {
            done(false);
            return;
        }
        askBus('GetConnectionUnixProcessID', sender, pid => {
            let program = null;
            try {
                program = pid === null ? null : GLib.file_read_link(`/proc/${pid}/exe`);
            } catch (e) {
                program = null;
            }
            if (program !== null && program.endsWith(' (deleted)')) {
                program = program.slice(0, -' (deleted)'.length);
            }
            done(program === PROGRAM);
        });
    });
}

function exportWindows() {
    const impl = Gio.DBusExportedObject.wrapJSObject(IFACE, {
        GetWindowsAsync(params, invocation) {
            callerIsQarvex(invocation.get_sender(), allowed => {
                if (allowed) {
                    invocation.return_value(new GLib.Variant('(s)', [listWindows()]));
                } else {
                    invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
                        'Only Qarvex may list the windows.');
                }
            });
        },
    });
    impl.export(Gio.DBus.session, '/org/qarvex/ShellWindows');
    return impl;
}
)JS";

constexpr const char* kLegacyHead =
    R"JS(// Lists the Shell's windows for Qarvex, on the Shell's own bus name.
const {Gio, GLib, Meta} = imports.gi;
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
import GLib from 'gi://GLib';
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

std::string Metadata(bool modules, const std::string& programPath) {
    const nlohmann::json versions =
        modules ? nlohmann::json::array({"45", "46", "47", "48", "49"})
                : nlohmann::json::array({"3.36", "3.38", "40", "41", "42", "43", "44"});
    const nlohmann::json metadata = {
        {"uuid", kGnomeExtensionUuid},
        {"name", "Qarvex window list"},
        {"description", "Lets Qarvex see which programs are open."},
        {"shell-version", versions},
        {"url", "https://qarvex.org"},
        {"qarvex-revision", kGnomeExtensionRevision},
        {"qarvex-program", programPath},
    };
    return metadata.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
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

GnomeExtensionState InstalledGnomeExtension(const std::string& dataHome,
                                            const std::string& programPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = GnomeExtensionFolder(dataHome);
    if (dataHome.empty() || !fs::exists(folder, error)) {
        return GnomeExtensionState::Missing;
    }
    const nlohmann::json metadata = nlohmann::json::parse(
        ReadFileUpTo((folder / "metadata.json").string(), 64 * 1024).value_or(""), nullptr, false);
    if (!metadata.is_object()) {
        return GnomeExtensionState::Outdated;
    }
    const auto revision = metadata.find("qarvex-revision");
    const auto program = metadata.find("qarvex-program");
    const bool current = revision != metadata.end() && revision->is_number_integer() &&
                         revision->get<int>() >= kGnomeExtensionRevision &&
                         program != metadata.end() && program->is_string() &&
                         program->get<std::string>() == programPath;
    return current ? GnomeExtensionState::Current : GnomeExtensionState::Outdated;
}

bool InstallGnomeExtension(const std::string& dataHome, int shellMajorVersion,
                           const std::string& programPath) {
    namespace fs = std::filesystem;
    if (dataHome.empty() || shellMajorVersion <= 0 || programPath.empty()) {
        return false;
    }
    const fs::path folder = GnomeExtensionFolder(dataHome);
    std::error_code error;
    // Written beside and moved into place, so a Shell never sees half an extension.
    const fs::path partial = folder.string() + ".partial";
    fs::remove_all(partial, error);
    if (!fs::create_directories(partial, error)) {
        return false;
    }
    const bool modules = shellMajorVersion >= 45;
    const std::string program =
        "const PROGRAM = " +
        nlohmann::json(programPath).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
        ";\n";
    const std::string script = modules
                                   ? std::string(kModuleHead) + program + kListing + kModuleTail
                                   : std::string(kLegacyHead) + program + kListing + kLegacyTail;
    if (!WriteFile(partial / "metadata.json", Metadata(modules, programPath)) ||
        !WriteFile(partial / "extension.js", script)) {
        fs::remove_all(partial, error);
        return false;
    }
    // The old copy goes first: a folder can't be renamed over one that holds files.
    const fs::path old = folder.string() + ".old";
    fs::remove_all(old, error);
    fs::rename(folder, old, error);
    fs::rename(partial, folder, error);
    if (error) {
        fs::remove_all(partial, error);
        fs::rename(old, folder, error);
        return false;
    }
    fs::remove_all(old, error);
    return true;
}

bool OfferGnomeExtension(const std::string& dataHome, int shellMajorVersion,
                         const std::string& programPath, IniFile& settings, Messages& messages) {
    constexpr std::string_view kSection = "default";
    constexpr std::string_view kAnswerKey = "GnomeExtension";
    switch (InstalledGnomeExtension(dataHome, programPath)) {
        case GnomeExtensionState::Current:
            return false;
        case GnomeExtensionState::Outdated:
            InstallGnomeExtension(dataHome, shellMajorVersion, programPath);
            return false;
        case GnomeExtensionState::Missing:
            break;
    }
    if (settings.ValueExists(kSection, kAnswerKey)) {
        return false;  // asked before: a "no" stays a no, and a removed copy stays removed
    }
    const bool yes = messages.AskYesNo(GnomeExtensionQuestion(), "Qarvex");
    settings.WriteInteger(kSection, kAnswerKey, yes ? 1 : 0);
    return yes && InstallGnomeExtension(dataHome, shellMajorVersion, programPath);
}

std::string GnomeExtensionQuestion() {
    return "在 GNOME 桌面上，其他程序无法得知打开了哪些窗口。要记录您打开的程序，Qarvex 需要为 "
           "GNOME Shell 安装一个小扩展“Qarvex window list”：它只把窗口的标题和所属程序告诉 "
           "Qarvex 本身，不告诉其他任何程序。要安装它吗？\n\n"
           "不安装时，Qarvex 只能记录通过 XWayland 运行的程序。此问题只问一次。";
}

std::string GnomeExtensionNotice() {
    return "Qarvex 已为 GNOME Shell 安装了“Qarvex window list”扩展，用来记录打开的程序。"
           "请注销并重新登录，然后在“扩展”应用中启用它（或运行 gnome-extensions enable "
           "qarvex-windows@qarvex.org）。启用之前，Qarvex 只能记录通过 XWayland 运行的程序。";
}

}  // namespace qarvex
