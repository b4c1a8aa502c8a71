// A real main window over a configuration folder that is read-only, missing, on a full
// file system, unreachable or under a non-ASCII path: it starts, runs a refresh and
// exits without a crash, and whatever it could write is whole. Where the history cannot
// be saved the user is told so once, and only then.
//
// Permissions mean nothing to root and a full file system needs a mount of its own, so
// those cases run this same test program again in a child: as the unprivileged user
// "nobody" (setpriv), or in a private mount namespace (unshare -m) with a small tmpfs.
// The child runs FaultChild.Run, a test that exists only when the parent set it up.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

#include "app/frm_main.h"
#include "capture/scanner.h"
#include "store/ini_file.h"
#include "store/text_file.h"
#include "support/app/main_window_fixture.h"
#include "support/cannot_run.h"

extern char** environ;

namespace qarvex {
namespace {

namespace fs = std::filesystem;

constexpr const char* kModeVariable = "QARVEX_FAULT_CHILD_MODE";
constexpr const char* kRootVariable = "QARVEX_FAULT_CHILD_ROOT";
constexpr const char* kNobodyId = "65534";

const std::string kSeedPath = "https://seed.example/old";
const std::string kPageUrl = "https://fault.example/page";
const std::string kPageLine = kPageUrl + "*|*页面";
const std::vector<std::string> kSeedRecent = {"/home/u/a.txt*|*a", "https://b.example/*|*b"};
const std::vector<std::string> kSeedFav = {"/home/u/收藏.txt*|*收藏"};
const std::vector<std::string> kSeedLastRun = {"https://seed.example/old"};
constexpr const char* kSeedNote = "笔记";

// The files a copy that ran before leaves: one history entry, a list of each kind.
void WriteSeed(const std::string& configDir) {
    fs::create_directories(configDir);
    IniFile ini(configDir + "defualt.ini");
    {
        IniFile::Batch batch(ini);
        ini.WriteString("docs", "name0", "旧页面");
        ini.WriteString("docs", "date0", "2026-01-01");
        ini.WriteString("docs", "RootPath0", "seed.example");
        ini.WriteInteger("docs", "doctype0", 1);
        ini.WriteString("docs", "path0", kSeedPath);
        ini.WriteInteger("docs", "selected0", 0);
        ini.WriteInteger("default", "CheckDocInterval", 300);
    }
    ASSERT_TRUE(WriteTextLines(configDir + "rec.dat", kSeedRecent));
    ASSERT_TRUE(WriteTextLines(configDir + "fav.dat", kSeedFav));
    ASSERT_TRUE(WriteTextLines(configDir + "run.dat", {}));
    ASSERT_TRUE(WriteTextLines(configDir + "lr.dat", kSeedLastRun));
    ASSERT_TRUE(WriteTextFile(configDir + "note.txt", kSeedNote));
}

std::optional<std::vector<std::string>> Lines(const std::string& path) {
    if (!fs::exists(path)) {
        return std::nullopt;
    }
    return ReadTextLines(path);
}

// Every file there is parses and holds either what was there before or what a
// complete save leaves: nothing half-written, nothing that was stored lost.
void ExpectWhole(const std::string& configDir, bool seeded) {
    SCOPED_TRACE(configDir);
    if (fs::exists(configDir + "defualt.ini")) {
        IniFile ini(configDir + "defualt.ini");
        const std::string path0 = ini.ReadString("docs", "path0", "");
        const std::string path1 = ini.ReadString("docs", "path1", "");
        if (seeded) {
            EXPECT_EQ(path0, kSeedPath);
            EXPECT_TRUE(path1.empty() || path1 == kPageUrl) << path1;
            EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 0), 300);
        } else {
            EXPECT_TRUE(path0.empty() || path0 == kPageUrl) << path0;
        }
    }
    const std::vector<std::string> none;
    std::vector<std::string> recentAfter = {kPageLine};
    if (seeded) {
        recentAfter.insert(recentAfter.end(), kSeedRecent.begin(), kSeedRecent.end());
    }
    struct Expected {
        const char* file;
        std::vector<std::string> before;
        std::vector<std::string> after;
    };
    const std::vector<Expected> lists = {
        {"rec.dat", seeded ? kSeedRecent : none, recentAfter},
        {"fav.dat", seeded ? kSeedFav : none, seeded ? kSeedFav : none},
        {"run.dat", none, none},
        {"lr.dat", seeded ? kSeedLastRun : none, seeded ? kSeedLastRun : none},
    };
    for (const Expected& list : lists) {
        const auto lines = Lines(configDir + list.file);
        if (!lines) {
            EXPECT_FALSE(seeded) << list.file << " was lost";
            continue;
        }
        EXPECT_TRUE(*lines == list.before || *lines == list.after) << list.file;
    }
    if (const auto note = ReadTextFile(configDir + "note.txt")) {
        EXPECT_TRUE(*note == kSeedNote || (!seeded && note->empty())) << *note;
    } else {
        EXPECT_FALSE(seeded && fs::exists(configDir + "note.txt")) << "note.txt unreadable";
    }
}

