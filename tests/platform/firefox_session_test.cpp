#include "platform/linux/firefox_session.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lz4.h>
#include <unistd.h>

#include "platform/linux/profile_lock.h"
#include "support/page_history.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Header(std::uint32_t declaredSize) {
    std::string header("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i) {
        header += static_cast<char>((declaredSize >> (8 * i)) & 0xFF);
    }
    return header;
}

std::string CompressBlock(const std::string& text) {
    std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(text.size()))),
                      '\0');
    int size = LZ4_compress_default(text.data(), block.data(), static_cast<int>(text.size()),
                                    static_cast<int>(block.size()));
    block.resize(static_cast<std::size_t>(size));
    return block;
}

// A file as Firefox writes it.
std::string MozLz4(const std::string& text) {
    return Header(static_cast<std::uint32_t>(text.size())) + CompressBlock(text);
}

std::string SessionWithPage(const std::string& url, const std::string& title) {
    return R"({"windows":[{"tabs":[{"entries":[{"url":")" + url + R"(","title":")" + title +
           R"("}],"index":1}]}]})";
}

struct Page {
    std::string url;
    bool hasTitle;
    std::string title;
};

std::vector<Page> Simplify(const std::vector<ShellWindow>& windows) {
    std::vector<Page> pages;
    for (const ShellWindow& w : windows) {
        EXPECT_TRUE(w.hasDocument);
        pages.push_back({w.locationUrl, w.hasTitle, w.title});
    }
    return pages;
}

bool operator==(const Page& a, const Page& b) {
    return a.url == b.url && a.hasTitle == b.hasTitle && a.title == b.title;
}

void PrintTo(const Page& p, std::ostream* out) {
    *out << "{" << p.url << ", " << (p.hasTitle ? "title " : "no title ") << p.title << "}";
}

// --- the mozLz4 container -------------------------------------------------------------

TEST(DecodeMozLz4Test, GivesBackWhatFirefoxCompressed) {
    std::string text = SessionWithPage("https://example.org/", "Example");
    for (int i = 0; i < 200; ++i) {
        text += " ";  // something for LZ4 to actually compress
    }
    EXPECT_EQ(DecodeMozLz4(MozLz4(text)), text);
    EXPECT_EQ(DecodeMozLz4(MozLz4("")), "");
}

TEST(DecodeMozLz4Test, DamagedContainersGiveNothing) {
    const std::string text(5000, 'a');
    const std::string good = MozLz4(text);
    const std::string block = CompressBlock(text);
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string flipped = good;
    for (std::size_t i = 12; i < flipped.size(); i += 3) {
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    }
    const Case cases[] = {
        {"empty", ""},
        {"magic only", std::string("mozLz40\0", 8)},
        {"wrong magic", "mozLz41" + good.substr(7)},
        {"plain JSON", SessionWithPage("https://a/", "A")},
        {"block cut short", good.substr(0, good.size() / 2)},
        {"size larger than the block holds", Header(5001) + block},
        {"size smaller than the block holds", Header(4999) + block},
        {"size beyond every limit", Header(0xFFFFFFFFu) + block},
        {"huge size, tiny block", Header(200u * 1024u * 1024u) + std::string(10, '\0')},
        {"scrambled block", flipped},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeMozLz4(c.bytes), std::nullopt) << c.what;
    }
}

// --- the session JSON -----------------------------------------------------------------

TEST(PagesFromSessionJsonTest, TakesTheCurrentEntryOfEveryTab) {
    const std::string json = R"({
      "windows": [
        {"tabs": [
          {"entries": [{"url": "https://a/1", "title": "A1"}, {"url": "https://a/2", "title": "A2"},
                       {"url": "https://a/3", "title": "A3"}], "index": 2},
          {"entries": [{"url": "https://b/", "title": "B"}], "index": 1}
        ], "_closedTabs": [{"entries": [{"url": "https://closed-tab/"}]}]},
        {"tabs": [{"entries": [{"url": "https://c/", "title": "中文标题"}], "index": 1}]}
      ],
      "_closedWindows": [{"tabs": [{"entries": [{"url": "https://closed-window/"}]}]}]
    })";
    std::vector<Page> expected = {
        {"https://a/2", true, "A2"}, {"https://b/", true, "B"}, {"https://c/", true, "中文标题"}};
    EXPECT_EQ(Simplify(PagesFromSessionJson(json)), expected);
}

