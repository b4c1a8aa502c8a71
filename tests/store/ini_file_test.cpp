#include "store/ini_file.h"

#include <algorithm>
#include <csignal>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store/atomic_file.h"
#include "store/strings.h"
#include "store/text_file.h"
#include "support/cannot_run.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using test::TempDir;

std::string Replaced(std::string_view text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string_view::npos) << from;
    std::string out(text);
    out.replace(at, from.size(), to);
    return out;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

constexpr std::string_view kSample =
    "[Default]\r\n"
    "CheckDocInterval = 300 \r\n"
    "  ShowFavEdit=0\r\n"
    "; width=999\r\n"
    "junk line without equals\r\n"
    "=no key\r\n"
    "formula=a=b=c\r\n"
    "checkdocinterval=1\r\n"
    "\r\n"
    "[ docs ]\n"
    "path0=file:///C:\\\xCE\xC4\xBC\xFE\xBC\xD0\n"
    "name0=\xCE\xC4\xBC\xFE\xBC\xD0\n"
    "[default]\r\n"
    "width=111\r\n"
    "height=222";

TEST(IniFileTest, ReadsPrivateProfileLines) {
    TempDir dir;
    IniFile ini(dir.Write("defualt.ini", kSample));
    const struct {
        std::string_view section, key, expected;
    } cases[] = {
        {"default", "CheckDocInterval", "300"},  // trimmed; the first of two equal keys
        {"DEFAULT", "checkdocinterval", "300"},
        {"default", "ShowFavEdit", "0"},
        {"default", "formula", "a=b=c"},
        {"default", "; width", "-"},  // a comment is no key
        {"default", "width", "-"},    // only the first section of a name counts
        {"default", "junk line without equals", "-"},
        {"docs", "path0", "file:///C:\\文件夹"},  // GBK on disk, LF line ends, padded header
        {"Docs", "NAME0", "文件夹"},
        {"docs", "path1", "-"},
        {"missing", "path0", "-"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "-"), c.expected) << c.section << "/" << c.key;
    }
    EXPECT_TRUE(ini.SectionExists("DOCS"));
    EXPECT_FALSE(ini.SectionExists("doc"));
    EXPECT_TRUE(ini.ValueExists("default", "FORMULA"));
    EXPECT_FALSE(ini.ValueExists("docs", "formula"));
}

TEST(IniFileTest, SettingsWrittenInGbkByTheOlderProgram) {
    TempDir dir;
    const std::string original = test::ReadWholeFile(QARVEX_TEST_DATA "/store/gbk_settings.ini");
    ASSERT_FALSE(original.empty());
    IniFile ini(dir.Write("defualt.ini", original));
    EXPECT_EQ(ini.ReadString("docs", "name0", ""), "我的电脑");
    EXPECT_EQ(ini.ReadString("docs", "path1", ""), "file:///D:\\工作\\文件夹");
    EXPECT_EQ(ini.ReadString("docs", "RootPath1", ""), "D:\\工作");
    EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 120), 180);

    ASSERT_TRUE(ini.WriteString("docs", "name1", "新文件夹"));
    EXPECT_EQ(dir.Read("defualt.ini"), Replaced(original, "name1=\xCE\xC4\xBC\xFE\xBC\xD0",
                                                "name1=\xD0\xC2\xCE\xC4\xBC\xFE\xBC\xD0"));
}

