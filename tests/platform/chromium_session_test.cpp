#include "platform/linux/chromium_session.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/linux/profile_lock.h"
#include "support/page_history.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;

using test::TempDir;
using ::testing::ElementsAre;

void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutInt(std::string& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

void Pad(std::string& out) {
    while (out.size() % 4 != 0) {
        out += '\0';
    }
}

// UTF-16LE of an ASCII or BMP UTF-8 text (enough for the titles used here).
std::string Utf16(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// A session log as the browser writes it.
class Snss {
public:
    explicit Snss(std::int32_t version = 3) {
        m_bytes = "SNSS";
        PutInt(m_bytes, version);
    }

    Snss& Command(unsigned char id, const std::string& payload) {
        const std::size_t size = payload.size() + 1;
        m_bytes += static_cast<char>(size & 0xFF);
        m_bytes += static_cast<char>(size >> 8);
        m_bytes += static_cast<char>(id);
        m_bytes += payload;
        return *this;
    }
    Snss& Ints(unsigned char id, std::vector<std::int32_t> values) {
        std::string payload;
        for (std::int32_t v : values) {
            PutInt(payload, v);
        }
        return Command(id, payload);
    }
    Snss& WindowType(std::int32_t window) { return Ints(9, {window, 0}); }
    Snss& TabWindow(std::int32_t window, std::int32_t tab) { return Ints(0, {window, tab}); }
    Snss& TabIndex(std::int32_t tab, std::int32_t index) { return Ints(2, {tab, index}); }
    Snss& Selected(std::int32_t tab, std::int32_t index) { return Ints(7, {tab, index}); }
    Snss& Closed(unsigned char id, std::int32_t what) { return Ints(id, {what, 0, 0, 0}); }
    Snss& Navigation(std::int32_t tab, std::int32_t index, const std::string& url,
                     const std::u16string& title) {
        std::string body;
        PutInt(body, tab);
        PutInt(body, index);
        PutInt(body, static_cast<std::int32_t>(url.size()));
        body += url;
        Pad(body);
        PutInt(body, static_cast<std::int32_t>(title.size()));
        body += Utf16(title);
        Pad(body);
        PutInt(body, 0);  // page state, then fields the reader does not need
        PutInt(body, 1);
        std::string pickle;
        PutInt(pickle, static_cast<std::int32_t>(body.size()));
        return Command(6, pickle + body);
    }
    // One tab in a window with one page.
    Snss& Tab(std::int32_t window, std::int32_t tab, std::int32_t index, const std::string& url,
              const std::u16string& title) {
        return TabWindow(window, tab)
            .TabIndex(tab, index)
            .Navigation(tab, 0, url, title)
            .Selected(tab, 0);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

std::vector<std::string> Seen(const std::vector<ShellWindow>& pages) {
    std::vector<std::string> seen;
    for (const ShellWindow& page : pages) {
        EXPECT_TRUE(page.hasDocument);
        EXPECT_TRUE(page.hasTitle);
        seen.push_back(page.locationUrl + " | " + page.title);
    }
    return seen;
}

// --- the replay ------------------------------------------------------------------------

TEST(PagesFromSnssTest, ReplaysTheLogTheWayTheBrowserRestoresIt) {
    Snss log;
    log.WindowType(20).WindowType(10);
    // Window 10 was opened first: its tabs come first, in tab-strip order.
    log.Tab(10, 3, 1, "https://b.example/", u"B").Tab(10, 2, 0, "https://a.example/", u"A");
    // A tab that went back one step, and one whose forward entries were pruned.
    log.TabWindow(10, 4).TabIndex(4, 2);
    log.Navigation(4, 0, "https://c.example/old", u"Old")
        .Navigation(4, 1, "https://c.example/new", u"New");
    log.Selected(4, 0);
    log.Tab(20, 5, 0, "https://d.example/", u"\u4E2D\u6587\u6807\u9898");  // 中文标题
    log.Navigation(5, 1, "https://d.example/gone", u"Gone").Selected(5, 1).Ints(24, {5, 1, 1});
    // A page without a title, the new-tab page, a local file with escapes.
    log.Tab(20, 6, 1, "https://untitled.example/x", u"");
    log.Tab(20, 7, 2, "chrome://newtab/", u"New Tab");
    log.Tab(20, 8, 3, "file:///home/u/%E6%96%87%E6%A1%A3/a%2Fb%20c.pdf", u"");
    // A closed tab, a closed window with its tab, and commands the reader does not know.
    log.Tab(10, 9, 5, "https://closed-tab.example/", u"X").Closed(16, 9);
    log.WindowType(30).Tab(30, 11, 0, "https://closed-window.example/", u"Y").Closed(17, 30);
    log.Command(200, std::string(37, '\x7F')).Command(14, std::string(24, '\0'));
    // Damage no browser writes: an address with a line break, a title with one.
    log.Tab(20, 12, 4, "https://x.example/a\nb", u"Broken")
        .Tab(20, 13, 5, "https://t.example/", u"two\nlines");
    EXPECT_THAT(Seen(PagesFromSnss(log.Bytes())),
                ElementsAre("https://a.example/ | A", "https://b.example/ | B",
                            "https://c.example/old | Old", "https://d.example/ | 中文标题",
                            "https://untitled.example/x | https://untitled.example/x",
                            "file:///home/u/文档/a%2Fb%20c.pdf | file:///home/u/文档/a%2Fb%20c.pdf",
                            "https://t.example/ | two lines"));
}

TEST(PagesFromSnssTest, APageLoggedBeforeItsTitleIsNamedByTheNextPass) {
    // The browser logs a tab's title only when it writes the navigation again.
    test::PageHistory recorded;
    Snss log;
    log.WindowType(1).Tab(1, 1, 0, "https://r.example/recipes.html", u"");
    recorded.RecordPass(PagesFromSnss(log.Bytes()));
    EXPECT_EQ(recorded.NameOf(0), "https://r.example/recipes.html");
    log.Navigation(1, 0, "https://r.example/recipes.html", u"\u7EA2\u70E7\u8089");  // 红烧肉
    recorded.RecordPass(PagesFromSnss(log.Bytes()));
    EXPECT_EQ(recorded.NameOf(0), "红烧肉");
    log.Navigation(1, 0, "https://r.example/recipes.html", u"Renamed by the page");
    recorded.RecordPass(PagesFromSnss(log.Bytes()));
    EXPECT_EQ(recorded.NameOf(0), "红烧肉");
}

// A log of millions of prunes, each moving hundreds of entries, once held the scan (on the
// UI thread) for a hundred seconds. Its replay now costs at most the pass's fixed budget.
TEST(PagesFromSnssTest, FourMillionPrunesCostNoMoreThanTheBudget) {
    Snss log;
    log.WindowType(1).TabWindow(1, 1).TabIndex(1, 0);
    for (int i = 0; i < 512; ++i) {
        log.Navigation(1, 2000000000 + i, "https://p.example/" + std::to_string(i), u"P");
    }
    log.Selected(1, 2000000000);
    std::string bytes = log.Bytes();
    std::string prune = {13, 0, 24};
    PutInt(prune, 1);
    PutInt(prune, 0);
    PutInt(prune, 1);
    bytes.reserve(bytes.size() + 4000000 * prune.size());
    for (int i = 0; i < 4000000; ++i) {
        bytes += prune;
    }
    SnssBudget budget;
    EXPECT_THAT(Seen(PagesFromSnss(bytes, budget)), ElementsAre("https://p.example/0 | P"));
    EXPECT_LE(budget.Spent(), SnssBudget::kUnits + 1024);
}

TEST(PagesFromSnssTest, ACutOrDamagedLogKeepsWhatCameBefore) {
    Snss log;
    log.WindowType(1).Tab(1, 1, 0, "https://first.example/", u"First");
    const std::size_t firstEnd = log.Bytes().size();
    log.Tab(1, 2, 1, "https://second.example/", u"Second");
    const std::string whole = log.Bytes();
    // The browser appends while it runs: every cut gives the first page once the first
    // tab's records are whole, and never anything read past the cut.
    const std::vector<std::string> full = Seen(PagesFromSnss(whole));
    ASSERT_EQ(full.size(), 2u);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const std::vector<std::string> pages = Seen(PagesFromSnss(whole.substr(0, cut)));
        ASSERT_LE(pages.size(), full.size()) << cut;
        EXPECT_TRUE(std::equal(pages.begin(), pages.end(), full.begin())) << cut;
        EXPECT_GE(pages.size(), cut >= firstEnd ? 1u : 0u) << cut;
    }
    // A record of size zero ends the log; a payload that lies about its strings is
    // skipped with nothing read beyond it.
    std::string zero = whole.substr(0, firstEnd) + std::string(2, '\0') + whole.substr(firstEnd);
    EXPECT_THAT(Seen(PagesFromSnss(zero)), ElementsAre("https://first.example/ | First"));
    Snss lying;
    std::string badPickle;
    PutInt(badPickle, 1000);
    PutInt(badPickle, 7);
    lying.WindowType(1).TabWindow(1, 7).Command(6, badPickle);
    std::string hugeString;
    PutInt(hugeString, 12);
    PutInt(hugeString, 7);
    PutInt(hugeString, 0);
    PutInt(hugeString, 0x7FFFFFFF);
    lying.Command(6, hugeString).Tab(1, 8, 1, "https://kept.example/", u"Kept");
    EXPECT_THAT(Seen(PagesFromSnss(lying.Bytes())), ElementsAre("https://kept.example/ | Kept"));
}

TEST(PagesFromSnssTest, ForeignAndEncryptedFilesGiveNothing) {
    Snss encrypted(4);
    encrypted.WindowType(1).Tab(1, 1, 0, "https://secret.example/", u"S");
    Snss old(1);
    old.WindowType(1).Tab(1, 1, 0, "https://old.example/", u"O");
    EXPECT_TRUE(PagesFromSnss(encrypted.Bytes()).empty());
    EXPECT_TRUE(PagesFromSnss("").empty());
    EXPECT_TRUE(PagesFromSnss("SNSS").empty());
    EXPECT_TRUE(PagesFromSnss("mozLz40\0garbage").empty());
    EXPECT_THAT(Seen(PagesFromSnss(old.Bytes())), ElementsAre("https://old.example/ | O"));
}

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(QARVEX_TEST_DATA) + "/platform/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(PagesFromSnssTest, ReadsFilesWrittenByDebiansChromium) {
    // Two local pages whose titles the browser never wrote (they came after the first
    // commit), a blank tab, and a page that committed again once it had its Chinese
    // title; while the browser ran and after it was closed.
    for (const char* name : {"chromium-Session-running", "chromium-Session-closed"}) {
        const std::string bytes = ReadFixture(name);
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_THAT(Seen(PagesFromSnss(bytes)),
                    ElementsAre("file:///tmp/h5gen/pages/a.html | file:///tmp/h5gen/pages/a.html",
                                "file:///tmp/h5gen/pages/b.html | file:///tmp/h5gen/pages/b.html",
                                "file:///tmp/h5gen/pages/c.html#loaded | 中文标题 C"))
            << name;
    }
    // Three tabs, the first closed; a second window opened and closed; in the tab left
    // in front a page, a step back, and a new page that pruned the step forward.
    EXPECT_THAT(Seen(PagesFromSnss(ReadFixture("chromium-Session-history"))),
                ElementsAre("file:///tmp/h5gen/pages/b.html | file:///tmp/h5gen/pages/b.html",
                            "file:///tmp/h5gen/pages/a.html | file:///tmp/h5gen/pages/a.html"));
}

// --- profiles and liveness ---------------------------------------------------------------

TEST(ChromiumProfileDirsTest, LastActiveFirstThenTheOthersNeverOutside) {
    const std::string state = R"({"profile":{
        "last_active_profiles":["Profile 2", "../escape", "Profile 2", 7],
        "info_cache":{"Default":{}, "Profile 2":{}, "..":{}, "a/b":{}}}})";
    EXPECT_THAT(ChromiumProfileDirs(state, "/u/c"), ElementsAre("/u/c/Profile 2", "/u/c/Default"));
    EXPECT_THAT(ChromiumProfileDirs("not json", "/u/c"), ElementsAre("/u/c/Default"));
    EXPECT_THAT(ChromiumProfileDirs(R"({"profile":[]})", "/u/c"), ElementsAre("/u/c/Default"));
}