TEST(PagesFromSessionJsonTest, IndexFollowsFirefoxRules) {
    struct Case {
        const char* index;  // JSON text of the index member, or "" for none
        const char* expectedUrl;
    };
    const Case cases[] = {
        {"", "https://x/3"},     {"1", "https://x/1"},    {"3", "https://x/3"},
        {"0", "https://x/3"},    {"4", "https://x/3"},    {"999999999999", "https://x/3"},
        {"-2", "https://x/1"},   {"2.0", "https://x/2"},  {"\"2\"", "https://x/3"},
        {"null", "https://x/3"}, {"true", "https://x/3"},
    };
    for (const Case& c : cases) {
        std::string tab = R"({"entries":[{"url":"https://x/1"},{"url":"https://x/2"},)"
                          R"({"url":"https://x/3"}])";
        if (*c.index != '\0') {
            tab += std::string(R"(,"index":)") + c.index;
        }
        tab += "}";
        auto pages = PagesFromSessionJson(R"({"windows":[{"tabs":[)" + tab + "]}]}");
        ASSERT_EQ(pages.size(), 1u) << "index " << c.index;
        EXPECT_EQ(pages[0].locationUrl, c.expectedUrl) << "index " << c.index;
    }
}

TEST(PagesFromSessionJsonTest, ABlankTabNoLongerHidesTheOtherPages) {
    // Firefox leaves the title out for about:blank and when it equals the address; such a
    // tab used to stop the whole walk, so no page of the session was ever recorded.
    const std::string json = R"({"windows":[{"tabs":[
        {"entries":[{"url":"about:blank"}]},
        {"entries":[{"url":"https://t/none"}]},
        {"entries":[{"url":"https://t/number","title":42}]},
        {"entries":[{"url":"https://t/null","title":null}]},
        {"entries":[{"url":"https://t/empty","title":""}]},
        {"entries":[{"url":"https://t/text","title":"T"}]}
    ]}]})";
    std::vector<Page> expected = {
        {"about:blank", true, "about:blank"},           {"https://t/none", true, "https://t/none"},
        {"https://t/number", true, "https://t/number"}, {"https://t/null", true, "https://t/null"},
        {"https://t/empty", true, "https://t/empty"},   {"https://t/text", true, "T"}};
    EXPECT_EQ(Simplify(PagesFromSessionJson(json)), expected);
}

TEST(PagesFromSessionJsonTest, APageSeenWhileLoadingIsNamedByTheNextPass) {
    // Firefox leaves the title out until the page has loaded.
    test::PageHistory recorded;
    recorded.RecordPass(PagesFromSessionJson(R"({"windows":[{"tabs":[
        {"entries":[{"url":"https://r.example/long.html"}]}]}]})"));
    EXPECT_EQ(recorded.NameOf(0), "https://r.example/long.html");
    recorded.RecordPass(PagesFromSessionJson(R"({"windows":[{"tabs":[
        {"entries":[{"url":"https://r.example/long.html","title":"A long read"}]}]}]})"));
    EXPECT_EQ(recorded.NameOf(0), "A long read");
    recorded.RecordPass(PagesFromSessionJson(R"({"windows":[{"tabs":[
        {"entries":[{"url":"https://r.example/long.html","title":"Changed"}]}]}]})"));
    EXPECT_EQ(recorded.NameOf(0), "A long read");
}

TEST(PagesFromSessionJsonTest, LocalFilesAreStoredWithTheirRealNames) {
    // Firefox escapes every non-ASCII byte of a local address; the history shows and
    // reopens the real name. A "%2F" inside a name stays: it is no folder separator.
    const std::string json = R"({"windows":[{"tabs":[
        {"entries":[{"url":"file:///home/u/%E6%96%87%E6%A1%A3/%E4%B8%AD.pdf"}]},
        {"entries":[{"url":"file:///home/u/a%2Fb/x%20y%25z%0A%FF.txt","title":"F"}]},
        {"entries":[{"url":"https://h/%E4%B8%AD","title":"Web"}]}
    ]}]})";
    std::vector<Page> expected = {
        {"file:///home/u/文档/中.pdf", true, "file:///home/u/文档/中.pdf"},
        {"file:///home/u/a%2Fb/x%20y%25z%0A%FF.txt", true, "F"},
        {"https://h/%E4%B8%AD", true, "Web"}};
    EXPECT_EQ(Simplify(PagesFromSessionJson(json)), expected);
}

