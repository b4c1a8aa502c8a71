#include "store/config_dir.h"

#include <filesystem>
#include <system_error>

#include "store/strings.h"

namespace qarvex {

namespace {

std::string WithTrailingSlash(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    if (out.empty() || out.back() != '/') {
        out.push_back('/');
    }
    return out;
}

bool IsAbsolutePosix(const char* path) {
    return path != nullptr && path[0] == '/';
}

}  // namespace

std::string GetConfigDir(std::string_view configRoot) {
    std::string dir(configRoot);
    if (!EndsWith(dir, "/")) {
        dir.push_back('/');
    }
    dir.append(kConfigFolderName).push_back('/');
    return dir;
}

bool PrepareConfigDir(const std::string& dir) {
    if (dir.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path path(dir);
    if (std::filesystem::is_directory(path, error)) {
        return true;
    }
    std::filesystem::create_directories(path, error);
    return !error && std::filesystem::is_directory(path, error);
}

std::string XdgConfigRoot(const char* xdgConfigHome, const char* home) {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (IsAbsolutePosix(xdgConfigHome)) {
        return WithTrailingSlash(xdgConfigHome);
    }
    if (IsAbsolutePosix(home)) {
        return WithTrailingSlash(WithTrailingSlash(home) + ".config");
    }
    return {};
}

std::string ConfigFilePath(std::string_view configDir, std::string_view fileName) {
    std::string path(configDir);
    path.append(fileName);
    return path;
}

}  // namespace qarvex
