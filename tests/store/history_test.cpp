#include "store/history.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/docs_section.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr const char* kToday = "2026-12-08";

class FakeIcons : public ProgramIcons {
public:
    bool InsertProgramIcon(const std::string& programPath, int position) override {
        inserted.push_back(programPath + "@" + std::to_string(position));
        return !failing.count(programPath);
    }
    std::vector<std::string> inserted;
    std::set<std::string> failing;
};

// Captions in display order; children indented, with their entry index.
std::vector<std::string> Layout(const HistoryTree& tree) {
    std::vector<std::string> out;
    tree.Walk([&out](HistoryNode& node) {
        out.push_back((node.Parent() ? "  " : "") + node.Caption() + " #" +
                      std::to_string(node.Data().DocIndex));
        return true;
    });
    return out;
}

std::vector<std::string> Paths(const DocTable& docs) {
    std::vector<std::string> out;
    for (const TMyDoc& doc : docs) {
        out.push_back(doc.Path);
    }
    return out;
}

using Lines = std::vector<std::string>;

class HistoryTest : public ::testing::Test {
protected:
    std::unique_ptr<History> MakeHistory(std::string today = kToday) {
        auto history = std::make_unique<History>(
            ini, recent, [today] { return today; }, &icons, "/home/u",
            [this](const std::string& path) { return existing.count(path) > 0; });
        history->SetScanTimerHook([this](bool on) { timer.push_back(on); });
        return history;
    }

    void Store(const std::string& text) { dir.Write("defualt.ini", text); }
    std::string Key(const char* prefix, int index) {
        return ini.ReadString(kDocsSection, DocKey(prefix, index), "<none>");
    }

    test::TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
    StoredList recent;
    FakeIcons icons;
    std::set<std::string> existing;
    std::vector<bool> timer;
    std::unique_ptr<History> history = MakeHistory();
};

TEST_F(HistoryTest, UnwantedAddressesLeaveEverythingUntouched) {
    struct Case {
        const char* address;
        const char* name;
        bool software;
    };
    const std::vector<Case> cases = {
        {"http://site-a/", "   ", false},
        {"", "name", true},
        {"RES://shell.dll/page.htm", "x", false},
        {"res://shell.dll/page.htm", "x", true},
        {"file:///C:/", "x", false},
        {"file:///d:", "x", true},
        {"file:///", "x", false},
        {"/", "x", true},
        {"C:\\Tools", "x", false},  // neither software nor grouped
        {"about:blank", "x", false},
        {"/usr/bin/vim", "vim", false},
    };
    for (const Case& c : cases) {
        history->AddDoc(c.address, c.name, "", c.software);
        EXPECT_TRUE(history->Docs().empty()) << c.address;
    }
    EXPECT_TRUE(history->TVDocs().Empty());
    EXPECT_EQ(recent.LineCount(), 0);
    EXPECT_FALSE(ini.SectionExists(kDocsSection));
}

TEST_F(HistoryTest, BlanksInAddressesAreOneDocument) {
    history->AddDoc("  http://site-b/x%20y.html ", " Page ", "", false);
    ASSERT_EQ(history->Docs().size(), 1u);
    const TMyDoc& doc = history->Docs()[0];
    EXPECT_EQ(doc.Path, "http://site-b/x y.html");
    EXPECT_EQ(doc.DisplayName, "Page");
    EXPECT_EQ(doc.RootPath, "site-b");
    EXPECT_EQ(doc.DocType, dkWebPage);
    EXPECT_EQ(doc.Date, kToday);
    EXPECT_EQ(doc.Selected, 0);

    history->AddDoc("http://site-b/x y.html", "again", "", false);
    history->AddDoc("http://site-b/x%20y.html", "again", "1999-01-01", false);
    EXPECT_EQ(history->Docs().size(), 1u);
    EXPECT_EQ(history->Docs()[0].Date, kToday);
    EXPECT_EQ(recent.Lines(), Lines{"http://site-b/x y.html*|*Page"});
}

