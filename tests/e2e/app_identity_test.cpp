#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QTemporaryDir>

#include "capture/scanner.h"
#include "e2e/e2e_support.h"
#include "platform/linux/desktop_entry_index.h"
#include "platform/x11/x11_desktop_windows.h"
#include "platform/x11/xdg_shell_open.h"
#include "support/cannot_run.h"

namespace qarvex {
namespace {

using e2e::Child;
using e2e::WaitUntil;

constexpr const char* kPython = "/usr/bin/python3";

// A GApplication: the first instance shows a window on activation; with
// --gapplication-service it waits for the session bus to activate it.
constexpr const char* kGApplication = R"(import sys
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk

class App(Gtk.Application):
    def __init__(self):
        super().__init__(application_id=sys.argv[1])

    def do_activate(self):
        Gtk.ApplicationWindow(application=self, title=sys.argv[2]).show_all()

App().run([sys.argv[0]] + sys.argv[3:])
)";

// A plain Python program with one window and no application id.
constexpr const char* kPythonTool = R"(import sys
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk

window = Gtk.Window(title=sys.argv[1])
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
)";

class NoShellWindows : public ShellWindows {
public:
    std::vector<ShellWindow> Windows() override { return {}; }
};

struct Recorded {
    std::string path;
    std::string name;
};

void WriteFile(const std::string& path, const std::string& text, bool executable = false) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    if (executable) {
        chmod(path.c_str(), 0755);
    }
}

