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

void StoredList::Changed() const {
    if (m_changed) {
        m_changed();
    }
}

void StoredList::InsertLine(int index, const std::string& line) {
    if (IsInsertPosition(index, m_lines.size())) {
        m_lines.insert(m_lines.begin() + index, line);
        Changed();
    }
}

void StoredList::RemoveLine(int index) {
    if (IsExistingPosition(index, m_lines.size())) {
        m_lines.erase(m_lines.begin() + index);
        Changed();
    }
}

void StoredList::SetLine(int index, const std::string& line) {
    if (IsExistingPosition(index, m_lines.size())) {
        m_lines[static_cast<std::size_t>(index)] = line;
        Changed();
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
    Changed();
}

void StoredList::RemoveItem(int index) {
    if (!IsExistingPosition(index, m_items.size())) {
        return;
    }
    m_items.erase(m_items.begin() + index);
    if (m_observer != nullptr) {
        m_observer->ItemRemoved(index);
    }
    Changed();
}

void StoredList::SetItem(int index, const std::string& item) {
    if (!IsExistingPosition(index, m_items.size())) {
        return;
    }
    m_items[static_cast<std::size_t>(index)] = item;
    if (m_observer != nullptr) {
        m_observer->ItemChanged(index, item);
    }
    Changed();
}

void StoredList::SetLines(std::vector<std::string> lines) {
    m_lines = std::move(lines);
    Changed();
}

void StoredList::SetItems(std::vector<std::string> items) {
    m_items = std::move(items);
    if (m_observer != nullptr) {
        m_observer->ItemsReset(m_items);
    }
    Changed();
}

void StoredList::Clear() {
    m_lines.clear();
    SetItems({});
}

}  // namespace qarvex