TEST_F(HistoryTest, FolderEntriesAreRecordedByTheirLocalPath) {
    struct Case {
        const char* address;
        const char* path;
        const char* root;
        const char* stored;
    };
    const std::vector<Case> cases = {
        {"file:///K:/", "K:\\", "K:\\", "file:///K:\\"},
        {"file:///D:/Work/x", "D:\\Work\\x", "D:\\Work", "file:///D:\\Work\\x"},
        {"file:///C:/Program%20Files/x", "C:\\Program Files\\x", "C:\\Program Files",
         "file:///C:\\Program Files\\x"},
        {"file:///home/u/Documents/a%20b.txt", "/home/u/Documents/a b.txt", "/home/u/Documents",
         "file:///home/u/Documents/a b.txt"},
        {"file:////srv//data/x", "/srv/data/x", "/srv", "file:///srv/data/x"},
    };
    int index = 0;
    for (const Case& c : cases) {
        history->AddDoc(c.address, "caller name", "", true);  // the marker wins over software
        ASSERT_EQ(history->Docs().size(), static_cast<std::size_t>(index + 1)) << c.address;
        const TMyDoc& doc = history->Docs().back();
        EXPECT_EQ(doc.DocType, dkFolderOrFile);
        EXPECT_EQ(doc.Path, c.path);
        EXPECT_EQ(doc.DisplayName, c.path);
        EXPECT_EQ(doc.RootPath, c.root);
        EXPECT_EQ(Key("path", index), c.stored);
        EXPECT_EQ(Key("RootPath", index), c.root);
        EXPECT_EQ(Key("name", index), "caller name");
        EXPECT_EQ(Key("doctype", index), "3");
        EXPECT_EQ(Key("selected", index), "0");
        ++index;
    }
    // The recent list keeps forward slashes.
    EXPECT_EQ(recent.Lines().back(), "K:/*|*caller name");
}

TEST_F(HistoryTest, AFolderWithDoubledSlashesIsRecordedOnce) {
    history->AddDoc("file:///C:/a//b", "b", "", false);
    history->AddDoc("file:///C:/a//b", "b", "", false);
    history->AddDoc("file:///C:/a/b", "b", "", false);
    EXPECT_EQ(Paths(history->Docs()), Lines{"C:\\a\\b"});
    EXPECT_TRUE(history->IsDocKnown("file:///C:/a//b"));
    EXPECT_TRUE(history->IsDocKnown("C:\\a\\b"));
    EXPECT_TRUE(history->IsDocKnown("J:"));
    EXPECT_FALSE(history->IsDocKnown(" C:\\a\\c"));
}

TEST_F(HistoryTest, WebPagesGroupByHostNewestGroupFirstOldestPageFirst) {
    history->AddDoc("http://site-a/", "A home", "", false);
    history->AddDoc("http://site-a/news.html", "News", "", false);
    history->AddDoc("https://site-c/a", "C secure", "", false);
    // Roots are told apart byte for byte, but a group is found ignoring case: the newer
    // spelling takes the later pages.
    history->AddDoc("http://SITE-A/more.html", "More", "", false);
    history->AddDoc("http://site-a/zz.html", "Last", "", false);
    const Lines expected = {"SITE-A #3",     "  More #3", "  Last #4", "site-c #2",
                            "  C secure #2", "site-a #0", "  News #1"};
    EXPECT_EQ(Layout(history->TVDocs()), expected);
    EXPECT_EQ(Layout(history->TVDoc()), expected);
    EXPECT_TRUE(history->TVApp().Empty());
    EXPECT_TRUE(history->TVPath().Empty());
    EXPECT_EQ(history->TVDocs().TopLevel(2)->ImageIndex(), kImageWebPage);
    EXPECT_EQ(history->TVDocs().TopLevel(2)->Child(0)->ImageIndex(), kImageWebPage);
}

TEST_F(HistoryTest, FoldersWhoseNamesDifferOnlyInCaseAreTwoGroups) {
    history->AddDoc("file:///home/u/Docs", "Docs", "", false);
    history->AddDoc("file:///home/u/docs", "docs", "", false);
    history->AddDoc("file:///home/u/Docs/a.txt", "a", "", false);
    history->AddDoc("file:///home/u/docs/b.txt", "b", "", false);
    EXPECT_EQ(Layout(history->TVPath()), (Lines{"/home/u/docs #1", "  /home/u/docs/b.txt #3",
                                                "/home/u/Docs #0", "  /home/u/Docs/a.txt #2"}));
}

