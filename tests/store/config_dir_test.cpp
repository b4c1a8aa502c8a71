#include "store/config_dir.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/doc_table.h"
#include "store/history_export.h"
#include "store/list_file.h"
#include "store/stored_list.h"
#include "support/cannot_run.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;

TEST(GetConfigDirTest, TheFolderGoesInsideTheRoot) {
    struct Case {
        const char* root;
        const char* expected;
    };
    const Case cases[] = {
        {"/home/u/.config/", "/home/u/.config/ZeqConfig/"},
        {"/home/u/.config", "/home/u/.config/ZeqConfig/"},
        {"/", "/ZeqConfig/"},
        {"", "/ZeqConfig/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(GetConfigDir(c.root), c.expected);
    }
}

TEST(XdgConfigRootTest, AbsoluteXdgWinsElseHomeConfig) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/cfg", "/home/u", "/x/cfg/"},
        {"/x/cfg/", "/home/u", "/x/cfg/"},
        {"/x/cfg//", nullptr, "/x/cfg/"},
        {"/", "/home/u", "/"},
        {"relative/cfg", "/home/u", "/home/u/.config/"},  // ignored, as XDG asks
        {"", "/home/u", "/home/u/.config/"},
        {nullptr, "/home/u/", "/home/u/.config/"},
        {nullptr, "/", "/.config/"},
        {"~/cfg", "/home/用户", "/home/用户/.config/"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
        {"relative", "relative", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(null)") + " | " + (c.home ? c.home : "(null)"));
        EXPECT_EQ(XdgConfigRoot(c.xdg, c.home), c.expected);
    }
}

TEST(ConfigFilePathTest, FolderAndNameJoinDirectly) {
    EXPECT_EQ(ConfigFilePath("/home/u/.config/ZeqConfig/", "defualt.ini"),
              "/home/u/.config/ZeqConfig/defualt.ini");
    EXPECT_EQ(ConfigFilePath("C:\\ZeqConfig\\", "fav.dat"), "C:\\ZeqConfig\\fav.dat");
}

class PrepareConfigDirTest : public ::testing::Test {
protected:
    test::TempDir m_tmp;
    const fs::path m_root = m_tmp.Path();
};

TEST_F(PrepareConfigDirTest, CreatesTheFolderWithItsParents) {
    const std::string root = m_root.string() + "/xdg/deeper/";
    const std::string dir = GetConfigDir(root);
    EXPECT_TRUE(PrepareConfigDir(dir));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(PrepareConfigDir(dir));  // already there
}

TEST_F(PrepareConfigDirTest, FolderThatCannotBeMadeIsReportedAndWritesFailQuietly) {
    m_tmp.Write("blocker", "a file where a folder should be");
    const std::string dir = GetConfigDir((m_root / "blocker").string() + "/");
    EXPECT_FALSE(PrepareConfigDir(dir));
    EXPECT_FALSE(PrepareConfigDir(""));

    StoredList fav;
    AddMyLove(fav, "/home/u/a", "a");
    EXPECT_FALSE(SaveListFile(fav, ConfigFilePath(dir, "fav.dat")));
    StoredList loaded;
    EXPECT_FALSE(LoadListFile(loaded, ConfigFilePath(dir, "fav.dat")));
    EXPECT_EQ(loaded.LineCount(), 0);
}

TEST_F(PrepareConfigDirTest, ReadOnlyParentIsReported) {
    QARVEX_RUN_UNPRIVILEGED(m_root.string(), [&] {
        fs::permissions(m_root, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(PrepareConfigDir(GetConfigDir(m_root.string() + "/")));
    });
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// The folder holds the user's browsing history: other users of the machine read none
// of it, and no file is ever more open than the user's umask makes new files.
TEST_F(PrepareConfigDirTest, HistoryIsNoMoreOpenThanTheUmaskAllows) {
    struct UmaskGuard {
        mode_t saved = ::umask(077);
        ~UmaskGuard() { ::umask(saved); }
    } guard;
    const std::string dir = GetConfigDir({m_root.string() + "/strict/"});
    EXPECT_TRUE(PrepareConfigDir(dir));
    EXPECT_EQ(ModeOf(dir), 0700u);
    StoredList recent;
    AddMyRecent(recent, "https://bank.example/", "bank");
    ASSERT_TRUE(SaveListFile(recent, ConfigFilePath(dir, "rec.dat")));
    EXPECT_EQ(ModeOf(ConfigFilePath(dir, "rec.dat")), 0600u);
    const std::string exported = m_root.string() + "/history.csv";
    ASSERT_TRUE(ExportHistory(DocTable{}, exported));
    EXPECT_EQ(ModeOf(exported), 0600u);

    ::umask(022);
    // A folder an earlier version left open to everyone is closed at the next start.
    const std::string old = GetConfigDir({m_root.string() + "/old/"});
    fs::create_directories(old);
    ::chmod(old.c_str(), 0755);
    EXPECT_TRUE(PrepareConfigDir(old));
    EXPECT_EQ(ModeOf(old), 0700u);
    ASSERT_TRUE(SaveListFile(recent, ConfigFilePath(old, "rec.dat")));
    EXPECT_EQ(ModeOf(ConfigFilePath(old, "rec.dat")), 0644u);
}

}  // namespace
}  // namespace qarvex
