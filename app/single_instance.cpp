#include "app/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

namespace qarvex {

namespace {
constexpr int kAnswerTimeoutMs = 1500;
// A copy sends its request as soon as it is connected.
constexpr int kRequestTimeoutMs = 500;
constexpr std::size_t kMaxRequest = 64;

constexpr std::string_view kShow = "show";
constexpr std::string_view kShowSearch = "show-search";
constexpr std::string_view kToggleSearch = "toggle-search";

// The session's private runtime folder, when it is really ours and shut to others.
QString PrivateRuntimeFolder() {
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !folder.startsWith('/')) {
        return {};
    }
    struct stat info {};
    if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0777) != 0700) {
        return {};
    }
    return QString::fromLocal8Bit(folder);
}

// A bare name lives in the temporary folder.
std::string SocketPath(const QString& name) {
    const QString path =
        name.startsWith(QLatin1Char('/')) ? name : QDir::tempPath() + QLatin1Char('/') + name;
    return path.toLocal8Bit().toStdString();
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A connected socket to the copy listening at path, or -1.
int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    // A local connect either reaches a listener at once or fails at once.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0;
    }
}

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}
}  // namespace

QString SingleInstanceKey(const QString& configDir) {
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(configDir).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    return QStringLiteral("qarvex-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), m_name(key) {
    // In the shared temporary folder any local user can make a file of this name first;
    // in the private runtime folder nobody else can.
    m_folder = PrivateRuntimeFolder();
    if (!m_folder.isEmpty()) {
        m_name = m_folder + QLatin1Char('/') + key;
    }
}

SingleInstance::~SingleInstance() {
    delete m_notifier;
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(SocketPath(m_name).c_str());
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

bool SingleInstance::Claim() {
    // The lock decides who is first even when a stale socket file is left behind by a
    // copy that was killed; the kernel drops the lock with the process.
    const QString lockPath =
        m_folder.isEmpty() ? QDir::tempPath() + QLatin1Char('/') + m_name + QStringLiteral(".lock")
                           : m_name + QStringLiteral(".lock");
    m_lockFd =
        ::open(lockPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    if (m_lockFd >= 0 && (::fstat(m_lockFd, &info) != 0 || info.st_uid != ::getuid())) {
        // Someone else's file under our name says nothing about our copies; holding it
        // must not keep this user's Qarvex from starting.
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    if (m_lockFd < 0) {
        // Without a lock the socket is the only sign of a running copy: one that accepts
        // the connection keeps this one out (and is not robbed of its socket below).
        const int probe = ConnectTo(SocketPath(m_name));
        if (probe >= 0) {
            ::close(probe);
            return false;
        }
    }
    // Listening can fail (no writable runtime folder); the lock alone still keeps a
    // second copy out, it just can't raise this one.
    Listen();
    return true;
}

void SingleInstance::Listen() {
    const std::string path = SocketPath(m_name);
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return;
    }
    // The socket is made in a folder only this user can enter, shut to others, and then
    // moved to its name, so nobody else can ever connect to it or swap it.
    const QFileInfo target(QString::fromLocal8Bit(path.c_str()));
    std::string scratch = target.absolutePath().toLocal8Bit().toStdString() + "/.qarvex-XXXXXX";
    if (::mkdtemp(scratch.data()) == nullptr) {
        return;
    }
    const std::string staged = scratch + "/socket";
    sockaddr_un stagedAddress{};
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    bool ok =
        fd >= 0 && FillAddress(staged, stagedAddress) &&
        ::bind(fd, reinterpret_cast<const sockaddr*>(&stagedAddress), sizeof(stagedAddress)) == 0 &&
        ::chmod(staged.c_str(), 0600) == 0 && ::listen(fd, 8) == 0;
    if (ok) {
        ::unlink(path.c_str());  // a socket left by a copy that was killed
        ok = ::rename(staged.c_str(), path.c_str()) == 0;
    }
    ::unlink(staged.c_str());
    ::rmdir(scratch.c_str());
    if (!ok) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { AnswerWaitingCopies(); });
}

void SingleInstance::AnswerWaitingCopies() {
    for (;;) {
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // nobody else waiting
        }
        Answer(client);
    }
}

void SingleInstance::Answer(int client) {
    // One line; a copy that sends none (an older one, or the probe of a start without a
    // lock) asks for the window, as every start always has.
    std::string request;
    while (request.size() < kMaxRequest && request.find('\n') == std::string::npos &&
           WaitFor(client, POLLIN, kRequestTimeoutMs)) {
        char chunk[kMaxRequest];
        const ssize_t got = ::recv(client, chunk, sizeof(chunk), 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        request.append(chunk, static_cast<std::size_t>(got));
    }
    request = request.substr(0, request.find('\n'));
    WriteAll(client, "ok\n");
    ::close(client);
    if (request == kShowSearch || request == kToggleSearch) {
        emit searchRequested(request == kToggleSearch);
    } else {
        emit activationRequested();
    }
}

bool SingleInstance::ActivateRunningCopy(Request request) {
    const int fd = ConnectTo(SocketPath(m_name));
    if (fd < 0) {
        return false;
    }
    const std::string_view line = request == Request::ToggleSearch ? kToggleSearch
                                  : request == Request::ShowSearch ? kShowSearch
                                                                   : kShow;
    WriteAll(fd, std::string(line) + "\n");
    char answer = 0;
    bool answered = false;
    if (WaitFor(fd, POLLIN, kAnswerTimeoutMs)) {
        ssize_t got = 0;
        do {
            got = ::recv(fd, &answer, 1, MSG_DONTWAIT);
        } while (got < 0 && errno == EINTR);
        answered = got > 0;
    }
    ::close(fd);
    return answered;
}

}  // namespace qarvex
