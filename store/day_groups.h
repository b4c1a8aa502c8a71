#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "store/doc_table.h"
#include "store/history_tree.h"

namespace qarvex {

// The group an entry's first-recorded day falls in, seen from today: "今天", "昨天",
// "本周" (a week starts on Monday), else one group per month ("2026年11月"). Order is the
// group's place from the top (0 for today); later months come lower. A date that is not
// "yyyy-mm-dd" goes to "日期不明" at the bottom; a date after today counts as today.
struct DayGroup {
    std::string caption;
    long order = 0;
};

DayGroup DayGroupOf(std::string_view date, std::string_view today);

// The days since 1970-01-01 of a "yyyy-mm-dd" date; false when the text is not one.
bool DayNumberOf(std::string_view date, long& days);

// The history grouped by the day each entry was first recorded, newest first, kept in step
// with the entry table one addition at a time. Groups are recomputed when the day changes.
class DayTree {
public:
    using Clock = std::function<std::string()>;        // today as "yyyy-mm-dd"
    using ImageOf = std::function<int(int docIndex)>;  // the entry's picture in the other trees

    DayTree(Clock today, ImageOf imageOf);
    DayTree(const DayTree&) = delete;
    DayTree& operator=(const DayTree&) = delete;

    HistoryTree& Tree() { return m_tree; }

    // The entry at index was just appended to docs.
    void Added(const DocTable& docs, int index);
    // The entry at index has a new DisplayName.
    void Renamed(const DocTable& docs, int index);
    void Rebuild(const DocTable& docs);
    void Clear();

private:
    void Insert(const DocTable& docs, int index);
    HistoryNode* GroupNode(const DayGroup& group);

    Clock m_today;
    ImageOf m_imageOf;
    std::string m_builtFor;
    std::map<std::string, long> m_orders;  // group caption -> its place
    HistoryTree m_tree;
};

}  // namespace qarvex
