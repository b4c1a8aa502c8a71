// Reading the open tabs of a browser: a 200-tab session of each family, beside reading
// the same file's bytes alone, and the whole lookup a refresh does (profile discovery,
// lock check, read) over a home with one running browser of each family. And a hostile
// Chromium log of 4 million prunes, beside a log of as many records that cost nothing.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <unistd.h>

#include "platform/linux/bounded_read.h"
#include "platform/linux/chromium_session.h"
#include "platform/linux/firefox_session.h"
#include "platform/linux/profile_lock.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr int kTabs = 200;
constexpr int kEntriesPerTab = 3;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Url(int tab, int entry) {
    return "https://www.example" + std::to_string(tab % 37) + ".com/articles/2026/" +
           std::to_string(tab) + "/page-" + std::to_string(entry) + "?ref=front";
}

std::string Title(int tab, int entry) {
    return (tab % 2 ? "新闻报道 第" : "Article number ") + std::to_string(tab) + "-" +
           std::to_string(entry);
}

// What Firefox writes: entries with their principals and scroll state, compressed.
std::string FirefoxSession() {
    std::string json = R"({"version":["sessionrestore",1],"windows":[{"tabs":[)";
    for (int t = 0; t < kTabs; ++t) {
        json += t ? "," : "";
        json += R"({"entries":[)";
        for (int e = 0; e < kEntriesPerTab; ++e) {
            json += e ? "," : "";
            json += R"({"url":")" + Url(t, e) + R"(","title":")" + Title(t, e) +
                    R"(","cacheKey":0,"ID":)" + std::to_string(t * 10 + e) +
                    R"(,"docshellUUID":"{6a0d9e7c-1f1e-4a7b-9c55-)" + std::to_string(100000 + t) +
                    R"(}","triggeringPrincipal_base64":")" + std::string(120, 'e') +
                    R"(","docIdentifier":)" + std::to_string(t) + R"(,"persist":true,)" +
                    R"("scroll":"0,1200","hasUserInteraction":true})";
        }
        json += R"(],"lastAccessed":1765000000000,"hidden":false,"index":)" +
                std::to_string(kEntriesPerTab) + R"(,"attributes":{},"image":null})";
    }
    json += R"(],"selected":1,"_closedTabs":[]}],"selectedWindow":1,"_closedWindows":[]})";
    std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(json.size()))),
                      '\0');
    const int size = LZ4_compress_default(json.data(), block.data(), static_cast<int>(json.size()),
                                          static_cast<int>(block.size()));
    std::string file("mozLz40\0", 8);
    for (int shift = 0; shift < 32; shift += 8) {
        file += static_cast<char>((json.size() >> shift) & 0xFF);
    }
    return file + block.substr(0, static_cast<std::size_t>(size));
}

