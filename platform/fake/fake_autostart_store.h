#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/autostart_store.h"

namespace qarvex {

// Start-up entries in memory, listed in name order. Can be told that the store can't be
// opened, in which case every call fails the way the real store does: List and Read
// give nothing, Write and Remove give false and change nothing.
class FakeAutostartStore : public AutostartStore {
public:
    // Seeds an entry; a missing data stands for an entry without a readable command.
    void Set(const std::string& name, std::optional<std::string> data) {
        m_values[name] = std::move(data);
    }
    void SetFailOpen(bool fail) { m_failOpen = fail; }
    // An entry the system provides, known to the user by label.
    void SetSystem(const std::string& name, std::string data, std::string label) {
        m_values[name] = std::move(data);
        m_system[name] = std::move(label);
    }
    const std::map<std::string, std::optional<std::string>>& Values() const { return m_values; }

    std::optional<std::vector<Value>> List() override;
    std::optional<std::string> Read(const std::string& name) override;
    bool Write(const std::string& name, const std::string& data) override;
    bool Remove(const std::string& name) override;

    int WriteCalls() const { return m_writeCalls; }
    int RemoveCalls() const { return m_removeCalls; }

private:
    std::map<std::string, std::optional<std::string>> m_values;
    std::map<std::string, std::string> m_system;  // name: label
    bool m_failOpen = false;
    int m_writeCalls = 0;
    int m_removeCalls = 0;
};

}  // namespace qarvex
