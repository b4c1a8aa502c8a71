#include "store/list_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Fixture(const char* name) {
    return std::string(QARVEX_TEST_DATA) + "/lists/" + name;
}

class ListFileTest : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return m_tmp.File(name); }

    test::TempDir m_tmp;
};

// ---------------------------------------------------------------- address cut

struct CutCase {
    const char* text;
    bool backslashes;
    const char* expected;
};

TEST(CutFileUrlTest, KeepsTheTextAfterTheMarker) {
    const CutCase cases[] = {
        // Windows-form texts: forward slashes stay unless asked for back-slashes.
        {"file:///C:/a/b.txt", false, "C:/a/b.txt"},
        {"file:///C:/a/b.txt", true, "C:\\a\\b.txt"},
        {"file:///d:/x//y", true, "d:\\x\\\\y"},
        {"file:///C:", false, "C:"},
        // Only a text that starts with the marker (after blanks) is a local file; a web
        // address carrying one in its query stays what it is.
        {"  file:///C:/a file:///b", false, "C:/a file:///b"},
        {"xx file:///C:/a", false, "xx file:///C:/a"},
        {"https://evil.example/?x=file:///home/u/Downloads/cats.desktop", false,
         "https://evil.example/?x=file:///home/u/Downloads/cats.desktop"},
        // POSIX local paths: "/" plus the rest, runs collapsed, "/" kept either way.
        {"file:///home/u/a b.txt", false, "/home/u/a b.txt"},
        {"file:///home/u/a b.txt", true, "/home/u/a b.txt"},
        {"file:////home//u///x/", true, "/home/u/x/"},
        {"file:///", false, "/"},
        {"file:///1:/a", false, "/1:/a"},
        // No marker: texts stay, only Windows-form ones take back-slashes.
        {"https://example.com/a/b", true, "https://example.com/a/b"},
        {"/usr/bin/gedit", true, "/usr/bin/gedit"},
        {"C:/Tools/x.exe", true, "C:\\Tools\\x.exe"},
        {"C:/Tools/x.exe", false, "C:/Tools/x.exe"},
        {"News / Sport", true, "News / Sport"},
        {"", true, ""},
        // The marker is matched exactly as written.
        {"FILE:///C:/a", true, "FILE:///C:/a"},
        {"file://C:/a", false, "file://C:/a"},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.backslashes ? " (backslashes)" : ""));
        EXPECT_EQ(CutFileUrl(c.text, c.backslashes), c.expected);
    }
}

TEST(CutFileUrlTest, DriveLetterIsAnAsciiLetterAndColon) {
    EXPECT_TRUE(StartsWithDriveLetter("C:"));
    EXPECT_TRUE(StartsWithDriveLetter("z:/x"));
    EXPECT_FALSE(StartsWithDriveLetter("C"));
    EXPECT_FALSE(StartsWithDriveLetter("1:"));
    EXPECT_FALSE(StartsWithDriveLetter(" C:"));
    EXPECT_FALSE(StartsWithDriveLetter("文:"));
}

// ---------------------------------------------------------------- line format

