#include "desktop/search_providers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include "platform/fake/fake_shell_open.h"
#include "store/history.h"
#include "support/cannot_run.h"
#include "support/qt/feature_fixture.h"

namespace qarvex {
namespace {

// The providers on the session bus (a private one: the test runs under dbus-run-session),
// asked as the Shell and KRunner ask, from a connection of their own.
class DesktopSearchFixture : public test::FeatureFixture {
protected:
    void MakePart() override {
        search = new DesktopSearch(
            Svc().history, Svc().openers, [this](const QString& text) { shown << text; }, Owner());
    }

    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QARVEX_CANNOT_RUN("no session bus (run the test under dbus-run-session)");
        }
        Start();
        Hist().AddDoc("https://www.baidu.com/", "百度一下，你就知道", "2026-03-01", false);
        Hist().AddDoc("https://example.org/", "Example", "2026-03-02", false);
        ASSERT_TRUE(search->Register(QDBusConnection::sessionBus()));
    }
    void TearDown() override {
        QDBusConnection::sessionBus().unregisterService(QString::fromLatin1(kBusName));
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kGnomeSearchPath));
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kKRunnerPath));
    }

    QDBusMessage Call(const char* path, const char* interface, const char* method,
                      const QVariantList& arguments) {
        static QDBusConnection client =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("asker"));
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(kBusName), QString::fromLatin1(path),
            QString::fromLatin1(interface), QString::fromLatin1(method));
        call.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(call);
        while (!pending.isFinished()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return pending.reply();
    }

    std::vector<std::string> Opened() const {
        std::vector<std::string> targets;
        for (const ShellOpenCall& call : fakes.shellOpen->Calls()) {
            targets.push_back(call.target);
        }
        return targets;
    }

    DesktopSearch* search = nullptr;
    QStringList shown;
};

constexpr const char* kGnome = "org.gnome.Shell.SearchProvider2";
constexpr const char* kKRunner = "org.kde.krunner1";

TEST_F(DesktopSearchFixture, GnomeShellFindsTheEntryAndOpensIt) {
    const QDBusMessage found = Call(kGnomeSearchPath, kGnome, "GetInitialResultSet",
                                    {QStringList{QStringLiteral("百度")}});
    ASSERT_EQ(found.type(), QDBusMessage::ReplyMessage) << found.errorMessage().toStdString();
    const QStringList ids = found.arguments().value(0).toStringList();
    ASSERT_EQ(ids, QStringList{QStringLiteral("https://www.baidu.com/")});

    const QDBusMessage metas =
        Call(kGnomeSearchPath, kGnome, "GetResultMetas", {QVariant::fromValue(ids)});
    ASSERT_EQ(metas.type(), QDBusMessage::ReplyMessage) << metas.errorMessage().toStdString();
    QList<QVariantMap> entries;
    metas.arguments().value(0).value<QDBusArgument>() >> entries;
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].value(QStringLiteral("name")).toString(),
              QStringLiteral("百度一下，你就知道"));
    EXPECT_EQ(entries[0].value(QStringLiteral("description")).toString(), ids[0]);

    Call(kGnomeSearchPath, kGnome, "ActivateResult",
         {ids[0], QStringList{QStringLiteral("百度")}, QVariant::fromValue(0u)});
    EXPECT_EQ(Opened(), std::vector<std::string>{"https://www.baidu.com/"});
    // An id the history does not hold is never opened: callers are anyone on the bus.
    Call(kGnomeSearchPath, kGnome, "ActivateResult",
         {QStringLiteral("/usr/bin/xterm"), QStringList{}, QVariant::fromValue(0u)});
    EXPECT_EQ(Opened().size(), 1u);

    Call(kGnomeSearchPath, kGnome, "LaunchSearch",
         {QStringList{QStringLiteral("百度")}, QVariant::fromValue(0u)});
    EXPECT_EQ(shown, QStringList{QStringLiteral("百度")});
}

TEST_F(DesktopSearchFixture, KRunnerMatchesTheEntryAndRunsIt) {
    const QDBusMessage found = Call(kKRunnerPath, kKRunner, "Match", {QStringLiteral("百度")});
    ASSERT_EQ(found.type(), QDBusMessage::ReplyMessage) << found.errorMessage().toStdString();
    ASSERT_EQ(found.signature(), QStringLiteral("a(sssida{sv})"));
    QList<RunnerMatch> matches;
    const QDBusArgument argument = found.arguments().value(0).value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        RunnerMatch match;
        argument.beginStructure();
        argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >>
            match.properties;
        argument.endStructure();
        matches << match;
    }
    argument.endArray();
    ASSERT_EQ(matches.size(), 1);
    EXPECT_EQ(matches[0].text, QStringLiteral("百度一下，你就知道"));

    Call(kKRunnerPath, kKRunner, "Run", {matches[0].id, QString()});
    EXPECT_EQ(Opened(), std::vector<std::string>{"https://www.baidu.com/"});
}

}  // namespace
}  // namespace qarvex
