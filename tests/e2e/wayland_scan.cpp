// What the program scan sees in a Wayland session, for the compositor tests:
//   wayland_scan list        one line per window the scan would record: "title<TAB>path",
//                            after a first line "source N" (or "source none")
//   wayland_scan open PATH   opens a recorded path the way the history reopens it
//   wayland_scan raw         what the wlroots source lists: "title<TAB>app_id", for failures
//   wayland_scan install-gnome-extension MAJOR
//                            installs the GNOME Shell extension into $XDG_DATA_HOME, for
//                            this program
//   wayland_scan pids        "title<TAB>pid" of each window the compositor lists, with
//                            "-" where its process is not known
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QCoreApplication>

#include "platform/wayland/gnome_extension.h"
#include "platform/wayland/wayland_desktop_windows.h"
#include "platform/x11/xdg_shell_open.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        qarvex::WaylandDesktopWindows desktop(qarvex::DefaultToplevelSources(), nullptr);
        const std::vector<qarvex::TopWindow> windows = desktop.TopWindows();
        const auto source = desktop.AnsweringSource();
        if (source) {
            std::printf("source %zu\n", *source);
        } else {
            std::printf("source none\n");
        }
        for (const qarvex::TopWindow& window : windows) {
            if (!window.visible || window.owned || window.toolWindow) {
                continue;
            }
            const auto identity = desktop.Application(window.id);
            std::printf("%s\t%s\n", window.title.c_str(), identity ? identity->path.c_str() : "-");
        }
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "pids") == 0) {
        for (auto& source : qarvex::DefaultToplevelSources()) {
            if (const auto toplevels = source->Read()) {
                for (const qarvex::WaylandToplevel& toplevel : *toplevels) {
                    std::printf("%s\t%s\n", toplevel.title.c_str(),
                                toplevel.pid ? std::to_string(*toplevel.pid).c_str() : "-");
                }
                return 0;
            }
        }
        return 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "raw") == 0) {
        qarvex::WaylandToplevelSource source(qarvex::ToplevelProtocol::WlrForeignToplevel);
        const auto toplevels = source.Read();
        for (const qarvex::WaylandToplevel& toplevel :
             toplevels.value_or(std::vector<qarvex::WaylandToplevel>())) {
            std::printf("%s\t%s\n", toplevel.title.c_str(), toplevel.appId.c_str());
        }
        return toplevels ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "install-gnome-extension") == 0) {
        const char* dataHome = std::getenv("XDG_DATA_HOME");
        // Answering this program, which the test then runs as Qarvex.
        return dataHome != nullptr && qarvex::InstallGnomeExtension(
                                          dataHome, std::atoi(argv[2]),
                                          QCoreApplication::applicationFilePath().toStdString())
                   ? 0
                   : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "open") == 0) {
        qarvex::XdgShellOpen().Launch(argv[2]);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: %s list | pids | raw | open PATH | install-gnome-extension MAJOR\n",
                 argv[0]);
    return 2;
}
