// The real main window as a native Wayland client (a session without XWayland) where
// there is a tray: minimised, as the minimise button of its title bar does, it goes away
// to the tray (the compositor no longer lists it), and the tray brings it back.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include "app/frm_main.h"
#include "platform/wayland/wayland_toplevel_source.h"
#include "support/app/main_window_fixture.h"
#include "support/qt/qt_app.h"

namespace qarvex {
namespace {

class WaylandApplication : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "wayland");
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
        }
        test::EnsureQtApp();
    }
};

[[maybe_unused]] const auto* const g_application =
    ::testing::AddGlobalTestEnvironment(new WaylandApplication);

// Whether the compositor's own window list shows a window of that title.
bool Listed(const std::string& title) {
    WaylandToplevelSource source(ToplevelProtocol::WlrForeignToplevel);
    const auto toplevels = source.Read();
    return toplevels && std::any_of(toplevels->begin(), toplevels->end(),
                                    [&](const WaylandToplevel& t) { return t.title == title; });
}

using WaylandTrayTest = test::MainWindowFixture;

TEST_F(WaylandTrayTest, MinimisingHidesTheWindowToTheTrayAndTheTrayBringsItBack) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    TFrmMain::SetTrayAvailabilityOverride(1);
    TFrmMain& main = Start();
    TFrmMain::SetTrayAvailabilityOverride(-1);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main, 30000));
    const std::string title = main.windowTitle().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Listed(title); }, 30000))
        << "the compositor never listed the window";

    // What the minimise button of the title bar Qt draws here does.
    main.windowHandle()->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !main.isVisible() && !Listed(title); }, 30000))
        << "minimised, but not gone to the tray";

    main.ShowMainWindowAtCorner();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.isVisible() && Listed(title); }, 30000))
        << "the tray did not bring the window back";
    EXPECT_FALSE(main.isMinimized());
}

}  // namespace
}  // namespace qarvex
