// The main window on a real desktop with a tray: where it goes when minimised or when the
// tray's menu is up, and whether it stays off the taskbar when its native window is replaced.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include "app/frm_main.h"
#include "e2e/e2e_support.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "store/config_dir.h"
#include "views/tray_controller.h"

namespace qarvex {
namespace {

using e2e::WaitUntil;

class SilentMessages : public Messages {
public:
    void Show(const std::string&, const std::string&, Icon) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
};

// What the window manager made of a window, read over the test's own connection.
class Looker {
public:
    Looker() {
        m_c = xcb_connect(nullptr, &m_screen);
        m_ok = xcb_connection_has_error(m_c) == 0;
        if (m_ok) {
            xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_c, &m_ewmh), nullptr);
        }
    }
    ~Looker() {
        if (m_ok) {
            xcb_ewmh_connection_wipe(&m_ewmh);
        }
        xcb_disconnect(m_c);
    }
    bool Ok() const { return m_ok; }

    bool Viewable(xcb_window_t window) {
        xcb_get_window_attributes_reply_t* reply =
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, window), nullptr);
        const bool viewable = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return viewable;
    }

    std::vector<xcb_atom_t> States(xcb_window_t window) {
        std::vector<xcb_atom_t> out;
        xcb_ewmh_get_atoms_reply_t atoms{};
        if (xcb_ewmh_get_wm_state_reply(&m_ewmh, xcb_ewmh_get_wm_state(&m_ewmh, window), &atoms,
                                        nullptr) != 0) {
            out.assign(atoms.atoms, atoms.atoms + atoms.atoms_len);
            xcb_ewmh_get_atoms_reply_wipe(&atoms);
        }
        return out;
    }
    bool Has(xcb_window_t window, xcb_atom_t state) {
        const auto states = States(window);
        return std::find(states.begin(), states.end(), state) != states.end();
    }
    bool Managed(xcb_window_t window) {
        xcb_ewmh_get_windows_reply_t list{};
        bool found = false;
        if (xcb_ewmh_get_client_list_reply(&m_ewmh, xcb_ewmh_get_client_list(&m_ewmh, m_screen),
                                           &list, nullptr) != 0) {
            found = std::find(list.windows, list.windows + list.windows_len, window) !=
                    list.windows + list.windows_len;
            xcb_ewmh_get_windows_reply_wipe(&list);
        }
        return found;
    }
    // Another test may have left the desktop showing, which keeps new windows out of sight.
    void StopShowingDesktop() {
        // Built by hand: openbox only takes the message when it names the root window.
        const xcb_window_t root = m_ewmh.screens[m_screen]->root;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = root;
        event.type = m_ewmh._NET_SHOWING_DESKTOP;
        event.data.data32[0] = 0;
        xcb_send_event(m_c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_c);
    }
    bool ShowingDesktop() {
        std::uint32_t showing = 0;
        return xcb_ewmh_get_showing_desktop_reply(&m_ewmh,
                                                  xcb_ewmh_get_showing_desktop(&m_ewmh, m_screen),
                                                  &showing, nullptr) != 0 &&
               showing != 0;
    }
    xcb_atom_t SkipTaskbar() const { return m_ewmh._NET_WM_STATE_SKIP_TASKBAR; }
    xcb_atom_t Above() const { return m_ewmh._NET_WM_STATE_ABOVE; }

private:
    xcb_connection_t* m_c = nullptr;
    xcb_ewmh_connection_t m_ewmh{};
    int m_screen = 0;
    bool m_ok = false;
};

class MainWindowTrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The widgets need the QApplication the test environment makes.
        ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
        ASSERT_TRUE(looker.Ok());
        looker.StopShowingDesktop();
        ASSERT_TRUE(WaitUntil([&] { return !looker.ShowingDesktop(); }));
        platform = CreatePlatform();
        // Openbox under Xvfb has no tray; the window must behave as on a desktop that has one.
        TFrmMain::SetTrayAvailabilityOverride(1);
        main = std::make_unique<TFrmMain>(platform, messages,
                                          GetConfigDir(platform.environment->ConfigRoot()));
        TFrmMain::SetTrayAvailabilityOverride(-1);
        main->timerFirstRun()->stop();
        main->timerCheckDocs()->stop();
        main->resize(500, 400);
        main->show();
        ASSERT_TRUE(WaitUntil([&] { return looker.Managed(Id()) && looker.Viewable(Id()); }));
    }
    void TearDown() override {
        if (main) {
            main->FormDestroy();
        }
        main.reset();
    }

    // The native window of the moment (Qt may replace it).
    xcb_window_t Id() const { return static_cast<xcb_window_t>(main->windowHandle()->winId()); }

    Looker looker;
    Platform platform;
    SilentMessages messages;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(MainWindowTrayTest, MinimisingAndTheTrayMenuLeaveNoBandAndKeepTheSize) {
    const QSize size = main->size();
    main->setWindowState(Qt::WindowMinimized);
    // Withdrawn: nothing of the window is drawn anywhere, and it is no client of the window
    // manager (a window moved off the top would be clamped and stay partly on screen).
    EXPECT_TRUE(WaitUntil([&] { return !looker.Viewable(Id()) && !looker.Managed(Id()); }));
    EXPECT_FALSE(main->isVisible());

    main->ShowMainWindowAtCorner();
    // Straight back, as a second copy's start or a quick press on the tray does: the window
    // manager's report of the minimise may still be on its way.
    ASSERT_TRUE(WaitUntil([&] { return looker.Viewable(Id()); }));
    // Where the window manager put it reaches the widget on its own time.
    EXPECT_TRUE(WaitUntil([&] { return main->y() >= 0; })) << main->y();

    // The right press: the menu comes up and is dismissed; the window is out of sight.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
    closer.start(50);
    main->parts().trayController->TrayIconActivated(QSystemTrayIcon::Context);
    closer.stop();
    EXPECT_TRUE(WaitUntil([&] { return !looker.Viewable(Id()) && !looker.Managed(Id()); }));
    main->ShowMainWindowAtCorner();
    ASSERT_TRUE(WaitUntil([&] { return looker.Viewable(Id()); }));
    EXPECT_EQ(main->size(), size);
}

TEST_F(MainWindowTrayTest, StaysOffTheTaskbarWhenTheNativeWindowIsReplaced) {
    EXPECT_TRUE(WaitUntil([&] { return looker.Has(Id(), looker.SkipTaskbar()); }));
    // Stay on top replaces the native window; the new one must be off the taskbar too,
    // also once it has been hidden to the tray and shown again.
    main->findChild<QCheckBox*>(QStringLiteral("CbQVOnTop"))->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] {
        return looker.Viewable(Id()) && looker.Managed(Id()) && looker.Has(Id(), looker.Above());
    }));
    EXPECT_TRUE(WaitUntil([&] { return looker.Has(Id(), looker.SkipTaskbar()); }, 5000));

    main->HideToTray();
    ASSERT_TRUE(WaitUntil([&] { return !looker.Managed(Id()); }));
    main->ShowMainWindowAtCorner();
    ASSERT_TRUE(WaitUntil([&] { return looker.Managed(Id()); }));
    EXPECT_TRUE(WaitUntil([&] { return looker.Has(Id(), looker.SkipTaskbar()); }, 5000));
}

}  // namespace
}  // namespace qarvex
