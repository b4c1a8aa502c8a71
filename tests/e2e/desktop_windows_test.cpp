#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "e2e/e2e_support.h"
#include "platform/x11/x11_desktop_windows.h"

namespace qarvex {
namespace {

using e2e::Child;
using e2e::WaitUntil;

// The test's own X connection, used to look at what the window manager did and to make
// a window of this process.
class Observer {
public:
    Observer() {
        m_connection = xcb_connect(nullptr, &m_screen);
        if (xcb_connection_has_error(m_connection) != 0) {
            return;
        }
        xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_connection, &m_ewmh), nullptr);
        m_ok = true;
    }
    ~Observer() {
        if (m_ok) {
            xcb_ewmh_connection_wipe(&m_ewmh);
        }
        xcb_disconnect(m_connection);
    }

    bool Ok() const { return m_ok; }
    xcb_window_t Root() const { return m_ewmh.screens[m_screen]->root; }

    // The window manager announces itself before it has finished starting, and a window
    // mapped in between can be lost for good. A probe window it takes on proves it is
    // ready; a probe that isn't taken on soon is replaced by a fresh one.
    bool WaitForWindowManager() {
        for (int attempt = 0; attempt < 15; ++attempt) {
            const xcb_window_t probe = MakeWindow(0, "probe");
            const bool managed = WaitUntil(
                [&] {
                    const auto clients = ClientList();
                    return std::find(clients.begin(), clients.end(), probe) != clients.end();
                },
                2000);
            xcb_destroy_window(m_connection, probe);
            xcb_flush(m_connection);
            if (managed) {
                return true;
            }
        }
        return false;
    }

    std::vector<xcb_window_t> ClientList() {
        std::vector<xcb_window_t> windows;
        xcb_ewmh_get_windows_reply_t list{};
        if (xcb_ewmh_get_client_list_reply(&m_ewmh, xcb_ewmh_get_client_list(&m_ewmh, m_screen),
                                           &list, nullptr) != 0) {
            windows.assign(list.windows, list.windows + list.windows_len);
            xcb_ewmh_get_windows_reply_wipe(&list);
        }
        return windows;
    }

    std::optional<std::uint32_t> ShowingDesktop() {
        std::uint32_t showing = 0;
        if (xcb_ewmh_get_showing_desktop_reply(
                &m_ewmh, xcb_ewmh_get_showing_desktop(&m_ewmh, m_screen), &showing, nullptr) == 0) {
            return std::nullopt;
        }
        return showing;
    }

    // Addressed to the root window: the form the window manager takes.
    void RequestShowingDesktop(bool showing) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = Root();
        event.type = m_ewmh._NET_SHOWING_DESKTOP;
        event.data.data32[0] = showing ? 1 : 0;
        xcb_send_event(m_connection, 0, Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
    }

    // A plain mapped window that says it belongs to this process.
    xcb_window_t MakeOwnWindow() {
        return MakeWindow(static_cast<std::uint32_t>(getpid()), "Qarvex");
    }

private:
    xcb_window_t MakeWindow(std::uint32_t pid, const char* title) {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const xcb_screen_t* screen = m_ewmh.screens[m_screen];
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        if (pid != 0) {
            xcb_ewmh_set_wm_pid(&m_ewmh, window, pid);
        }
        xcb_ewmh_set_wm_name(&m_ewmh, window, static_cast<std::uint32_t>(std::strlen(title)),
                             title);
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
        return window;
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_ewmh_connection_t m_ewmh{};
    int m_screen = 0;
    bool m_ok = false;
};

struct Expected {
    bool visible;
    bool owned;
    bool toolWindow;
    std::string title;
};

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// Every window the helper client makes that the scan must see, with what it must see.
const std::map<std::string, Expected>& ExpectedWindows() {
    static const std::map<std::string, Expected> expected = {
        {"normal", {true, false, false, "普通窗口 Normal"}},
        {"dialog", {true, true, false, "对话框"}},
        {"loosedialog", {true, false, false, "Loose dialog"}},
        {"utility", {true, false, true, "Palette"}},
        {"skiptaskbar", {true, false, true, "Skipper"}},
        {"iconic", {true, false, false, "Minimised"}},
        {"nopid", {true, false, false, "No pid"}},
        {"remote", {true, false, false, "Remote"}},
        // 150 bytes of a three-byte character: cut to 42 whole characters (126 bytes).
        {"longtitle", {true, false, false, Repeat("文", 42)}},
        {"latin1", {true, false, false, "Café"}},
        {"compound", {true, false, false, "终端 xterm"}},
        {"badutf8", {true, false, false, "ab\xef\xbf\xbd"}},
        {"untyped", {true, false, false, "Untyped"}},
    };
    return expected;
}

class DesktopWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_observer = std::make_unique<Observer>();
        ASSERT_TRUE(s_observer->Ok()) << "no X server on $DISPLAY";
        ASSERT_TRUE(s_observer->WaitForWindowManager()) << "the window manager never started";
        s_client = std::make_unique<Child>(QStringLiteral(QARVEX_E2E_X_CLIENT), QStringList());
        ASSERT_TRUE(s_client->Started());
        for (std::string line = s_client->ReadLine(); line != "ready";
             line = s_client->ReadLine()) {
            ASSERT_FALSE(line.empty()) << "the X client ended early";
            const auto blank = line.find(' ');
            s_ids[line.substr(0, blank)] = std::stoull(line.substr(blank + 1));
        }
        s_ownWindow = s_observer->MakeOwnWindow();

