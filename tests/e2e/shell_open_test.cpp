#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include "e2e/e2e_support.h"
#include "platform/x11/xdg_shell_open.h"

namespace qarvex {
namespace {

using e2e::Invocation;
using e2e::RecorderPath;

// A case opens something, waits for the records it expects, then opens a sentinel
// address and waits for that too: whatever else the case started by then shows up
// among its records, so "exactly these" and "nothing" can both be checked.
const std::string kSentinel = "https://sentinel.invalid/";

std::vector<Invocation> RunCase(ShellOpen& opener, const RecorderPath& recorders,
                                std::size_t expected, const std::function<void()>& action) {
    const Invocation sentinel{"xdg-open", {kSentinel}};
    const std::size_t before = recorders.Invocations().size();
    action();
    recorders.WaitFor(before + expected);
    opener.Open(kSentinel);
    std::vector<Invocation> mine;
    e2e::WaitUntil([&] {
        const std::vector<Invocation> all = recorders.Invocations();
        mine.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        return std::find(mine.begin(), mine.end(), sentinel) != mine.end();
    });
    const auto found = std::find(mine.begin(), mine.end(), sentinel);
    if (found == mine.end()) {
        ADD_FAILURE() << "the sentinel address was never opened";
        return mine;
    }
    mine.erase(found);
    return mine;
}

std::vector<Invocation> OpenOne(ShellOpen& opener, const RecorderPath& recorders,
                                const std::string& target, std::size_t expected = 1) {
    return RunCase(opener, recorders, expected, [&] { opener.Open(target); });
}

std::vector<Invocation> LaunchOne(ShellOpen& opener, const RecorderPath& recorders,
                                  const std::string& program, std::size_t expected = 1) {
    return RunCase(opener, recorders, expected, [&] { opener.Launch(program); });
}

class ShellOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_files.isValid());
        m_recorders.Install("xdg-open");
    }

    std::string File(const std::string& name, const std::string& content, mode_t mode = 0644) {
        const std::string path = m_files.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        chmod(path.c_str(), mode);
        return path;
    }

    QTemporaryDir m_files;
    RecorderPath m_recorders;
    XdgShellOpen m_opener;
};

TEST_F(ShellOpenTest, AddressesAndDocumentsGoToTheDefaultHandlerAsOneArgument) {
    const std::string document = File("report 'final' $(x).txt", "text");
    const std::vector<std::string> targets = {
        "https://example.com/a?b=1&c=2#top", "mailto:someone@example.com", "trash:///",
        // Hostile addresses arrive untouched and whole.
        "https://x.invalid/\"q\" 'r' $(touch /tmp/qarvex-pwned) `id` ; rm -rf ~ | cat &",
        "https://x.invalid/line1\nline2\ttab", document,
        m_files.path().toStdString(),  // a folder
    };
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        EXPECT_THAT(OpenOne(m_opener, m_recorders, target),
                    ::testing::ElementsAre(Invocation{"xdg-open", {target}}));
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/qarvex-pwned"));
}

TEST_F(ShellOpenTest, AHandlerThatFailsIsReportedOnceNamingTheTarget) {
    std::vector<std::string> failed;
    m_opener.SetFailureReport([&](const std::string& target) { failed.push_back(target); });
    const std::string page = "https://no-handler.invalid/";
    OpenOne(m_opener, m_recorders, page);
    // xdg-open ends with status 3 when nothing handles the address.
    const std::string xdgOpen = m_recorders.Folder() + "/xdg-open";
    std::filesystem::remove(xdgOpen);
    std::ofstream(xdgOpen) << "#!/bin/bash\nexit 3\n";
    chmod(xdgOpen.c_str(), 0755);
    m_opener.Open(page);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !failed.empty(); }));
    EXPECT_EQ(failed, std::vector<std::string>{page});
}

TEST_F(ShellOpenTest, SettingsAndTheSystemMonitorAreTheEntriesOfThoseCategories) {
    const std::string data = m_files.path().toStdString() + "/data";
    std::filesystem::create_directories(data + "/applications");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(data + "/none"));
    XdgShellOpen opener;
    EXPECT_FALSE(opener.HasPlace(ShellPlace::Settings));
    EXPECT_FALSE(opener.HasPlace(ShellPlace::TaskManager));
    m_recorders.Install("obconf");
    m_recorders.Install("lxtask-like");
    File("data/applications/obconf.desktop",
         "[Desktop Entry]\nType=Application\nName=Openbox\nExec=obconf\n"
         "Categories=GTK;Settings;DesktopSettings;\n");
    File("data/applications/tasks.desktop",
         "[Desktop Entry]\nType=Application\nName=Tasks\nExec=lxtask-like\n"
         "Categories=System;Monitor;\n");
    EXPECT_TRUE(opener.HasPlace(ShellPlace::Settings));
    EXPECT_THAT(RunCase(opener, m_recorders, 1, [&] { opener.OpenPlace(ShellPlace::Settings); }),
                ::testing::ElementsAre(Invocation{"obconf", {}}));
    EXPECT_THAT(RunCase(opener, m_recorders, 1, [&] { opener.OpenPlace(ShellPlace::TaskManager); }),
                ::testing::ElementsAre(Invocation{"lxtask-like", {}}));
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

