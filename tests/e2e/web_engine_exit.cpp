// The real main window on an X display after a web search: the browser engine's helper
// processes end when the tray's exit command ends the program.
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

// Ending the helpers leaves this process's engine unable to start others, so the exit runs
// in a process of its own (a repeated or shuffled run would otherwise find no helper).
TEST_F(WebEngineExitTest, TheTraysExitLeavesNoBrowserEngineHelperRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TFrmMain& main = Start();
            main.show();
            if (!QTest::qWaitForWindowExposed(&main, 30000)) {
                std::fprintf(stderr, "the window was never shown\n");
                std::_Exit(2);
            }
            Find<QLineEdit>("EdtSearch")->setText(QStringLiteral("qarvex"));
            Find<QToolButton>("BtnQVSearch")->click();
            std::vector<pid_t> helpers;
            if (!QTest::qWaitFor(
                    [&] {
                        helpers = DescendantsNamed("QtWebEngineProc");
                        return !helpers.empty();
                    },
                    60000)) {
                std::fprintf(stderr, "the web search started no browser-engine helper\n");
                std::_Exit(3);
            }
            messages.answer = true;
            main.MnQVExitClick();
            // What the program runs once its loop has ended.
            main.FormDestroy();
            int left = 0;
            for (const pid_t pid : helpers) {
                if (Running(pid)) {
                    std::fprintf(stderr, "helper %d still runs\n", static_cast<int>(pid));
                    ++left;
                }
            }
            std::_Exit(left == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qarvex
