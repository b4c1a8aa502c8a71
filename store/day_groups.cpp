#include "store/day_groups.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "store/history.h"

namespace qarvex {

namespace {

struct Civil {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool ParseDate(std::string_view text, Civil& date) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    const auto number = [text](std::size_t from, std::size_t count, int& out) {
        out = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
                return false;
            }
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    if (!number(0, 4, date.year) || !number(5, 2, date.month) || !number(8, 2, date.day)) {
        return false;
    }
    return date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31;
}

// Days since 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's algorithm).
long DaysFromCivil(const Civil& date) {
    const long y = date.year - (date.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long mp = (date.month + 9) % 12;
    const long doy = (153 * mp + 2) / 5 + date.day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// 0 for Monday; 1970-01-01 was a Thursday.
long WeekdayOf(long days) {
    return ((days % 7) + 7 + 3) % 7;
}

constexpr long kOrderToday = 0;
constexpr long kOrderYesterday = 1;
constexpr long kOrderThisWeek = 2;
constexpr long kOrderFirstMonth = 3;
constexpr long kOrderUnknown = 1L << 40;

bool NewerFirst(const TMyDoc& a, int aIndex, const TMyDoc& b, int bIndex) {
    if (a.Date != b.Date) {
        return a.Date > b.Date;
    }
    return aIndex > bIndex;
}

}  // namespace

bool DayNumberOf(std::string_view date, long& days) {
    Civil civil;
    if (!ParseDate(date, civil)) {
        return false;
    }
    days = DaysFromCivil(civil);
    return true;
}

DayGroup DayGroupOf(std::string_view date, std::string_view today) {
    Civil day;
    Civil now;
    if (!ParseDate(date, day) || !ParseDate(today, now)) {
        return {"日期不明", kOrderUnknown};
    }
    const long d = DaysFromCivil(day);
    const long t = DaysFromCivil(now);
    if (d >= t) {
        return {"今天", kOrderToday};
    }
    if (d == t - 1) {
        return {"昨天", kOrderYesterday};
    }
    if (d >= t - WeekdayOf(t)) {
        return {"本周", kOrderThisWeek};
    }
    const long monthsBack = (static_cast<long>(now.year) * 12 + now.month) -
                            (static_cast<long>(day.year) * 12 + day.month);
    return {std::to_string(day.year) + "年" + std::to_string(day.month) + "月",
            kOrderFirstMonth + monthsBack};
}

DayTree::DayTree(Clock today, ImageOf imageOf)
    : m_today(std::move(today)), m_imageOf(std::move(imageOf)) {}

void DayTree::Clear() {
    m_tree.Clear();
    m_orders.clear();
    m_builtFor.clear();
}

void DayTree::Rebuild(const DocTable& docs) {
    m_tree.Clear();
    m_orders.clear();
    m_builtFor = m_today ? m_today() : std::string();
    // Sorted once per group and appended: inserting one by one would move a large group's
    // rows for every entry.
    struct Bucket {
        long order = 0;
        std::vector<int> indexes;
    };
    std::map<std::string, Bucket> buckets;
    for (std::size_t i = 0; i < docs.size(); ++i) {
        const DayGroup group = DayGroupOf(docs[i].Date, m_builtFor);
        Bucket& bucket = buckets[group.caption];
        bucket.order = group.order;
        bucket.indexes.push_back(static_cast<int>(i));
    }
    std::vector<std::pair<const std::string*, Bucket*>> groups;
    for (auto& [caption, bucket] : buckets) {
        m_orders[caption] = bucket.order;
        groups.emplace_back(&caption, &bucket);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
        return a.second->order < b.second->order;
    });
    for (const auto& [caption, bucket] : groups) {
        HistoryNode* node = m_tree.AppendTopLevel(*caption, kImageFolderOrFile, -1);
        std::stable_sort(bucket->indexes.begin(), bucket->indexes.end(), [&docs](int a, int b) {
            return NewerFirst(docs[static_cast<std::size_t>(a)], a,
                              docs[static_cast<std::size_t>(b)], b);
        });
        for (const int index : bucket->indexes) {
            const int image = m_imageOf ? m_imageOf(index) : kImageFolderOrFile;
            m_tree.AppendChild(node, docs[static_cast<std::size_t>(index)].DisplayName, image,
                               index);
        }
    }
}

void DayTree::Added(const DocTable& docs, int index) {
    // Past midnight every group moves down a step: regroup the whole table.
    const std::string today = m_today ? m_today() : std::string();
    if (today != m_builtFor) {
        Rebuild(docs);
        return;
    }
    Insert(docs, index);
}

HistoryNode* DayTree::GroupNode(const DayGroup& group) {
    m_orders[group.caption] = group.order;
    int row = 0;
    for (; row < m_tree.TopLevelCount(); ++row) {
        HistoryNode* node = m_tree.TopLevel(row);
        if (node->Caption() == group.caption) {
            return node;
        }
        // Groups stand newest first: the new one goes before the first that is older.
        const auto known = m_orders.find(node->Caption());
        if (known != m_orders.end() && known->second > group.order) {
            break;
        }
    }
    return m_tree.InsertAt(nullptr, row, group.caption, kImageFolderOrFile, -1);
}

void DayTree::Renamed(const DocTable& docs, int index) {
    if (index < 0 || index >= static_cast<int>(docs.size())) {
        return;
    }
    HistoryNode* found = nullptr;
    m_tree.Walk([&](HistoryNode& node) {
        if (node.Parent() != nullptr && node.Data().DocIndex == index) {
            found = &node;
            return false;
        }
        return true;
    });
    m_tree.SetCaption(found, docs[static_cast<std::size_t>(index)].DisplayName);
}

void DayTree::Insert(const DocTable& docs, int index) {
    if (index < 0 || index >= static_cast<int>(docs.size())) {
        return;
    }
    const TMyDoc& doc = docs[static_cast<std::size_t>(index)];
    HistoryNode* group = GroupNode(DayGroupOf(doc.Date, m_builtFor));
    if (group == nullptr) {
        return;
    }
    int row = 0;
    for (; row < group->ChildCount(); ++row) {
        const int other = group->Child(row)->Data().DocIndex;
        if (other < 0 || other >= static_cast<int>(docs.size()) ||
            NewerFirst(doc, index, docs[static_cast<std::size_t>(other)], other)) {
            break;
        }
    }
    const int image = m_imageOf ? m_imageOf(index) : kImageFolderOrFile;
    m_tree.InsertAt(group, row, doc.DisplayName, image, index);
}

}  // namespace qarvex