TEST(IniFileTest, NumbersAndBooleansFallBackToTheDefault) {
    TempDir dir;
    IniFile ini(dir.Write("defualt.ini",
                          "[default]\r\ndec= 42 \r\nneg=-7\r\nhex=0x1F\r\ndollar=$10\r\n"
                          "text=12abc\r\nempty=\r\nbig=99999999999\r\ntwo=2\r\nzero=0\r\n"
                          "yes=yes\r\n"));
    const struct {
        std::string_view key;
        int expected;  // with default 120
    } integers[] = {{"dec", 42},   {"neg", -7},    {"hex", 31},  {"dollar", 16},
                    {"text", 120}, {"empty", 120}, {"big", 120}, {"missing", 120}};
    for (const auto& c : integers) {
        EXPECT_EQ(ini.ReadInteger("default", c.key, 120), c.expected) << c.key;
    }
    const struct {
        std::string_view key;
        bool withTrue, withFalse;  // results for default true and default false
    } booleans[] = {{"two", true, true},  {"zero", false, false}, {"neg", true, true},
                    {"yes", true, false}, {"empty", true, false}, {"missing", true, false}};
    for (const auto& c : booleans) {
        EXPECT_EQ(ini.ReadBool("default", c.key, true), c.withTrue) << c.key;
        EXPECT_EQ(ini.ReadBool("default", c.key, false), c.withFalse) << c.key;
    }
}

// A long address cut on reload would be recorded again, whole, as a second entry.
TEST(IniFileTest, LongValuesReadBackWhole) {
    TempDir dir;
    std::string longValue = "https://example.com/?q=";
    for (int i = 0; i < 3000; ++i) {
        longValue += "文";
    }
    IniFile ini(dir.File("defualt.ini"));
    ASSERT_TRUE(ini.WriteString("docs", "path0", longValue));
    EXPECT_EQ(ini.ReadString("docs", "path0", ""), longValue);
    EXPECT_EQ(IniFile(ini.Path()).ReadString("docs", "path0", ""), longValue);
}

TEST(IniFileTest, WritesChangeOnlyWhatTheyMust) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", kSample);
    IniFile ini(path);
    std::string expected(kSample);

    // In place, keeping the stored spelling of the key and every other byte.
    ASSERT_TRUE(ini.WriteInteger("DEFAULT", "checkdocinterval", 60));
    expected = Replaced(expected, "CheckDocInterval = 300 \r\n", "CheckDocInterval=60\r\n");
    EXPECT_EQ(dir.Read("defualt.ini"), expected);

    // A new key goes after the last key of its section, before the blank separator.
    ASSERT_TRUE(ini.WriteBool("default", "CbRefresh", true));
    expected =
        Replaced(expected, "checkdocinterval=1\r\n", "checkdocinterval=1\r\nCbRefresh=1\r\n");
    ASSERT_TRUE(ini.WriteBool("docs", "selected0", false));
    expected = Replaced(expected, "name0=\xCE\xC4\xBC\xFE\xBC\xD0\n",
                        "name0=\xCE\xC4\xBC\xFE\xBC\xD0\nselected0=0\r\n");
    EXPECT_EQ(dir.Read("defualt.ini"), expected);

    // A new section goes at the end, after giving the last line its missing line end.
    ASSERT_TRUE(ini.WriteInteger("New", "count", -5));
    expected += "\r\n[New]\r\ncount=-5\r\n";
    EXPECT_EQ(dir.Read("defualt.ini"), expected);

    // A value can never break its line.
    ASSERT_TRUE(ini.WriteString("new", "count", std::string("a\r\nb\0c\n[x]", 10)));
    expected = Replaced(expected, "count=-5", "count=a  b c [x]");
    EXPECT_EQ(dir.Read("defualt.ini"), expected);
    EXPECT_EQ(IniFile(path).ReadString("new", "count", ""), "a  b c [x]");

    // Writing what is already there leaves the file alone.
    const FileStamp before = *StatFile(path);
    ASSERT_TRUE(ini.WriteString("new", "count", "a  b c [x]"));
    EXPECT_EQ(StatFile(path), before);
}

TEST(IniFileTest, NamesThatCouldNotBeReadBackAreRefused) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", "[default]\r\nwidth=1\r\n");
    IniFile ini(path);
    const struct {
        std::string_view section, key;
    } cases[] = {{"", "k"},          {"  ", "k"},       {"a]b", "k"},      {"default", ""},
                 {"default", "k=v"}, {"default", "[k"}, {"default", ";k"}, {"default", " \r\n "}};
    for (const auto& c : cases) {
        EXPECT_FALSE(ini.WriteString(c.section, c.key, "v")) << c.section << "/" << c.key;
    }
    EXPECT_EQ(dir.Read("defualt.ini"), "[default]\r\nwidth=1\r\n");
    EXPECT_EQ(ini.ReadInteger("default", "width", 0), 1);
}

