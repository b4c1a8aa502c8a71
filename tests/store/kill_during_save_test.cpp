// The program killed at seeded random moments of a start (which rewrites the history) and of
// the exit save sequence: afterwards every file must be whole, every remembered entry
// still there, and each list file either as before or as the save meant to leave it.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store/atomic_file.h"
#include "store/ini_file.h"
#include "store/text_file.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 1000;
constexpr int kListLines = 300;
constexpr int kKills = 50;
// Kills go on past kKills until this many have landed in the middle of a file's write
// (a temporary file left behind), up to kMaxKills.
constexpr int kKillsInAWrite = 3;
constexpr int kMaxKills = 400;
const std::vector<std::string> kListFiles = {"fav.dat", "rec.dat", "run.dat", "lr.dat", "note.txt"};

std::string StoredPath(int n) {
    return n % 2 == 0 ? "http://host" + std::to_string(n % 97) + "/页面" + std::to_string(n)
                      : "file:///home/u/文件夹" + std::to_string(n % 53) + "/f" + std::to_string(n);
}

// A folder as a long-used copy leaves it: 1000 history entries and full list files.
void FillConfigFolder(const std::string& dir) {
    IniFile ini(dir + "defualt.ini");
    {
        IniFile::Batch batch(ini);
        for (int n = 0; n < kEntries; ++n) {
            const std::string i = std::to_string(n);
            ini.WriteString("docs", "name" + i, "名称 " + i);
            ini.WriteString("docs", "date" + i, "2026-01-01");
            ini.WriteString("docs", "RootPath" + i, "");
            ini.WriteInteger("docs", "doctype" + i, n % 2 == 0 ? 1 : 3);
            ini.WriteString("docs", "path" + i, StoredPath(n));
            ini.WriteInteger("docs", "selected" + i, 0);
        }
        ini.WriteInteger("default", "CheckDocInterval", 300);
    }
    std::vector<std::string> lines;
    for (int n = 0; n < kListLines; ++n) {
        lines.push_back("/home/u/文档/file" + std::to_string(n) + ".txt*|*文件" +
                        std::to_string(n));
    }
    for (const char* name : {"fav.dat", "rec.dat", "run.dat"}) {
        ASSERT_TRUE(WriteTextLines(dir + name, lines));
    }
    ASSERT_TRUE(WriteTextLines(dir + "lr.dat", {"https://a.example/", "/usr/bin/gedit"}));
    ASSERT_TRUE(WriteTextFile(dir + "note.txt", "笔记"));
}

std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : kListFiles) {
        files[name] = test::ReadWholeFile(dir + name);
    }
    return files;
}

// Runs the driver on dir. With killAfter, kills it that long after it started (or after
// it reported that the start-up load is done, when afterLoad); returns how long the
// start-up load and the rest took when it ran to its end.
struct RunTimes {
    Clock::duration load{};
    Clock::duration save{};
    bool finished = false;
};

RunTimes RunDriver(const std::string& dir, std::optional<Clock::duration> killAfter,
                   bool afterLoad) {
    int out[2];
    if (::pipe(out) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    const Clock::time_point started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(QARVEX_KILL_DRIVER, QARVEX_KILL_DRIVER, dir.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    RunTimes times;
    Clock::time_point loaded = started;
    if (afterLoad || !killAfter) {
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
        }
        loaded = Clock::now();
        times.load = loaded - started;
    }
    if (killAfter) {
        std::this_thread::sleep_until((afterLoad ? loaded : started) + *killAfter);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);
    times.save = Clock::now() - loaded;
    times.finished = WIFEXITED(status);
    if (!killAfter) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "driver status " << status;
    }
    return times;
}

bool LeftATemporaryFile(const std::string& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (IsAtomicTempName(entry.path().filename().string())) {
            return true;
        }
    }
    return false;
}

void ExpectWhole(const std::string& dir, const std::map<std::string, std::string>& before,
                 const std::map<std::string, std::string>& after, const std::string& when) {
    SCOPED_TRACE(when);
    for (const std::string& name : kListFiles) {
        const std::string now = test::ReadWholeFile(dir + name);
        EXPECT_TRUE(now == before.at(name) || now == after.at(name))
            << name << " is neither the old nor the new content (" << now.size() << " bytes)";
    }

    IniFile ini(dir + "defualt.ini");
    EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 0), 300);
    std::set<std::string> paths;
    for (int n = 0; n < kEntries + 10; ++n) {
        paths.insert(ini.ReadString("docs", "path" + std::to_string(n), ""));
    }
    int lost = 0;
    for (int n = 0; n < kEntries; ++n) {
        lost += paths.count(StoredPath(n)) == 0 ? 1 : 0;
    }
    EXPECT_EQ(lost, 0) << "history entries lost";

    // Only the writer's own temporary files may be left next to the data.
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "defualt.ini" || before.count(name) != 0 || IsAtomicTempName(name))
            << "unexpected file " << name;
    }
}

TEST(KillDuringSaveTest, EveryFileIsWholeAndNoEntryIsLost) {
    test::TempDir root;
    const std::string templ = root.Path() + "/template/";
    fs::create_directories(templ);
    FillConfigFolder(templ);
    const auto before = Snapshot(templ);

    // One undisturbed run gives the content a finished save leaves and how long the two
    // phases take, so that the kills land inside them.
    const std::string reference = root.Path() + "/reference/";
    fs::copy(templ, reference);
    const RunTimes full = RunDriver(reference, std::nullopt, false);
    ASSERT_TRUE(full.finished);
    const auto after = Snapshot(reference);
    for (const std::string& name : kListFiles) {
        ASSERT_NE(before.at(name), after.at(name)) << name << " was not rewritten";
    }

    // The same kill moments on every run unless QARVEX_KILL_SEED asks for others; the
    // seed is printed so that a failure can be replayed.
    const char* seedText = std::getenv("QARVEX_KILL_SEED");
    const unsigned seed = seedText != nullptr
                              ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                              : 20261209u;
    std::printf("kill moments from seed %u (QARVEX_KILL_SEED)\n", seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int finished = 0;
    int inAWrite = 0;
    for (int i = 0; i < kMaxKills && (i < kKills || inAWrite < kKillsInAWrite); ++i) {
        const std::string dir = root.Path() + "/run" + std::to_string(i) + "/";
        fs::copy(templ, dir);
        // Even runs are killed during the start, odd ones during the save sequence.
        const bool inSave = i % 2 == 1;
        const auto span =
            std::chrono::duration_cast<std::chrono::microseconds>(inSave ? full.save : full.load);
        std::uniform_int_distribution<std::int64_t> pick(0, span.count() + span.count() / 5);
        const RunTimes run = RunDriver(dir, std::chrono::microseconds(pick(random)), inSave);
        finished += run.finished ? 1 : 0;
        inAWrite += LeftATemporaryFile(dir) ? 1 : 0;
        ExpectWhole(dir, before, after, "kill " + std::to_string(i));
        fs::remove_all(dir);
    }
    EXPECT_GE(inAWrite, kKillsInAWrite)
        << "too few kills landed while a file was being written to show anything";
    // How many kills came only after the end depends on the machine's speed: reported, not
    // asserted.
    RecordProperty("runs_that_finished_before_the_kill", finished);
    RecordProperty("kills_during_a_write", inAWrite);
}

}  // namespace
}  // namespace qarvex
