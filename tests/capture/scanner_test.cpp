#include "capture/scanner.h"

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/list_file.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

struct Recorded {
    std::string address;
    std::string name;
    bool software;
};

// A scanner over the fake desktop whose history is a plain list that drops known paths
// and nothing else: what the add routine itself refuses is checked with the real one.
class ScannerTest : public ::testing::Test {
protected:
    ScannerTest() {
        Scanner::History history;
        history.addDoc = [this](const std::string& a, const std::string& n, bool s) {
            for (const auto& r : recorded) {
                if (r.address == a) {
                    return;
                }
            }
            recorded.push_back({a, n, s});
        };
        history.isDocKnown = [this](const std::string& a) {
            for (const auto& r : recorded) {
                if (r.address == a) {
                    return true;
                }
            }
            return false;
        };
        Scanner::Hooks hooks;
        hooks.processEvents = [this] {
            ++pumps;
            if (onPump) {
                onPump();
            }
        };
        hooks.pause = [this](int ms) { paused += ms; };
        hooks.stepProgress = [this] { ++steps; };
        hooks.setProgress = [this](int v) { progress = v; };
        hooks.expandCurrentTree = [this] { ++expandedCurrent; };
        hooks.expandPageTree = [this](int page) { expandedPages.push_back(page); };
        hooks.visibleTab = [this] { return tab; };
        scanner = std::make_unique<Scanner>(desktop, shell, history, hooks);
        program = dir.Write("editor", "#!/bin/sh\n");
        other = dir.Write("viewer", "#!/bin/sh\n");
        std::filesystem::create_directories(dir.File("opt/QQ.EXEC"));
        qq = dir.Write("opt/QQ.EXEC/x.exe", "");
        std::filesystem::create_directories(dir.File("bin"));
        fileManager = dir.Write("bin/nautilus", "");
    }

    void AddWindow(std::uint64_t id, const std::string& title, std::optional<std::string> path,
                   bool visible = true, bool owned = false, bool tool = false) {
        TopWindow w;
        w.id = id;
        w.title = title;
        w.visible = visible;
        w.owned = owned;
        w.toolWindow = tool;
        desktop.AddWindow(w, std::move(path));
    }

    static ShellWindow Page(std::string url, std::string title) {
        ShellWindow w;
        w.locationUrl = std::move(url);
        w.title = std::move(title);
        return w;
    }

    test::TempDir dir;
    std::string program, other, qq, fileManager;
    FakeDesktopWindows desktop;
    FakeShellWindows shell;
    std::unique_ptr<Scanner> scanner;
    std::vector<Recorded> recorded;
    std::function<void()> onPump;
    int pumps = 0, paused = 0, steps = 0, progress = -1, expandedCurrent = 0, tab = 0;
    std::vector<int> expandedPages;
};

TEST_F(ScannerTest, ProgramWindowsQualifyByVisibilityOwnerToolFlagAndPath) {
    AddWindow(1, "Editor", program);
    AddWindow(2, "Hidden", program, /*visible=*/false);
    AddWindow(3, "Dialog", other, true, /*owned=*/true);
    AddWindow(4, "Palette", other, true, false, /*tool=*/true);
    AddWindow(5, "No program", std::nullopt);
    AddWindow(6, "Gone", dir.File("deleted-program"));
    AddWindow(7, "  Viewer  ", other);
    scanner->CollectOpenPrograms();
    ASSERT_TRUE(scanner->OpenProgramList());
    EXPECT_EQ(*scanner->OpenProgramList(),
              (std::vector<std::string>{program + "*|*Editor*2*2", other + "*|*Viewer*2*2"}));
}

TEST_F(ScannerTest, SkippedProgramsUnlessTheTitleIsAShellPlace) {
    AddWindow(1, "Files", fileManager);
    AddWindow(2, "我的电脑", fileManager);
    AddWindow(3, "chat", qq);  // "QQ.EXE" anywhere in the path
    AddWindow(4, " 桌面 ", fileManager);
    scanner->ScanPrograms();
    EXPECT_EQ(
        *scanner->OpenProgramList(),
        (std::vector<std::string>{fileManager + "*|*我的电脑*2*2", fileManager + "*|*桌面*2*2"}));
    // Both places share the file manager's path: the upper window fixes the entry.
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].address, fileManager);
    EXPECT_EQ(recorded[0].name, "我的电脑");
    EXPECT_TRUE(recorded[0].software);
}

