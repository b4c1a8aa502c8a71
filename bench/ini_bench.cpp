#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "store/ini_file.h"
#include "support/temp_dir.h"

namespace {

constexpr int kKeys = 6000;

using ScratchFolder = qarvex::test::TempDir;

std::string Key(int i) {
    return "path" + std::to_string(i);
}

void FillSection(qarvex::IniFile& ini, int salt) {
    qarvex::IniFile::Batch batch(ini);
    for (int i = 0; i < kKeys; ++i) {
        ini.WriteString("docs", Key(i), "file:///C:\\文件夹\\" + std::to_string(i + salt));
    }
}

void BM_WriteKeysInOneBatch(benchmark::State& state) {
    ScratchFolder folder;
    qarvex::IniFile ini(folder.File("defualt.ini"));
    int salt = 0;
    for (auto _ : state) {
        FillSection(ini, ++salt);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_WriteKeysInOneBatch)->Unit(benchmark::kMillisecond);

void BM_ReadKeysOneByOne(benchmark::State& state) {
    ScratchFolder folder;
    qarvex::IniFile writer(folder.File("defualt.ini"));
    FillSection(writer, 0);
    qarvex::IniFile reader(folder.File("defualt.ini"));
    for (auto _ : state) {
        for (int i = 0; i < kKeys; ++i) {
            benchmark::DoNotOptimize(reader.ReadString("docs", Key(i), ""));
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_ReadKeysOneByOne)->Unit(benchmark::kMillisecond);

}  // namespace
