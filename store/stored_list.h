#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qarvex {

// A list of stored lines ("path*|*name") and the list box that shows it, kept in step:
// item i of the box shows the name of line i. The box is represented by its items here;
// a widget observes the changes and mirrors them.
class StoredList {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void ItemsReset(const std::vector<std::string>& items) = 0;
        virtual void ItemInserted(int index, const std::string& item) = 0;
        virtual void ItemRemoved(int index) = 0;
        virtual void ItemChanged(int index, const std::string& item) = 0;
    };

    StoredList() = default;
    StoredList(const StoredList&) = delete;
    StoredList& operator=(const StoredList&) = delete;

    void SetObserver(Observer* observer) { m_observer = observer; }
    // Runs after every change of the lines or the items (the file behind the list is
    // kept current from it).
    void SetChangeHook(std::function<void()> hook) { m_changed = std::move(hook); }

    const std::vector<std::string>& Lines() const { return m_lines; }
    const std::vector<std::string>& Items() const { return m_items; }
    int LineCount() const { return static_cast<int>(m_lines.size()); }
    int ItemCount() const { return static_cast<int>(m_items.size()); }

    // Lines and items change together or, where the stored formats say so, separately.
    void InsertLine(int index, const std::string& line);
    void RemoveLine(int index);
    void SetLine(int index, const std::string& line);
    void InsertItem(int index, const std::string& item);
    void RemoveItem(int index);
    void SetItem(int index, const std::string& item);
    void SetLines(std::vector<std::string> lines);
    void SetItems(std::vector<std::string> items);
    void Clear();  // lines and items

private:
    std::vector<std::string> m_lines;
    std::vector<std::string> m_items;
    Observer* m_observer = nullptr;
    std::function<void()> m_changed;

    void Changed() const;
};

}  // namespace qarvex
