#include "platform/linux/activity_database.h"

#include <sqlite3.h>

namespace qarvex {

namespace {

// Plasma writes in short transactions; waiting longer would hold up the scan for a
// database that is being rewritten, and the next pass reads it anyway.
constexpr int kBusyTimeoutMs = 100;
// A query over a damaged or enormous file gives up after this much work.
constexpr long kMaxProgressCalls = 20000;
constexpr int kProgressOpcodes = 1000;
constexpr int kMaxResourceBytes = 8 * 1024;

// Both tables, so that a resource opened and not yet scored counts too.
constexpr const char* kQuery =
    "SELECT resource, MAX(used) FROM ("
    " SELECT targettedResource AS resource, lastUpdate AS used FROM ResourceScoreCache"
    " UNION ALL"
    " SELECT targettedResource, MAX(start, IFNULL(end, 0)) FROM ResourceEvent)"
    " WHERE resource IS NOT NULL GROUP BY resource ORDER BY 2 DESC LIMIT ?";

class Database {
public:
    explicit Database(const std::string& path) {
        // Never "immutable": that would read pages a running writer is halfway through.
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            Close();
        }
    }
    ~Database() { Close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* Get() const { return m_db; }

private:
    void Close() {
        if (m_db != nullptr) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }

    sqlite3* m_db = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* Get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

int CountProgress(void* calls) {
    return ++*static_cast<long*>(calls) > kMaxProgressCalls ? 1 : 0;
}

bool IsLock(int code) {
    return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
}

}  // namespace

std::optional<std::vector<RecentDocument>> ReadActivityDatabase(const std::string& path,
                                                                std::size_t limit, bool* busy) {
    if (busy != nullptr) {
        *busy = false;
    }
    Database db(path);
    if (db.Get() == nullptr) {
        return std::nullopt;
    }
    sqlite3_busy_timeout(db.Get(), kBusyTimeoutMs);
    long calls = 0;
    sqlite3_progress_handler(db.Get(), kProgressOpcodes, CountProgress, &calls);
    Statement query(db.Get(), kQuery);
    if (query.Get() == nullptr) {
        // Not a database, not the tables we know, or its layout locked while being read.
        if (busy != nullptr) {
            *busy = IsLock(sqlite3_extended_errcode(db.Get()));
        }
        return std::nullopt;
    }
    const auto bound = limit == 0 ? -1 : static_cast<sqlite3_int64>(limit);
    sqlite3_bind_int64(query.Get(), 1, bound);
    std::vector<RecentDocument> documents;
    for (;;) {
        const int step = sqlite3_step(query.Get());
        if (step == SQLITE_DONE) {
            return documents;
        }
        if (step != SQLITE_ROW) {
            if (busy != nullptr) {
                *busy = IsLock(step);
            }
            return std::nullopt;  // locked, damaged, or too much work
        }
        const auto* text = sqlite3_column_text(query.Get(), 0);
        const int bytes = sqlite3_column_bytes(query.Get(), 0);
        if (text == nullptr || bytes <= 0 || bytes > kMaxResourceBytes) {
            continue;
        }
        RecentDocument document;
        document.uri.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
        document.usedAt = sqlite3_column_int64(query.Get(), 1);
        documents.push_back(std::move(document));
    }
}

}  // namespace qarvex
