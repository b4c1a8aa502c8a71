#include "store/app_state.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "store/list_file.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

class AppStateTest : public ::testing::Test {
protected:
    std::string Dir() const { return dir.Path() + "/"; }
    test::TempDir dir;
};

TEST_F(AppStateTest, ExitSequenceWritesEveryFileInOrder) {
    AppState state(Dir());
    AddMyLove(state.FavList(), "file:///C:/a/b.txt", "b");
    AddMyRecent(state.RecentList(), "http://site/", "site");
    AddMyRun(state.RunList(), "/usr/bin/gedit", "gedit");
    AddLastRun(state.LastRunList(), "https://a.example/");
    std::vector<std::string> order;
    const int done = state.SaveAtExit([&] {
        order.push_back("settings");
        return state.Settings().WriteBool("default", "needRemoveAllStart", false);
    });
    EXPECT_EQ(done, 5);
    EXPECT_EQ(dir.Read("fav.dat"), "C:\\a\\b.txt*|*b\r\n");
    EXPECT_EQ(dir.Read("rec.dat"), "http://site/*|*site\r\n");
    EXPECT_EQ(dir.Read("run.dat"), "/usr/bin/gedit*|*gedit\r\n");
    EXPECT_EQ(dir.Read("lr.dat"), "https://a.example/\r\n");
    EXPECT_EQ(order, std::vector<std::string>{"settings"});
}

TEST_F(AppStateTest, FirstFileThatCannotBeWrittenEndsTheSequence) {
    // rec.dat is a folder: it can't be replaced by a file, so nothing after it is written.
    std::filesystem::create_directories(dir.File("rec.dat"));
    AppState state(Dir());
    bool settingsSaved = false;
    EXPECT_EQ(state.SaveAtExit([&] { return settingsSaved = true; }), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("fav.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("lr.dat")));
    EXPECT_FALSE(settingsSaved);
}

TEST_F(AppStateTest, MissingFolderSavesNothingAndDoesNotThrow) {
    AppState state(dir.File("no/such/folder/"));
    EXPECT_EQ(state.SaveAtExit([] { return true; }), 0);
}

TEST_F(AppStateTest, LastRunListIsReadWholeAndWrittenBackUnchanged) {
    dir.Write("lr.dat", "https://a.example/\r\n/usr/bin/gedit\nfile:///home/u/Work\r\n");
    AppState state(Dir());
    state.LoadLastRunList();
    EXPECT_EQ(state.LastRunList(), (std::vector<std::string>{"https://a.example/", "/usr/bin/gedit",
                                                             "file:///home/u/Work"}));
    state.SaveAtExit([] { return true; });
    EXPECT_EQ(dir.Read("lr.dat"),
              "https://a.example/\r\n/usr/bin/gedit\r\nfile:///home/u/Work\r\n");
}

TEST_F(AppStateTest, ListsAboveTheLimitAreEmptiedOnLoad) {
    std::string big;
    for (int i = 0; i < kMaxListLines + 1; ++i) {
        big += "/p/" + std::to_string(i) + "*|*n\r\n";
    }
    dir.Write("rec.dat", big);
    dir.Write("run.dat", "/a*|*a\r\n");
    AppState state(Dir());
    state.LoadRecentList();
    state.LoadRunList();
    EXPECT_EQ(state.RecentList().LineCount(), 0);
    EXPECT_EQ(state.RecentList().ItemCount(), 0);
    EXPECT_EQ(state.RunList().Items(), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace qarvex