TEST_F(ShellOpenTest, ATargetThatLooksLikeAnOptionIsMadeAbsolute) {
    const std::string cwd = std::filesystem::current_path().string();
    for (const std::string target : {"-h", "--help", "--version x"}) {
        SCOPED_TRACE(target);
        EXPECT_THAT(OpenOne(m_opener, m_recorders, target),
                    ::testing::ElementsAre(Invocation{"xdg-open", {cwd + "/" + target}}));
    }
}

TEST_F(ShellOpenTest, BlankTargetsOpenNothing) {
    for (const std::string target : {"", "   ", "\t\n"}) {
        EXPECT_TRUE(OpenOne(m_opener, m_recorders, target, 0).empty());
    }
}

TEST_F(ShellOpenTest, AProgramIsStartedItself) {
    const std::string program = m_files.path().toStdString() + "/my tool;x";
    m_recorders.InstallAt(program);
    EXPECT_THAT(LaunchOne(m_opener, m_recorders, program),
                ::testing::ElementsAre(Invocation{"my tool;x", {}}));
}

TEST_F(ShellOpenTest, AnExecutablePictureOpenedAsADocumentRunsNothing) {
    // A download that is really a program, whatever its name, is only shown in its folder:
    // some desktops' handler would run it.
    const std::string folder = m_files.path().toStdString();
    const std::string picture = folder + "/holiday.jpg";
    m_recorders.InstallAt(picture);
    EXPECT_THAT(OpenOne(m_opener, m_recorders, picture),
                ::testing::ElementsAre(Invocation{"xdg-open", {folder}}));
    EXPECT_THAT(RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenDefault(picture); }),
                ::testing::ElementsAre(Invocation{"xdg-open", {folder}}));
}

TEST_F(ShellOpenTest, AProgramThatCantRunGoesToTheDefaultHandler) {
    // Files on Windows-formatted disks all carry the executable bit.
    const std::string document = File("notes.txt", "just text, no interpreter line", 0755);
    EXPECT_THAT(LaunchOne(m_opener, m_recorders, document),
                ::testing::ElementsAre(Invocation{"xdg-open", {document}}));
}

TEST_F(ShellOpenTest, ACommandRunsAsItsArgumentVectorFoundOnThePath) {
    m_recorders.Install("nm-applet");
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1,
                [&] {
                    m_opener.Run({"nm-applet", "--indicator", "$(touch /tmp/qarvex-pwned)"});
                }),
        ::testing::ElementsAre(
            Invocation{"nm-applet", {"--indicator", "$(touch /tmp/qarvex-pwned)"}}));
    EXPECT_TRUE(RunCase(m_opener, m_recorders, 0, [&] {
                    m_opener.Run({"no-such-program-anywhere"});
                }).empty());
    EXPECT_FALSE(std::filesystem::exists("/tmp/qarvex-pwned"));
}

TEST_F(ShellOpenTest, DesktopEntriesLaunchAsTheirExecLineSays) {
    m_recorders.Install("launched");
    struct Case {
        std::string exec;
        std::vector<std::string> arguments;
    };
    const std::vector<Case> cases = {
        {"launched --flag \"two words\" %U", {"--flag", "two words"}},
        {"launched %f", {}},
        // Shell syntax is just text: quoted escapes give the characters themselves.
        {R"(launched "\\$(touch /tmp/qarvex-pwned);\\`id\\`" ';' '|')",
         {"$(touch /tmp/qarvex-pwned);`id`", "';'", "'|'"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exec);
        const std::string entry =
            File("app" + std::to_string(n++) + ".desktop",
                 "[Desktop Entry]\nType=Application\nName=App\nExec=" + c.exec + "\n");
        EXPECT_THAT(LaunchOne(m_opener, m_recorders, entry),
                    ::testing::ElementsAre(Invocation{"launched", c.arguments}));
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/qarvex-pwned"));
}

TEST_F(ShellOpenTest, ADesktopEntryOpenedAsADocumentShowsItsFolderAndRunsNothing) {
    m_recorders.Install("launched");
    const std::string folder = m_files.path().toStdString();
    const std::string entry = File("cats.desktop",
                                   "[Desktop Entry]\nType=Application\n"
                                   "Name=Cats\nExec=launched\n",
                                   0755);
    EXPECT_THAT(OpenOne(m_opener, m_recorders, entry),
                ::testing::ElementsAre(Invocation{"xdg-open", {folder}}));
    EXPECT_THAT(RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenDefault(entry); }),
                ::testing::ElementsAre(Invocation{"xdg-open", {folder}}));
    // However the address spells it, the file it names decides.
    for (const std::string& address :
         {"file://" + entry, "file:" + entry, "file://" + entry + "#f",
          "FILE://localhost" + entry + "?x", "file://" + folder + "/cats%2Edesktop"}) {
        SCOPED_TRACE(address);
        EXPECT_THAT(OpenOne(m_opener, m_recorders, address),
                    ::testing::ElementsAre(Invocation{"xdg-open", {folder}}));
    }
}