class FaultsTest : public test::MainWindowFixture {
protected:
    // Starts a window whose only fixed drive is root, runs the first-run work and a full
    // refresh that finds one new page, and exits. Returns the save steps done; notices
    // counts the messages that the history could not be saved.
    int StartRefreshExit(const std::string& root) {
        configRoot = root;
        ShellWindow page;
        page.locationUrl = kPageUrl;
        page.title = "页面";
        fakes.shellWindows->AddWindow(page);
        TFrmMain& main = Start();
        FinishStartup();
        main.services().scanner.RefreshAllDocs();
        QCoreApplication::processEvents();
        main.FormDestroy();
        const int done = main.saveStepsDone();
        window.reset();
        for (const auto& shown : messages.shown) {
            EXPECT_NE(shown.text.find("无法保存历史记录和列表"), std::string::npos) << shown.text;
        }
        notices = static_cast<int>(messages.shown.size());
        EXPECT_TRUE(messages.asked.empty());
        return done;
    }

    int notices = 0;
};

TEST_F(FaultsTest, MissingFolderIsCreatedAndFilledWhole) {
    const std::string root = files.Path() + "/not/yet/there/";
    EXPECT_EQ(StartRefreshExit(root), 5);
    EXPECT_EQ(notices, 0);
    ExpectWhole(root + "ZeqConfig/", false);
    const auto recent = Lines(root + "ZeqConfig/rec.dat");
    ASSERT_TRUE(recent.has_value());
    EXPECT_EQ(*recent, std::vector<std::string>{kPageLine});
}

TEST_F(FaultsTest, NonAsciiFolderPathWorksLikeAnyOther) {
    const std::string root = files.Path() + "/配置 ü/";
    WriteSeed(root + "ZeqConfig/");
    EXPECT_EQ(StartRefreshExit(root), 5);
    EXPECT_EQ(notices, 0);
    ExpectWhole(root + "ZeqConfig/", true);
    IniFile ini(root + "ZeqConfig/defualt.ini");
    EXPECT_EQ(ini.ReadString("docs", "path1", ""), kPageUrl);
}

// A folder that can never be made, even by root: its path passes through a file.
TEST_F(FaultsTest, FolderThatCannotBeMadeGivesDefaultsAndNoFiles) {
    const std::string blocker = files.Write("a-file", "not a folder");
    EXPECT_EQ(StartRefreshExit(blocker + "/"), 0);
    EXPECT_EQ(notices, 1);
    EXPECT_FALSE(fs::exists(blocker + "/ZeqConfig"));
    EXPECT_EQ(test::ReadWholeFile(blocker), "not a folder");
}

// ---- faults that need a child process -------------------------------------------

std::string SelfExe() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

struct ChildResult {
    int status = -1;
    std::string output;
};

