#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "capture/sync_service.h"
#include "platform/fake/fake_shell_open.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/history.h"
#include "store/sync_shard.h"
#include "support/qt/feature_fixture.h"
#include "views/search_box.h"
#include "views/sync_controls.h"

namespace qarvex {
namespace {

constexpr const char* kOtherId = "0123456789abcdef0123456789abcdef";

// The search box and the settings page's shared-folder controls over one history, with
// another machine's file in the shared folder.
class SharedHistoryTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        Trees();
        SearchBoxWidgets widgets;
        widgets.SbSearchText = Make<QFrame>("SbSearchText");
        widgets.ShapeSearch = Make<QFrame>("ShapeSearch", widgets.SbSearchText);
        widgets.EdtSearch = Make<QLineEdit>("EdtSearch", widgets.SbSearchText);
        widgets.BtnQVSearch = Make<QToolButton>("BtnQVSearch", widgets.SbSearchText);
        widgets.LbSearchResult = Make<QListWidget>("LbSearchResult");
        widgets.PnlHint = Make<QLabel>("PnlHint");
        widgets.WebBrowser1Host = Make<QWidget>("WebBrowser1Host");
        sync = std::make_unique<SyncService>(
            Hist(), SyncService::Hooks{{}, {}, [] { return std::int64_t{1760000000}; }, {}, {}});
        search = new SearchBox(Svc(), Trees(), window, widgets, Owner());
        search->SetSync(sync.get());
        auto* page = Make<QWidget>("TsQVSet");
        new QVBoxLayout(page);
        controls = new SyncControls(*sync, State().Settings(), messages,
                                    BuildSyncWidgets(page, QStringLiteral("host")),
                                    {"host", "host:" + ConfigDir(), {}}, Owner());
        controls->Start();
    }

    void SetUp() override {
        other.syncId = kOtherId;
        other.machineName = "办公室";
        other.written = 1760000000;
        other.entries.push_back({"http://remote.example/abc", "Remote ABC", dkWebPage,
                                 "remote.example", "2026-03-01", "2026-03-02", 1});
        other.entries.push_back({"/nowhere/abc-tool", "abc-tool", dkSoftware, "/nowhere/",
                                 "2026-03-01", "2026-03-01", 0});
        other.entries.push_back({"http://both.example/abc", "Both ABC", dkWebPage, "both.example",
                                 "2026-03-01", "2026-03-01", 0});
        ASSERT_TRUE(WriteFileAtomic(Shared() + "/" + ShardFileName(kOtherId), FormatShard(other)));
        Start();
        Hist().AddDoc("http://both.example/abc", "Both ABC", {}, false);
        // The user types the folder on the settings page.
        auto* folder = Find<QLineEdit>("edtSyncFolder");
        folder->setText(QString::fromStdString(Shared()));
        emit folder->editingFinished();
        Window().show();
    }

    std::string Shared() const { return files.Path(); }
    QListWidget* Results() { return Find<QListWidget>("LbSearchResult"); }
    void Type(const QString& text) {
        Find<QLineEdit>("EdtSearch")->setFocus();
        QTest::keyClicks(Find<QLineEdit>("EdtSearch"), text);
    }
    int RowOf(const QString& address) {
        for (int row = 0; row < Results()->count(); ++row) {
            if (Results()->item(row)->data(SearchBox::kPathRole).toString() == address) {
                return row;
            }
        }
        return -1;
    }
    void Press(int row, Qt::Key key) {
        QTest::keyClick(Find<QLineEdit>("EdtSearch"), Qt::Key_Down);
        Results()->setCurrentRow(row);
        QTest::keyClick(Results(), key);
    }
    MachineShard OwnFile() {
        MachineShard own;
        const std::string name = ShardFileName(OwnId());
        std::ifstream in(Shared() + "/" + name, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(ParseShard(bytes, own), ShardParse::Ok) << name;
        return own;
    }
    std::string OwnId() { return State().Settings().ReadString("default", "SyncId", ""); }

    MachineShard other;
    std::unique_ptr<SyncService> sync;
    SearchBox* search = nullptr;
    SyncControls* controls = nullptr;
};

TEST_F(SharedHistoryTest, AnotherMachinesEntryIsFoundAfterOursAndSaysWhichMachine) {
    Type(QStringLiteral("abc"));

    ASSERT_GE(Results()->count(), 3);
    // The entry both machines hold is one row, ours, saying the other has it too.
    EXPECT_EQ(Results()->item(0)->text(),
              QStringLiteral("Both ABC  —  http://both.example/abc  （也在 办公室）"));
    const int remote = RowOf(QStringLiteral("http://remote.example/abc"));
    ASSERT_GT(remote, 0);
    EXPECT_EQ(Results()->item(remote)->text(),
              QStringLiteral("Remote ABC  —  http://remote.example/abc  （办公室）"));
    // Nothing of the other machine's came into this machine's own history.
    EXPECT_EQ(Hist().Docs().size(), 1u);
}

TEST_F(SharedHistoryTest, AProgramOnlyTheOtherMachineHasSaysWhereItIsAndStartsNothing) {
    Type(QStringLiteral("abc-tool"));
    const int row = RowOf(QStringLiteral("/nowhere/abc-tool"));
    ASSERT_GE(row, 0);
    Press(row, Qt::Key_Return);

    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "该项在 办公室 上");
}

TEST_F(SharedHistoryTest, DeletingAnotherMachinesEntryTellsItThroughOurFile) {
    Type(QStringLiteral("remote"));
    const int row = RowOf(QStringLiteral("http://remote.example/abc"));
    ASSERT_GE(row, 0);
    Press(row, Qt::Key_Delete);

    EXPECT_EQ(RowOf(QStringLiteral("http://remote.example/abc")), -1);
    const MachineShard own = OwnFile();
    ASSERT_EQ(own.tombstones.size(), 1u);
    EXPECT_EQ(own.tombstones[0].owner, kOtherId);
    EXPECT_EQ(own.tombstones[0].address, "http://remote.example/abc");
    // Hidden while the other machine has not applied it, also in a new search.
    Find<QLineEdit>("EdtSearch")->clear();
    Type(QStringLiteral("remote"));
    EXPECT_EQ(RowOf(QStringLiteral("http://remote.example/abc")), -1);
}

TEST_F(SharedHistoryTest, AnEntryDeletedOnTheOtherMachineGoesHereAndTheDeletionIsAcknowledged) {
    ASSERT_EQ(Hist().Docs().size(), 1u);
    other.tombstones.push_back({OwnId(), "http://both.example/abc", 1760000100});
    other.written += 100;
    ASSERT_TRUE(WriteFileAtomic(Shared() + "/" + ShardFileName(kOtherId), FormatShard(other)));
    controls->PassEnded(false);

    EXPECT_TRUE(Hist().Docs().empty());
    controls->WriteNow();
    const MachineShard own = OwnFile();
    ASSERT_EQ(own.applied.size(), 1u);
    EXPECT_EQ(own.applied[0], std::make_pair(std::string(kOtherId), std::int64_t{1760000100}));
}

}  // namespace
}  // namespace qarvex