void PutInt(std::string& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

void Command(std::string& log, unsigned char id, const std::string& payload) {
    const std::size_t size = payload.size() + 1;
    log += static_cast<char>(size & 0xFF);
    log += static_cast<char>(size >> 8);
    log += static_cast<char>(id);
    log += payload;
}

void Ints(std::string& log, unsigned char id, std::int32_t a, std::int32_t b) {
    std::string payload;
    PutInt(payload, a);
    PutInt(payload, b);
    Command(log, id, payload);
}

// What a Chromium-family browser writes: per tab its window, place and navigations,
// each navigation with an encoded page state of the size real ones have.
std::string ChromiumSession() {
    std::string log = "SNSS";
    PutInt(log, 3);
    Ints(log, 9, 1, 0);
    for (int t = 0; t < kTabs; ++t) {
        const std::int32_t tab = 100 + t;
        Ints(log, 0, 1, tab);
        Ints(log, 2, tab, t);
        for (int e = 0; e < kEntriesPerTab; ++e) {
            std::string body;
            PutInt(body, tab);
            PutInt(body, e);
            const std::string url = Url(t, e);
            PutInt(body, static_cast<std::int32_t>(url.size()));
            body += url;
            body.resize((body.size() + 3) & ~std::size_t(3), '\0');
            const std::u16string title(Title(t, e).size() / 2 + 8, u'\u6587');
            PutInt(body, static_cast<std::int32_t>(title.size()));
            for (char16_t c : title) {
                body += static_cast<char>(c & 0xFF);
                body += static_cast<char>(c >> 8);
            }
            body.resize((body.size() + 3) & ~std::size_t(3), '\0');
            PutInt(body, 600);
            body += std::string(600, '\x11');
            PutInt(body, 1);
            std::string pickle;
            PutInt(pickle, static_cast<std::int32_t>(body.size()));
            Command(log, 6, pickle + body);
        }
        Ints(log, 7, tab, kEntriesPerTab - 1);
        Command(log, 21, std::string(16, '\0'));  // last active time
    }
    return log;
}

// 4 million records after a tab of 512 entries far up the index range: each a prune that
// moves every entry down (hostile), or a command the reader passes over (the floor).
std::string PruneFlood(bool prunes) {
    std::string log = "SNSS";
    PutInt(log, 3);
    Ints(log, 9, 1, 0);
    Ints(log, 0, 1, 7);
    for (int e = 0; e < 512; ++e) {
        std::string body;
        PutInt(body, 7);
        PutInt(body, 2000000000 + e);
        const std::string url = Url(7, e);
        PutInt(body, static_cast<std::int32_t>(url.size()));
        body += url;
        body.resize((body.size() + 3) & ~std::size_t(3), '\0');
        PutInt(body, 0);
        std::string pickle;
        PutInt(pickle, static_cast<std::int32_t>(body.size()));
        Command(log, 6, pickle + body);
    }
    Ints(log, 7, 7, 2000000000);
    std::string record;
    PutInt(record, 7);
    PutInt(record, 0);
    PutInt(record, 1);
    for (int i = 0; i < 4000000; ++i) {
        Command(log, prunes ? 24 : 200, record);
    }
    return log;
}

void BM_ChromiumPruneFlood(benchmark::State& state) {
    static const std::string floods[2] = {PruneFlood(false), PruneFlood(true)};
    const std::string& flood = floods[state.range(0) != 0 ? 1 : 0];
    std::size_t pages = 0;
    for (auto _ : state) {
        pages = PagesFromSnss(flood).size();
    }
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["MB"] = static_cast<double>(flood.size()) / 1e6;
}
BENCHMARK(BM_ChromiumPruneFlood)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

class Homes {
public:
    Homes() {
        const std::string firefox = m_dir.Path() + "/.mozilla/firefox";
        WriteBytes(firefox + "/profiles.ini", "[Profile0]\nIsRelative=1\nPath=p\n");
        m_firefoxFile = firefox + "/p/sessionstore-backups/recovery.jsonlz4";
        WriteBytes(m_firefoxFile, FirefoxSession());
        std::filesystem::create_symlink(ThisFirefoxLockHost() + ":+" + std::to_string(::getpid()),
                                        firefox + "/p/lock");
        const std::string chromium = m_dir.Path() + "/.config/chromium";
        WriteBytes(chromium + "/Local State",
                   R"({"profile":{"last_active_profiles":["Default"]}})");
        m_chromiumFile = chromium + "/Default/Sessions/Session_13400000000000000";
        WriteBytes(m_chromiumFile, ChromiumSession());
        std::filesystem::create_symlink(ThisHostName() + "-" + std::to_string(::getpid()),
                                        chromium + "/SingletonLock");
    }
    const std::string& Home() const { return m_dir.Path(); }
    const std::string& FirefoxFile() const { return m_firefoxFile; }
    const std::string& ChromiumFile() const { return m_chromiumFile; }

private:
    test::TempDir m_dir;
    std::string m_firefoxFile;
    std::string m_chromiumFile;
};

Homes& SharedHomes() {
    static Homes homes;
    return homes;
}

void BM_FirefoxSessionBytesOnly(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = ReadFileUpTo(SharedHomes().FirefoxFile(), kMaxSessionBytes)->size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FirefoxSessionBytesOnly)->Unit(benchmark::kMicrosecond);

void BM_FirefoxSessionRead(benchmark::State& state) {
    std::size_t pages = 0;
    for (auto _ : state) {
        pages = ReadSessionFile(SharedHomes().FirefoxFile()).size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_FirefoxSessionRead)->Unit(benchmark::kMicrosecond);

void BM_FirefoxFamilyWholeLookup(benchmark::State& state) {
    std::size_t pages = 0;
    for (auto _ : state) {
        pages = ReadFirefoxPages(SharedHomes().Home(), "").size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_FirefoxFamilyWholeLookup)->Unit(benchmark::kMicrosecond);

void BM_ChromiumSessionBytesOnly(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = ReadFileUpTo(SharedHomes().ChromiumFile(), kMaxSnssBytes)->size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ChromiumSessionBytesOnly)->Unit(benchmark::kMicrosecond);

void BM_ChromiumSessionRead(benchmark::State& state) {
    std::size_t pages = 0;
    for (auto _ : state) {
        pages = PagesFromSnss(*ReadFileUpTo(SharedHomes().ChromiumFile(), kMaxSnssBytes)).size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_ChromiumSessionRead)->Unit(benchmark::kMicrosecond);

void BM_ChromiumFamilyWholeLookup(benchmark::State& state) {
    std::size_t pages = 0;
    for (auto _ : state) {
        pages = ReadChromiumPages(SharedHomes().Home(), "").size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_ChromiumFamilyWholeLookup)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qarvex
