#include "store/app_state.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "store/atomic_file.h"
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

TEST_F(AppStateTest, FileThatCannotBeWrittenDoesNotStopTheOthers) {
    // rec.dat is a folder: it can't be replaced by a file; everything else is written.
    std::filesystem::create_directories(dir.File("rec.dat"));
    AppState state(Dir());
    state.LoadRecentList();
    AddMyRun(state.RunList(), "/usr/bin/gedit", "gedit");
    bool settingsSaved = false;
    EXPECT_EQ(state.SaveAtExit([&] { return settingsSaved = true; }), 4);
    EXPECT_TRUE(std::filesystem::exists(dir.File("fav.dat")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("rec.dat")));
    EXPECT_EQ(dir.Read("run.dat"), "/usr/bin/gedit*|*gedit\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir.File("lr.dat")));
    EXPECT_TRUE(settingsSaved);
}

TEST_F(AppStateTest, ListFileThatCouldNotBeReadIsNeverOverwritten) {
    // Too large to be ours: neither read nor replaced (a sparse file costs no disk).
    const std::string big = dir.Write("fav.dat", "/kept*|*kept\r\n");
    std::filesystem::resize_file(big, kMaxStoredFileBytes + 1);
    std::filesystem::create_directories(dir.File("lr.dat"));
    AppState state(Dir());
    state.LoadFavList();
    state.LoadLastRunList();
    EXPECT_EQ(state.FavList().LineCount(), 0);
    EXPECT_EQ(state.OversizedFiles(), std::vector<std::string>{"fav.dat"});
    AddMyLove(state.FavList(), "/new", "new");
    AddLastRun(state.LastRunList(), "https://a.example/");
    EXPECT_EQ(state.SaveAtExit([] { return true; }), 3);
    EXPECT_EQ(std::filesystem::file_size(big), kMaxStoredFileBytes + 1);
    EXPECT_EQ(dir.Read("fav.dat").substr(0, 14), "/kept*|*kept\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("lr.dat")));
}

TEST_F(AppStateTest, ListNotLoadedYetLeavesItsFileAlone) {
    // rec.dat is loaded a moment after start; leaving before that keeps it whole.
    dir.Write("rec.dat", "/old*|*old\r\n");
    AppState state(Dir());
    AddMyRecent(state.RecentList(), "/recorded/at/start", "start");
    EXPECT_EQ(state.SaveAtExit([] { return true; }), 5);
    EXPECT_EQ(dir.Read("rec.dat"), "/old*|*old\r\n");
}

TEST_F(AppStateTest, ChangesAreReportedButLoadsAreNot) {
    dir.Write("fav.dat", "/a*|*a\r\n");
    AppState state(Dir());
    std::vector<AppState::StoredFile> changed;
    state.SetListChangedHook([&](AppState::StoredFile file) { changed.push_back(file); });
    state.LoadFavList();
    state.LoadRecentList();
    EXPECT_TRUE(changed.empty());
    AddMyLove(state.FavList(), "/b", "b");
    AddMyRun(state.RunList(), "/c", "c");
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed.front(), AppState::StoredFile::Favourites);
    EXPECT_EQ(changed.back(), AppState::StoredFile::Run);
    ASSERT_TRUE(state.SaveFile(AppState::StoredFile::Favourites));
    EXPECT_EQ(dir.Read("fav.dat"), "/b*|*b\r\n/a*|*a\r\n");
}

TEST_F(AppStateTest, MissingFolderSavesNothingAndDoesNotThrow) {
    AppState state(dir.File("no/such/folder/"));
    EXPECT_EQ(state.SaveAtExit([&] { return state.Settings().WriteBool("default", "x", true); }),
              0);
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

TEST_F(AppStateTest, ListsAboveTheLimitKeepTheirNewestLines) {
    std::string big;
    for (int i = 0; i < kMaxListLines + 1; ++i) {
        big += "/p/" + std::to_string(i) + "*|*n\r\n";
    }
    dir.Write("rec.dat", big);
    dir.Write("run.dat", "/a*|*a\r\n");
    AppState state(Dir());
    state.LoadRecentList();
    state.LoadRunList();
    EXPECT_EQ(state.RecentList().LineCount(), kMaxListLines);
    EXPECT_EQ(state.RecentList().ItemCount(), kMaxListLines);
    EXPECT_EQ(state.RecentList().Lines().front(), "/p/0*|*n");
    // The next exit keeps them rather than an empty list.
    state.SaveAtExit([] { return true; });
    EXPECT_EQ(dir.Read("rec.dat").substr(0, 11), "/p/0*|*n\r\n/");
    EXPECT_EQ(state.RunList().Items(), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace qarvex
