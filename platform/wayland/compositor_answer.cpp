#include "platform/wayland/compositor_answer.h"

#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>

#include "platform/linux/proc_process_facts.h"

namespace qarvex {

std::optional<std::int64_t> CompositorProcess(const std::string& displayName) {
    std::string name = displayName;
    if (name.empty()) {
        const char* variable = std::getenv("WAYLAND_DISPLAY");
        name = variable != nullptr && variable[0] != '\0' ? variable : "wayland-0";
    }
    std::string path = name;
    if (name.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || runtime[0] != '/') {
            return std::nullopt;
        }
        path = std::string(runtime) + "/" + name;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::int64_t> pid;
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
        credentials.pid > 0) {
        pid = credentials.pid;
    }
    ::close(fd);
    return pid;
}

void KeepProcessesOnlyFromCompositor(const QString& sender, std::vector<WaylandToplevel>& windows) {
    bool trusted = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const std::optional<std::int64_t> compositor = CompositorProcess();
    if (compositor && !sender.isEmpty() && bus.isConnected() && bus.interface() != nullptr) {
        const QDBusReply<uint> reply = bus.interface()->servicePid(sender);
        if (reply.isValid() && reply.value() > 0) {
            const std::int64_t pid = reply.value();
            ProcProcessFacts facts;
            // KWin's wrapper holds the socket and starts kwin_wayland, and nothing else.
            const bool wrapper =
                facts.Executable(*compositor).value_or("").ends_with("/kwin_wayland_wrapper");
            trusted = pid == *compositor || (wrapper && facts.ParentProcess(pid) == compositor);
        }
    }
    if (trusted) {
        return;
    }
    for (WaylandToplevel& window : windows) {
        window.pid.reset();
    }
}

}  // namespace qarvex