TEST_F(HistoryTest, APageTitledLikeAHostDoesNotAdoptThatHostsPages) {
    history->AddDoc("http://site-a/", "A home", "", false);
    history->AddDoc("http://site-b/x", "site-a", "", false);
    history->AddDoc("http://site-a/p", "P", "", false);
    EXPECT_EQ(Layout(history->TVDocs()),
              (Lines{"site-b #1", "  site-a #1", "site-a #0", "  P #2"}));
}

TEST_F(HistoryTest, FoldersGroupByDriveOrHomeFolder) {
    history->AddDoc("file:///C:/Tools", "Tools", "", false);
    history->AddDoc("file:///C:/Tools/a.txt", "a", "", false);
    history->AddDoc("file:///home/u/Documents/r.txt", "r", "", false);
    history->AddDoc("file:///home/u/Documents", "Documents", "", false);
    history->AddDoc("file:///home/u", "home", "", false);
    const Lines expected = {"/home/u #4", "/home/u/Documents #2", "  /home/u/Documents/r.txt #2",
                            "C:\\Tools #0", "  C:\\Tools\\a.txt #1"};
    EXPECT_EQ(Layout(history->TVDocs()), expected);
    EXPECT_EQ(Layout(history->TVPath()), expected);
    EXPECT_TRUE(history->TVDoc().Empty());
    EXPECT_EQ(history->TVPath().TopLevel(0)->ImageIndex(), kImageFolderOrFile);
}

TEST_F(HistoryTest, ARemovedGroupNodeSendsLaterPagesToTheBottom) {
    history->AddDoc("http://site-a/", "A", "", false);
    history->AddDoc("http://site-b/", "B", "", false);
    history->TVDoc().Remove(history->TVDoc().TopLevel(1));  // the user's Delete key
    history->AddDoc("http://site-a/c", "C", "", false);
    EXPECT_EQ(Layout(history->TVDoc()), (Lines{"site-b #1", "C #2"}));
    EXPECT_EQ(Layout(history->TVDocs()), (Lines{"site-b #1", "site-a #0", "  C #2"}));
}

TEST_F(HistoryTest, ProgramsAreSingleNodesWithTheirOwnIcons) {
    existing = {"/usr/bin/a", "/usr/bin/b", "/usr/bin/broken", "/opt/computer"};
    icons.failing = {"/usr/bin/broken"};
    history->AddDoc("/usr/bin/a", "Editor", "", true);
    history->AddDoc("/usr/bin/gone", "Gone", "", true);
    history->AddDoc("/usr/bin/broken", "Broken", "", true);
    history->AddDoc("/usr/bin/b", "Editor", "", true);
    history->AddDoc("/opt/computer", "我的电脑", "", true);

    EXPECT_EQ(Layout(history->TVApp()),
              (Lines{"我的电脑 #4", "Editor #3", "Broken #2", "Gone #1", "Editor #0"}));
    EXPECT_EQ(Layout(history->TVDocs()), Layout(history->TVApp()));
    std::vector<int> images;
    for (int row = 0; row < history->TVApp().TopLevelCount(); ++row) {
        images.push_back(history->TVApp().TopLevel(row)->ImageIndex());
    }
    EXPECT_EQ(images, (std::vector<int>{kImageMyComputer, 12, kImageMissingProgram,
                                        kImageMissingProgram, 11}));
    EXPECT_EQ(icons.inserted, (Lines{"/usr/bin/a@11", "/usr/bin/broken@12", "/usr/bin/b@12"}));
    EXPECT_EQ(history->IconCounter(), 12);
    EXPECT_EQ(history->Docs()[0].RootPath, "");
    EXPECT_EQ(history->Docs()[0].DocType, dkSoftware);
    EXPECT_EQ(Key("doctype", 0), "2");
}

