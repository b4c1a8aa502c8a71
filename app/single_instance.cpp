#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace qarvex {

namespace {
constexpr int kAnswerTimeoutMs = 1500;

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
    if (m_server) {
        m_server->close();
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
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(kAnswerTimeoutMs)) {
            return false;
        }
    }
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            emit activationRequested();
        }
    });
    // Listening can fail (no writable runtime folder); the lock alone still keeps a
    // second copy out, it just can't raise this one.
    m_server->listen(m_name);
    return true;
}

bool SingleInstance::ActivateRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kAnswerTimeoutMs)) {
        return false;
    }
    socket.write("show\n");
    socket.flush();
    return socket.waitForReadyRead(kAnswerTimeoutMs);
}

}  // namespace qarvex
