#include "platform/linux/profile_lock.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "store/strings.h"

namespace qarvex {

namespace {

std::string ReadSymlink(const std::string& path) {
    std::array<char, 1024> buffer{};
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

// A decimal process id, nothing else; 0 when the text is not one.
long ParsePid(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return 0;
    }
    long pid = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

std::string ResolveFirefoxLockHost() {
    const std::string host = ThisHostName();
    if (host.empty()) {
        return "127.0.0.1";
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return "127.0.0.1";
    }
    std::string address = "127.0.0.1";
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr != nullptr) {
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
                address = text;
                break;
            }
        }
    }
    ::freeaddrinfo(found);
    return address;
}

}  // namespace

std::string ThisHostName() {
    std::array<char, 256> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return std::string(buffer.data());
}

std::string ThisFirefoxLockHost() {
    // Resolving the name may ask the network's resolver; once per run is enough, the
    // name of a running machine does not change under a browser either.
    static const std::string host = ResolveFirefoxLockHost();
    return host;
}

bool ProcessIsAlive(long pid) {
    if (pid <= 0) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool FirefoxLockTargetIsLive(std::string_view target) {
    const std::size_t colon = target.rfind(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view pid = target.substr(colon + 1);
    if (StartsWith(pid, "+")) {
        pid.remove_prefix(1);
    }
    return target.substr(0, colon) == ThisFirefoxLockHost() && ProcessIsAlive(ParsePid(pid));
}

bool FirefoxProfileIsInUse(const std::string& profileDir) {
    return FirefoxLockTargetIsLive(ReadSymlink(profileDir + "/lock"));
}

bool ChromiumLockTargetIsLive(std::string_view target) {
    const std::size_t dash = target.rfind('-');
    if (dash == std::string_view::npos || dash == 0) {
        return false;
    }
    return target.substr(0, dash) == ThisHostName() &&
           ProcessIsAlive(ParsePid(target.substr(dash + 1)));
}

bool ChromiumUserDataIsInUse(const std::string& userDataDir) {
    return ChromiumLockTargetIsLive(ReadSymlink(userDataDir + "/SingletonLock"));
}

}  // namespace qarvex
