#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>

#include "keystroke.h"
#include "store/doc_search.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/pinyin.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// Pages and folders, recorded as scan passes record them; with Chinese names, pages of a
// few dozen sites and folders of a project tree.
struct Docs {
    explicit Docs(int count, bool chinese = false) {
        static const char* const kTitles[] = {
            "红烧肉的做法",      "百度一下，你就知道", "中国银行 个人网上银行",
            "北京天气预报",      "新闻频道 今日要闻",  "Qt 6 教程：信号与槽",
            "行业报告下载",      "音乐排行榜",         "火车票查询",
            "长城宽带 自助服务", "重庆旅游攻略",       "电子邮箱 - 收件箱"};
        history.BeginRecordingPass();
        for (int n = 0; n < count; ++n) {
            const std::string i = std::to_string(n);
            if (chinese && n % 2 == 0) {
                history.AddDoc("https://site" + std::to_string(n % 61) + ".example.cn/a/" + i,
                               std::string(kTitles[n % 12]) + " " + i, "", false);
            } else if (chinese) {
                history.AddDoc(
                    "file:///home/u/文档/项目资料" + std::to_string(n % 53) + "/季度报告" + i, "f",
                    "", false);
            } else if (n % 2 == 0) {
                history.AddDoc(
                    "http://Host" + std::to_string(n % 97) + ".example/Page" + std::to_string(n),
                    "页面 Title " + std::to_string(n), "", false);
            } else {
                history.AddDoc("file:///home/u/Documents/Folder" + std::to_string(n % 53) + "/f" +
                                   std::to_string(n),
                               "f", "", false);
            }
        }
        history.EndRecordingPass();
    }

    test::TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
    StoredList recent;
    History history{ini,     recent,    [] { return std::string("2026-12-09"); },
                    nullptr, "/home/u", [](const std::string&) { return false; }};
};

// One keystroke: the whole history searched for the box's text, as it is typed.
void BM_SearchKeystroke(benchmark::State& state) {
    const Docs docs(static_cast<int>(state.range(0)));
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto found = RankedMatches(docs.history, "  Folder1 ", "2026-12-09");
        lines = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["matches"] = static_cast<double>(lines);
}
BENCHMARK(BM_SearchKeystroke)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Reading the pinyin table, once per run when the first Chinese name is recorded.
void BM_PinyinTableRead(benchmark::State& state) {
    std::size_t characters = 0;
    for (auto _ : state) {
        const PinyinReadings readings(PinyinReadings::kInstalledTable);
        characters = readings.TableCharacters();
    }
    state.counters["characters"] = static_cast<double>(characters);
}
BENCHMARK(BM_PinyinTableRead)->Unit(benchmark::kMillisecond);

// 100 000 entries with Chinese names: what a keystroke costs with pinyin, alone and with
// the result list refilled up to its first layout.
const Docs& ChineseDocs() {
    static const Docs docs(100000, true);
    return docs;
}

void BM_SearchKeystrokeChinese(benchmark::State& state, const char* typed) {
    const Docs& docs = ChineseDocs();
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto found = RankedMatches(docs.history, typed, "2026-12-09");
        lines = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["matches"] = static_cast<double>(lines);
    const DocSearchIndex& index = docs.history.SearchIndex();
    state.counters["pinyin_MB"] = static_cast<double>(index.PinyinBytes()) / (1024.0 * 1024.0);
    state.counters["text_MB"] = static_cast<double>(index.TextBytes()) / (1024.0 * 1024.0);
}
BENCHMARK_CAPTURE(BM_SearchKeystrokeChinese, latin, "site7.")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystrokeChinese, syllables, "hongshao")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystrokeChinese, initials, "hsr")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystrokeChinese, polyphone, "yinhang")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystrokeChinese, one_letter, "h")->Unit(benchmark::kMicrosecond);

// The same keystroke with the floating result list refilled, as the search box does, up to
// the list's first layout; the rest of a long list is laid out in batches between events.
void BM_SearchKeystrokeWithList(benchmark::State& state) {
    App();
    const Docs docs(static_cast<int>(state.range(0)));
    MeasureKeystrokeWithList(state, docs.history, "  Folder1 ");
}
BENCHMARK(BM_SearchKeystrokeWithList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

void BM_SearchKeystrokeChineseWithList(benchmark::State& state, const char* typed) {
    App();
    MeasureKeystrokeWithList(state, ChineseDocs().history, typed);
}
BENCHMARK_CAPTURE(BM_SearchKeystrokeChineseWithList, syllables, "hongshao")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystrokeChineseWithList, initials, "hsr")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qarvex