TEST(IniFileTest, EraseSectionRemovesEveryCopyWithAllItsLines) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", kSample);
    IniFile ini(path);
    ASSERT_TRUE(ini.EraseSection("DEFAULT"));
    EXPECT_EQ(
        dir.Read("defualt.ini"),
        "[ docs ]\npath0=file:///C:\\\xCE\xC4\xBC\xFE\xBC\xD0\nname0=\xCE\xC4\xBC\xFE\xBC\xD0\n");
    EXPECT_FALSE(ini.SectionExists("default"));
    EXPECT_EQ(ini.ReadInteger("default", "width", -1), -1);

    ASSERT_TRUE(ini.EraseSection("nothing here"));
    ASSERT_TRUE(ini.EraseSection("docs"));
    EXPECT_EQ(dir.Read("defualt.ini"), "");
    ASSERT_TRUE(ini.WriteString("docs", "path0", "x"));  // a fresh start after clearing
    EXPECT_EQ(dir.Read("defualt.ini"), "[docs]\r\npath0=x\r\n");
}

TEST(IniFileTest, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
    TempDir dir;
    IniFile ini(dir.File("defualt.ini"));
    EXPECT_TRUE(ini.ReadBool("default", "CbRefresh", true));
    EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 120), 120);
    EXPECT_FALSE(ini.SectionExists("default"));
    EXPECT_FALSE(FileExists(ini.Path()));
    ASSERT_TRUE(ini.WriteBool("default", "CbRefresh", true));
    EXPECT_EQ(dir.Read("defualt.ini"), "[default]\r\nCbRefresh=1\r\n");
}

TEST(IniFileTest, ByteOrderMarksDoNotHideTheFirstSection) {
    TempDir dir;
    IniFile utf8(dir.Write("utf8.ini", "\xEF\xBB\xBF[default]\r\nwidth=3\r\n"));
    EXPECT_EQ(utf8.ReadInteger("default", "width", 0), 3);

    const std::string gb = "\x84\x31\x95\x33[default]\r\nwidth=3\r\nname=\xCE\xC4\r\n";
    IniFile gb18030(dir.Write("gb.ini", gb));
    EXPECT_EQ(gb18030.ReadInteger("default", "width", 0), 3);
    ASSERT_TRUE(gb18030.WriteInteger("default", "width", 4));
    EXPECT_EQ(dir.Read("gb.ini"), Replaced(gb, "width=3", "width=4"));
}

TEST(IniFileTest, WronglyEncodedFilesAreReadAndNothingIsLost) {
    TempDir dir;
    // UTF-8 from an editor: read as such, saved as GB18030 with the same text.
    IniFile utf8(dir.Write("utf8.ini", "[default]\nname=文件夹\n"));
    EXPECT_EQ(utf8.ReadString("default", "name", ""), "文件夹");
    ASSERT_TRUE(utf8.WriteInteger("default", "width", 1));
    EXPECT_EQ(dir.Read("utf8.ini"), "[default]\nname=\xCE\xC4\xBC\xFE\xBC\xD0\nwidth=1\r\n");

    // Marked UTF-8 holding a private-use character whose GB18030 form would read back as
    // another character: the text stays as it was.
    IniFile marked(dir.Write("marked.ini", "\xEF\xBB\xBF[d\xEF\x9E\x98ult]\nkey=x\n"));
    ASSERT_TRUE(marked.WriteInteger("default", "width", 1));
    EXPECT_EQ(IniFile(marked.Path()).ReadString("d\xEF\x9E\x98ult", "key", ""), "x");

    // UTF-16 is understood by nobody here: defaults, and its bytes survive a write.
    const std::string utf16("\xFF\xFE[\0d\0]\0\r\0\n\0w\0=\0\x31\0\r\0\n\0", 22);
    IniFile wide(dir.Write("utf16.ini", utf16));
    EXPECT_EQ(wide.ReadInteger("d", "w", 7), 7);
    ASSERT_TRUE(wide.WriteInteger("default", "width", 1));
    const std::string after = dir.Read("utf16.ini");
    EXPECT_TRUE(StartsWith(after, utf16));
    EXPECT_EQ(IniFile(wide.Path()).ReadInteger("default", "width", 0), 1);
}