TEST_F(HistoryTest, SpecialPlacesUseFixedPicturesAndNoIconSourceMeansTheGenericOne) {
    existing = {"/p"};
    struct Case {
        const char* name;
        int image;
    };
    const std::vector<Case> cases = {{"我的电脑", 6}, {"桌面", 9},     {"网上邻居", 5},
                                     {"控制面板", 5}, {"我的文档", 8}, {"其他", 11}};
    for (const Case& c : cases) {
        auto fresh = MakeHistory();
        EXPECT_EQ(fresh->SoftwareImageIndex("/p", c.name), c.image) << c.name;
        EXPECT_EQ(fresh->SoftwareImageIndex("/missing", c.name), kImageMissingProgram);
    }
    History noIcons(
        ini, recent, [] { return std::string(kToday); }, nullptr, "/home/u",
        [](const std::string&) { return true; });
    EXPECT_EQ(noIcons.SoftwareImageIndex("/p", "x"), kImageMissingProgram);
    EXPECT_EQ(noIcons.IconCounter(), kFirstIconCounter);
}

TEST_F(HistoryTest, TheIndexGivesTheSameResultsAsPlainScans) {
    const std::vector<std::vector<std::string>> calls = {
        {"http://h1/", "h1"},      {"http://h1/a", "a"},        {"http://h2/a", "a"},
        {"file:///C:/x/y", "y"},   {"file:///C:/x", "x"},       {"file:///C:/x/y", "dup"},
        {"http://h1/a", "dup"},    {"file:///home/u/d/e", "e"}, {"http://h2/b", "b"},
        {"file:///home/u/d", "d"}, {" http://h3/ ", "h3"},      {"http://h3/", "dup"},
    };
    auto run = [&](bool useIndex) {
        test::TempDir otherDir;
        IniFile otherIni(otherDir.File("defualt.ini"));
        StoredList otherRecent;
        History h(
            otherIni, otherRecent, [] { return std::string(kToday); }, nullptr, "/home/u",
            [](const std::string&) { return false; });
        h.SetUseIndex(useIndex);
        for (const auto& call : calls) {
            h.AddDoc(call[0], call[1], "", false);
        }
        h.DeleteSelectDocs(1);
        h.AddDoc("http://h1/a", "back", "", false);
        return std::make_pair(Paths(h.Docs()), Layout(h.TVDocs()));
    };
    EXPECT_EQ(run(true), run(false));
}

// The load hands its entries to the recent list all at once; the list must read as if
// they had been added one by one: newest on top, addresses already listed left alone.
TEST_F(HistoryTest, LoadAddsItsEntriesToTheRecentListNewestFirst) {
    recent.InsertLine(0, "http://h/1*|*listed");
    recent.InsertItem(0, "listed");
    Store(
        "[docs]\r\n"
        "name0=zero\r\npath0=http://h/0\r\ndoctype0=1\r\n"
        "name1=one\r\npath1=http://h/1\r\ndoctype1=1\r\n"
        "name2=two\r\npath2=file:///home/u/d\r\ndoctype2=3\r\n");
    history->LoadHistory();
    EXPECT_EQ(recent.Lines(),
              Lines({"/home/u/d*|*two", "http://h/0*|*zero", "http://h/1*|*listed"}));
    EXPECT_EQ(recent.Items(), Lines({"two", "zero", "listed"}));
}

TEST_F(HistoryTest, LoadStopsAtTheFirstEmptyPath) {
    Store("[docs]\r\npath0=\r\nname0=x\r\npath1=http://h/a\r\nname1=a\r\n");
    history->LoadHistory();
    EXPECT_TRUE(history->Docs().empty());
    EXPECT_TRUE(history->TVDocs().Empty());
}

TEST_F(HistoryTest, LoadSqueezesOutDuplicatesAndDropsTheKeysLeftAbove) {
    Store(
        "[docs]\r\n"
        "name0=zero\r\ndate0=2020-01-01\r\npath0=http://h/0\r\ndoctype0=1\r\n"
        "name1=one\r\ndate1=2020-01-02\r\npath1=http://h/1\r\ndoctype1=1\r\n"
        "name2=two\r\ndate2=2020-01-03\r\npath2=http://h/2\r\ndoctype2=1\r\n"
        "name3=dup\r\ndate3=2020-01-04\r\npath3=http://h/1\r\ndoctype3=1\r\n"
        "name4=four\r\ndate4=2020-01-05\r\npath4=http://h/4\r\ndoctype4=1\r\n"
        "path5=\r\n"
        "name6=six\r\npath6=http://h/6\r\n");
    history->LoadHistory();
    EXPECT_EQ(Paths(history->Docs()),
              (Lines{"http://h/0", "http://h/1", "http://h/2", "http://h/4"}));
    const Lines paths = {Key("path", 0), Key("path", 1), Key("path", 2), Key("path", 3),
                         Key("path", 4)};
    EXPECT_EQ(paths, (Lines{"http://h/0", "http://h/1", "http://h/2", "http://h/4", "<none>"}));
    EXPECT_EQ(Key("name", 3), "four");
    EXPECT_EQ(Key("date", 3), "2020-01-05");
    EXPECT_EQ(Key("RootPath", 3), "h");
    EXPECT_EQ(Key("selected", 3), "0");
    EXPECT_EQ(Key("name", 4), "<none>");
    EXPECT_EQ(Key("path", 6), "http://h/6");  // beyond the first gap: not an entry, kept
}

