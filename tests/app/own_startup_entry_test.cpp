// The program's own start-up entry follows the settings page's check box, which is the
// main window's; the start-up entries window shows the change at once.

#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTableWidget>
#include <QToolButton>

#include "startup/frm_run.h"
#include "startup/startup_entries.h"
#include "support/app/main_window_fixture.h"

namespace qarvex::test {
namespace {

using Values = std::map<std::string, std::optional<std::string>>;

constexpr const char* kExe = "/opt/qarvex/bin/qarvex";

// Other programs' entries that no operation of ours may touch.
const Values kOthers = {
    {"backup", std::string("/usr/bin/backup --quiet")},
    {"chat", std::string("\"/opt/chat app/chat\" -m")},
};

class OwnStartupEntryTest : public MainWindowFixture {
protected:
    void Seed(const Values& values) {
        for (const auto& [name, data] : values) {
            fakes.autostart->Set(name, data);
        }
    }
    // The entries other than our own, as they are in the store now.
    Values OthersNow() const {
        Values others;
        for (const auto& [name, data] : fakes.autostart->Values()) {
            if (kOthers.count(name)) {
                others[name] = data;
            }
        }
        return others;
    }
    // The row of the start-up window's list that shows the entry; -1 when none does.
    int RowOf(const std::string& name) {
        const QTableWidget* list =
            Main().parts().startupEntries->frmRun()->findChild<QTableWidget*>(QStringLiteral("LV"));
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->item(row, 0) && list->item(row, 0)->text().toStdString() == name) {
                return row;
            }
        }
        return -1;
    }
    QString StateOf(const std::string& name) {
        const QTableWidget* list =
            Main().parts().startupEntries->frmRun()->findChild<QTableWidget*>(QStringLiteral("LV"));
        return list->item(RowOf(name), 2)->text();
    }
    void OpenWindow() {
        Find<QToolButton>("BtnQVPCStart")->click();
        QApplication::processEvents();
    }
};

TEST_F(OwnStartupEntryTest, TickingTheCheckBoxWritesTheQuotedExecutableAndUntickingRemovesIt) {
    Seed(kOthers);
    auto* box = Find<QCheckBox>("MnQVAutoRun");
    ASSERT_FALSE(box->isChecked());

    box->setChecked(true);
    ASSERT_TRUE(fakes.autostart->Values().count("Qarvex"));
    EXPECT_EQ(fakes.autostart->Values().at("Qarvex"), "\"" + std::string(kExe) + "\"");

    box->setChecked(false);
    EXPECT_FALSE(fakes.autostart->Values().count("Qarvex"));
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(OwnStartupEntryTest, OwnEntryShowsInTheListRightAfterTicking) {
    Seed(kOthers);
    OpenWindow();
    ASSERT_EQ(RowOf("Qarvex"), -1);
    Find<QCheckBox>("MnQVAutoRun")->setChecked(true);
    ASSERT_GE(RowOf("Qarvex"), 0);
    EXPECT_EQ(StateOf("Qarvex").toStdString(), "启用");
    Find<QCheckBox>("MnQVAutoRun")->setChecked(false);
    EXPECT_EQ(RowOf("Qarvex"), -1);
}

TEST_F(OwnStartupEntryTest, StartWithTheEntryPresentRewritesItWithTheCurrentExecutable) {
    Seed(kOthers);
    fakes.autostart->Set("Qarvex", std::string("\"/old/place/qarvex\""));

    Start();

    EXPECT_TRUE(Find<QCheckBox>("MnQVAutoRun")->isChecked());
    EXPECT_EQ(fakes.autostart->Values().at("Qarvex"), "\"" + std::string(kExe) + "\"");
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(OwnStartupEntryTest, EntryOfBlanksOnlyCountsAsAbsentAndIsLeftAlone) {
    fakes.autostart->Set("Qarvex", std::string("   "));

    Start();

    EXPECT_FALSE(Find<QCheckBox>("MnQVAutoRun")->isChecked());
    EXPECT_EQ(fakes.autostart->Values().at("Qarvex"), "   ");
    EXPECT_EQ(fakes.autostart->WriteCalls(), 0);
}

TEST_F(OwnStartupEntryTest, FirstStartMovesAnEarlierVersionsEntryToTheOwnName) {
    Seed(kOthers);
    fakes.autostart->Set("ZEQQarvex", std::string("\"/old/qarvex.exe\""));

    Start();

    EXPECT_TRUE(Find<QCheckBox>("MnQVAutoRun")->isChecked());
    EXPECT_FALSE(fakes.autostart->Values().count("ZEQQarvex"));
    EXPECT_EQ(fakes.autostart->Values().at("Qarvex"), "\"" + std::string(kExe) + "\"");
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(OwnStartupEntryTest, UnwritableStoreLeavesTheBoxShowingWhatIsThere) {
    fakes.autostart->SetFailOpen(true);
    auto* box = Find<QCheckBox>("MnQVAutoRun");

    box->setChecked(true);

    EXPECT_TRUE(fakes.autostart->Values().empty());
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace qarvex::test