        // Wait until the window manager has taken on every window that will be shown.
        X11DesktopWindows desktop;
        std::string missing;
        const bool allListed = WaitUntil([&] {
            const auto windows = desktop.TopWindows();
            const auto clients = s_observer->ClientList();
            missing.clear();
            if (std::find(clients.begin(), clients.end(), s_ownWindow) == clients.end()) {
                missing += " (the test's own window)";
            }
            for (const auto& [role, expected] : ExpectedWindows()) {
                if (FindIn(windows, role) == nullptr) {
                    missing += " " + role;
                }
            }
            return missing.empty();
        });
        ASSERT_TRUE(allListed) << "never listed:" << missing;
    }

    static void TearDownTestSuite() {
        s_client.reset();
        s_observer.reset();
    }

    static const TopWindow* FindIn(const std::vector<TopWindow>& windows, const std::string& role) {
        const auto id = s_ids.find(role);
        if (id == s_ids.end()) {
            return nullptr;
        }
        for (const TopWindow& window : windows) {
            if (window.id == id->second) {
                return &window;
            }
        }
        return nullptr;
    }

    static std::string ClientExecutable() {
        return std::filesystem::canonical(QARVEX_E2E_X_CLIENT).string();
    }

    static std::unique_ptr<Observer> s_observer;
    static std::unique_ptr<Child> s_client;
    static std::map<std::string, std::uint64_t> s_ids;
    static xcb_window_t s_ownWindow;
};

std::unique_ptr<Observer> DesktopWindowsTest::s_observer;
std::unique_ptr<Child> DesktopWindowsTest::s_client;
std::map<std::string, std::uint64_t> DesktopWindowsTest::s_ids;
xcb_window_t DesktopWindowsTest::s_ownWindow = 0;

TEST_F(DesktopWindowsTest, ListsEveryShownWindowWithItsFacts) {
    X11DesktopWindows desktop;
    const std::vector<TopWindow> windows = desktop.TopWindows();
    for (const auto& [role, expected] : ExpectedWindows()) {
        SCOPED_TRACE(role);
        const TopWindow* window = FindIn(windows, role);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->visible, expected.visible);
        EXPECT_EQ(window->owned, expected.owned);
        EXPECT_EQ(window->toolWindow, expected.toolWindow);
        EXPECT_EQ(window->title, expected.title);
    }
}

