#include "views/web_engine_module.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QToolButton>
#include <QtGlobal>

#include "platform/fake/fake_shell_open.h"
#include "support/app/main_window_fixture.h"

namespace qarvex {
namespace {

class WebEngineModuleTest : public test::MainWindowFixture {
protected:
    // In a process of its own (the module is looked for once per process): with the
    // module at path, a web search for "a b" from the search box; exits 0 when there was
    // no engine and the search went to the default browser.
    [[noreturn]] void SearchWithModuleAt(const std::string& path) {
        qputenv("QARVEX_WEBENGINE_MODULE", QByteArray::fromStdString(path));
        Main().show();
        Find<QLineEdit>("EdtSearch")->setText(QStringLiteral("a b"));
        Find<QToolButton>("BtnQVSearch")->click();
        const std::vector<ShellOpenCall> expected = {
            ShellOpenCall::MakeOpen("https://duckduckgo.com/html/?q=a%20b")};
        const bool fellBack = LoadWebEngineModule() == nullptr && !WebEngineModuleLoaded() &&
                              fakes.shellOpen->Calls() == expected;
        for (const ShellOpenCall& call : fakes.shellOpen->Calls()) {
            std::fprintf(stderr, "opened: %s\n", call.target.c_str());
        }
        std::fflush(stderr);
        std::_Exit(fellBack ? 0 : 1);
    }
};

// A copy installed without the browser-engine module, or with a broken one, must still
// start and search: there is no engine, and the search goes to the default browser.
TEST_F(WebEngineModuleTest, AMissingOrBrokenModuleSendsTheSearchToTheDefaultBrowser) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(SearchWithModuleAt("/nonexistent/libqarvex_webengine.so"),
                ::testing::ExitedWithCode(0), "")
        << "missing module";
    const std::string broken = files.Write("libqarvex_webengine.so", "not a library at all");
    EXPECT_EXIT(SearchWithModuleAt(broken), ::testing::ExitedWithCode(0), "") << "broken module";
}

}  // namespace
}  // namespace qarvex
