#include "platform/linux/app_resolver.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/fake/fake_process_facts.h"
#include "platform/linux/desktop_entry.h"
#include "platform/linux/desktop_entry_index.h"
#include "platform/linux/proc_process_facts.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr std::int64_t kPid = 4242;

// Two "applications" folders, the user's before the system's, with entries the tests
// write; processes and programs come from the fake.
class AppResolverTest : public ::testing::Test {
protected:
    AppResolverTest() {
        std::filesystem::create_directories(home());
        std::filesystem::create_directories(system());
    }

    std::string home() const { return dir.File("home/applications"); }
    std::string system() const { return dir.File("usr/applications"); }

    std::string Entry(const std::string& folder, const std::string& name, const std::string& keys) {
        const std::string path = folder + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << "[Desktop Entry]\nType=Application\n" << keys;
        return path;
    }

    // Another process under the same id: what the resolver read of the last one is
    // forgotten, as at the start of each pass over the desktop.
    void Process(FakeProcess process) {
        facts.SetProcess(kPid, std::move(process));
        resolver.StartPass();
    }

    std::optional<AppIdentity> Resolve(WindowHints hints = {}) {
        if (!hints.pid) {
            hints.pid = kPid;
        }
        return resolver.Resolve(hints);
    }

    std::string PathOf(WindowHints hints = {}) {
        const auto identity = Resolve(std::move(hints));
        return identity ? identity->path : "(nothing)";
    }

    test::TempDir dir;
    FakeProcessFacts facts;
    DesktopEntryIndex index{{dir.File("home/applications"), dir.File("usr/applications"),
                             dir.File("missing/applications")},
                            facts};
    AppResolver resolver{index, facts};
};

TEST(DesktopEntryFoldersTest, UserDataFirstThenTheSystemsInOrder) {
    EXPECT_EQ(
        DesktopEntryIndex::FoldersFor("", "", "/home/u"),
        (std::vector<std::string>{"/home/u/.local/share/applications",
                                  "/usr/local/share/applications", "/usr/share/applications"}));
    EXPECT_EQ(DesktopEntryIndex::FoldersFor("/d/", "/a:relative:/b/:/a", "/home/u"),
              (std::vector<std::string>{"/d/applications", "/a/applications", "/b/applications"}));
}

TEST_F(AppResolverTest, TheUsersEntryWinsAndHiddenOnesMaskButNoDisplayOnesCount) {
    const std::string mine = Entry(home(), "org.example.Edit.desktop", "Icon=mine\n");
    Entry(system(), "org.example.Edit.desktop", "Icon=system\n");
    Entry(home(), "gone.desktop", "Hidden=true\n");
    Entry(system(), "gone.desktop", "Exec=gone\n");
    const std::string helper = Entry(system(), "helper.desktop", "NoDisplay=true\n");
    const std::string nested = Entry(system(), "kde4/tool.desktop", "\n");
    Entry(system(), "link.desktop", "Type=Link\n");

    ASSERT_NE(index.ById("org.example.Edit.desktop"), nullptr);
    EXPECT_EQ(index.ById("org.example.Edit.desktop")->path, mine);
    EXPECT_EQ(index.ById("gone.desktop"), nullptr);
    EXPECT_EQ(index.ById("helper.desktop")->path, helper);
    EXPECT_EQ(index.ById("kde4-tool.desktop")->path, nested);
    EXPECT_EQ(index.ById("link.desktop"), nullptr);
}

TEST_F(AppResolverTest, AnEntryWithAChineseNameIsNamedSoUnderAChineseLocale) {
    Entry(system(), "org.gnome.Calculator.desktop",
          "Name=Calculator\nName[zh_CN]=计算器\nName[zh_TW]=計算機\nName[zh]=计算\n");
    const auto nameUnder = [&](const char* language, const char* lcMessages, const char* lang) {
        AppResolver localized(index, facts, LocalePostfixes(language, "", lcMessages, lang));
        const auto identity = localized.Resolve({.pid = kPid, .appId = "org.gnome.Calculator"});
        return identity ? identity->name : "(nothing)";
    };
    EXPECT_EQ(nameUnder("", "", "zh_CN.UTF-8"), "计算器");
    EXPECT_EQ(nameUnder("", "zh_TW.UTF-8", "en_US.UTF-8"), "計算機");
    // LANGUAGE's list comes first; a country without its own Name takes the language's.
    EXPECT_EQ(nameUnder("zh_SG:en", "", "en_US.UTF-8"), "计算");
    EXPECT_EQ(nameUnder("", "", "C.UTF-8"), "Calculator");
    EXPECT_EQ(LocalePostfixes("", "", "", "sr_RS.UTF-8@latin"),
              (std::vector<std::string>{"sr_RS@latin", "sr_RS", "sr@latin", "sr"}));
}