TEST_F(DesktopWindowsTest, LeavesOutWithdrawnWindowsAndItsOwnProcess) {
    X11DesktopWindows desktop;
    const std::vector<TopWindow> windows = desktop.TopWindows();
    EXPECT_EQ(FindIn(windows, "withdrawn"), nullptr);
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(),
                             [](const TopWindow& w) { return w.id == s_ownWindow; }));
    // Every window is listed once.
    std::vector<std::uint64_t> ids;
    for (const TopWindow& window : windows) {
        ids.push_back(window.id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

TEST_F(DesktopWindowsTest, ListsTopOfTheStackFirst) {
    // The window manager keeps a dialog above the window it belongs to.
    X11DesktopWindows desktop;
    const std::vector<TopWindow> windows = desktop.TopWindows();
    const TopWindow* dialog = FindIn(windows, "dialog");
    const TopWindow* parent = FindIn(windows, "normal");
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(parent, nullptr);
    EXPECT_LT(dialog, parent);
}

TEST_F(DesktopWindowsTest, ProgramPathIsTheExecutableOfTheWindowsProcess) {
    X11DesktopWindows desktop;
    // "nopid" sets no _NET_WM_PID: the server's own record of the client must serve.
    for (const char* role : {"normal", "dialog", "iconic", "utility", "nopid"}) {
        SCOPED_TRACE(role);
        EXPECT_EQ(desktop.ProgramPath(s_ids.at(role)), ClientExecutable());
    }
}

TEST_F(DesktopWindowsTest, ProgramPathIsNothingForOtherMachinesAndUnknownWindows) {
    X11DesktopWindows desktop;
    EXPECT_EQ(desktop.ProgramPath(s_ids.at("remote")), std::nullopt);
    EXPECT_EQ(desktop.ProgramPath(0), std::nullopt);
    EXPECT_EQ(desktop.ProgramPath(0x1FFFFFFFFull), std::nullopt);
    EXPECT_EQ(desktop.ProgramPath(s_observer->Root() + 0x7FFFFF), std::nullopt);
}

TEST_F(DesktopWindowsTest, ShowDesktopAsksTheWindowManager) {
    ASSERT_TRUE(WaitUntil([] { return s_observer->ShowingDesktop() != 1u; }));
    X11DesktopWindows desktop;
    desktop.ShowDesktop();
    EXPECT_TRUE(WaitUntil([] { return s_observer->ShowingDesktop() == 1u; }));
    // Minimised windows still count as shown.
    const std::vector<TopWindow> windows = desktop.TopWindows();
    const TopWindow* normal = FindIn(windows, "normal");
    ASSERT_NE(normal, nullptr);
    EXPECT_TRUE(normal->visible);
    // The other tests find the desktop as it was.
    s_observer->RequestShowingDesktop(false);
    EXPECT_TRUE(WaitUntil([] { return s_observer->ShowingDesktop() != 1u; }));
}

// A bare X server: the root window's mapped children, top first, stand for the desktop.
TEST(DesktopWindowsWithoutWindowManager, ListsTheMappedTopLevelWindows) {
    // Xvfb picks a free display and writes its number to its standard output.
    Child server(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp"), QStringLiteral("-noreset")});
    ASSERT_TRUE(server.Started());
    const std::string number = server.ReadLine();
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    const std::string display = ":" + number;

    const QByteArray ownDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    Child client(QStringLiteral(QARVEX_E2E_X_CLIENT), QStringList());
    qputenv("DISPLAY", ownDisplay);
    ASSERT_TRUE(client.Started());
    std::map<std::string, std::uint64_t> ids;
    std::vector<std::string> created;
    for (std::string line = client.ReadLine(); line != "ready"; line = client.ReadLine()) {
        ASSERT_FALSE(line.empty()) << "the X client ended early";
        const auto blank = line.find(' ');
        ids[line.substr(0, blank)] = std::stoull(line.substr(blank + 1));
        created.push_back(line.substr(0, blank));
    }

    X11DesktopWindows desktop(display);
    std::vector<std::string> listed;
    for (const TopWindow& window : desktop.TopWindows()) {
        for (const auto& [role, id] : ids) {
            if (id == window.id) {
                listed.push_back(role);
                EXPECT_TRUE(window.visible) << role;
                EXPECT_EQ(window.title, ExpectedWindows().at(role).title) << role;
                EXPECT_EQ(window.owned, ExpectedWindows().at(role).owned) << role;
                EXPECT_EQ(window.toolWindow, ExpectedWindows().at(role).toolWindow) << role;
            }
        }
    }
    // Every mapped window, the last one mapped (the top one) first; the withdrawn one is
    // missing.
    std::vector<std::string> expected(created.rbegin(), created.rend());
    expected.erase(std::find(expected.begin(), expected.end(), "withdrawn"));
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(desktop.ProgramPath(ids.at("nopid")),
              std::filesystem::canonical(QARVEX_E2E_X_CLIENT).string());
}

// A display number no server on this machine uses: neither its socket nor its lock file
// exists.
std::string UnusedDisplay() {
    for (int n = 65000; n > 1000; --n) {
        const std::string number = std::to_string(n);
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + number) &&
            !std::filesystem::exists("/tmp/.X" + number + "-lock")) {
            return ":" + number;
        }
    }
    return ":65000";
}

TEST(DesktopWindowsWithoutServer, FindNothingQuietly) {
    X11DesktopWindows desktop(UnusedDisplay());
    EXPECT_TRUE(desktop.TopWindows().empty());
    EXPECT_EQ(desktop.ProgramPath(0x400001), std::nullopt);
    desktop.ShowDesktop();  // must not crash or throw
}

}  // namespace
}  // namespace qarvex
