#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "store/app_state.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/settings.h"
#include "store/text_file.h"

namespace qarvex {
namespace {

constexpr int kStoredEntries = 1000;
constexpr int kListLines = 10000;

// A configuration folder as a long-used copy leaves it: 1000 history entries and three
// full list files.
class StoredFolder {
public:
    StoredFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qarvex-bench-XXXXXX");
        m_path = mkdtemp(pattern.data()) ? pattern + "/" : std::string();
        IniFile ini(m_path + "defualt.ini");
        {
            IniFile::Batch batch(ini);
            for (int n = 0; n < kStoredEntries; ++n) {
                const std::string i = std::to_string(n);
                const bool web = n % 2 == 0;
                ini.WriteString("docs", "name" + i, web ? "页面 " + i : "f" + i);
                ini.WriteString("docs", "date" + i, "2026-01-01");
                ini.WriteString("docs", "RootPath" + i, web ? "host" + std::to_string(n % 97) : "");
                ini.WriteInteger("docs", "doctype" + i, web ? 1 : 3);
                ini.WriteString("docs", "path" + i,
                                web ? "http://host" + std::to_string(n % 97) + "/p" + i
                                    : "file:///home/u/folder" + std::to_string(n % 53) + "/f" + i);
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
            WriteTextLines(m_path + name, lines);
        }
        WriteTextLines(m_path + "lr.dat", {"https://a.example/", "/usr/bin/gedit"});
        WriteTextFile(m_path + "note.txt", "note");
    }
    ~StoredFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const StoredFolder& Folder() {
    static StoredFolder folder;
    return folder;
}

// Everything the start reads, in its order: lr.dat, the settings, fav.dat, the history
// (re-recorded through the add routine and written back), the default section, the
// notes, then run.dat and rec.dat from the first-run timer.
void BM_StartupLoad(benchmark::State& state) {
    const std::string& dir = Folder().Path();
    for (auto _ : state) {
        AppState app(dir);
        app.LoadLastRunList();
        app.LoadFavList();
        History history(
            app.Settings(), app.RecentList(), [] { return std::string("2026-12-08"); }, nullptr,
            "/home/u", [](const std::string&) { return false; });
        history.LoadHistory();
        benchmark::DoNotOptimize(ReadDefaultSettings(app.Settings()));
        benchmark::DoNotOptimize(ReadNote(dir));
        app.LoadRunList();
        app.LoadRecentList();
        benchmark::DoNotOptimize(history.Docs().size());
    }
}
BENCHMARK(BM_StartupLoad)->Unit(benchmark::kMillisecond);

// The floor: reading and parsing the same bytes once, nothing recorded.
void BM_ReadAndParseOnly(benchmark::State& state) {
    const std::string& dir = Folder().Path();
    for (auto _ : state) {
        for (const char* name : {"lr.dat", "fav.dat", "run.dat", "rec.dat"}) {
            const auto lines = ReadTextLines(dir + name);
            TMyDocObj obj;
            for (const std::string& line : *lines) {
                ParseListLine(line, obj);
            }
            benchmark::DoNotOptimize(obj);
        }
        IniFile ini(dir + "defualt.ini");
        for (int n = 0; n < kStoredEntries; ++n) {
            benchmark::DoNotOptimize(ini.ReadString("docs", "path" + std::to_string(n), ""));
        }
        benchmark::DoNotOptimize(ReadTextFile(dir + "note.txt"));
    }
}
BENCHMARK(BM_ReadAndParseOnly)->Unit(benchmark::kMillisecond);

// The exit sequence: the four list files and the settings.
void BM_SaveSequence(benchmark::State& state) {
    const std::string& dir = Folder().Path();
    AppState app(dir);
    app.LoadLastRunList();
    app.LoadFavList();
    app.LoadRunList();
    app.LoadRecentList();
    for (auto _ : state) {
        const int done = app.SaveAtExit([&] {
            ExitSettings exit;
            return SaveDefaultSettings(app.Settings(), exit) && WriteNote(dir, "note");
        });
        benchmark::DoNotOptimize(done);
    }
}
BENCHMARK(BM_SaveSequence)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
