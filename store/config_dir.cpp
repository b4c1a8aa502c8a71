#include "store/config_dir.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

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
    std::string folder = dir;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const std::filesystem::path path(folder);
    if (!std::filesystem::is_directory(path, error)) {
        // The parents are ordinary folders; only the last one is private.
        std::filesystem::create_directories(path.parent_path(), error);
        if (::mkdir(folder.c_str(), 0700) != 0 && !std::filesystem::is_directory(path, error)) {
            return false;
        }
    }
    // Made by an earlier version, or by hand, with the umask's modes: nobody but the user
    // may read what is in it.
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        ::chmod(folder.c_str(), st.st_mode & 07700);
    }
    return true;
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