TEST(ParseListLineTest, SplitsPathNameAndNumber) {
    struct Case {
        const char* line;
        const char* path;
        const char* name;
        int number;
    };
    const Case cases[] = {
        {"C:\\a.txt*|*a", "C:\\a.txt", "a", 0},
        {"p*|*n*2*42", "p", "n", 42},
        {"p*|*n*2*-7", "p", "n", -7},
        {"p*|*n*2*", "p", "n", 0},
        {"p*|*n*2*abc", "p", "n", 0},
        {"p*|*a*|*b", "p", "a*|*b", 0},  // only the first separator splits
        {"p*|*a*2*1*2*2", "p", "a", 0},  // the number must be a number
        {"*2*p*|*n", "*2*p", "n", 0},    // "*2*" before the separator is path text
        {"*|*", "", "", 0},
        {" p *|* n ", " p ", " n ", 0},  // nothing is trimmed
        {"网址*|*新闻首页*2*3", "网址", "新闻首页", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const TMyDocObj obj = ParseListLine(c.line);
        EXPECT_EQ(obj.Path, c.path);
        EXPECT_EQ(obj.Name, c.name);
        EXPECT_EQ(obj.Number, c.number);
    }
}

TEST(ParseListLineTest, LineWithoutSeparatorLeavesAReusedRecordAlone) {
    TMyDocObj obj;
    ParseListLine("p*|*n*2*5", obj);
    ParseListLine("no separator *2* 9", obj);
    EXPECT_EQ(obj.Path, "p");
    EXPECT_EQ(obj.Name, "n");
    EXPECT_EQ(obj.Number, 5);

    const TMyDocObj fresh = ParseListLine("nothing here");
    EXPECT_EQ(fresh.Path, "");
    EXPECT_EQ(fresh.Name, "");
}

TEST(ParseListLineTest, MadeLinesParseBack) {
    EXPECT_EQ(MakeListLine("C:\\a", "名"), "C:\\a*|*名");
    EXPECT_EQ(MakeScanLine("/usr/bin/x", "X", -3), "/usr/bin/x*|*X*2*-3");
    const TMyDocObj obj = ParseListLine(MakeScanLine("/usr/bin/x", "X", 12));
    EXPECT_EQ(obj.Path, "/usr/bin/x");
    EXPECT_EQ(obj.Name, "X");
    EXPECT_EQ(obj.Number, 12);
}

// ---------------------------------------------------------------- additions

TEST(AddToListsTest, EachListCutsTheAddressItsOwnWay) {
    struct Case {
        void (*add)(StoredList&, std::string_view, std::string_view);
        const char* what;
        const char* path;
        const char* name;
        const char* line;
        const char* item;
    };
    const Case cases[] = {
        {AddMyRecent, "recent", "file:///C:/a/b.txt", "b", "C:/a/b.txt*|*b", "b"},
        {AddMyRun, "run", "file:///C:/a/b.txt", "b", "C:/a/b.txt*|*b", "b"},
        {AddMyLove, "fav", "file:///C:/a/b.txt", "b", "C:\\a\\b.txt*|*b", "b"},
        {AddMyLove, "fav", "file:///home/u/a b.txt", "x", "/home/u/a b.txt*|*x", "x"},
        {AddMyLove, "fav", "file:///C:/a", "file:///C:/a", "C:\\a*|*C:\\a", "C:\\a"},
        {AddMyLove, "fav", "https://example.com/a/b", "A / B", "https://example.com/a/b*|*A / B",
         "A / B"},
        {AddMyRecent, "recent", "file:///home//u/x", "file:///home//u/x", "/home/u/x*|*/home/u/x",
         "/home/u/x"},
        {AddMyRun, "run", "/usr/bin/gedit", "gedit", "/usr/bin/gedit*|*gedit", "gedit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + c.path);
        StoredList list;
        list.SetLines({"old*|*old"});
        list.SetItems({"old"});
        c.add(list, c.path, c.name);
        ASSERT_EQ(list.LineCount(), 2);
        EXPECT_EQ(list.Lines()[0], c.line);
        EXPECT_EQ(list.Items()[0], c.item);
        EXPECT_EQ(list.Lines()[1], "old*|*old");
    }
}

TEST(AddToListsTest, OnlyTheRecentListRefusesDuplicates) {
    StoredList recent;
    AddMyRecent(recent, "file:///C:/a/b.txt", "b");
    AddMyRecent(recent, "file:///C:/a/b.txt", "other name");
    AddMyRecent(recent, "C:/a/b.txt", "b");  // the same path once cut
    EXPECT_EQ(recent.LineCount(), 1);
    EXPECT_EQ(recent.ItemCount(), 1);

    StoredList fav;
    AddMyLove(fav, "file:///C:/a/b.txt", "b");
    AddMyLove(fav, "file:///C:/a/b.txt", "b");
    EXPECT_EQ(fav.LineCount(), 2);
    EXPECT_EQ(fav.ItemCount(), 2);

    StoredList run;
    AddMyRun(run, "/usr/bin/x", "x");
    AddMyRun(run, "/usr/bin/x", "x");
    EXPECT_EQ(run.LineCount(), 2);
    EXPECT_EQ(run.ItemCount(), 2);
}

TEST(AddToListsTest, RecentListLookupIsExactOnThePathPart) {
    StoredList recent;
    recent.SetLines({"C:\\a*|*A", "no separator", "/home/u/x*|*X*2*1"});
    EXPECT_TRUE(IsInRecentList(recent, "C:\\a"));
    EXPECT_TRUE(IsInRecentList(recent, "/home/u/x"));
    EXPECT_FALSE(IsInRecentList(recent, "c:\\a"));
    EXPECT_FALSE(IsInRecentList(recent, "C:\\a "));
    EXPECT_FALSE(IsInRecentList(recent, "A"));
    EXPECT_FALSE(IsInRecentList(recent, "no separator"));
    EXPECT_FALSE(IsInRecentList(recent, ""));
}

TEST(AddToListsTest, NewestComesFirst) {
    StoredList recent;
    AddMyRecent(recent, "/a", "a");
    AddMyRecent(recent, "/b", "b");
    AddMyRecent(recent, "/c", "c");
    EXPECT_EQ(recent.Lines(), (std::vector<std::string>{"/c*|*c", "/b*|*b", "/a*|*a"}));
    EXPECT_EQ(recent.Items(), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(AddLastRunTest, TrimsAndSkipsWhatIsAlreadyThere) {
    std::vector<std::string> lastRun = {" https://a.org/ "};
    AddLastRun(lastRun, "https://a.org/");
    AddLastRun(lastRun, "  /usr/bin/x\t");
    AddLastRun(lastRun, "/usr/bin/x");
    AddLastRun(lastRun, "file:///home/u/");
    AddLastRun(lastRun, "   ");
    EXPECT_EQ(lastRun,
              (std::vector<std::string>{" https://a.org/ ", "/usr/bin/x", "file:///home/u/"}));
}

// ---------------------------------------------------------------- files

TEST_F(ListFileTest, ForeignGbkFileReadsAndSavesBackIdentical) {
    const std::string original = ReadBytes(Fixture("fav_gbk.dat"));
    ASSERT_FALSE(original.empty());
    StoredList fav;
    ASSERT_TRUE(LoadListFile(fav, Fixture("fav_gbk.dat")));
    EXPECT_EQ(fav.Lines(), (std::vector<std::string>{
                               "C:\\Program Files\\工具\\记事本.exe*|*记事本",
                               "https://www.example.com/新闻*|*新闻首页",
                               "D:\\资料\\报告.doc*|*年度报告",
                           }));
    EXPECT_EQ(fav.Items(), (std::vector<std::string>{"记事本", "新闻首页", "年度报告"}));

    ASSERT_TRUE(SaveListFile(fav, PathOf("fav.dat")));
    EXPECT_EQ(m_tmp.Read("fav.dat"), original);
}

TEST_F(ListFileTest, SavesGb18030WithCrLf) {
    StoredList list;
    AddMyLove(list, "file:///C:/文档/a.txt", "文档");
    AddMyLove(list, "https://例子.cn/", "例子");
    ASSERT_TRUE(SaveListFile(list, PathOf("fav.dat")));
    const std::string expected =
        "https://\xC0\xFD\xD7\xD3.cn/*|*\xC0\xFD\xD7\xD3\r\n"
        "C:\\\xCE\xC4\xB5\xB5\\a.txt*|*\xCE\xC4\xB5\xB5\r\n";
    EXPECT_EQ(m_tmp.Read("fav.dat"), expected);

    StoredList empty;
    ASSERT_TRUE(SaveListFile(empty, PathOf("empty.dat")));
    EXPECT_EQ(m_tmp.Read("empty.dat"), "");
}

TEST_F(ListFileTest, BytesValidInNoEncodingSurviveARoundTrip) {
    const std::string original = ReadBytes(Fixture("garbage.dat"));
    StoredList list;
    ASSERT_TRUE(LoadListFile(list, Fixture("garbage.dat")));
    ASSERT_EQ(list.LineCount(), 3);
    EXPECT_EQ(list.ItemCount(), 3);
    EXPECT_EQ(list.Lines()[2], "plain*|*ok");
    EXPECT_EQ(list.Items()[2], "ok");
    ASSERT_TRUE(SaveListFile(list, PathOf("garbage.dat")));
    EXPECT_EQ(m_tmp.Read("garbage.dat"), original);
}

TEST_F(ListFileTest, FirstEntryStartingWithMarkBytesKeepsThem) {
    // GBK bytes EF BB BF after a blank line: saved at the file's start they would read as
    // a UTF-8 byte-order mark and vanish.
    m_tmp.Write("rec.dat", "\r\xEF\xBB\xBF*|*x\r\n");
    StoredList list;
    ASSERT_TRUE(LoadListFile(list, PathOf("rec.dat")));
    ASSERT_EQ(list.LineCount(), 1);
    ASSERT_TRUE(SaveListFile(list, PathOf("copy.dat")));
    StoredList reloaded;
    ASSERT_TRUE(LoadListFile(reloaded, PathOf("copy.dat")));
    EXPECT_EQ(reloaded.Lines(), list.Lines());
}

TEST_F(ListFileTest, Utf8FileWrittenByAnotherProgramIsRead) {
    m_tmp.Write("rec.dat", "/home/u/报告.odt*|*报告\n");
    StoredList list;
    ASSERT_TRUE(LoadListFile(list, PathOf("rec.dat")));
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"/home/u/报告.odt*|*报告"}));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"报告"}));
}