TEST(IniFileTest, CorruptedFileKeepsEveryByteItDoesNotChange) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto noise = [&](std::size_t n) {
        std::string out(n, '\0');
        for (char& c : out) {
            c = static_cast<char>(byte(rng));
        }
        return out;
    };
    const std::string original = noise(50000) + "\r\n[default]\r\nwidth=5\r\n" + noise(50000) +
                                 "\r\n[docs]\r\npath0=x\r\n" + noise(50000);
    TempDir dir;
    IniFile ini(dir.Write("defualt.ini", original));
    EXPECT_EQ(ini.ReadInteger("default", "width", 0), 5);
    EXPECT_EQ(ini.ReadString("docs", "path0", ""), "x");
    EXPECT_EQ(ini.ReadInteger("default", "height", 380), 380);
    ASSERT_TRUE(ini.WriteInteger("default", "width", 6));
    EXPECT_TRUE(dir.Read("defualt.ini") == Replaced(original, "width=5", "width=6"));
}

TEST(IniFileTest, HugeFileUpToTheLimitIsReadAndOneWriteKeepsEverythingElse) {
    TempDir dir;
    const std::string path = dir.File("defualt.ini");
    std::string original = "[default]\r\nwidth=5\r\n[docs]\r\n";
    {
        const auto size = static_cast<std::size_t>(kMaxStoredFileBytes) - 8192;
        original.reserve(size + 4096);
        std::mt19937 rng(3);
        std::string binary(200, '\0');
        for (char& c : binary) {
            c = static_cast<char>(rng() % 256);
        }
        for (int n = 0; original.size() < size; ++n) {
            original += "path" + std::to_string(n) + "=file:///C:\\\xCE\xC4\xBC\xFE\xBC\xD0\\" +
                        std::string(900, 'x') + "\r\n";
            if (n % 1000 == 0) {
                original += binary + "\n";
            }
        }
        original += "[notes]\r\nlast=end";
    }
    dir.Write("defualt.ini", original);

    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("default", "width", 0), 5);
    EXPECT_EQ(ini.ReadString("notes", "last", ""), "end");
    EXPECT_TRUE(StartsWith(ini.ReadString("docs", "path12345", ""), "file:///C:\\文件夹\\xxx"));
    ASSERT_TRUE(ini.WriteInteger("default", "width", 6));
    const std::string after = dir.Read("defualt.ini");
    EXPECT_EQ(after.size(), original.size());
    EXPECT_TRUE(after == Replaced(original, "width=5", "width=6"));
}

TEST(IniFileTest, FileLargerThanAnyWeWriteIsLeftUntouched) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", "[default]\r\nwidth=5\r\n");
    ASSERT_EQ(::truncate(path.c_str(), kMaxStoredFileBytes + 1), 0);  // sparse: costs no disk
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("default", "width", 620), 620);
    EXPECT_FALSE(ini.WriteInteger("default", "width", 6));
    const auto stamp = StatFile(path);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->size, kMaxStoredFileBytes + 1);
}

TEST(IniFileTest, UnreadableFileIsNeverOverwritten) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo.ini").c_str(), 0644), 0);
    for (const char* name : {"folder.ini", "fifo.ini"}) {
        IniFile ini(dir.File(name));
        EXPECT_EQ(ini.ReadInteger("default", "width", 620), 620) << name;
        EXPECT_FALSE(ini.WriteInteger("default", "width", 1)) << name;
    }
    EXPECT_TRUE(DirectoryExists(dir.File("folder.ini")));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("fifo.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    if (::geteuid() != 0) {  // root reads through any permission
        const std::string locked = dir.Write("locked.ini", "[default]\r\nwidth=3\r\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        IniFile ini(locked);
        EXPECT_EQ(ini.ReadInteger("default", "width", 620), 620);
        EXPECT_FALSE(ini.WriteInteger("default", "height", 1));
        ::chmod(locked.c_str(), 0644);
        EXPECT_EQ(dir.Read("locked.ini"), "[default]\r\nwidth=3\r\n");
        EXPECT_EQ(ini.ReadInteger("default", "width", 620), 3);  // readable again
    }
}