TEST_F(ScannerTest, AnApplicationIsRecordedOnceByItsEntryUnderItsNameAndSkippedByWhatItStarts) {
    const std::string entry = dir.Write("org.example.Editor.desktop", "[Desktop Entry]\n");
    const std::string browserEntry = dir.Write("web.desktop", "[Desktop Entry]\n");
    AddWindow(1, "a.txt - Editor", program);
    AddWindow(2, "b.txt - Editor", other);
    AddWindow(3, "Start page", other);
    AppIdentity editor;
    editor.path = entry;
    editor.programPath = program;
    editor.execProgram = "/usr/bin/editor";
    editor.name = "文本编辑器";
    desktop.SetApplication(1, editor);
    desktop.SetApplication(2, editor);
    // A browser reached through its entry, started by a bare name on $PATH.
    AppIdentity browser;
    browser.path = browserEntry;
    browser.programPath = other;
    browser.execProgram = "firefox";
    desktop.SetApplication(3, browser);
    scanner->ScanPrograms();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].address, entry);
    EXPECT_EQ(recorded[0].name, "文本编辑器");
    EXPECT_TRUE(recorded[0].software);
}

TEST_F(ScannerTest, ChromiumAndTheOtherBrowsersWhosePagesAreReadAreNotRecordedAsPrograms) {
    std::filesystem::create_directories(dir.File("usr/lib/chromium"));
    const std::string chromium = dir.Write("usr/lib/chromium/chromium", "");
    const std::string chromiumEntry = dir.Write("chromium.desktop", "[Desktop Entry]\n");
    const std::string braveEntry = dir.Write("com.brave.Browser.desktop", "[Desktop Entry]\n");
    const std::string zenity = dir.Write("bin/zenity", "");
    AddWindow(1, "红烧肉的做法 - Chromium", chromium);  // known by its program only
    AddWindow(2, "新标签页 - Chromium", chromium);
    AddWindow(3, "Brave", other);
    AddWindow(4, "Question", zenity);
    desktop.SetApplication(
        2, {.path = chromiumEntry, .programPath = chromium, .entryId = "chromium.desktop"});
    // A sandboxed browser whose program says nothing: its entry does.
    desktop.SetApplication(3, {.path = braveEntry, .programPath = other});
    scanner->ScanPrograms();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].address, zenity);
}

TEST_F(ScannerTest, UpperWindowOfOneProgramFixesTheNameAndEmptyTitlesAreHandedOver) {
    AddWindow(1, "", other);
    AddWindow(2, "Top", program);
    AddWindow(3, "Below", program);
    scanner->ScanPrograms();
    // The empty title is a line like any other; the add routine is the one to refuse it.
    EXPECT_EQ(scanner->OpenProgramList()->size(), 3u);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].address, other);
    EXPECT_EQ(recorded[0].name, "");
    EXPECT_EQ(recorded[1].address, program);
    EXPECT_EQ(recorded[1].name, "Top");
}

TEST_F(ScannerTest, ShellWindowsGiveFoldersAndPagesInListOrder) {
    shell.AddWindow(Page("file:///home/u/My%20Docs", ""));
    shell.AddWindow(Page(" https://example.org/a ", "Example"));
    ShellWindow noDocument = Page("https://example.org/b", "B");
    noDocument.hasDocument = false;
    shell.AddWindow(noDocument);
    shell.AddWindow(Page("", "empty"));
    scanner->CollectShellWindows();
    EXPECT_EQ(*scanner->ShellWindowList(),
              (std::vector<std::string>{"file:///home/u/My%20Docs*|*file:///home/u/My%20Docs*2*3",
                                        "https://example.org/a*|*Example*2*1"}));
}

TEST_F(ScannerTest, AFailingWalkHandsNothingOverButKeepsItsLines) {
    shell.AddWindow(Page("https://a.example/", "A"));
    shell.AddWindow(Page("https://b.example/", "B"));
    shell.FailAfter(1);
    scanner->ScanShellWindows();
    EXPECT_TRUE(recorded.empty());
    ASSERT_TRUE(scanner->ShellWindowList());
}

TEST_F(ScannerTest, PageWithoutTitlePropertyAbandonsTheWalk) {
    shell.AddWindow(Page("https://a.example/", "A"));
    ShellWindow untitled = Page("https://b.example/", "");
    untitled.hasTitle = false;
    shell.AddWindow(untitled);
    scanner->ScanShellWindows();
    EXPECT_TRUE(recorded.empty());
    EXPECT_EQ(scanner->ShellWindowList()->size(), 1u);
}

