#include "support/cannot_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qarvex::test {

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDrop = 97;

void ChangeOwner(const std::string& folder, uid_t user, gid_t group) {
    namespace fs = std::filesystem;
    std::error_code ec;
    [[maybe_unused]] int ignored = ::lchown(folder.c_str(), user, group);
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        ignored = ::lchown(it->path().c_str(), user, group);
    }
}

}  // namespace

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

bool RunUnprivileged(const std::string& folder, const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return true;
    }
    ChangeOwner(folder, kNobody, kNobody);
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            std::_Exit(kCannotDrop);
        }
        body();
        std::fflush(stdout);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    const bool waited = pid > 0 && ::waitpid(pid, &status, 0) == pid;
    ChangeOwner(folder, 0, 0);
    if (!waited || (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDrop)) {
        return false;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "failed as the user nobody (its failures are above)";
    return true;
}

}  // namespace qarvex::test