TEST_F(HistoryTest, LoadDecidesKindsAgainAndNeverDropsAKind) {
    existing = {"/usr/bin/vim"};
    const std::string docs =
        "[docs]\r\n"
        "name0=web\r\npath0=http://h/a\r\ndoctype0=1\r\n"
        "name1=untyped\r\npath1=http://h/b\r\n"
        "name2=vim\r\npath2=/usr/bin/vim\r\ndoctype2=2\r\n"
        "name3=bare\r\npath3=C:\\Tools\r\ndoctype3=3\r\n"
        "name4=folder\r\npath4=file:///home/u/Music/x\r\ndoctype4=3\r\n"
        "name5=odd\r\npath5=http://h/c\r\ndoctype5=7\r\n"
        "name6=liar\r\npath6=file:///home/u/y\r\ndoctype6=1\r\n"
        "name7=\r\npath7=http://h/noname\r\n";
    Store("[default]\r\nneedremoveurl=0\r\n" + docs);
    history->LoadHistory();
    EXPECT_EQ(Paths(history->Docs()), (Lines{"http://h/a", "http://h/b", "/usr/bin/vim",
                                             "/home/u/Music/x", "http://h/c", "/home/u/y"}));
    EXPECT_EQ(history->Docs()[5].DocType, dkFolderOrFile);

    // Set by older versions above 1000 entries; it used to drop every stored web page.
    Store("[default]\r\nneedremoveurl=1\r\n" + docs);
    auto again = MakeHistory();
    again->LoadHistory();
    EXPECT_EQ(again->Docs().size(), 6u);
}

TEST_F(HistoryTest, AReloadKeepsDatesNamesAndLayout) {
    existing = {"/usr/bin/vim"};
    history->AddDoc("http://site-a/", "A", "", false);
    history->AddDoc("http://site-a/x", "X", "2001-02-03", false);
    history->AddDoc("/usr/bin/vim", "Vim", "", true);
    history->AddDoc("file:///C:/Tools/a.txt", "a", "", false);
    history->AddDoc("file:///home/u/Documents/b c.txt", "b", "", false);

    auto reloaded = MakeHistory("2030-01-01");
    reloaded->LoadHistory();
    ASSERT_EQ(reloaded->Docs().size(), history->Docs().size());
    for (std::size_t n = 0; n < history->Docs().size(); ++n) {
        const TMyDoc& before = history->Docs()[n];
        const TMyDoc& after = reloaded->Docs()[n];
        EXPECT_EQ(after.Path, before.Path);
        EXPECT_EQ(after.RootPath, before.RootPath);
        EXPECT_EQ(after.DocType, before.DocType);
        EXPECT_EQ(after.Date, before.Date);
        EXPECT_EQ(after.DisplayName, before.DisplayName);
    }
    EXPECT_EQ(reloaded->Docs()[0].Date, kToday);
    EXPECT_EQ(reloaded->Docs()[1].Date, "2001-02-03");
    EXPECT_EQ(Layout(reloaded->TVDocs()), Layout(history->TVDocs()));
    EXPECT_EQ(Layout(reloaded->TVPath()), Layout(history->TVPath()));
    EXPECT_EQ(Layout(reloaded->TVApp()), Layout(history->TVApp()));
    EXPECT_EQ(Layout(reloaded->TVDoc()), Layout(history->TVDoc()));
}