TEST_F(AppResolverTest, WhatTheWindowSaysComesFirst) {
    Process({.executable = "/usr/bin/gnome-terminal-server"});
    const std::string terminal = Entry(system(), "org.gnome.Terminal.desktop",
                                       "Icon=org.gnome.Terminal\nExec=gnome-terminal\n");
    const std::string kde = Entry(system(), "org.kde.konsole.desktop", "");
    const std::string bamf = Entry(system(), "bamf.desktop", "");
    facts.AddOnPath("gnome-terminal", "/usr/bin/gnome-terminal");

    const auto identity = Resolve({.appId = "org.gnome.Terminal", .wmClassClass = "bamf"});
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->path, terminal);
    EXPECT_EQ(identity->entryId, "org.gnome.Terminal.desktop");
    EXPECT_EQ(identity->icon, "org.gnome.Terminal");
    EXPECT_EQ(identity->programPath, "/usr/bin/gnome-terminal-server");
    EXPECT_EQ(identity->execProgram, "/usr/bin/gnome-terminal");
    EXPECT_EQ(PathOf({.kdeDesktopFile = "org.kde.konsole"}), kde);
    EXPECT_EQ(PathOf({.bamfDesktopFile = bamf}), bamf);
    // An id that names no entry is passed over.
    EXPECT_EQ(PathOf({.appId = "org.example.Unknown"}), "/usr/bin/gnome-terminal-server");
}

TEST_F(AppResolverTest, TheSandboxOrLauncherComesNext) {
    const std::string flat = Entry(system(), "org.example.Flat.desktop", "");
    const std::string launched = Entry(system(), "org.example.Launched.desktop", "");
    const std::string snap = Entry(system(), "tool_tool.desktop", "");
    const std::string appImageEntry =
        Entry(home(), "appimagekit-Viewer.desktop", "Exec=\"/home/u/Apps/Viewer.AppImage\" %U\n");
    facts.AddFile("/home/u/Apps/Viewer.AppImage");
    facts.AddFile("/home/u/Apps/Other.AppImage");

    Process({.executable = "/app/bin/flat",
             .flatpakInfo = "[Application]\nname=org.example.Flat\nruntime=x\n",
             .controlGroups = "0::/user.slice/app-flatpak-org.example.Flat-77.scope\n"});
    EXPECT_EQ(PathOf({.wmClassClass = "org.example.Launched"}), flat);
    const std::string scope =
        "0::/user.slice/user@1000.service/app.slice/app-gnome-org.example.Launched-1234.scope\n";
    facts.SetProcess(7, {.executable = "/usr/bin/gnome-shell", .controlGroups = "0::/x.scope\n"});
    Process({.executable = "/usr/bin/launched", .controlGroups = scope, .parent = 7});
    EXPECT_EQ(PathOf(), launched);
    // Started from a shell inside that application: the unit says nothing about it.
    facts.SetProcess(8, {.executable = "/usr/bin/bash", .controlGroups = scope});
    Process({.executable = "/usr/bin/xeyes", .controlGroups = scope, .parent = 8});
    EXPECT_EQ(PathOf(), "/usr/bin/xeyes");
    Process({.executable = "/snap/tool/12/bin/tool", .environment = {{"SNAP_NAME", "tool"}}});
    EXPECT_EQ(PathOf(), snap);
    Process({.executable = "/tmp/.mount_Vi1/usr/bin/viewer",
             .environment = {{"APPIMAGE", "/home/u/Apps/Viewer.AppImage"}}});
    EXPECT_EQ(PathOf(), appImageEntry);

    // Without an entry: the AppImage file and the snap's command, never the mount or
    // the revision folder.
    Process({.executable = "/tmp/.mount_Ot2/AppRun",
             .environment = {{"APPIMAGE", "/home/u/Apps/Other.AppImage"}}});
    EXPECT_EQ(PathOf(), "/home/u/Apps/Other.AppImage");
    Process({.executable = "/snap/other/3/bin/other", .environment = {{"SNAP_NAME", "other"}}});
    EXPECT_EQ(PathOf(), "/snap/bin/other");
}

