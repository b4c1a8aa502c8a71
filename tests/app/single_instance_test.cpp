#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>

#include "support/qt/qt_app.h"

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

TEST(SingleInstance, KeysDifferPerConfigurationFolder) {
    EXPECT_NE(SingleInstanceKey(QStringLiteral("/a/ZeqConfig/")),
              SingleInstanceKey(QStringLiteral("/b/ZeqConfig/")));
    EXPECT_EQ(SingleInstanceKey(QStringLiteral("/a/ZeqConfig/")),
              SingleInstanceKey(QStringLiteral("/a//ZeqConfig")));
}

}  // namespace
}  // namespace qarvex