TEST_F(HistoryTest, AGbkFileFromAnotherProgramLoadsItsChineseNames) {
    // "我的电脑" and "新闻" in GBK, as the old program wrote them.
    const std::string myComputer = "\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4";
    const std::string news = "\xD0\xC2\xCE\xC5";
    Store("[docs]\r\nname0=" + news + "\r\ndate0=2019-05-06\r\nRootPath0=h\r\ndoctype0=1\r\n" +
          "path0=http://h/news\r\nselected0=0\r\n" + "name1=" + myComputer +
          "\r\npath1=/usr/bin/nautilus\r\ndoctype1=2\r\n");
    history->LoadHistory();
    ASSERT_EQ(history->Docs().size(), 2u);
    EXPECT_EQ(history->Docs()[0].DisplayName, "新闻");
    EXPECT_EQ(history->Docs()[1].DisplayName, "我的电脑");
    EXPECT_EQ(history->Docs()[0].Date, "2019-05-06");
    // Written back in the same encoding.
    const std::string bytes = dir.Read("defualt.ini");
    EXPECT_NE(bytes.find("name0=" + news), std::string::npos);
    EXPECT_NE(bytes.find("name1=" + myComputer), std::string::npos);
}

TEST_F(HistoryTest, BadStoredFilesGiveWhatCanBeReadAndLoseNothing) {
    // Bytes valid in no encoding survive the rewrite.
    const std::string odd = "\xFF\xFE\x80";
    Store("[docs]\r\nname0=a" + odd + "\r\npath0=http://h/" + odd + "\r\n");
    history->LoadHistory();
    ASSERT_EQ(history->Docs().size(), 1u);
    EXPECT_NE(dir.Read("defualt.ini").find("path0=http://h/" + odd), std::string::npos);

    // Garbage without sections gives an empty history.
    const std::string garbageBytes("\x00\x01garbage=\xFF\r\n[[[\r\n=\r\n", 21);
    Store(garbageBytes);
    auto garbage = MakeHistory();
    garbage->LoadHistory();
    EXPECT_TRUE(garbage->Docs().empty());
    EXPECT_EQ(dir.Read("defualt.ini"), garbageBytes);  // nothing to record, nothing rewritten
}

TEST_F(HistoryTest, ThousandsOfStoredEntriesSurviveANewOneAndTwoRestarts) {
    std::string big = "[default]\r\nneedremoveurl=0\r\n[docs]\r\n";
    for (int n = 0; n < 3000; ++n) {
        const std::string i = std::to_string(n);
        big += "name" + i + "=page " + i + "\r\ndate" + i + "=2020-01-01\r\npath" + i +
               "=http://h" + std::to_string(n % 7) + "/" + i + "\r\ndoctype" + i + "=1\r\n";
    }
    Store(big);
    history->LoadHistory();
    ASSERT_EQ(history->Docs().size(), 3000u);
    history->BeginRecordingPass();
    history->AddDoc("http://new/page", "new", "", false);
    history->EndRecordingPass();
    for (int restart = 0; restart < 2; ++restart) {
        history = MakeHistory();
        history->LoadHistory();
    }
    const auto& docs = history->Docs();
    ASSERT_EQ(docs.size(), 3001u);
    const Lines paths = Paths(docs);
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), 3001u);
    EXPECT_EQ(docs.front().Path, "http://h0/0");
    EXPECT_EQ(docs[2999].DisplayName, "page 2999");
    EXPECT_EQ(docs.back().Path, "http://new/page");
}

