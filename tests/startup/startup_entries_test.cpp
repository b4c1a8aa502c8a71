#include "startup/startup_entries.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "startup/frm_run.h"
#include "support/qt/feature_fixture.h"

namespace qarvex::test {
namespace {

using Values = std::map<std::string, std::optional<std::string>>;

constexpr const char* kNeedName = "请输入一个启动名称";
constexpr const char* kNeedPath = "请输入一个启动路径";
constexpr const char* kNothingSelected = "No item selected for deletion!!!";

// Other programs' entries that no operation of ours may touch.
const Values kOthers = {
    {"backup", std::string("/usr/bin/backup --quiet")},
    {"chat", std::string("\"/opt/chat app/chat\" -m")},
};

class StartupEntriesTest : public FeatureFixture {
protected:
    void MakePart() override {
        part = new StartupEntries(Svc(), {Make<QToolButton>("BtnQVPCStart"), &Window()}, Owner());
    }

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

    TfrmRun& Run() {
        Start();
        return *part->frmRun();
    }
    template <typename T>
    T* InRun(const char* name) {
        return Run().findChild<T*>(QString::fromLatin1(name));
    }
    QTableWidget* LV() { return InRun<QTableWidget>("LV"); }
    QLineEdit* NameBox() { return InRun<QLineEdit>("TxtStartName"); }
    QLineEdit* PathBox() { return InRun<QLineEdit>("TxtStartPath"); }
    void Press(const char* button) { InRun<QToolButton>(button)->click(); }

    // Shows the window the way the user does, so rows have a place on screen.
    void OpenWindow() {
        Find<QToolButton>("BtnQVPCStart")->click();
        QApplication::processEvents();
    }