class ChromiumHomeTest : public ::testing::Test {
protected:
    std::string Home() const { return m_dir.Path(); }

    // A user-data folder with a Local State naming one profile whose newest session
    // holds one page; its lock names this process, as a running browser's would.
    std::string AddBrowser(const std::string& userData, const std::string& url) {
        WriteBytes(userData + "/Local State",
                   R"({"profile":{"last_active_profiles":["Profile 1"],"info_cache":{}}})");
        Snss older;
        older.WindowType(1).Tab(1, 1, 0, "https://older-file.example/", u"Old");
        WriteBytes(userData + "/Profile 1/Sessions/Session_13400000000000000", older.Bytes());
        Snss log;
        log.WindowType(1).Tab(1, 1, 0, url, u"T");
        WriteBytes(userData + "/Profile 1/Sessions/Session_13400000000000001", log.Bytes());
        Lock(userData, ThisHostName() + "-" + std::to_string(::getpid()));
        return userData;
    }

    static void Lock(const std::string& userData, const std::string& target) {
        fs::remove(userData + "/SingletonLock");
        fs::create_symlink(target, userData + "/SingletonLock");
    }

    std::vector<std::string> Urls(const std::string& xdg = "") const {
        std::vector<std::string> urls;
        for (const ShellWindow& w : ReadChromiumPages(Home(), xdg)) {
            urls.push_back(w.locationUrl);
        }
        return urls;
    }

