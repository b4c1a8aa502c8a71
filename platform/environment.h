#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qarvex {

// Facts about the machine the program asks for: where its configuration lives,
// the user's home, the special places, today's date, the system sound.
class Environment {
public:
    Environment() = default;
    virtual ~Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // The user's configuration folder (XDG) with a trailing "/"; the program's own folder
    // goes inside it.
    virtual std::string ConfigRoot() = 0;
    virtual std::string HomeFolder() = 0;
    // Local date "yyyy-mm-dd".
    virtual std::string Today() = 0;
    // Full path of the running executable.
    virtual std::string ExecutablePath() = 0;
    // The path a special folder number maps to on this desktop, if any.
    virtual std::optional<std::string> SpecialFolderPath(int csidl) = 0;
    // The folder that stands for the system folder.
    virtual std::string SystemFolder() = 0;
    virtual void Beep() = 0;
};

}  // namespace qarvex