    std::vector<std::pair<std::string, std::string>> Rows() {
        std::vector<std::pair<std::string, std::string>> rows;
        for (int row = 0; row < LV()->rowCount(); ++row) {
            const QTableWidgetItem* name = LV()->item(row, 0);
            const QTableWidgetItem* path = LV()->item(row, 1);
            rows.emplace_back(name ? name->text().toStdString() : "<none>",
                              path ? path->text().toStdString() : "<none>");
        }
        return rows;
    }
    int RowOf(const std::string& name) {
        for (int row = 0; row < LV()->rowCount(); ++row) {
            if (LV()->item(row, 0) && LV()->item(row, 0)->text().toStdString() == name) {
                return row;
            }
        }
        return -1;
    }
    void ClickRow(int row) {
        ASSERT_GE(row, 0);
        const QRect cell = LV()->visualItemRect(LV()->item(row, 0));
        QTest::mouseClick(LV()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static bool IsAlarm(const QLineEdit* box) {
        return box->palette().color(QPalette::Base) == QColor(Qt::red) &&
               box->palette().color(QPalette::Text) == QColor(Qt::yellow);
    }
    static bool IsNormal(const QLineEdit* box) {
        return box->palette().color(QPalette::Base) == QColor(Qt::white) &&
               box->palette().color(QPalette::Text) == QColor(Qt::black);
    }

    StartupEntries* part = nullptr;
};

// The start-up window's list.

TEST_F(StartupEntriesTest, WindowIsMadeAtStartWithItsTextsAndListsEveryEntryByName) {
    Seed({{"zeta", std::string("/z")}, {"alpha", std::string("/a b/c --x")}});

    Start();
    ASSERT_NE(part->frmRun(), nullptr);
    EXPECT_FALSE(Run().isVisible());
    EXPECT_EQ(Run().windowTitle().toStdString(), "开机启动");
    EXPECT_EQ(LV()->horizontalHeaderItem(0)->text().toStdString(), "名称");
    EXPECT_EQ(LV()->horizontalHeaderItem(1)->text().toStdString(), "所在路径");
    EXPECT_EQ(InRun<QLabel>("LbQVPCStartName")->text().toStdString(), "启动名称");
    EXPECT_EQ(InRun<QLabel>("LbQVPCStartPath")->text().toStdString(), "所在路径");

    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(this->Rows(), (Rows{{"alpha", "/a b/c --x"}, {"zeta", "/z"}}));
    EXPECT_LE(LV()->columnWidth(0), TfrmRun::kNameColumnMaxWidth);
    EXPECT_LE(LV()->columnWidth(1), TfrmRun::kPathColumnMaxWidth);

    OpenWindow();
    EXPECT_TRUE(Run().isVisible());
    EXPECT_TRUE(Window().isEnabled()) << "the window must not block the main window";
}

TEST_F(StartupEntriesTest, ListStopsAtAnEntryWithoutAReadableCommand) {
    Seed({{"a-first", std::string("/a")},
          {"b-broken", std::nullopt},
          {"c-after", std::string("/c")}});

    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(this->Rows(), (Rows{{"a-first", "/a"}, {"b-broken", ""}}));
    // Listing never repairs or drops anything in the store.
    EXPECT_EQ(fakes.autostart->Values().size(), 3u);
    EXPECT_EQ(fakes.autostart->Values().at("b-broken"), std::nullopt);
}

TEST_F(StartupEntriesTest, ListIsNotRefreshedByShowingButByTheNextAddOrDelete) {
    Seed(kOthers);
    Start();
    fakes.autostart->Set("late", std::string("/late"));

    OpenWindow();
    EXPECT_EQ(RowOf("late"), -1);

    NameBox()->setText("new");
    PathBox()->setText("/new");
    Press("BtnQVAddPCStart");
    EXPECT_GE(RowOf("late"), 0);
    EXPECT_GE(RowOf("new"), 0);
}

TEST_F(StartupEntriesTest, ClickingARowCopiesItIntoTheBoxes) {
    Seed(kOthers);
    OpenWindow();

    ClickRow(RowOf("chat"));

    EXPECT_EQ(NameBox()->text().toStdString(), "chat");
    EXPECT_EQ(PathBox()->text().toStdString(), "\"/opt/chat app/chat\" -m");
}

TEST_F(StartupEntriesTest, HugeAndOddEntriesAreListedAndCanBeDeleted) {
    const std::string huge(200000, 'x');
    const std::string badName = "bad\xff\xfe";
    Seed(kOthers);
    fakes.autostart->Set("huge", "/bin/" + huge);
    fakes.autostart->Set(badName, std::string("/bin/bad"));
    OpenWindow();

    EXPECT_LE(LV()->columnWidth(1), TfrmRun::kPathColumnMaxWidth);
    ASSERT_EQ(LV()->rowCount(), 4);

    // The name that is not valid text still reaches its own entry, not a look-alike.
    for (int row = 0; row < LV()->rowCount(); ++row) {
        if (LV()->item(row, 0)->text().startsWith(QLatin1String("bad"))) {
            ClickRow(row);
        }
    }
    Press("BtnQVDeletePCStart");
    EXPECT_FALSE(fakes.autostart->Values().count(badName));
    EXPECT_TRUE(fakes.autostart->Values().count("huge"));
    EXPECT_EQ(OthersNow(), kOthers);
}

// Adding, deleting, clearing and running.

TEST_F(StartupEntriesTest, AddWritesTheTrimmedNameAndPathAsTypedWithoutQuotes) {
    Seed(kOthers);
    OpenWindow();
    NameBox()->setText("  tool  ");
    PathBox()->setText("  /opt/my tool/run --now ");

    Press("BtnQVAddPCStart");

    ASSERT_TRUE(fakes.autostart->Values().count("tool"));
    EXPECT_EQ(fakes.autostart->Values().at("tool"), "/opt/my tool/run --now");
    EXPECT_GE(RowOf("tool"), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, AddOverAnExistingNameReplacesItsCommand) {
    Seed(kOthers);
    fakes.autostart->Set("tool", std::string("/old/tool"));
    OpenWindow();
    ClickRow(RowOf("tool"));
    PathBox()->setText("/new/tool");

    Press("BtnQVAddPCStart");

    EXPECT_EQ(fakes.autostart->Values().at("tool"), "/new/tool");
    const int row = RowOf("tool");
    ASSERT_GE(row, 0);
    EXPECT_EQ(LV()->item(row, 1)->text().toStdString(), "/new/tool");
    EXPECT_EQ(LV()->rowCount(), 3);
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, AddWithAMissingFieldAsksForItAndWritesNothing) {
    struct Case {
        const char* name;
        const char* path;
        const char* message;
        bool nameMarked;
    };
    const Case cases[] = {
        {"", "/bin/x", kNeedName, true}, {"   ", "/bin/x", kNeedName, true},
        {"", "", kNeedName, true},       {"x", "", kNeedPath, false},
        {"x", " \t ", kNeedPath, false},
    };
    Seed(kOthers);
    OpenWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("name '") + c.name + "' path '" + c.path + "'");
        messages.shown.clear();
        const int writes = fakes.autostart->WriteCalls();
        NameBox()->setText(QString::fromUtf8(c.name));
        PathBox()->setText(QString::fromUtf8(c.path));

        Press("BtnQVAddPCStart");

        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].icon, Messages::Icon::Error);
        EXPECT_EQ(fakes.autostart->WriteCalls(), writes);
        QLineEdit* marked = c.nameMarked ? NameBox() : PathBox();
        QLineEdit* other = c.nameMarked ? PathBox() : NameBox();
        EXPECT_TRUE(IsAlarm(marked));
        EXPECT_TRUE(IsNormal(other));
        EXPECT_EQ(Run().focusWidget(), marked);
        // What the user typed stays for them to correct.
        EXPECT_EQ(NameBox()->text().toStdString(), c.name);
        EXPECT_EQ(PathBox()->text().toStdString(), c.path);
    }
    EXPECT_EQ(OthersNow(), kOthers);
    EXPECT_EQ(fakes.autostart->Values().size(), kOthers.size());