// A sandbox sees other files under the same names: what its process runs would be
// recorded as whatever this machine has at that path, and started from there.
TEST_F(AppResolverTest, ASandboxedProcessIsOnlyEverItsInstalledApplication) {
    const std::string flat =
        Entry(system(), "org.example.Flat.desktop", "Exec=/usr/bin/flatpak run org.example.Flat\n");
    facts.AddFile("/home/u/.var/app/org.example.Flat/decoy");
    facts.AddFile("/app/share/tool.py");
    Process({.executable = "/home/u/.var/app/org.example.Flat/decoy",
             .flatpakInfo = "[Application]\nname=org.example.Unknown\n",
             .ownFileSystem = false});
    EXPECT_EQ(PathOf(), "(nothing)");
    Process({.executable = "/usr/bin/python3",
             .commandLine = {"python3", "/app/share/tool.py"},
             .ownFileSystem = false});
    EXPECT_EQ(PathOf(), "(nothing)");
    Process({.executable = "/app/bin/flat",
             .flatpakInfo = "[Application]\nname=org.example.Flat\n",
             .ownFileSystem = false});
    EXPECT_EQ(PathOf(), flat);
}

TEST(ControlGroupNamesTest, GiveTheDesktopFileIds) {
    using Ids = std::vector<std::string>;
    EXPECT_EQ(AppResolver::IdsFromControlGroup("0::/user.slice/app-flatpak-org.a.B-12.scope\n"),
              (Ids{"org.a.B.desktop", "flatpak-org.a.B.desktop"}));
    EXPECT_EQ(AppResolver::IdsFromControlGroup("0::/app.slice/app-gnome-org.a.My\\x2dApp-99.scope"),
              (Ids{"org.a.My-App.desktop", "gnome-org.a.My-App.desktop"}));
    EXPECT_EQ(AppResolver::IdsFromControlGroup("0::/app.slice/app-org.a.Svc@autostart.service"),
              (Ids{"org.a.Svc.desktop"}));
    EXPECT_EQ(AppResolver::IdsFromControlGroup(
                  "1:name=systemd:/user.slice/snap.tool.tool.1b2c-3d.scope\n0::/"),
              (Ids{"tool_tool.desktop"}));
    EXPECT_TRUE(AppResolver::IdsFromControlGroup("0::/user.slice/session-2.scope").empty());
    EXPECT_TRUE(AppResolver::IdsFromControlGroup("0::/app-x.scope\ngarbage\n::").empty());
    EXPECT_EQ(AppResolver::FlatpakApplicationId("[Runtime]\nname=rt\n[Application]\n name = a.B\n"),
              "a.B");
    EXPECT_EQ(AppResolver::FlatpakApplicationId("[Runtime]\nname=rt\n"), "");
}

TEST_F(AppResolverTest, WmClassMatchesStartupWmClassThenTheFileNameIgnoringCase) {
    const std::string byClass =
        Entry(system(), "org.example.Paint.desktop", "StartupWMClass=paintbox\n");
    const std::string byName = Entry(system(), "org.example.Notes.desktop", "");
    const std::string plain = Entry(system(), "gimp.desktop", "");
    Process({.executable = "/opt/x/bin/app"});
    EXPECT_EQ(PathOf({.wmClassInstance = "x", .wmClassClass = "PaintBox"}), byClass);
    EXPECT_EQ(PathOf({.wmClassInstance = "org.example.notes", .wmClassClass = "Nope"}), byName);
    EXPECT_EQ(PathOf({.wmClassClass = "Gimp"}), plain);
    EXPECT_EQ(PathOf({.wmClassClass = "Notes"}), byName);  // a reverse-DNS id's last part
}

