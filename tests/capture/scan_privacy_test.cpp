#include <filesystem>

#include <gtest/gtest.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/exclusions.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// The user's pause switch and exclusion list between the scan and the history.
class ScanPrivacyTest : public ::testing::Test {
protected:
    ScanPrivacyTest()
        : ini(dir.File("defualt.ini")),
          history(
              ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u",
              [](const std::string& path) { return std::filesystem::exists(path); }) {
        Scanner::History sink;
        sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [this](const std::string& a) { return history.IsDocKnown(a); };
        sink.isPaused = [this] { return paused; };
        sink.isExcluded = [this](const std::string& a, const std::string& n, bool s) {
            return exclusions.MatchesSighting(a, n, s);
        };
        scanner = std::make_unique<Scanner>(desktop, shell, sink, Scanner::Hooks{});
    }

    void AddPage(const std::string& url, const std::string& title) {
        ShellWindow w;
        w.locationUrl = url;
        w.title = title;
        shell.AddWindow(w);
    }

    void AddProgram(std::uint64_t id, const std::string& file, const std::string& title) {
        TopWindow window;
        window.id = id;
        window.visible = true;
        window.title = title;
        desktop.AddWindow(window, dir.Write(file, ""));
    }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const TMyDoc& doc : history.Docs()) {
            paths.push_back(doc.Path);
        }
        return paths;
    }

    test::TempDir dir;
    IniFile ini;
    StoredList recent;
    History history;
    FakeDesktopWindows desktop;
    FakeShellWindows shell;
    std::unique_ptr<Scanner> scanner;
    bool paused = false;
    Exclusions exclusions;
};

TEST_F(ScanPrivacyTest, APausedScanRecordsAndWritesNothing) {
    AddProgram(1, "editor", "编辑器");
    AddPage("http://site.example/a.html", "A");
    AddPage("file:///home/u/docs", "");
    paused = true;
    scanner->RefreshAllDocs();
    scanner->ScanPrograms();
    scanner->ScanShellWindows();
    std::vector<std::string> lastRun = {"/usr/bin/earlier"};
    scanner->RecordOpenDocsAtClose(lastRun);

    EXPECT_TRUE(history.Docs().empty());
    EXPECT_TRUE(recent.Lines().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("defualt.ini")));
    EXPECT_EQ(lastRun, std::vector<std::string>{"/usr/bin/earlier"});

    // Paused from the tray while a scan lets events run: the rest of the pass is dropped.
    paused = false;
    Scanner::History sink;
    sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
        history.AddDoc(a, n, {}, s);
    };
    sink.isDocKnown = [this](const std::string& a) { return history.IsDocKnown(a); };
    sink.isPaused = [this] { return paused; };
    Scanner::Hooks hooks;
    hooks.processEvents = [this] { paused = true; };
    Scanner interrupted(desktop, shell, sink, hooks);
    interrupted.RefreshAllDocs();
    EXPECT_TRUE(history.Docs().empty());

    paused = false;
    scanner->RefreshAllDocs();
    EXPECT_EQ(history.Docs().size(), 3U);
}

TEST_F(ScanPrivacyTest, ExcludedSightingsNeverReachTheHistoryOrTheCloseList) {
    AddProgram(1, "secret-chat", "聊天");
    AddProgram(2, "editor", "编辑器");
    AddPage("https://mail.bank.example/inbox", "收件箱");
    AddPage("http://news.example/today.html", "新闻");
    AddPage("file:///home/u/private/taxes", "");
    AddPage("file:///home/u/private2", "");
    exclusions = Exclusions({"secret-chat", "*.bank.example", "/home/u/private"}, "/home/u");

    scanner->RefreshAllDocs();
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{dir.File("editor"), "http://news.example/today.html",
                                        "/home/u/private2"}));
    for (const std::string& line : recent.Lines()) {
        EXPECT_EQ(line.find("bank"), std::string::npos) << line;
        EXPECT_EQ(line.find("private/"), std::string::npos) << line;
    }
    EXPECT_EQ(ini.ReadString("docs", "path0", ""), dir.File("editor"));

    std::vector<std::string> lastRun;
    scanner->RecordOpenDocsAtClose(lastRun);
    EXPECT_EQ(lastRun,
              (std::vector<std::string>{dir.File("editor"), "http://news.example/today.html",
                                        "file:///home/u/private2"}));
}

// A rule holds whatever the address carries or however it spells its host or folder.
TEST_F(ScanPrivacyTest, ExclusionsHoldHoweverTheAddressIsSpelt) {
    AddPage("https://mail.example.com/inbox#file:///home/u/x", "收件箱");
    AddPage("file://localhost/home/u/private/taxes", "");
    AddPage("https://xn--mnchen-3ya.de/karte", "地图");
    AddPage("https://www.münchen.de/rathaus", "市政厅");
    exclusions = Exclusions({"mail.example.com", "~/private", "münchen.de", "*.xn--mnchen-3ya.de"},
                            "/home/u");
    scanner->RefreshAllDocs();
    EXPECT_TRUE(history.Docs().empty());
    EXPECT_TRUE(recent.Lines().empty());
    std::vector<std::string> lastRun;
    scanner->RecordOpenDocsAtClose(lastRun);
    EXPECT_TRUE(lastRun.empty());
}

}  // namespace
}  // namespace qarvex