    TempDir m_dir;
};

TEST_F(ChromiumHomeTest, FindsEveryBrowserOfTheFamily) {
    AddBrowser(Home() + "/xdg/chromium", "https://chromium/");
    AddBrowser(Home() + "/xdg/google-chrome", "https://chrome/");
    AddBrowser(Home() + "/xdg/BraveSoftware/Brave-Browser", "https://brave/");
    AddBrowser(Home() + "/.var/app/com.microsoft.Edge/config/microsoft-edge", "https://edge/");
    AddBrowser(Home() + "/snap/chromium/common/chromium", "https://snap/");
    // Opera keeps its profile in the user-data folder itself, with "Current Session".
    const std::string opera = Home() + "/xdg/opera";
    Snss log;
    log.WindowType(1).Tab(1, 1, 0, "https://opera/", u"O");
    WriteBytes(opera + "/Current Session", log.Bytes());
    Lock(opera, ThisHostName() + "-" + std::to_string(::getpid()));
    EXPECT_THAT(Urls(Home() + "/xdg"),
                ElementsAre("https://chromium/", "https://chrome/", "https://brave/",
                            "https://opera/", "https://edge/", "https://snap/"));
    // Without $XDG_CONFIG_HOME the same browsers under ~/.config.
    fs::rename(Home() + "/xdg", Home() + "/.config");
    EXPECT_EQ(Urls().size(), 6u);
}

