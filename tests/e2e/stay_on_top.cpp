// The real main window on an X display with a window manager: "窗体总在最上方" is what the
// window manager is told (_NET_WM_STATE_ABOVE); it holds while the window goes away to the
// tray and comes back, and a restart starts unticked and not above (the choice is not kept).
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include "app/frm_main.h"
#include "support/app/main_window_fixture.h"
#include "support/qt/qt_app.h"

namespace qarvex {
namespace {

// The application object on the display the run gives, before any fixture makes one.
class XApplication : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "xcb");
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
        }
        test::EnsureQtApp();
    }
};

[[maybe_unused]] const auto* const g_application =
    ::testing::AddGlobalTestEnvironment(new XApplication);

// A connection of the test's own, to read what the window manager sees.
class WindowManagerView {
public:
    WindowManagerView() {
        m_connection = xcb_connect(nullptr, &m_screen);
        if (xcb_connection_has_error(m_connection) == 0) {
            m_ok = xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_connection, &m_ewmh),
                                               nullptr) != 0;
        }
    }
    ~WindowManagerView() {
        if (m_ok) {
            xcb_ewmh_connection_wipe(&m_ewmh);
        }
        xcb_disconnect(m_connection);
    }

    bool Ok() const { return m_ok; }

    bool WindowManagerRunning() {
        xcb_window_t check = 0;
        return xcb_ewmh_get_supporting_wm_check_reply(
                   &m_ewmh, xcb_ewmh_get_supporting_wm_check(&m_ewmh, Root()), &check, nullptr) !=
                   0 &&
               check != 0;
    }

    bool Managed(xcb_window_t window) {
        xcb_ewmh_get_windows_reply_t list{};
        if (xcb_ewmh_get_client_list_reply(&m_ewmh, xcb_ewmh_get_client_list(&m_ewmh, m_screen),
                                           &list, nullptr) == 0) {
            return false;
        }
        const bool found = std::find(list.windows, list.windows + list.windows_len, window) !=
                           list.windows + list.windows_len;
        xcb_ewmh_get_windows_reply_wipe(&list);
        return found;
    }

    bool Above(xcb_window_t window) {
        xcb_ewmh_get_atoms_reply_t states{};
        if (xcb_ewmh_get_wm_state_reply(&m_ewmh, xcb_ewmh_get_wm_state(&m_ewmh, window), &states,
                                        nullptr) == 0) {
            return false;
        }
        const bool above = std::find(states.atoms, states.atoms + states.atoms_len,
                                     m_ewmh._NET_WM_STATE_ABOVE) != states.atoms + states.atoms_len;
        xcb_ewmh_get_atoms_reply_wipe(&states);
        return above;
    }

private:
    xcb_window_t Root() const { return m_ewmh.screens[m_screen]->root; }

    xcb_connection_t* m_connection = nullptr;
    xcb_ewmh_connection_t m_ewmh{};
    int m_screen = 0;
    bool m_ok = false;
};

class StayOnTopTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_view.Ok()) << "no X server on $DISPLAY";
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_view.WindowManagerRunning(); }, 30000))
            << "the window manager never started";
    }

    // The window as the window manager has it now (ticking the box may give the window a
    // new native window).
    xcb_window_t Native() {
        const QWindow* window = Main().windowHandle();
        return window != nullptr ? static_cast<xcb_window_t>(window->winId()) : 0;
    }

    bool WaitAbove(bool above) {
        return QTest::qWaitFor(
            [&] {
                return Main().isVisible() && m_view.Managed(Native()) &&
                       m_view.Above(Native()) == above;
            },
            30000);
    }

    WindowManagerView m_view;
};

TEST_F(StayOnTopTest, TheBoxPutsTheWindowAboveOthersAndTakesItBack) {
    TFrmMain& main = Start();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main, 30000));
    ASSERT_TRUE(WaitAbove(false));

    QCheckBox* box = Find<QCheckBox>("CbQVOnTop");
    ASSERT_NE(box, nullptr);
    box->setChecked(true);
    EXPECT_TRUE(WaitAbove(true)) << "ticked, but the window manager was not told";

    // Away to the tray and back, as its left press brings it: still above the others.
    main.hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view.Managed(Native()); }, 30000));
    main.ShowMainWindowAtCorner();
    EXPECT_TRUE(WaitAbove(true)) << "shown again, but no longer above";

    box->setChecked(false);
    EXPECT_TRUE(WaitAbove(false)) << "unticked, but still above";

    // The choice is not stored: after a restart with the box ticked, both box and window
    // start as a normal window.
    box->setChecked(true);
    ASSERT_TRUE(WaitAbove(true));
    TFrmMain& again = Restart();
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again, 30000));
    EXPECT_FALSE(Find<QCheckBox>("CbQVOnTop")->isChecked()) << "the box came back ticked";
    EXPECT_TRUE(WaitAbove(false)) << "above the others after a restart";
}

}  // namespace
}  // namespace qarvex