TEST_F(HistoryTest, OverItsBoundsTheHistoryKeepsTheNewest) {
    history->SetLimits({.maxDocs = 100, .maxFileBytes = 0});
    history->BeginRecordingPass();
    for (int n = 0; n < 150; ++n) {
        history->AddDoc("http://h/" + std::to_string(n), "p" + std::to_string(n), "", false);
    }
    history->EndRecordingPass();
    // Trimmed in one batch to 99% of the bound, oldest first.
    ASSERT_EQ(history->Docs().size(), 99u);
    EXPECT_EQ(history->Docs().front().Path, "http://h/51");
    EXPECT_EQ(Key("path", 98), "http://h/149");
    EXPECT_EQ(Key("path", 99), "<none>");
    EXPECT_EQ(history->TVDoc().TopLevel(0)->ChildCount(), 99);
    // Recording at the bound does not trim every time.
    history->AddDoc("http://h/new", "new", "", false);
    EXPECT_EQ(history->Docs().size(), 100u);

    // The same over the file's size, whatever the count; and at the next start.
    auto sized = MakeHistory();
    sized->SetLimits({.maxDocs = 0, .maxFileBytes = 4000});
    sized->LoadHistory();
    EXPECT_LE(ini.StoredSize(), 4000u * 99 / 100);
    EXPECT_EQ(sized->Docs().back().Path, "http://h/new");
    EXPECT_LT(sized->Docs().size(), 100u);
    EXPECT_EQ(dir.Read("defualt.ini").size(), ini.StoredSize());
    // Entries recorded one by one afterwards keep to it as well.
    for (int n = 0; n < 40; ++n) {
        sized->AddDoc("http://h/z" + std::to_string(n), "红烧肉的做法" + std::to_string(n), "",
                      false);
        ASSERT_LE(dir.Read("defualt.ini").size(), 4000u) << n;
    }
}

TEST_F(HistoryTest, ASightingCannotBloatTheHistory) {
    history->AddDoc("data:text/html," + std::string(1 << 20, 'x'), "blob", "", false);
    history->AddDoc("http://h/" + std::string(9000, 'y'), "long", "", false);
    EXPECT_TRUE(history->Docs().empty());
    std::string name;
    for (int n = 0; n < 1100; ++n) {
        name += "页";
    }
    history->AddDoc("http://h/a", name, "", false);
    ASSERT_EQ(history->Docs().size(), 1u);
    EXPECT_EQ(history->Docs()[0].DisplayName, name.substr(0, 1024 * 3));
}

TEST_F(HistoryTest, APageFirstSeenWithoutItsTitleTakesItLater) {
    history->AddDoc("http://h/recipes.html", "http://h/recipes.html", "", false);
    history->AddDoc("http://h/titled.html", "Titled", "", false);
    history->AddDoc("http://h/recipes.html", "红烧肉的做法", "", false);
    history->AddDoc("http://h/titled.html", "Another title", "", false);
    history->AddDoc("http://h/recipes.html", "Yet another", "", false);
    ASSERT_EQ(history->Docs().size(), 2u);
    EXPECT_EQ(history->Docs()[0].DisplayName, "红烧肉的做法");
    EXPECT_EQ(history->Docs()[1].DisplayName, "Titled");
    EXPECT_EQ(Layout(history->TVDoc()), (Lines{"h #0", "  红烧肉的做法 #0", "  Titled #1"}));
    EXPECT_EQ(Key("name", 0), "红烧肉的做法");
    EXPECT_EQ(recent.Lines().back(), "http://h/recipes.html*|*红烧肉的做法");
    history = MakeHistory();
    history->LoadHistory();
    EXPECT_EQ(history->Docs()[0].DisplayName, "红烧肉的做法");
}

TEST_F(HistoryTest, DeletingOnePageKeepsItsGroupAndEveryDate) {
    history->AddDoc("http://site-a/", "A", "2020-01-01", false);
    history->AddDoc("http://site-a/1", "One", "2020-01-02", false);
    history->AddDoc("http://site-a/2", "Two", "2020-01-03", false);
    history->AddDoc("file:///C:/Tools/a.txt", "a", "2020-01-04", false);
    history->AddDoc("file:///home/u/x", "x", "2020-01-05", false);
    const int recentBefore = recent.LineCount();

    history->DeleteSelectDocs(1);
    EXPECT_EQ(timer, (std::vector<bool>{false, true}));
    EXPECT_EQ(Paths(history->Docs()),
              (Lines{"http://site-a/", "http://site-a/2", "C:\\Tools\\a.txt", "/home/u/x"}));
    std::vector<std::string> dates;
    for (const TMyDoc& doc : history->Docs()) {
        dates.push_back(doc.Date);
    }
    EXPECT_EQ(dates, (Lines{"2020-01-01", "2020-01-03", "2020-01-04", "2020-01-05"}));
    EXPECT_EQ(history->Docs()[2].DocType, dkFolderOrFile);
    EXPECT_EQ(history->Docs()[2].RootPath, "C:\\Tools");
    EXPECT_EQ(Layout(history->TVDoc()), (Lines{"site-a #0", "  Two #1"}));
    EXPECT_EQ(Layout(history->TVPath()),
              (Lines{"/home/u/x #3", "C:\\Tools #2", "  C:\\Tools\\a.txt #2"}));
    // Keys renumbered without a gap, nothing above.
    EXPECT_EQ(Key("path", 1), "http://site-a/2");
    EXPECT_EQ(Key("date", 1), "2020-01-03");
    EXPECT_EQ(Key("path", 3), "file:///home/u/x");
    EXPECT_EQ(Key("path", 4), "<none>");
    EXPECT_GE(recent.LineCount(), recentBefore);
}

