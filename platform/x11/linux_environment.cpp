#include "platform/x11/linux_environment.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/linux/bounded_read.h"
#include "platform/x11/user_places.h"

namespace qarvex {

namespace {

// user-dirs.dirs is a few lines; anything bigger is not that file.
constexpr std::size_t kMaxUserDirsBytes = 64 * 1024;

std::string HomeFromSystem() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

}  // namespace

LinuxEnvironment::LinuxEnvironment(std::string home)
    : m_home(home.empty() ? HomeFromSystem() : std::move(home)) {
    while (m_home.size() > 1 && m_home.back() == '/') {
        m_home.pop_back();
    }
}

std::string LinuxEnvironment::ConfigHome() const {
    return XdgBaseDir(std::getenv("XDG_CONFIG_HOME"), m_home, ".config");
}

std::string LinuxEnvironment::ConfigRoot() {
    return ConfigHome() + "/";
}

std::string LinuxEnvironment::HomeFolder() {
    return m_home;
}

std::string LinuxEnvironment::Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return {};
    }
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    return text.data();
}

std::string LinuxEnvironment::ExecutablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::optional<std::string> LinuxEnvironment::SpecialFolderPath(int csidl) {
    PlaceContext context;
    context.home = m_home;
    context.configHome = ConfigHome();
    context.dataHome = XdgBaseDir(std::getenv("XDG_DATA_HOME"), m_home, ".local/share");
    context.cacheHome = XdgBaseDir(std::getenv("XDG_CACHE_HOME"), m_home, ".cache");
    context.userDirsText =
        ReadFileUpTo(context.configHome + "/user-dirs.dirs", kMaxUserDirsBytes).value_or("");
    std::error_code error;
    context.userFontsExist = std::filesystem::is_directory(context.dataHome + "/fonts", error);
    context.homeDocumentsExist = std::filesystem::is_directory(m_home + "/Documents", error);
    return SpecialPlacePath(csidl, context);
}

std::string LinuxEnvironment::SystemFolder() {
    return "/usr/bin";
}

void LinuxEnvironment::Beep() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) {
        xcb_bell(connection, 0);
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
}

}  // namespace qarvex
