#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/environment.h"

namespace qarvex {

// A machine whose facts the test sets. The defaults are harmless made-up values; there
// is no configuration root until the test gives one, so nothing is ever written under a
// real configuration folder by accident: tests that store files point it at a temporary
// folder with SetConfigRoot(dir + "/").
class FakeEnvironment : public Environment {
public:
    void SetConfigRoot(std::string root) { m_configRoot = std::move(root); }
    void SetHomeFolder(std::string home) { m_home = std::move(home); }
    void SetToday(std::string today) { m_today = std::move(today); }
    void SetExecutablePath(std::string path) { m_exe = std::move(path); }
    void SetSpecialFolder(int csidl, std::string path) { m_special[csidl] = std::move(path); }
    void ClearSpecialFolders() { m_special.clear(); }
    void SetSystemFolder(std::string path) { m_system = std::move(path); }

    std::string ConfigRoot() override { return m_configRoot; }
    std::string HomeFolder() override { return m_home; }
    std::string Today() override { return m_today; }
    std::string ExecutablePath() override { return m_exe; }
    std::optional<std::string> SpecialFolderPath(int csidl) override;
    std::string SystemFolder() override { return m_system; }
    void Beep() override { ++m_beepCount; }

    int BeepCount() const { return m_beepCount; }

private:
    std::string m_configRoot;
    std::string m_home = "/home/tester";
    std::string m_today = "2024-01-02";
    std::string m_exe = "/opt/qarvex/bin/qarvex";
    std::map<int, std::string> m_special;
    std::string m_system = "/usr/bin";
    int m_beepCount = 0;
};

}  // namespace qarvex