TEST_F(ScannerTest, FullRefreshOrderAndProgress) {
    AddWindow(1, "Editor", program);
    shell.AddWindow(Page("https://a.example/x", "X"));
    scanner->RefreshAllDocs();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_TRUE(recorded[0].software);
    EXPECT_FALSE(recorded[1].software);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(expandedCurrent, 1);
    // two items at 5 ms and three phase pauses at 3 ms
    EXPECT_EQ(paused, 2 * 5 + 3 * 3);
}

TEST_F(ScannerTest, PageRefreshScansOnlyWhatTheVisibleTabShows) {
    AddWindow(1, "Editor", program);
    shell.AddWindow(Page("https://a.example/x", "X"));
    tab = 1;
    scanner->RefreshPageDocs();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_TRUE(recorded[0].software);
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(expandedPages, std::vector<int>{1});
    EXPECT_FALSE(scanner->ShellWindowList());

    tab = 2;
    scanner->RefreshPageDocs();
    EXPECT_EQ(recorded.size(), 2u);
    EXPECT_EQ(expandedPages, (std::vector<int>{1, 2}));

    tab = 4;
    const int calls = desktop.TopWindowsCalls() + shell.WindowsCalls();
    scanner->RefreshPageDocs();
    EXPECT_EQ(desktop.TopWindowsCalls() + shell.WindowsCalls(), calls);
}

TEST_F(ScannerTest, RefreshRequestedDuringAScanIsIgnored) {
    AddWindow(1, "Editor", program);
    AddWindow(2, "Viewer", other);
    shell.AddWindow(Page("https://a.example/x", "X"));
    int nested = 0;
    onPump = [&] {
        // Every kind of trigger arrives while the scan lets events run.
        ++nested;
        scanner->RefreshAllDocs();
        scanner->RefreshPageDocs();
        scanner->ScanPrograms();
        scanner->ScanShellWindows();
    };
    scanner->RefreshAllDocs();
    EXPECT_GT(nested, 0);
    EXPECT_EQ(recorded.size(), 3u);
    EXPECT_EQ(desktop.TopWindowsCalls(), 1);
    EXPECT_EQ(shell.WindowsCalls(), 1);
    EXPECT_FALSE(scanner->IsScanning());
}

TEST_F(ScannerTest, IsDocumentOpenFollowsTheLastScans) {
    EXPECT_FALSE(scanner->IsDocumentOpen(program));
    AddWindow(1, "Editor", program);
    shell.AddWindow(Page("file:///home/u/Work", ""));
    scanner->RefreshAllDocs();
    EXPECT_TRUE(scanner->IsDocumentOpen(" " + program + " "));
    EXPECT_TRUE(scanner->IsDocumentOpen("file:///home/u/Work"));
    EXPECT_FALSE(scanner->IsDocumentOpen("/home/u/Work"));  // compared literally

    desktop.SetWindows({});
    scanner->ScanPrograms();
    EXPECT_FALSE(scanner->IsDocumentOpen(program));
    EXPECT_TRUE(scanner->IsDocumentOpen("file:///home/u/Work"));
}

TEST_F(ScannerTest, CloseTimeListingFillsLastRunWithoutTouchingTheScanLists) {
    AddWindow(1, "Editor", program);
    AddWindow(2, "Editor again", program);
    shell.AddWindow(Page("https://a.example/x", "X"));
    shell.AddWindow(Page("file:///home/u/Work", ""));
    std::vector<std::string> lastRun{"old"};
    scanner->RecordOpenDocsAtClose(lastRun);
    EXPECT_EQ(lastRun,
              (std::vector<std::string>{program, "https://a.example/x", "file:///home/u/Work"}));
    EXPECT_FALSE(scanner->OpenProgramList());
    EXPECT_FALSE(scanner->ShellWindowList());
    EXPECT_TRUE(recorded.empty());
}

TEST_F(ScannerTest, HostileTitlesTravelAsText) {
    const std::string hostile = "a\"b'$(rm -rf ~)`id`;x";
    AddWindow(1, hostile, program);
    shell.AddWindow(Page("https://a.example/?q=$(reboot);`id`", hostile));
    scanner->RefreshAllDocs();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].name, hostile);
    EXPECT_EQ(recorded[1].address, "https://a.example/?q=$(reboot);`id`");
    EXPECT_EQ(recorded[1].name, hostile);
}

}  // namespace
}  // namespace qarvex
