// The real main window on an X display after a web search: the browser engine's helper
// processes end when the tray's exit command ends the program.
#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/frm_main.h"
#include "platform/linux/child_processes.h"
#include "support/app/main_window_fixture.h"

namespace qarvex {
namespace {

bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

using WebEngineExitTest = test::MainWindowFixture;

TEST_F(WebEngineExitTest, TheTraysExitLeavesNoBrowserEngineHelperRunning) {
    TFrmMain& main = Start();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main, 30000));
    Find<QLineEdit>("EdtSearch")->setText(QStringLiteral("qarvex"));
    Find<QToolButton>("BtnQVSearch")->click();
    std::vector<pid_t> helpers;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            helpers = DescendantsNamed("QtWebEngineProc");
            return !helpers.empty();
        },
        60000))
        << "the web search started no browser-engine helper";

    messages.answer = true;
    main.MnQVExitClick();
    // What the program runs once its loop has ended.
    main.FormDestroy();
    for (const pid_t pid : helpers) {
        EXPECT_FALSE(Running(pid)) << "helper " << pid << " still runs";
    }
}

}  // namespace
}  // namespace qarvex
