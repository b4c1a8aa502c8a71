#include "platform/fake/fake_autostart_store.h"

namespace qarvex {

std::optional<std::vector<AutostartStore::Value>> FakeAutostartStore::List() {
    if (m_failOpen) {
        return std::nullopt;
    }
    std::vector<Value> result;
    result.reserve(m_values.size());
    for (const auto& [name, data] : m_values) {
        Value value;
        value.name = name;
        value.data = data;
        if (const auto system = m_system.find(name); system != m_system.end()) {
            value.system = true;
            value.label = system->second;
        }
        result.push_back(std::move(value));
    }
    return result;
}

std::optional<std::string> FakeAutostartStore::Read(const std::string& name) {
    if (m_failOpen) {
        return std::nullopt;
    }
    auto it = m_values.find(name);
    if (it == m_values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool FakeAutostartStore::Write(const std::string& name, const std::string& data) {
    ++m_writeCalls;
    if (m_failOpen) {
        return false;
    }
    m_values[name] = data;
    return true;
}

bool FakeAutostartStore::Remove(const std::string& name) {
    ++m_removeCalls;
    if (m_failOpen) {
        return false;
    }
    m_values.erase(name);
    return true;
}

}  // namespace qarvex
