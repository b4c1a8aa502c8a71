#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"

namespace qarvex {

// This machine as the program sees it: the configuration root stands in for the last
// fixed drive, the XDG places for the shell's special folders.
class LinuxEnvironment : public Environment {
public:
    // home empty: $HOME, else the password database.
    explicit LinuxEnvironment(std::string home = {});

    // { the XDG configuration root with a trailing "/" }.
    std::string ConfigRoot() override;
    std::string HomeFolder() override;
    std::string Today() override;
    std::string ExecutablePath() override;
    std::optional<std::string> SpecialFolderPath(int csidl) override;
    // "/usr/bin": where the system's own programs live, the nearest thing to the
    // Windows system folder a user would want to browse.
    std::string SystemFolder() override;
    // The X bell; silent when there is no X server.
    void Beep() override;

    std::string ConfigHome() const;

private:
    std::string m_home;
};

}  // namespace qarvex