// Runs argv with the two child variables added to the environment; collects its output.
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& mode,
                     const std::string& root, const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind(kModeVariable, 0) != 0 && entry.rfind(kRootVariable, 0) != 0 &&
            entry.rfind("HOME=", 0) != 0) {
            env.push_back(entry);
        }
    }
    env.push_back(std::string(kModeVariable) + "=" + mode);
    env.push_back(std::string(kRootVariable) + "=" + root);
    env.push_back("HOME=" + home);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(out[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    ::waitpid(pid, &result.status, 0);
    return result;
}

bool ChildPassed(const ChildResult& r) {
    return WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
}

// A folder tree the unprivileged child can walk (mkdtemp makes 0700 folders).
void OpenUp(const std::string& path) {
    fs::permissions(path, fs::perms::all, fs::perm_options::replace);
}

TEST_F(FaultsTest, ReadOnlyFolderKeepsEveryFileAsItWas) {
    if (!fs::exists("/usr/bin/setpriv")) {
        QARVEX_CANNOT_RUN("setpriv is missing");
    }
    const std::string root = files.Path() + "/drive/";
    const std::string configDir = root + "ZeqConfig/";
    WriteSeed(configDir);
    const std::string home = files.Path() + "/home";
    fs::create_directories(home);
    for (const std::string& p : {files.Path(), root, home}) {
        OpenUp(p);
    }
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(configDir)) {
        before[entry.path().filename().string()] = test::ReadWholeFile(entry.path().string());
        fs::permissions(entry.path(),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::replace);
    }
    fs::permissions(configDir,
                    fs::perms::all & ~(fs::perms::owner_write | fs::perms::group_write |
                                       fs::perms::others_write),
                    fs::perm_options::replace);

    const ChildResult r = RunChild({"/usr/bin/setpriv", std::string("--reuid=") + kNobodyId,
                                    std::string("--regid=") + kNobodyId, "--clear-groups", "--",
                                    SelfExe(), "--gtest_filter=FaultChild.Run"},
                                   "readonly", root, home);
    if (WIFEXITED(r.status) && WEXITSTATUS(r.status) == 127) {
        QARVEX_CANNOT_RUN("no process can run as an unprivileged user: " << r.output);
    }
    EXPECT_TRUE(ChildPassed(r)) << r.output;
    EXPECT_NE(r.output.find("[  PASSED  ] 1 test"), std::string::npos) << r.output;
    for (const auto& [name, bytes] : before) {
        EXPECT_EQ(test::ReadWholeFile(configDir + name), bytes) << name;
    }
    ExpectWhole(configDir, true);
}

TEST_F(FaultsTest, FullFileSystemLeavesOldOrWholeNewFiles) {
    const std::string root = files.Path() + "/small-disk/";
    fs::create_directories(root);
    const std::string home = files.Path() + "/home";
    fs::create_directories(home);
    // A small tmpfs of its own in a private mount namespace; where mounting is not
    // allowed, a file-size limit makes every write fail the same way.
    ChildResult r = RunChild({"/usr/bin/unshare", "-m", "--propagation", "private", "--", SelfExe(),
                              "--gtest_filter=FaultChild.Run"},
                             "tmpfs", root, home);
    if (!fs::exists(root + "child-ran")) {
        r = RunChild({SelfExe(), "--gtest_filter=FaultChild.Run"}, "fsize", root, home);
    }
    EXPECT_TRUE(ChildPassed(r)) << r.output;
    EXPECT_NE(r.output.find("[  PASSED  ] 1 test"), std::string::npos) << r.output;
}

// ---- the child side ----------------------------------------------------------------

void FillFileSystem(const std::string& path) {
    const std::string block(4096, 'x');
    std::ofstream out(path, std::ios::binary);
    while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {
    }
}

// A test only in the child the parent starts, so that no run of the suite lists it as
// skipped.
class FaultChildRun : public FaultsTest {
public:
    void TestBody() override;
};

[[maybe_unused]] const bool g_faultChildRegistered =
    std::getenv(kModeVariable) != nullptr && std::getenv(kRootVariable) != nullptr &&
    ::testing::RegisterTest("FaultChild", "Run", nullptr, nullptr, __FILE__, __LINE__,
                            []() -> FaultsTest* { return new FaultChildRun; }) != nullptr;

void FaultChildRun::TestBody() {
    const std::string root = std::getenv(kRootVariable);
    const char* mode = std::getenv(kModeVariable);
    const std::string configDir = root + "ZeqConfig/";
    const std::string m = mode;
    if (m == "readonly") {
        ASSERT_NE(::geteuid(), 0u) << "permissions would not apply";
        // No file can be written; the user hears of it once.
        EXPECT_EQ(StartRefreshExit(root), 0);
        EXPECT_EQ(notices, 1);
        ExpectWhole(configDir, true);
        return;
    }
    if (m == "tmpfs") {
        // Tells the parent that the namespace worked; written below the mount, where the
        // parent can see it.
        std::ofstream(root + "child-ran") << "1";
        ASSERT_EQ(::mount("tmpfs", root.c_str(), "tmpfs", 0, "size=256k"), 0) << errno;
        WriteSeed(configDir);
        FillFileSystem(root + "filler");
    } else if (m == "fsize") {
        WriteSeed(configDir);
        // Every file the run writes would be larger than this.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    } else {
        FAIL() << "unknown mode " << m;
    }
    // Whatever the start managed to write, the save sequence cannot have gone through.
    EXPECT_LT(StartRefreshExit(root), 5);
    EXPECT_EQ(notices, 1);
    ExpectWhole(configDir, true);
    std::printf("fault mode used: %s\n", m.c_str());
}

}  // namespace
}  // namespace qarvex
