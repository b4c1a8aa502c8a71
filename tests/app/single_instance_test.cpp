#include "app/single_instance.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QUuid>

#include "support/cannot_run.h"
#include "support/qt/qt_app.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

TEST(SingleInstance, SecondCopyRaisesTheFirstAndStaysOut) {
    test::EnsureQtApp();
    const QString key = SingleInstanceKey(QStringLiteral("/tmp/") + QUuid::createUuid().toString());
    SingleInstance first(key);
    ASSERT_TRUE(first.Claim());
    int raised = 0;
    QObject::connect(&first, &SingleInstance::activationRequested, [&] { ++raised; });

    SingleInstance second(key);
    EXPECT_FALSE(second.Claim());
    // In one process the asking copy blocks the answering one's event loop, so the
    // answer may time out; the request itself must still arrive.
    QMetaObject::invokeMethod(
        &second, [&] { second.ActivateRunningCopy(); }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (raised == 0 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(raised, 1);
}

// Sets XDG_RUNTIME_DIR for one test and puts the old value back.
class RuntimeFolder {
public:
    explicit RuntimeFolder(const char* value) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            m_old = old;
        }
        if (value != nullptr) {
            ::setenv("XDG_RUNTIME_DIR", value, 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    ~RuntimeFolder() {
        if (m_old) {
            ::setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

private:
    std::optional<std::string> m_old;
};

// Another local user creating and locking the file under our name in /tmp, and holding it.
int HoldTempLock(const QString& key, uid_t owner) {
    const std::string path = QDir::tempPath().toStdString() + "/" + key.toStdString() + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 || ::fchown(fd, owner, owner) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return -1;
    }
    return fd;
}

TEST(SingleInstance, AnotherUsersLockDoesNotKeepQarvexFromStarting) {
    test::EnsureQtApp();
    test::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    const QString key = SingleInstanceKey(QStringLiteral("/tmp/") + QUuid::createUuid().toString());
    const std::string foreignLock =
        QDir::tempPath().toStdString() + "/" + key.toStdString() + ".lock";

    {
        RuntimeFolder folder(runtime.Path().c_str());
        const int held = HoldTempLock(key, ::getuid());
        ASSERT_GE(held, 0);
        SingleInstance first(key);
        EXPECT_TRUE(first.Claim());
        EXPECT_TRUE(std::filesystem::exists(runtime.File(key.toStdString() + ".lock")));
        SingleInstance second(key);
        EXPECT_FALSE(second.Claim());  // the lock in the runtime folder still keeps copies out
        ::close(held);
    }
    {
        // No runtime folder: /tmp again, where a lock owned by someone else is not ours.
        RuntimeFolder folder(nullptr);
        if (::geteuid() != 0) {
            std::filesystem::remove(foreignLock);
            QARVEX_CANNOT_RUN("making another user's file needs root");
        }
        std::filesystem::remove(foreignLock);
        const int held = HoldTempLock(key, 65534);
        ASSERT_GE(held, 0);
        SingleInstance first(key);
        EXPECT_TRUE(first.Claim());
        ::close(held);
    }
    std::filesystem::remove(foreignLock);
}

TEST(SingleInstance, KeysDifferPerConfigurationFolder) {
    EXPECT_NE(SingleInstanceKey(QStringLiteral("/a/ZeqConfig/")),
              SingleInstanceKey(QStringLiteral("/b/ZeqConfig/")));
    EXPECT_EQ(SingleInstanceKey(QStringLiteral("/a/ZeqConfig/")),
              SingleInstanceKey(QStringLiteral("/a//ZeqConfig")));
}

}  // namespace
}  // namespace qarvex