// Real programs on the test's desktop, each mapped to its application by the scan,
// recorded, closed and reopened the way the history opens it.
class AppIdentityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(WaitForWindowManager()) << "the window manager never started";
    }

    AppIdentityTest() {
        m_oldDataDirs = qgetenv("XDG_DATA_DIRS");
        const QByteArray system =
            m_oldDataDirs.isEmpty() ? QByteArray("/usr/local/share:/usr/share") : m_oldDataDirs;
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.path()) + "/share:" + system);
    }

    ~AppIdentityTest() override {
        m_children.clear();
        qputenv("XDG_DATA_DIRS", m_oldDataDirs);
        if (!m_serviceFile.empty()) {
            std::filesystem::remove(m_serviceFile);
        }
    }

    std::string Dir() const { return m_dir.path().toStdString(); }

    std::string Entry(const std::string& id, const std::string& keys) {
        const std::string path = Dir() + "/share/applications/" + id;
        WriteFile(path, "[Desktop Entry]\nType=Application\nName=" + id + "\n" + keys);
        return path;
    }

    void Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder = {}) {
        QStringList args;
        for (const std::string& argument : arguments) {
            args << QString::fromStdString(argument);
        }
        const QString old = QDir::currentPath();
        if (!folder.empty()) {
            QDir::setCurrent(QString::fromStdString(folder));
        }
        m_children.push_back(std::make_unique<Child>(QString::fromStdString(program), args));
        QDir::setCurrent(old);
        ASSERT_TRUE(m_children.back()->Started()) << program;
    }

    static std::optional<std::uint64_t> FindWindow(X11DesktopWindows& desktop,
                                                   const std::string& title) {
        for (const TopWindow& window : desktop.TopWindows()) {
            if (window.title == title) {
                return window.id;
            }
        }
        return std::nullopt;
    }

    static std::optional<std::uint64_t> WaitForWindow(const std::string& title) {
        X11DesktopWindows desktop;
        std::optional<std::uint64_t> found;
        WaitUntil([&] { return (found = FindWindow(desktop, title)).has_value(); }, 60000);
        return found;
    }

    // Ends the window's process and waits until its window is gone.
    static void Close(const std::string& title) {
        X11DesktopWindows desktop;
        const auto window = FindWindow(desktop, title);
        ASSERT_TRUE(window);
        const auto pid = desktop.HintsOf(*window).pid;
        ASSERT_TRUE(pid);
        kill(static_cast<pid_t>(*pid), SIGTERM);
        EXPECT_TRUE(WaitUntil([&] { return !FindWindow(desktop, title); }));
    }

    // The scan records the window once, under the application's path and name (its
    // entry's Name, which Entry() makes the id; the window's title without an entry);
    // closed, the recorded path brings the window back.
    void ExpectRecordedOnceAndReopened(const std::string& title, const std::string& path,
                                       const std::string& icon,
                                       const std::function<void()>& afterClose = {}) {
        ASSERT_TRUE(WaitForWindow(title)) << title << " never showed";
        X11DesktopWindows desktop;
        NoShellWindows shell;
        std::vector<Recorded> recorded;
        Scanner::History history;
        history.isDocKnown = [&](const std::string& address) {
            return std::any_of(recorded.begin(), recorded.end(),
                               [&](const Recorded& r) { return r.path == address; });
        };
        history.addDoc = [&](const std::string& address, const std::string& name, bool) {
            recorded.push_back({address, name});
        };
        Scanner scanner(desktop, shell, history, {});
        scanner.ScanPrograms();
        scanner.ScanPrograms();
        std::vector<Recorded> mine;
        std::copy_if(recorded.begin(), recorded.end(), std::back_inserter(mine),
                     [&](const Recorded& r) { return r.name == title || r.path == path; });
        ASSERT_EQ(mine.size(), 1u) << title;
        EXPECT_EQ(mine[0].path, path);
        EXPECT_EQ(mine[0].name,
                  EndsWith(path, ".desktop") ? path.substr(path.rfind('/') + 1) : title);
        const auto window = FindWindow(desktop, title);
        ASSERT_TRUE(window);
        const auto app = desktop.Application(*window);
        ASSERT_TRUE(app);
        EXPECT_EQ(app->icon, icon);
        // What the history's tree shows for the recorded path.
        EXPECT_EQ(EndsWith(path, ".desktop") ? DesktopEntryIcon(path) : std::string(), icon);

        Close(title);
        if (afterClose) {
            afterClose();
        }
        XdgShellOpen().Launch(path);
        EXPECT_TRUE(WaitForWindow(title)) << title << " did not reopen from " << path;
        Close(title);
    }

    static bool EndsWith(const std::string& text, const std::string& end) {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    }

    // Waits until the window manager takes on a probe window: one mapped while it is
    // still starting can be lost for good.
    static bool WaitForWindowManager() {
        int screen = 0;
        xcb_connection_t* connection = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(connection) != 0) {
            xcb_disconnect(connection);
            return false;
        }
        xcb_ewmh_connection_t ewmh{};
        xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(connection, &ewmh), nullptr);
        bool managed = false;
        for (int attempt = 0; attempt < 15 && !managed; ++attempt) {
            const xcb_window_t probe = xcb_generate_id(connection);
            const xcb_screen_t* s = ewmh.screens[screen];
            xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, s->root, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual, 0, nullptr);
            xcb_map_window(connection, probe);
            xcb_flush(connection);
            managed = WaitUntil(
                [&] {
                    xcb_ewmh_get_windows_reply_t list{};
                    bool listed = false;
                    if (xcb_ewmh_get_client_list_reply(
                            &ewmh, xcb_ewmh_get_client_list(&ewmh, screen), &list, nullptr) != 0) {
                        listed = std::find(list.windows, list.windows + list.windows_len, probe) !=
                                 list.windows + list.windows_len;
                        xcb_ewmh_get_windows_reply_wipe(&list);
                    }
                    return listed;
                },
                2000);
            xcb_destroy_window(connection, probe);
            xcb_flush(connection);
        }
        xcb_ewmh_connection_wipe(&ewmh);
        xcb_disconnect(connection);
        return managed;
    }

    QTemporaryDir m_dir;
    QByteArray m_oldDataDirs;
    std::string m_serviceFile;
    std::vector<std::unique_ptr<Child>> m_children;
};

TEST_F(AppIdentityTest, AGApplicationIsItsEntryAndReopensOverTheSessionBus) {
    const std::string id = "org.qarvex.E2eGApp";
    const std::string title = "E2eGAppWindow";
    const std::string script = Dir() + "/gapp.py";
    WriteFile(script, kGApplication);
    // Its Exec starts nothing: the window can only come back through the bus.
    const std::string entry =
        Entry(id + ".desktop", "Icon=qarvex-e2e-gapp\nDBusActivatable=true\nExec=/bin/false\n");
    // The private bus offers the services of one folder only: the test's own.
    const char* services = std::getenv("QARVEX_TEST_BUS_SERVICES");
    ASSERT_NE(services, nullptr) << "not run by run-under-xvfb.sh";
    m_serviceFile = std::string(services) + "/" + id + ".service";
    WriteFile(m_serviceFile, "[D-BUS Service]\nName=" + id + "\nExec=" + kPython + " " + script +
                                 " " + id + " " + title + " --gapplication-service\n");
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ReloadConfig")));

    Start(kPython, {script, id, title});
    ExpectRecordedOnceAndReopened(title, entry, "qarvex-e2e-gapp", [&] {
        // The bus must know the first instance is gone, or it hands the activation to it.
        EXPECT_TRUE(WaitUntil([&] {
            return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QString::fromStdString(id));
        }));
    });
}