    // A complete entry afterwards takes the alarm colours away again.
    NameBox()->setText("x");
    PathBox()->setText("/bin/x");
    Press("BtnQVAddPCStart");
    EXPECT_TRUE(IsNormal(NameBox()));
    EXPECT_TRUE(IsNormal(PathBox()));
}

TEST_F(StartupEntriesTest, DeleteWithoutASelectionSaysSoAndRemovesNothing) {
    Seed(kOthers);
    OpenWindow();
    const int removes = fakes.autostart->RemoveCalls();

    Press("BtnQVDeletePCStart");

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kNothingSelected);
    EXPECT_EQ(messages.shown[0].icon, Messages::Icon::Error);
    EXPECT_EQ(fakes.autostart->RemoveCalls(), removes);
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, DeleteRemovesTheSelectedEntryOnlyWithoutAsking) {
    Seed(kOthers);
    fakes.autostart->Set("victim", std::string("/bin/victim"));
    OpenWindow();
    ClickRow(RowOf("victim"));

    Press("BtnQVDeletePCStart");

    EXPECT_FALSE(fakes.autostart->Values().count("victim"));
    EXPECT_EQ(RowOf("victim"), -1);
    EXPECT_TRUE(messages.asked.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(OthersNow(), kOthers);

    // The refill leaves nothing selected: a second press must not delete a neighbour.
    Press("BtnQVDeletePCStart");
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, ASystemEntryShowsItsNameAndDisablingItAsksFirst) {
    const std::string id = "org.gnome.SettingsDaemon.A11ySettings";
    fakes.autostart->SetSystem(id, "/usr/libexec/gsd-a11y-settings", "无障碍设置");
    OpenWindow();
    const int row = RowOf("无障碍设置");
    ASSERT_GE(row, 0);
    EXPECT_EQ(LV()->item(row, 0)->toolTip().toStdString(), id);
    ClickRow(row);
    EXPECT_EQ(InRun<QToolButton>("BtnQVDeletePCStart")->text(), QStringLiteral("禁用"));
    EXPECT_EQ(NameBox()->text().toStdString(), id);

    Press("BtnQVDeletePCStart");
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_TRUE(messages.asked[0].defaultNo);
    EXPECT_EQ(fakes.autostart->RemoveCalls(), 0);
    messages.answer = true;
    Press("BtnQVDeletePCStart");
    EXPECT_EQ(fakes.autostart->RemoveCalls(), 1);
}

TEST_F(StartupEntriesTest, DeleteIntoAStoreThatCannotBeOpenedKeepsTheListAndSaysNothing) {
    Seed(kOthers);
    OpenWindow();
    ClickRow(RowOf("backup"));
    fakes.autostart->SetFailOpen(true);

    Press("BtnQVDeletePCStart");

    EXPECT_EQ(LV()->rowCount(), 2);
    EXPECT_TRUE(messages.shown.empty());
    fakes.autostart->SetFailOpen(false);
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, ClearEmptiesTheBoxesRestoresColoursAndFocusesTheName) {
    OpenWindow();
    PathBox()->setText("/bin/x");
    Press("BtnQVAddPCStart");  // marks the name box
    ASSERT_TRUE(IsAlarm(NameBox()));

    Press("BtnQVClearPCStart");

    EXPECT_TRUE(NameBox()->text().isEmpty());
    EXPECT_TRUE(PathBox()->text().isEmpty());
    EXPECT_TRUE(IsNormal(NameBox()));
    EXPECT_TRUE(IsNormal(PathBox()));
    EXPECT_EQ(Run().focusWidget(), NameBox());
}

TEST_F(StartupEntriesTest, RunStartsTheCommandAsTheSessionWouldAndNeverReportsAMissingOne) {
    const std::string program = files.Path() + "/my tool.sh";
    std::ofstream(program) << "#!/bin/sh\n";
    const std::string missing = files.Path() + "/missing.sh";
    struct Case {
        std::string typed;
        std::vector<ShellOpenCall> expected;
    };
    const std::vector<Case> cases = {
        // A bare command is a program on the path, not a host name.
        {"nm-applet", {ShellOpenCall::MakeRun({"nm-applet"})}},
        {"nm-applet --indicator %U", {ShellOpenCall::MakeRun({"nm-applet", "--indicator"})}},
        {"\"" + program + "\" --tray", {ShellOpenCall::MakeRun({program, "--tray"})}},
        {"\"" + missing + "\"", {ShellOpenCall::MakeRun({missing})}},
        {"www.example.org/start", {ShellOpenCall::MakeOpen("http://www.example.org/start")}},
        {"https://example.org/start", {ShellOpenCall::MakeOpen("https://example.org/start")}},
        {"", {}},
        {"  \"\" ", {}},
    };
    Seed(kOthers);
    OpenWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        fakes.shellOpen->ClearCalls();
        PathBox()->setText(QString::fromStdString(c.typed));

        Press("BtnQVPCRun");

        EXPECT_EQ(fakes.shellOpen->Calls(), c.expected);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(OthersNow(), kOthers);
}

TEST_F(StartupEntriesTest, ResizingKeepsTheBoxesNarrowerThanTheWindow) {
    OpenWindow();
    for (int width : {700, 520, 900}) {
        SCOPED_TRACE(width);
        Run().resize(width, 440);
        QApplication::processEvents();

        EXPECT_EQ(Run().width(), width) << "the window must not grow by itself";
        EXPECT_EQ(NameBox()->width(), width - TfrmRun::kEditWidthAllowance);
        EXPECT_EQ(PathBox()->width(), width - TfrmRun::kEditWidthAllowance);
    }
}

TEST_F(StartupEntriesTest, CloseOnlyHidesAndTheButtonShowsTheSameWindowAgain) {
    Seed(kOthers);
    OpenWindow();
    TfrmRun* first = &Run();

    Press("BtnClose");
    EXPECT_FALSE(first->isVisible());

    OpenWindow();
    EXPECT_EQ(&Run(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(OthersNow(), kOthers);
}

}  // namespace
}  // namespace qarvex::test