TEST_F(ListFileTest, BlankLinesAreDroppedSoItemsStayInStepWithLines) {
    StoredList list;
    ASSERT_TRUE(LoadListFile(list, Fixture("mixed.dat")));
    EXPECT_EQ(list.Lines(),
              (std::vector<std::string>{"a*|*A", "b*|*B", "no separator here", "c*|*C*|*D"}));
    // A line without a separator shows whole; only the first separator splits.
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"A", "B", "no separator here", "C*|*D"}));
}

TEST_F(ListFileTest, LoadReplacesWhatWasThereAndNotifiesTheBox) {
    struct Box : StoredList::Observer {
        void ItemsReset(const std::vector<std::string>& items) override { shown = items; }
        void ItemInserted(int, const std::string&) override {}
        void ItemRemoved(int) override {}
        void ItemChanged(int, const std::string&) override {}
        std::vector<std::string> shown;
    } box;
    StoredList list;
    list.SetObserver(&box);
    AddMyRecent(list, "/recorded/at/start", "start");
    m_tmp.Write("rec.dat", "/x*|*X\r\n");
    ASSERT_TRUE(LoadListFile(list, PathOf("rec.dat")));
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"/x*|*X"}));
    EXPECT_EQ(box.shown, (std::vector<std::string>{"X"}));
}

