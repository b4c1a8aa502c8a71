#include "platform/linux/child_processes.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace qarvex {

namespace {

struct ProcessLine {
    std::string name;
    pid_t parent = 0;
    char state = '?';
};

// "pid (name) state ppid ...": the name may itself hold blanks and parentheses.
bool ReadStat(pid_t pid, ProcessLine& line) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) {
        return false;
    }
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 4 > text.size()) {
        return false;
    }
    line.name = text.substr(open + 1, close - open - 1);
    line.state = text[close + 2];
    line.parent = static_cast<pid_t>(std::atoi(text.c_str() + close + 4));
    return true;
}

std::map<pid_t, ProcessLine> AllProcesses() {
    std::map<pid_t, ProcessLine> all;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        ProcessLine line;
        if (ReadStat(pid, line)) {
            all.emplace(pid, std::move(line));
        }
    }
    return all;
}

bool Gone(pid_t pid) {
    // Our own children stay as zombies until they are waited for.
    ::waitpid(pid, nullptr, WNOHANG);
    ProcessLine line;
    return !ReadStat(pid, line) || line.state == 'Z' || line.state == 'X';
}

}  // namespace

std::vector<pid_t> DescendantsNamed(std::string_view name) {
    const std::map<pid_t, ProcessLine> all = AllProcesses();
    std::vector<pid_t> below{::getpid()};
    std::vector<pid_t> found;
    for (std::size_t i = 0; i < below.size(); ++i) {
        for (const auto& [pid, line] : all) {
            if (line.parent == below[i] && pid != below[i]) {
                below.push_back(pid);
                if (line.name == name && line.state != 'Z') {
                    found.push_back(pid);
                }
            }
        }
    }
    return found;
}

void EndDescendantsNamed(std::string_view name, int graceMs) {
    const std::vector<pid_t> helpers = DescendantsNamed(name);
    for (const pid_t pid : helpers) {
        ::kill(pid, SIGTERM);
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (const pid_t pid : helpers) {
        while (!Gone(pid) && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!Gone(pid)) {
            ::kill(pid, SIGKILL);
        }
    }
    // A killed process is gone once the kernel has taken it down, a moment later.
    const auto killed = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (const pid_t pid : helpers) {
        while (!Gone(pid) && std::chrono::steady_clock::now() < killed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

}  // namespace qarvex