TEST_F(AppResolverTest, TheProgramOrAnInterpretersScriptMatchesTryExecOrExec) {
    facts.AddOnPath("python3", "/usr/bin/python3");
    facts.AddFile("/usr/bin/python3", "/usr/bin/python3.11");
    facts.AddFile("/usr/share/calc/calc.py");
    facts.AddFile("/opt/tool/tool-bin");
    facts.AddFile("/usr/bin/tool", "/opt/tool/tool-bin");
    const std::string calc = Entry(system(), "org.example.Calc.desktop",
                                   "Exec=env LANG=C python3 /usr/share/calc/calc.py %F\n");
    const std::string tool = Entry(system(), "tool.desktop", "TryExec=/usr/bin/tool\nExec=other\n");

    Process({.executable = "/usr/bin/python3.11",
             .commandLine = {"python3", "-u", "calc.py", "--x"},
             .workingFolder = "/usr/share/calc"});
    EXPECT_EQ(PathOf(), calc);
    Process({.executable = "/opt/tool/tool-bin"});
    EXPECT_EQ(PathOf(), tool);

    // Without an entry: the script, not the interpreter; else the program itself.
    facts.AddFile("/home/u/bin/other.py");
    Process(
        {.executable = "/usr/bin/python3.11", .commandLine = {"python3", "/home/u/bin/other.py"}});
    EXPECT_EQ(PathOf(), "/home/u/bin/other.py");
    Process({.executable = "/usr/bin/python3.11", .commandLine = {"python3", "-c", "print(1)"}});
    EXPECT_EQ(PathOf(), "/usr/bin/python3.11");
    Process({.executable = "/usr/bin/xeyes"});
    EXPECT_EQ(PathOf(), "/usr/bin/xeyes");
    // A process that is gone and a window that says nothing give nothing.
    EXPECT_EQ(resolver.Resolve({.pid = 99}), std::nullopt);
}

TEST_F(AppResolverTest, TheIndexIsReadAgainOnlyWhenAFolderChanged) {
    Entry(system(), "first.desktop", "");
    // Folders changed a moment ago may change again unseen within the clock's step, so
    // they are read again once; these have been quiet for an hour.
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(home(), anHourAgo);
    std::filesystem::last_write_time(system(), anHourAgo);
    ASSERT_NE(index.ById("first.desktop"), nullptr);
    index.Refresh();
    index.ById("first.desktop");
    EXPECT_EQ(index.Builds(), 1);

    Entry(home(), "second.desktop", "");
    Entry(system(), "sub/third.desktop", "");
    index.Refresh();
    EXPECT_NE(index.ById("second.desktop"), nullptr);
    EXPECT_NE(index.ById("sub-third.desktop"), nullptr);
    EXPECT_EQ(index.Builds(), 2);
    // A folder that didn't exist at first.
    Entry(dir.File("missing/applications"), "late.desktop", "");
    index.Refresh();
    EXPECT_NE(index.ById("late.desktop"), nullptr);
}

TEST(ProcProcessFactsTest, ReadThisProcessAndNothingForAMissingOne) {
    ProcProcessFacts facts;
    const std::int64_t self = getpid();
    EXPECT_EQ(facts.Executable(self), std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(facts.ParentProcess(self), std::optional<std::int64_t>(getppid()));
    EXPECT_FALSE(facts.CommandLine(self).empty());
    EXPECT_EQ(facts.WorkingFolder(self), std::filesystem::current_path().string());
    const auto variables = facts.EnvironmentVariables(self, {"PATH", "QARVEX_NO_SUCH_VARIABLE"});
    EXPECT_EQ(variables.count("QARVEX_NO_SUCH_VARIABLE"), 0u);
    if (const char* path = std::getenv("PATH")) {
        EXPECT_EQ(variables.at("PATH"), path);
    }
    EXPECT_TRUE(facts.FindOnPath("sh"));
    EXPECT_EQ(facts.CanonicalFile("/proc"), std::nullopt);  // a folder is no file

    const std::int64_t gone = 0x7FFFFFF0;
    EXPECT_EQ(facts.Executable(gone), std::nullopt);
    EXPECT_TRUE(facts.CommandLine(gone).empty());
    EXPECT_EQ(facts.ParentProcess(gone), std::nullopt);
    EXPECT_EQ(facts.FlatpakInfo(gone), std::nullopt);
    EXPECT_EQ(facts.ControlGroups(gone), "");
}

}  // namespace
}  // namespace qarvex