TEST(IniFileTest, FailedWriteKeepsTheValueAndRetriesWithTheNextWrite) {
    TempDir dir;
    const std::string folder = dir.File("ZeqConfig");
    IniFile ini(folder + "/defualt.ini");
    EXPECT_FALSE(ini.WriteInteger("default", "width", 800));
    EXPECT_EQ(ini.ReadInteger("default", "width", 620), 800);

    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(ini.WriteInteger("default", "height", 500));
    EXPECT_EQ(*ReadTextLines(ini.Path()),
              (std::vector<std::string>{"[default]", "width=800", "height=500"}));

    // A path under a regular file fails for every user, root included.
    const std::string plain = dir.Write("plain", "keep");
    IniFile under(plain + "/defualt.ini");
    EXPECT_FALSE(under.WriteBool("default", "CbRefresh", false));
    EXPECT_FALSE(under.ReadBool("default", "CbRefresh", true));
    EXPECT_EQ(dir.Read("plain"), "keep");
}

TEST(IniFileTest, ReadOnlyFolderLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string folder = dir.File("ro");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = dir.Write("ro/defualt.ini", "[default]\r\nwidth=3\r\n");
    QARVEX_RUN_UNPRIVILEGED(dir.Path(), [&] {
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        IniFile ini(path);
        EXPECT_FALSE(ini.WriteInteger("default", "width", 4));
        EXPECT_EQ(ini.ReadInteger("default", "width", 0), 4);
        ::chmod(folder.c_str(), 0755);
    });
    EXPECT_EQ(dir.Read("ro/defualt.ini"), "[default]\r\nwidth=3\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"defualt.ini"});
}

TEST(IniFileTest, ReadsFollowChangesMadeOnDisk) {
    TempDir dir;
    const std::string path = dir.File("defualt.ini");
    IniFile first(path);
    IniFile second(path);
    EXPECT_EQ(second.ReadInteger("default", "width", 620), 620);

    ASSERT_TRUE(first.WriteInteger("default", "width", 700));
    EXPECT_EQ(second.ReadInteger("default", "width", 620), 700);
    ASSERT_TRUE(second.WriteInteger("default", "height", 400));
    ASSERT_TRUE(first.WriteBool("default", "CbRefresh", false));  // must not drop height
    EXPECT_EQ(IniFile(path).ReadInteger("default", "height", 380), 400);

    dir.Write("defualt.ini", "[default]\nwidth=1234\n");  // edited in place by hand
    EXPECT_EQ(first.ReadInteger("default", "width", 620), 1234);
    EXPECT_FALSE(first.ValueExists("default", "height"));

    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(first.ReadInteger("default", "width", 620), 620);
}

TEST(IniFileTest, BatchWritesOnceWhenTheOutermostScopeEnds) {
    TempDir dir;
    const std::string path = dir.File("defualt.ini");
    IniFile ini(path);
    {
        IniFile::Batch outer(ini);
        ASSERT_TRUE(ini.WriteString("docs", "path0", "a"));
        {
            IniFile::Batch inner(ini);
            ASSERT_TRUE(ini.WriteString("docs", "path1", "b"));
        }
        EXPECT_FALSE(FileExists(path)) << "an inner scope must not write";
        EXPECT_EQ(ini.ReadString("docs", "path1", ""), "b");
        ASSERT_TRUE(ini.Flush());
        EXPECT_EQ(dir.Read("defualt.ini"), "[docs]\r\npath0=a\r\npath1=b\r\n");
        ASSERT_TRUE(ini.WriteString("docs", "path2", "c"));
        EXPECT_EQ(dir.Read("defualt.ini"), "[docs]\r\npath0=a\r\npath1=b\r\n");
    }
    EXPECT_EQ(dir.Read("defualt.ini"), "[docs]\r\npath0=a\r\npath1=b\r\npath2=c\r\n");
}

TEST(IniFileTest, ThousandsOfKeysInOneSection) {
    TempDir dir;
    const std::string path = dir.File("defualt.ini");
    constexpr int kKeys = 6000;
    IniFile ini(path);
    {
        IniFile::Batch batch(ini);
        for (int i = 0; i < kKeys; ++i) {
            ASSERT_TRUE(ini.WriteString("docs", "path" + std::to_string(i),
                                        "file:///C:\\文件夹\\" + std::to_string(i)));
        }
    }
    IniFile reader(path);
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(reader.ReadString("docs", "PATH" + std::to_string(i), ""),
                  "file:///C:\\文件夹\\" + std::to_string(i));
    }
    {
        IniFile::Batch batch(ini);
        for (int i = kKeys - 1; i >= 0; --i) {
            ASSERT_TRUE(ini.WriteInteger("docs", "path" + std::to_string(i), i * 2));
        }
    }
    const auto lines = ReadTextLines(path);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), kKeys + 1u);
    EXPECT_EQ((*lines)[1], "path0=0");
    EXPECT_EQ(lines->back(), "path5999=11998");
    EXPECT_EQ(reader.ReadInteger("docs", "path4321", -1), 8642);
}