TEST_F(ShellOpenTest, BrokenDesktopEntriesLaunchNothing) {
    const std::vector<std::string> contents = {
        "",
        "not an entry at all",
        "[Desktop Entry]\nType=Application\nName=No exec\n",
        "[Desktop Entry]\nType=Link\nURL=https://example.com\nExec=launched\n",
        "[Desktop Entry]\nType=Application\nExec=no-such-program-anywhere\n",
        std::string("[Desktop Entry]\nType=Application\nExec=launched\0\xff\xfe", 49),
        "[Desktop Entry]\nType=Application\nExec=" + std::string(2 * 1024 * 1024, 'x') + "\n",
    };
    m_recorders.Install("launched");
    int n = 0;
    for (const std::string& content : contents) {
        SCOPED_TRACE(n);
        const std::string entry = File("broken" + std::to_string(n++) + ".desktop", content);
        EXPECT_TRUE(LaunchOne(m_opener, m_recorders, entry, 0).empty());
    }
}

TEST_F(ShellOpenTest, GioStandsInWhenThereIsNoXdgOpen) {
    RecorderPath onlyGio;
    onlyGio.Install("gio");
    m_opener.Open("https://example.com/");
    EXPECT_THAT(onlyGio.WaitFor(1),
                ::testing::ElementsAre(Invocation{"gio", {"open", "https://example.com/"}}));
}

TEST_F(ShellOpenTest, PlacesOpenTheirPrograms) {
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Computer); }),
        ::testing::ElementsAre(Invocation{"xdg-open", {"/"}}));

    // Virtual places go to a file manager, never to xdg-open: outside GNOME it hands them
    // to the browser as a search.
    EXPECT_TRUE(RunCase(m_opener, m_recorders, 0, [&] {
                    m_opener.OpenPlace(ShellPlace::Network);
                }).empty());
    m_recorders.Install("gio");
    EXPECT_THAT(RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Trash); }),
                ::testing::ElementsAre(Invocation{"gio", {"open", "trash:///"}}));
    m_recorders.Install("pcmanfm");
    EXPECT_THAT(RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Network); }),
                ::testing::ElementsAre(Invocation{"pcmanfm", {"network:///"}}));
    EXPECT_THAT(RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Recent); }),
                ::testing::ElementsAre(Invocation{"pcmanfm", {"recent:///"}}));

    // Printers: the printing system's own page when there is no settings program.
    EXPECT_FALSE(m_opener.HasPlace(ShellPlace::Printers));
    m_recorders.Install("lpstat");
    EXPECT_TRUE(m_opener.HasPlace(ShellPlace::Printers));
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Printers); }),
        ::testing::ElementsAre(Invocation{"xdg-open", {"http://localhost:631/printers/"}}));

    // Nothing installed: nothing started, and the window can say so beforehand.
    EXPECT_FALSE(m_opener.HasPlace(ShellPlace::Settings));
    EXPECT_FALSE(m_opener.HasPlace(ShellPlace::TaskManager));
    EXPECT_TRUE(RunCase(m_opener, m_recorders, 0, [&] {
                    m_opener.OpenPlace(ShellPlace::Settings);
                }).empty());
    EXPECT_TRUE(RunCase(m_opener, m_recorders, 0, [&] {
                    m_opener.OpenPlace(ShellPlace::TaskManager);
                }).empty());

    // The first installed one of the list wins.
    m_recorders.Install("systemsettings");
    m_recorders.Install("xfce4-settings-manager");
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::Settings); }),
        ::testing::ElementsAre(Invocation{"xfce4-settings-manager", {}}));

    // htop needs a terminal, and gets it through an argument vector.
    const std::string htop = m_recorders.Install("htop");
    m_recorders.Install("x-terminal-emulator");
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::TaskManager); }),
        ::testing::ElementsAre(Invocation{"x-terminal-emulator", {"-e", htop}}));
    m_recorders.Install("lxtask");
    EXPECT_THAT(
        RunCase(m_opener, m_recorders, 1, [&] { m_opener.OpenPlace(ShellPlace::TaskManager); }),
        ::testing::ElementsAre(Invocation{"lxtask", {}}));
}

}  // namespace
}  // namespace qarvex