TEST(PagesFromSessionJsonTest, MalformedPartsAreSkippedAndTheRestKept) {
    const std::string json = R"({"windows":[
        "not a window",
        {"tabs": "not a list"},
        {"notabs": []},
        {"tabs":[
            17,
            {"noentries": true},
            {"entries": []},
            {"entries": "x"},
            {"entries": [5]},
            {"entries": [{"title": "no url"}]},
            {"entries": [{"url": 7}]},
            {"entries": [{"url": ""}]},
            {"entries": [{"url": "https://kept/", "title": "K"}]}
        ]}
    ]})";
    std::vector<Page> expected = {{"https://kept/", true, "K"}};
    EXPECT_EQ(Simplify(PagesFromSessionJson(json)), expected);
}

TEST(PagesFromSessionJsonTest, TextThatIsNoSessionGivesNothing) {
    const std::string deep(200000, '[');
    const char* cases[] = {
        "",
        "null",
        "[]",
        R"({"windows": {}})",
        R"({"windows": [{"tabs": [{"entries": [{"url": "https://a/"}]}]})",  // cut short
        "\x89PNG\r\n\x1a\n",
    };
    for (const char* c : cases) {
        EXPECT_TRUE(PagesFromSessionJson(c).empty()) << c;
    }
    EXPECT_TRUE(PagesFromSessionJson(deep).empty());
}