// A writer killed at a random moment must leave each file whole: the old or the new
// content, never a mixture, and only recognisable temporaries beside them.
TEST(IniFileTest, KillDuringABurstOfWritesLeavesWholeFiles) {
    TempDir dir;
    const std::string iniPath = dir.File("defualt.ini");
    const std::string listPath = dir.File("rec.dat");
    constexpr int kKeys = 40;
    constexpr int kLines = 50;
    const auto writeGeneration = [&](IniFile& ini, int generation) {
        {
            IniFile::Batch batch(ini);
            for (int k = 0; k < kKeys; ++k) {
                ini.WriteInteger("docs", "key" + std::to_string(k), generation);
            }
            ini.WriteInteger("default", "gen", generation);
        }
        WriteTextLines(listPath,
                       std::vector<std::string>(kLines, "文件夹*|*" + std::to_string(generation)));
    };
    {
        IniFile ini(iniPath);
        writeGeneration(ini, 0);
    }

    std::mt19937 rng(2024);
    int lastSeen = 0;
    for (int round = 0; round < 6; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            IniFile ini(iniPath);
            int generation = ini.ReadInteger("default", "gen", 0);
            for (int i = 0; i < 100000; ++i) {
                writeGeneration(ini, ++generation);
                if (i == 0) {
                    const char go = 1;
                    (void)!::write(ready[1], &go, 1);
                }
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        ::usleep(std::uniform_int_distribution<unsigned>(0, 20000)(rng));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        IniFile ini(iniPath);
        const int generation = ini.ReadInteger("default", "gen", -1);
        ASSERT_GE(generation, lastSeen + 1) << "round " << round;
        for (int k = 0; k < kKeys; ++k) {
            ASSERT_EQ(ini.ReadInteger("docs", "key" + std::to_string(k), -1), generation);
        }
        const auto lines = ReadTextLines(listPath);
        ASSERT_TRUE(lines);
        ASSERT_EQ(lines->size(), static_cast<std::size_t>(kLines));
        for (const std::string& line : *lines) {
            ASSERT_EQ(line, lines->front());
            ASSERT_TRUE(StartsWith(line, "文件夹*|*"));
        }
        lastSeen = generation;

        for (const std::string& name : FolderEntries(dir.Path())) {
            if (name != "defualt.ini" && name != "rec.dat") {
                EXPECT_TRUE(IsAtomicTempName(name)) << name;
            }
        }
        RemoveStaleTempFiles(iniPath);
        RemoveStaleTempFiles(listPath);
        EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"defualt.ini", "rec.dat"}));
    }
}

}  // namespace
}  // namespace qarvex
