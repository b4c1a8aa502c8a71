#include "views/web_engine_module.h"

#include <gtest/gtest.h>

#include <QtGlobal>

namespace qarvex {
namespace {

// A copy installed without the browser-engine module (or with a broken one) must still
// start and search: the loader answers null, and the search goes to the default browser.
TEST(WebEngineModuleTest, AMissingModuleGivesNoEngine) {
    qputenv("QARVEX_WEBENGINE_MODULE", "/nonexistent/libqarvex_webengine.so");
    EXPECT_EQ(LoadWebEngineModule(), nullptr);
    EXPECT_EQ(LoadWebEngineModule(), nullptr);
    EXPECT_FALSE(WebEngineModuleLoaded());
    qunsetenv("QARVEX_WEBENGINE_MODULE");
}

}  // namespace
}  // namespace qarvex