TEST_F(ListFileTest, UnreadableFileLeavesTheListAsItWas) {
    StoredList list;
    list.SetLines({"keep*|*keep"});
    list.SetItems({"keep"});
    fs::create_directory(PathOf("folder.dat"));
    for (const std::string& path : {PathOf("missing.dat"), PathOf("folder.dat")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(LoadListFile(list, path));
        EXPECT_EQ(list.Lines(), (std::vector<std::string>{"keep*|*keep"}));
        EXPECT_EQ(list.Items(), (std::vector<std::string>{"keep"}));
    }
}

TEST_F(ListFileTest, FailedSaveKeepsTheOldFile) {
    m_tmp.Write("fav.dat", "old*|*old\r\n");
    StoredList list;
    list.SetLines({"new*|*new"});
    EXPECT_FALSE(SaveListFile(list, PathOf("no-such-folder/fav.dat")));
    if (geteuid() != 0) {  // root writes into read-only folders anyway
        fs::permissions(m_tmp.Path(), fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(SaveListFile(list, PathOf("fav.dat")));
        fs::permissions(m_tmp.Path(), fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(m_tmp.Read("fav.dat"), "old*|*old\r\n");
}

TEST_F(ListFileTest, LimitKeepsTheFirst10000Lines) {
    struct Case {
        int lines;
        int expected;
    };
    for (const Case c :
         {Case{kMaxListLines, kMaxListLines}, Case{kMaxListLines + 1, kMaxListLines}}) {
        SCOPED_TRACE(c.lines);
        std::string bytes;
        for (int i = 0; i < c.lines; ++i) {
            bytes += "/p/" + std::to_string(i) + "*|*n" + std::to_string(i) + "\r\n";
        }
        m_tmp.Write("rec.dat", bytes);
        StoredList list;
        ASSERT_TRUE(LoadListFile(list, PathOf("rec.dat")));
        ApplyListLimit(list);
        EXPECT_EQ(list.LineCount(), c.expected);
        EXPECT_EQ(list.ItemCount(), c.expected);
        EXPECT_EQ(list.Items().front(), "n0");
        EXPECT_EQ(list.Items().back(), "n" + std::to_string(kMaxListLines - 1));
        EXPECT_EQ(list.Lines().back(), "/p/9999*|*n9999");
    }
}

TEST_F(ListFileTest, HugeLineIsKeptWhole) {
    const std::string path(4 * 1024 * 1024, 'x');
    m_tmp.Write("run.dat", path + "*|*big\r\nsmall*|*s\r\n");
    StoredList list;
    ASSERT_TRUE(LoadListFile(list, PathOf("run.dat")));
    ASSERT_EQ(list.LineCount(), 2);
    EXPECT_EQ(ParseListLine(list.Lines()[0]).Path, path);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"big", "s"}));
}

}  // namespace
}  // namespace qarvex