TEST_F(HistoryTest, DeletingAGroupsCreatorTiesTheGroupToTheNextPage) {
    history->AddDoc("http://site-a/1", "One", "", false);
    history->AddDoc("http://site-a/2", "Two", "", false);
    history->AddDoc("http://site-b/", "B", "", false);
    history->MarkSelectedDocs({1, 2, 99, -1});
    history->DeleteSelectDocs(0);
    EXPECT_EQ(Layout(history->TVDocs()), (Lines{"site-b #1", "site-a #0", "  Two #0"}));
    EXPECT_EQ(history->Docs()[0].Selected, 1);  // the reopen marks survive the rebuild
    EXPECT_EQ(history->Docs()[1].Selected, 1);
}

TEST_F(HistoryTest, DeletingAnUnknownIndexDoesNothing) {
    history->AddDoc("http://h/", "h", "", false);
    history->DeleteSelectDocs(-1);
    history->DeleteSelectDocs(1);
    EXPECT_EQ(history->Docs().size(), 1u);
    EXPECT_TRUE(timer.empty());
}

TEST_F(HistoryTest, DeletingKeepsProgramIconsAboveTheFixedPictures) {
    existing = {"/a", "/b"};
    history->AddDoc("http://h/", "h", "", false);
    history->DeleteSelectDocs(0);
    EXPECT_EQ(history->IconCounter(), kFirstIconCounter);

    history->AddDoc("/a", "a", "", true);
    history->AddDoc("/b", "b", "", true);
    history->DeleteSelectDocs(0);
    EXPECT_EQ(history->TVApp().TopLevel(0)->ImageIndex(), 12);
    EXPECT_EQ(history->IconCounter(), 12);
}

TEST_F(HistoryTest, DeleteAllEmptiesEverythingAndTurnsTheTimerBackOn) {
    existing = {"/a"};
    history->DeleteAllDocs();
    EXPECT_EQ(timer, (std::vector<bool>{false, true}));

    history->AddDoc("/a", "a", "", true);
    history->AddDoc("http://h/x", "x", "", false);
    history->DeleteAllDocs();
    EXPECT_EQ(timer, (std::vector<bool>{false, true, false, true}));
    EXPECT_TRUE(history->Docs().empty());
    for (HistoryTree* tree :
         {&history->TVDocs(), &history->TVDoc(), &history->TVApp(), &history->TVPath()}) {
        EXPECT_TRUE(tree->Empty());
    }
    EXPECT_EQ(recent.LineCount(), 0);
    EXPECT_EQ(recent.ItemCount(), 0);
    EXPECT_FALSE(ini.SectionExists(kDocsSection));
    EXPECT_EQ(history->IconCounter(), kFirstIconCounter);
    EXPECT_FALSE(history->IsDocKnown("http://h/x"));
    history->AddDoc("http://h/x", "x", "", false);
    EXPECT_EQ(history->Docs().size(), 1u);
}

TEST_F(HistoryTest, AnUnwritableSettingsFileStillRecordsInMemory) {
    IniFile broken(dir.File("no-such-folder/defualt.ini"));
    History h(
        broken, recent, [] { return std::string(kToday); }, nullptr, "/home/u");
    EXPECT_NO_THROW(h.AddDoc("http://h/a", "a", "", false));
    EXPECT_EQ(h.Docs().size(), 1u);
    EXPECT_EQ(h.TVDoc().TopLevelCount(), 1);
    EXPECT_NO_THROW(h.DeleteAllDocs());
}

}  // namespace
}  // namespace qarvex
