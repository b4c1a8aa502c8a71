#include "platform/linux/recent_lists.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "platform/linux/xbel_reader.h"
#include "store/exclusions.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "store/stored_list.h"
#include "support/cannot_run.h"
#include "support/file_uri.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using test::FileUri;

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kSqlite = "/usr/bin/sqlite3";

// Runs a program with the given environment added; true when it exits 0.
bool RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
                const std::string& input = {}) {
    int in[2];
    if (pipe(in) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        close(in[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        close(in[1]);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        for (const std::string& pair : env) {
            putenv(const_cast<char*>(pair.c_str()));
        }
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    if (!input.empty()) {
        (void)!write(in[1], input.data(), input.size());
    }
    close(in[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HasGtk() {
    return RunProgram({kPython, "-c", "import gi; gi.require_version('Gtk', '3.0')"}, {});
}

// A user's home with GTK and KDE programs in it, and Qarvex's scan reading their lists.
class RecentListsTest : public ::testing::Test {
protected:
    RecentListsTest()
        : home(dir.File("home")),
          data(dir.File("data")),
          ini(dir.File("defualt.ini")),
          history(
              ini, recent, [] { return std::string("2026-12-09"); }, nullptr, home),
          lists(home, data) {
        std::filesystem::create_directories(data);
        sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [this](const std::string& a) { return history.IsDocKnown(a); };
        sink.isPaused = [this] { return paused; };
        sink.isExcluded = [this](const std::string& a, const std::string& n, bool s) {
            return exclusions.MatchesSighting(a, n, s);
        };
        sink.maxDocs = [this] { return maxDocs; };
        sink.recentFilesSeen = [this] { return DefaultSection::RecentFilesSeen(ini); };
        sink.setRecentFilesSeen = [this](std::int64_t seen) {
            DefaultSection::SetRecentFilesSeen(ini, seen);
        };
        Start(lists);
    }

    // A run of the program, with these lists; the settings file stays.
    void Start(DesktopRecentLists& source) {
        scanner = std::make_unique<Scanner>(desktop, shell, sink, Scanner::Hooks{});
        scanner->SetRecentDocuments(&source);
    }

    // A file of the user's, created (or, with create false, only named).
    std::string UserFile(const std::string& relative, bool create = true) {
        const std::string path = home + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (create) {
            dir.Write("home/" + relative, "text");
        }
        return path;
    }

    // What an editor does on opening these, through GTK itself.
    bool GtkOpened(const std::vector<std::string>& uris) {
        std::vector<std::string> args = {kPython, QARVEX_TEST_DATA "/../support/gtk_recent.py"};
        args.insert(args.end(), uris.begin(), uris.end());
        return RunProgram(args, {"HOME=" + home, "XDG_DATA_HOME=" + data});
    }

    // The (path, stored name) of every entry.
    std::vector<std::pair<std::string, std::string>> Entries() const {
        std::vector<std::pair<std::string, std::string>> entries;
        for (std::size_t i = 0; i < history.Docs().size(); ++i) {
            entries.emplace_back(history.Docs()[i].Path,
                                 ini.ReadString("docs", "name" + std::to_string(i), ""));
        }
        return entries;
    }

    bool Recorded(const std::string& path) const {
        for (const TMyDoc& doc : history.Docs()) {
            if (doc.Path == path) {
                return true;
            }
        }
        return false;
    }

    test::TempDir dir;
    std::string home;
    std::string data;
    IniFile ini;
    StoredList recent;
    History history;
    FakeDesktopWindows desktop;
    FakeShellWindows shell;
    DesktopRecentLists lists;
    Scanner::History sink;
    std::unique_ptr<Scanner> scanner;
    bool paused = false;
    std::size_t maxDocs = 0;
    Exclusions exclusions;
};

#define REQUIRE_GTK()                                                         \
    if (!HasGtk()) {                                                          \
        QARVEX_CANNOT_RUN("python3-gi with gir1.2-gtk-3.0 is not installed"); \
    }

TEST_F(RecentListsTest, FilesAnEditorOpenedAreRecordedAsFileEntriesUnderTheirNames) {
    REQUIRE_GTK();
    const std::string chinese = UserFile("文档/项目资料/说明.txt");
    const std::string spaced = UserFile("My Docs/a b.txt");
    const std::string deleted = UserFile("Documents/gone.txt");
    const std::string secret = UserFile("Documents/secret.txt");
    ASSERT_TRUE(GtkOpened({FileUri(chinese), FileUri(spaced), FileUri(deleted),
                           "private:" + FileUri(secret), "sftp://nas/home/u/plan.odt"}));
    std::filesystem::remove(deleted);

    scanner->ScanShellWindows();

    const auto entries = Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(Recorded(chinese));
    EXPECT_TRUE(Recorded(spaced));
    EXPECT_TRUE(Recorded("sftp://nas/home/u/plan.odt"));
    EXPECT_FALSE(Recorded(deleted));
    EXPECT_FALSE(Recorded(secret));
    for (const auto& [path, name] : entries) {
        if (path == chinese) {
            EXPECT_EQ(name, "说明.txt");
        } else if (path == spaced) {
            EXPECT_EQ(name, "a b.txt");
        }
    }
    for (const TMyDoc& doc : history.Docs()) {
        EXPECT_EQ(doc.DocType, dkFolderOrFile);
        EXPECT_EQ(doc.Date, "2026-12-09");
    }
    // Grouped by the folder below home, as a folder window there is.
    EXPECT_TRUE(history.RootExists(home + "/文档"));
}

TEST_F(RecentListsTest, ExcludedFoldersAndWhatIsOpenedWhilePausedAreNeverRecorded) {
    REQUIRE_GTK();
    exclusions = Exclusions({"~/私人"}, home);
    const std::string hidden = UserFile("私人/日记.txt");
    const std::string duringPause = UserFile("Documents/during-pause.txt");
    const std::string after = UserFile("Documents/after.txt");
    ASSERT_TRUE(GtkOpened({FileUri(hidden)}));
    scanner->ScanShellWindows();

    paused = true;
    ASSERT_TRUE(GtkOpened({FileUri(duringPause)}));
    scanner->ScanShellWindows();
    paused = false;
    scanner->ScanShellWindows();
    // The next day, in a new run: still not.
    DesktopRecentLists nextRun(home, data);
    Start(nextRun);
    scanner->ScanShellWindows();
    ASSERT_TRUE(GtkOpened({FileUri(after)}));
    scanner->ScanShellWindows();

    EXPECT_FALSE(Recorded(hidden));
    EXPECT_FALSE(Recorded(duringPause));
    EXPECT_TRUE(Recorded(after));
}

TEST_F(RecentListsTest, AnUnchangedListIsNotReadAgainAndABrokenOrHugeOneGivesNothing) {
    REQUIRE_GTK();
    const std::string first = UserFile("Documents/first.txt");
    ASSERT_TRUE(GtkOpened({FileUri(first)}));
    scanner->ScanShellWindows();
    ASSERT_TRUE(Recorded(first));
    const std::size_t parses = lists.Parses();
    scanner->ScanShellWindows();
    scanner->ScanShellWindows();
    EXPECT_EQ(lists.Parses(), parses);

    // Cut off in the middle, as a full disk leaves it.
    const std::string xbel = data + "/recently-used.xbel";
    const std::string text = test::ReadWholeFile(xbel);
    const std::string broken = UserFile("Documents/broken.txt");
    dir.Write("data/recently-used.xbel",
              text.substr(0, text.size() / 2) + "<bookmark href=\"" + FileUri(broken) + "\">");
    scanner->ScanShellWindows();
    EXPECT_FALSE(Recorded(broken));

    const std::string huge = UserFile("Documents/huge.txt");
    std::filesystem::remove(xbel);
    ASSERT_TRUE(GtkOpened({FileUri(huge)}));
    std::filesystem::resize_file(xbel, kMaxRecentListBytes + 1);
    scanner->ScanShellWindows();
    EXPECT_FALSE(Recorded(huge));
    EXPECT_EQ(history.Docs().size(), 1u);
}

TEST_F(RecentListsTest, TheFirstReadingKeepsTheNewestWithinTheHistorysBound) {
    const std::string xbelHead = "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n";
    std::string xbel = xbelHead;
    for (int day = 1; day <= 5; ++day) {
        const std::string path = UserFile("Documents/day" + std::to_string(day) + ".txt");
        xbel += "<bookmark href=\"" + FileUri(path) + "\" visited=\"2026-12-0" +
                std::to_string(day) + "T10:00:00Z\"/>\n";
    }
    dir.Write("data/recently-used.xbel", xbel + "</xbel>\n");
    maxDocs = 2;
    scanner->ScanShellWindows();
    ASSERT_EQ(history.Docs().size(), 2u);
    EXPECT_EQ(history.Docs()[0].Path, home + "/Documents/day4.txt");
    EXPECT_EQ(history.Docs()[1].Path, home + "/Documents/day5.txt");
}

TEST_F(RecentListsTest, KdeRecentDocumentsLinksAreRecorded) {
    const std::string report = UserFile("文档/报告 2026.odt");
    std::filesystem::create_directories(data + "/RecentDocuments");
    dir.Write("data/RecentDocuments/报告 2026.odt.desktop",
              "[Desktop Entry]\nIcon=application-vnd.oasis.opendocument.text\n"
              "Name=报告 2026.odt\nType=Link\nURL[$e]=file:$HOME/文档/报告 2026.odt\n"
              "X-KDE-LastOpenedWith=calligrawords\n");
    scanner->ScanShellWindows();
    EXPECT_TRUE(Recorded(report));
}

// The activity manager's database as Plasma 5.27 lays it out.
constexpr const char* kActivitySchema = R"(
CREATE TABLE SchemaInfo (key text PRIMARY KEY, value text);
INSERT INTO SchemaInfo VALUES ('version', '2015.02.09');
CREATE TABLE ResourceEvent (usedActivity TEXT, initiatingAgent TEXT, targettedResource TEXT,
    start INTEGER, end INTEGER);
CREATE TABLE ResourceScoreCache (usedActivity TEXT, initiatingAgent TEXT,
    targettedResource TEXT, scoreType INTEGER, cachedScore FLOAT, firstUpdate INTEGER,
    lastUpdate INTEGER, PRIMARY KEY(usedActivity, initiatingAgent, targettedResource));
CREATE TABLE ResourceLink (usedActivity TEXT, initiatingAgent TEXT, targettedResource TEXT,
    PRIMARY KEY(usedActivity, initiatingAgent, targettedResource));
CREATE TABLE ResourceInfo (targettedResource TEXT, title TEXT, mimetype TEXT,
    autoTitle INTEGER, autoMimetype INTEGER, PRIMARY KEY(targettedResource));
PRAGMA journal_mode=WAL;
)";

TEST_F(RecentListsTest, TheActivityDatabaseIsReadUnlessLockedDamagedOrStrange) {
    if (access(kSqlite, X_OK) != 0) {
        QARVEX_CANNOT_RUN("the sqlite3 tool is not installed");
    }
    const std::string folder = data + "/kactivitymanagerd/resources";
    std::filesystem::create_directories(folder);
    const std::string database = folder + "/database";
    const std::string scored = UserFile("Documents/scored.txt");
    const std::string opened = UserFile("Documents/opened.txt");
    ASSERT_TRUE(RunProgram(
        {kSqlite, database}, {},
        std::string(kActivitySchema) +
            "INSERT INTO ResourceScoreCache VALUES (':global', 'org.kde.kate', '" + scored +
            "', 0, 1.0, 1765000000, 1765000100);\n"
            "INSERT INTO ResourceEvent VALUES (':global', 'org.kde.okular', '" +
            opened +
            "', 1765000200, 1765000300);\n"
            "INSERT INTO ResourceScoreCache VALUES (':global', 'org.kde.krunner', "
            "'applications:org.kde.kate.desktop', 0, 1.0, 1765000000, 1765000100);\n"));

    // Plasma in the middle of a write: the scan gives up at once and tries again later.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "PRAGMA journal_mode=DELETE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    scanner->ScanShellWindows();
    EXPECT_TRUE(history.Docs().empty());
    sqlite3_exec(writer, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    scanner->ScanShellWindows();
    EXPECT_TRUE(Recorded(scored));
    EXPECT_TRUE(Recorded(opened));
    EXPECT_EQ(history.Docs().size(), 2u);

    // A later layout, and a damaged file: nothing, quietly.
    DesktopRecentLists again(home, data);
    std::filesystem::remove(database);
    ASSERT_TRUE(
        RunProgram({kSqlite, database}, {}, "CREATE TABLE Resources (uri TEXT, used INTEGER);\n"));
    EXPECT_TRUE(again.ChangedDocuments().empty());
    std::filesystem::remove(database);
    dir.Write("data/kactivitymanagerd/resources/database",
              std::string("SQLite format 3\0", 16) + std::string(4096, '\x7f'));
    EXPECT_TRUE(again.ChangedDocuments().empty());
}

}  // namespace
}  // namespace qarvex
