#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qarvex {

// The named start-up commands of the session (one desktop entry per name on Linux).
class AutostartStore {
public:
    struct Value {
        std::string name;
        std::optional<std::string> data;  // nothing when the entry holds no readable command
        bool enabled = true;              // false: present but switched off
        bool system = false;              // provided by the system, not the user's own
        std::string label;  // what the user knows it by, in their language; empty when none
    };

    AutostartStore() = default;
    virtual ~AutostartStore() = default;
    AutostartStore(const AutostartStore&) = delete;
    AutostartStore& operator=(const AutostartStore&) = delete;

    // Every value in the store's order; nothing when the store can't be opened.
    virtual std::optional<std::vector<Value>> List() = 0;
    virtual std::optional<std::string> Read(const std::string& name) = 0;
    virtual bool Write(const std::string& name, const std::string& data) = 0;
    virtual bool Remove(const std::string& name) = 0;  // a missing value is no error
    // What the session really starts: the user's values and the system's ones the user
    // has not replaced, each with its state. Stores without system values list their own.
    virtual std::optional<std::vector<Value>> ListAll() { return List(); }
};

}  // namespace qarvex