TEST_F(ChromiumHomeTest, ABrowserThatNoLongerRunsListsNothing) {
    const std::string userData = AddBrowser(Home() + "/.config/chromium", "https://open/");
    EXPECT_THAT(Urls(), ElementsAre("https://open/"));
    // Crashed or killed: the lock names a process that is gone.
    Lock(userData, ThisHostName() + "-999999999");
    EXPECT_TRUE(Urls().empty());
    // A home shared with another machine, where the browser runs.
    Lock(userData, "other-host-" + std::to_string(::getpid()));
    EXPECT_TRUE(Urls().empty());
    fs::remove(userData + "/SingletonLock");
    EXPECT_TRUE(Urls().empty());
    Lock(userData, "garbage");
    EXPECT_TRUE(Urls().empty());
}

TEST_F(ChromiumHomeTest, OnlyThePlainSessionFileIsRead) {
    const std::string userData = AddBrowser(Home() + "/.config/chromium", "https://plain/");
    Snss encrypted(4);
    encrypted.WindowType(1).Tab(1, 1, 0, "https://encrypted/", u"E");
    WriteBytes(userData + "/Profile 1/Sessions_Encrypted/Session_13500000000000000",
               encrypted.Bytes());
    EXPECT_THAT(Urls(), ElementsAre("https://plain/"));
    EXPECT_EQ(CurrentSessionFile(userData + "/Profile 1"),
              userData + "/Profile 1/Sessions/Session_13400000000000001");
    EXPECT_EQ(CurrentSessionFile(Home()), "");
}

}  // namespace
}  // namespace qarvex
