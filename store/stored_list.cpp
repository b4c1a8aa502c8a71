#include "store/stored_list.h"

#include <utility>

namespace qarvex {

namespace {

// Positions come from list boxes and menus; one that is out of range does nothing rather
// than corrupting the pair of lists.
bool IsInsertPosition(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) <= size;
}

bool IsExistingPosition(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

void StoredList::InsertLine(int index, const std::string& line) {
    if (IsInsertPosition(index, m_lines.size())) {
        m_lines.insert(m_lines.begin() + index, line);
    }
}

void StoredList::RemoveLine(int index) {
    if (IsExistingPosition(index, m_lines.size())) {
        m_lines.erase(m_lines.begin() + index);
    }
}

void StoredList::SetLine(int index, const std::string& line) {
    if (IsExistingPosition(index, m_lines.size())) {
        m_lines[static_cast<std::size_t>(index)] = line;
    }
}

void StoredList::InsertItem(int index, const std::string& item) {
    if (!IsInsertPosition(index, m_items.size())) {
        return;
    }
    m_items.insert(m_items.begin() + index, item);
    if (m_observer != nullptr) {
        m_observer->ItemInserted(index, item);
    }
}

void StoredList::RemoveItem(int index) {
    if (!IsExistingPosition(index, m_items.size())) {
        return;
    }
    m_items.erase(m_items.begin() + index);
    if (m_observer != nullptr) {
        m_observer->ItemRemoved(index);
    }
}

void StoredList::SetItem(int index, const std::string& item) {
    if (!IsExistingPosition(index, m_items.size())) {
        return;
    }
    m_items[static_cast<std::size_t>(index)] = item;
    if (m_observer != nullptr) {
        m_observer->ItemChanged(index, item);
    }
}

void StoredList::SetLines(std::vector<std::string> lines) {
    m_lines = std::move(lines);
}

void StoredList::SetItems(std::vector<std::string> items) {
    m_items = std::move(items);
    if (m_observer != nullptr) {
        m_observer->ItemsReset(m_items);
    }
}

void StoredList::Clear() {
    m_lines.clear();
    SetItems({});
}

}  // namespace qarvex
