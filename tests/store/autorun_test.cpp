#include "store/autorun.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_autostart_store.h"

namespace qarvex {
namespace {

TEST(Autorun, OwnEntryHoldsTheQuotedExecutablePath) {
    FakeAutostartStore store;
    SetRunValue(store, kOwnRunValueName, "/opt/My Apps/qarvex", true);
    EXPECT_EQ(store.Read("Qarvex"), std::optional<std::string>("\"/opt/My Apps/qarvex\""));
    EXPECT_TRUE(IsRunValuePresent(store, "Qarvex"));
    SetRunValue(store, kOwnRunValueName, "/opt/My Apps/qarvex", false);
    EXPECT_FALSE(store.Read("Qarvex"));
    EXPECT_FALSE(IsRunValuePresent(store, "Qarvex"));
}

TEST(Autorun, BlankOrUnreadableDataCountsAsAbsent) {
    FakeAutostartStore store;
    store.Write("blank", "   ");
    EXPECT_FALSE(IsRunValuePresent(store, "blank"));
    EXPECT_FALSE(IsRunValuePresent(store, "missing"));
}

TEST(Autorun, LegacyCleanupNeverTouchesTheOwnEntryOrOthers) {
    FakeAutostartStore store;
    store.Write("ZEQQarvex", "\"/old/qarvex\"");
    store.Write("Qarvex", "\"/new/qarvex\"");
    store.Write("Other", "/usr/bin/other --flag");
    RemoveLegacyRunValues(store);
    EXPECT_FALSE(store.Read("ZEQQarvex"));
    EXPECT_EQ(store.Read("Qarvex"), std::optional<std::string>("\"/new/qarvex\""));
    EXPECT_EQ(store.Read("Other"), std::optional<std::string>("/usr/bin/other --flag"));
}

}  // namespace
}  // namespace qarvex