TEST(PagesFromSessionJsonTest, BrokenCharactersInOneTitleDoNotCostTheOtherPages) {
    // A lone surrogate escape (Firefox writes these for titles cut inside an emoji) and a
    // raw byte that is not UTF-8.
    const std::string json = R"({"windows":[{"tabs":[
        {"entries":[{"url":"https://a/","title":"cut \ud83d"}]},
        {"entries":[{"url":"https://b/","title":"low \udc00 first"}]},
        {"entries":[{"url":"https://c/","title":"bad )"
                             "\xFF\xC3"
                             R"( bytes"}]},
        {"entries":[{"url":"https://d/","title":"pair \ud83d\ude00 ok"}]},
        {"entries":[{"url":"https://e/","title":"not an escape \\ud83d"}]},
        {"entries":[{"url":"https://f/","title":"GB )"
                             "\xD6\xD0\xCE\xC4"
                             R"("}]}
    ]}]})";
    std::vector<Page> expected = {
        {"https://a/", true, "cut \xEF\xBF\xBD"},
        {"https://b/", true, "low \xEF\xBF\xBD first"},
        {"https://c/", true, "bad \xEF\xBF\xBD\xEF\xBF\xBD bytes"},
        {"https://d/", true, "pair \xF0\x9F\x98\x80 ok"},
        {"https://e/", true, "not an escape \\ud83d"},
        {"https://f/", true, "GB \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    EXPECT_EQ(Simplify(PagesFromSessionJson(json)), expected);
}

// --- finding profiles -----------------------------------------------------------------

TEST(ProfileDirsFromIniTest, ReadsRelativeAndAbsolutePaths) {
    const std::string ini =
        "\xEF\xBB\xBF[Install4F96D1932A9F858E]\r\n"
        "Default=abcd.default-release\r\n"
        "\r\n"
        "[Profile1]\r\n"
        "Name=default\r\n"
        "IsRelative=1\r\n"
        "Path=abcd.default-release\r\n"
        "\r\n"
        "[Profile0]\n"
        "Name=work\n"
        "IsRelative=0\n"
        "Path=/data/ff/work\n"
        "[Profile2]\n"
        "IsRelative=0\n"
        "Path=odd relative\n"
        "[Profile3]\n"
        "Name=no path\n"
        "[General]\n"
        "StartWithLastProfile=1\n"
        "Path=/not/a/profile\n";
    std::vector<std::string> expected = {"/home/u/.mozilla/firefox/abcd.default-release",
                                         "/data/ff/work", "/home/u/.mozilla/firefox/odd relative"};
    EXPECT_EQ(ProfileDirsFromIni(ini, "/home/u/.mozilla/firefox"), expected);
    // An installation's default profile that no [Profile] section names.
    std::vector<std::string> installOnly = {"/h/named", "/h/x.default-esr", "/abs/p"};
    EXPECT_EQ(ProfileDirsFromIni("[Profile0]\nPath=named\n[InstallAB]\nDefault=x.default-esr\n"
                                 "Locked=1\n[InstallCD]\nDefault=named\n[InstallEF]\n"
                                 "Default=/abs/p\n",
                                 "/h"),
              installOnly);
    EXPECT_TRUE(ProfileDirsFromIni("\x01\x02garbage\xFF", "/h").empty());
}

TEST(FirefoxHomesTest, RelativeXdgConfigHomeIsIgnored) {
    EXPECT_EQ(FirefoxHomes("/home/u", "/cfg")[1], "/cfg/mozilla/firefox");
    EXPECT_EQ(FirefoxHomes("/home/u", "")[1], "/home/u/.config/mozilla/firefox");
    EXPECT_EQ(FirefoxHomes("/home/u", "relative/cfg")[1], "/home/u/.config/mozilla/firefox");
}

class FirefoxHomeTest : public ::testing::Test {
protected:
    std::string Home() const { return m_dir.Path(); }

    // Writes profiles.ini into `firefoxHome` naming one relative profile, with a
    // recovery file holding one page.
    std::string AddProfile(const std::string& firefoxHome, const std::string& profile,
                           const std::string& url) {
        WriteBytes(firefoxHome + "/profiles.ini",
                   "[Profile0]\nIsRelative=1\nPath=" + profile + "\n");
        std::string dir = firefoxHome + "/" + profile;
        WriteBytes(dir + "/sessionstore-backups/recovery.jsonlz4",
                   MozLz4(SessionWithPage(url, "T")));
        Lock(dir, ThisFirefoxLockHost() + ":+" + std::to_string(::getpid()));
        return dir;
    }

    // The lock a running Firefox holds, naming a process.
    static void Lock(const std::string& profile, const std::string& target) {
        fs::remove(profile + "/lock");
        fs::create_symlink(target, profile + "/lock");
    }

    std::vector<std::string> Urls(const std::string& xdg = "") const {
        std::vector<std::string> urls;
        for (const ShellWindow& w : ReadFirefoxPages(Home(), xdg)) {
            urls.push_back(w.locationUrl);
        }
        return urls;
    }

    TempDir m_dir;
};

TEST_F(FirefoxHomeTest, FindsEveryKindOfInstallation) {
    AddProfile(Home() + "/.mozilla/firefox", "p.classic", "https://classic/");
    AddProfile(Home() + "/xdg/mozilla/firefox", "p.xdg", "https://xdg/");
    AddProfile(Home() + "/snap/firefox/common/.mozilla/firefox", "p.snap", "https://snap/");
    AddProfile(Home() + "/.var/app/org.mozilla.firefox/.mozilla/firefox", "p.flat",
               "https://flatpak/");
    std::vector<std::string> expected = {"https://classic/", "https://xdg/", "https://snap/",
                                         "https://flatpak/"};
    EXPECT_EQ(Urls(Home() + "/xdg"), expected);
    EXPECT_EQ(FirefoxProfileDirs(Home(), Home() + "/xdg").size(), 4u);
}

TEST_F(FirefoxHomeTest, FindsFirefoxsRelatives) {
    AddProfile(Home() + "/.librewolf", "p", "https://librewolf/");
    AddProfile(Home() + "/.waterfox", "p", "https://waterfox/");
    AddProfile(Home() + "/.floorp", "p", "https://floorp/");
    AddProfile(Home() + "/.zen", "p", "https://zen/");
    AddProfile(Home() + "/.var/app/net.mullvad.MullvadBrowser/.mullvad/mullvadbrowser", "p",
               "https://mullvad/");
    AddProfile(Home() + "/.var/app/io.gitlab.librewolf-community/.librewolf", "p",
               "https://librewolf-flatpak/");
    AddProfile(Home() + "/snap/firefox/common/.mozilla/firefox", "p", "https://snap/");
    // Found through its [Install] default alone.
    WriteBytes(Home() + "/xdg/zen/profiles.ini", "[InstallX]\nDefault=q\n");
    WriteBytes(Home() + "/xdg/zen/q/sessionstore-backups/recovery.jsonlz4",
               MozLz4(SessionWithPage("https://zen-xdg/", "Z")));
    Lock(Home() + "/xdg/zen/q", ThisFirefoxLockHost() + ":+" + std::to_string(::getpid()));
    std::vector<std::string> expected = {
        "https://snap/", "https://librewolf/", "https://waterfox/",          "https://floorp/",
        "https://zen/",  "https://zen-xdg/",   "https://librewolf-flatpak/", "https://mullvad/"};
    EXPECT_EQ(Urls(Home() + "/xdg"), expected);
}

TEST_F(FirefoxHomeTest, AFirefoxThatNoLongerRunsListsNothing) {
    const std::string dir = AddProfile(Home() + "/.mozilla/firefox", "p", "https://open/");
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://open/"});
    // Crashed or killed: its recovery file stays, but the lock names a process that is
    // gone, or one on another machine sharing the home folder.
    Lock(dir, ThisFirefoxLockHost() + ":+999999999");
    EXPECT_TRUE(Urls().empty());
    Lock(dir, "192.0.2.77:+" + std::to_string(::getpid()));
    EXPECT_TRUE(Urls().empty());
    fs::remove(dir + "/lock");
    EXPECT_TRUE(Urls().empty());
    // Without fcntl locking Firefox writes no "+".
    Lock(dir, ThisFirefoxLockHost() + ":" + std::to_string(::getpid()));
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://open/"});
}

TEST_F(FirefoxHomeTest, ProfileSeenThroughTwoHomesIsReadOnce) {
    AddProfile(Home() + "/.mozilla/firefox", "p", "https://once/");
    fs::create_directories(Home() + "/.config");
    fs::create_directory_symlink(Home() + "/.mozilla", Home() + "/.config/mozilla");
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://once/"});
}

TEST_F(FirefoxHomeTest, NothingThereGivesNothing) {
    EXPECT_TRUE(Urls().empty());
    EXPECT_TRUE(ReadFirefoxPages("", "").empty());
    // A profile named in profiles.ini that does not exist, and one without a session.
    WriteBytes(Home() + "/.mozilla/firefox/profiles.ini",
               "[Profile0]\nIsRelative=1\nPath=gone\n[Profile1]\nIsRelative=1\nPath=idle\n");
    fs::create_directories(Home() + "/.mozilla/firefox/idle");
    EXPECT_EQ(FirefoxProfileDirs(Home(), ""),
              std::vector<std::string>{Home() + "/.mozilla/firefox/idle"});
    EXPECT_TRUE(Urls().empty());
}

TEST_F(FirefoxHomeTest, OneDamagedSessionDoesNotHideAnother) {
    std::string bad = AddProfile(Home() + "/.mozilla/firefox", "bad", "https://lost/");
    AddProfile(Home() + "/.config/mozilla/firefox", "good", "https://good/");
    std::string recovery = bad + "/sessionstore-backups/recovery.jsonlz4";
    WriteBytes(recovery, Header(100) + "\xF0\x01\x02\x03garbage");
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://good/"});
    // A folder where the file should be, then a file far too large to be a session.
    fs::remove(recovery);
    fs::create_directory(recovery);
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://good/"});
    fs::remove(recovery);
    {
        std::ofstream out(recovery, std::ios::binary);
        out << Header(1000);
    }
    fs::resize_file(recovery, kMaxSessionBytes + 1024);  // sparse: costs no disk
    EXPECT_EQ(Urls(), std::vector<std::string>{"https://good/"});
}

TEST_F(FirefoxHomeTest, ReadsTheCheckedInSampleSession) {
    std::string sample = std::string(QARVEX_TEST_DATA) + "/platform/sample-recovery.jsonlz4";
    std::vector<Page> expected = {{"https://www.debian.org/", true, "Debian -- 通用操作系统"},
                                  {"about:newtab", true, "about:newtab"},
                                  {"https://example.com/a%20b", true, "Example"}};
    EXPECT_EQ(Simplify(ReadSessionFile(sample)), expected);
}

}  // namespace
}  // namespace qarvex