TEST_F(AppIdentityTest, APythonProgramIsItsScriptsEntryNotTheInterpreter) {
    const std::string title = "E2E Python tool";
    const std::string script = Dir() + "/tool.py";
    WriteFile(script, kPythonTool);
    const std::string entry =
        Entry("org.qarvex.E2eTool.desktop", "Icon=qarvex-e2e-tool\nExec=" + std::string(kPython) +
                                                " \"" + script + "\" \"" + title + "\"\n");
    // Started by a relative script path: the process's folder makes it whole.
    Start(kPython, {"tool.py", title}, Dir());
    ExpectRecordedOnceAndReopened(title, entry, "qarvex-e2e-tool");
}

TEST_F(AppIdentityTest, AProgramKnownOnlyByItsWindowClass) {
    const std::string title = "E2E classy window";
    // Started through a launcher script, so its program matches no entry's Exec.
    const std::string launcher = Dir() + "/launch-classy";
    WriteFile(launcher,
              std::string("#!/bin/sh\nexec '") + QARVEX_E2E_APP_WINDOW + "' --title '" + title +
                  "' --class classy ClassyApp\n",
              true);
    const std::string entry =
        Entry("org.qarvex.Classy.desktop",
              "Icon=qarvex-e2e-classy\nStartupWMClass=classyapp\nExec=" + launcher + "\n");
    Start(launcher, {});
    ExpectRecordedOnceAndReopened(title, entry, "qarvex-e2e-classy");
}

TEST_F(AppIdentityTest, AFlatpakSandboxNamesItsApplication) {
    // Mount namespaces need privileges the machine may not give.
    if (std::system("unshare -m --propagation private sh -c 'mount -t tmpfs probe /tmp' "
                    ">/dev/null 2>&1") != 0) {
        QARVEX_CANNOT_RUN("mount namespaces are not allowed here");
    }
    const std::string id = "org.qarvex.E2eFlat";
    const std::string title = "E2E sandboxed window";
    const std::string run = QARVEX_E2E_SOURCE_DIR "/fake-flatpak-run";
    const std::string entry =
        Entry(id + ".desktop", "Icon=qarvex-e2e-flat\nExec=" + run + " " + Dir() + " " + id + " " +
                                   QARVEX_E2E_APP_WINDOW + " --title \"" + title + "\"\n");
    Start(run, {Dir(), id, QARVEX_E2E_APP_WINDOW, "--title", title});
    ExpectRecordedOnceAndReopened(title, entry, "qarvex-e2e-flat");
}

// Any window can put any process id in _NET_WM_PID: here that of a program in the
// downloads folder, which a click on the recorded entry would run.
TEST_F(AppIdentityTest, AWindowNamingAnotherProcessIsRecordedAsItsOwnProgram) {
    const std::string decoy = Dir() + "/Downloads/decoy";
    std::filesystem::create_directories(Dir() + "/Downloads");
    std::filesystem::copy_file("/bin/sleep", decoy);
    chmod(decoy.c_str(), 0755);
    Start(decoy, {"600"});
    const std::string title = "E2E lying window";
    Start(QARVEX_E2E_APP_WINDOW, {"--title", title, "--pid", std::to_string(m_children[0]->Pid())});
    const auto window = WaitForWindow(title);
    ASSERT_TRUE(window) << title << " never showed";
    X11DesktopWindows desktop;
    EXPECT_EQ(desktop.HintsOf(*window).pid, m_children[1]->Pid());
    EXPECT_EQ(desktop.ProgramPath(*window),
              std::filesystem::canonical(QARVEX_E2E_APP_WINDOW).string());
}

TEST_F(AppIdentityTest, AnAppImageIsItsFileNotItsMount) {
    const std::string title = "E2E AppImage window";
    // What an AppImage's runtime does: the program runs from the image's mount and is
    // told the image's own path.
    const std::string mount = Dir() + "/.mount_e2eXYZ/usr/bin";
    std::filesystem::create_directories(mount);
    std::filesystem::copy_file(QARVEX_E2E_APP_WINDOW, mount + "/viewer");
    const std::string image = Dir() + "/Viewer.AppImage";
    WriteFile(image,
              "#!/bin/sh\nAPPIMAGE=\"$0\" exec '" + mount + "/viewer' --title '" + title + "'\n",
              true);
    Start(image, {});
    ExpectRecordedOnceAndReopened(title, image, "");
}

}  // namespace
}  // namespace qarvex
