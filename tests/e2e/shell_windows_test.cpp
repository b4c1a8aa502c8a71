#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <lz4.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>

#include "e2e/e2e_support.h"
#include "platform/linux/profile_lock.h"
#include "platform/x11/file_manager_windows.h"
#include "platform/x11/linux_shell_windows.h"

namespace qarvex {
namespace {

using e2e::Child;
using e2e::WaitUntil;
using ::testing::ElementsAre;

const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");

bool FileManagerOnBus() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr && bus->isServiceRegistered(kFileManager).value();
}

// The fake file manager, owning its name on the private bus for as long as it lives.
class FakeFileManager {
public:
    explicit FakeFileManager(const QStringList& arguments)
        : m_child(QStringLiteral(QARVEX_E2E_FAKE_FILE_MANAGER), arguments) {
        m_ready = m_child.Started() && m_child.ReadLine() == "ready";
    }
    ~FakeFileManager() = default;

    bool Ready() const { return m_ready; }

private:
    Child m_child;
    bool m_ready = false;
};

class FileManagerWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "no session bus";
        // A fake of an earlier test may still be leaving the bus.
        ASSERT_TRUE(WaitUntil([] { return !FileManagerOnBus(); }));
    }
};

TEST_F(FileManagerWindowsTest, NoFileManagerGivesNothing) {
    EXPECT_TRUE(FileManagerWindows().empty());
}

TEST_F(FileManagerWindowsTest, EveryLocationOfEveryWindowInTheHistorysForm) {
    FakeFileManager fake({
        QStringLiteral("file:///home/u/My%20Docs"),
        QStringLiteral("file:///home/u/%E6%96%87%E4%BB%B6"),
        QStringLiteral("--window"),
        QStringLiteral("trash:///"),
        QStringLiteral("smb://server/share/a%20b"),
        QStringLiteral("file:///tmp/line%0Abreak"),
        QStringLiteral("file:///tmp/100%25"),
        // Not a local file however much of one it names: handed on untouched for the scan
        // to take as the page it is.
        QStringLiteral("https://evil.example/?x=file:///home/u/Downloads/cats.desktop"),
    });
    ASSERT_TRUE(fake.Ready());
    EXPECT_THAT(
        FileManagerWindows(),
        ElementsAre("file:///home/u/My%20Docs", "file:///home/u/文件", "trash:///",
                    "smb://server/share/a%20b", "file:///tmp/line%0Abreak", "file:///tmp/100%25",
                    "https://evil.example/?x=file:///home/u/Downloads/cats.desktop"));
}

TEST_F(FileManagerWindowsTest, AnAnswerOfTheWrongShapeGivesNothing) {
    FakeFileManager fake({QStringLiteral("--wrong-type")});
    ASSERT_TRUE(fake.Ready());
    EXPECT_TRUE(FileManagerWindows().empty());
}

TEST_F(FileManagerWindowsTest, AFileManagerThatNeverAnswersGivesNothing) {
    FakeFileManager fake({QStringLiteral("--silent"), QStringLiteral("file:///tmp")});
    ASSERT_TRUE(fake.Ready());
    EXPECT_TRUE(FileManagerWindows(200).empty());
}

// A Firefox profile with a session of two windows, the way a running Firefox leaves it.
void WriteFirefoxSession(const std::filesystem::path& home) {
    const auto firefox = home / ".mozilla" / "firefox";
    std::filesystem::create_directories(firefox / "abcd.default-release" / "sessionstore-backups");
    std::ofstream(firefox / "profiles.ini")
        << "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default-release\n"
           "IsRelative=1\nPath=abcd.default-release\nDefault=1\n";
    const std::string json = R"({"windows":[
        {"tabs":[{"entries":[{"url":"https://example.org/a","title":"Page A"},
                             {"url":"https://example.org/b","title":"页面 B"}],"index":2}]},
        {"tabs":[{"entries":[{"url":"https://example.net/","title":"Net"}],"index":1}]}]})";
    std::string compressed(
        static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(json.size()))), '\0');
    const int size =
        LZ4_compress_default(json.data(), compressed.data(), static_cast<int>(json.size()),
                             static_cast<int>(compressed.size()));
    ASSERT_GT(size, 0);
    std::string file("mozLz40\0", 8);
    const auto length = static_cast<std::uint32_t>(json.size());
    for (int shift = 0; shift < 32; shift += 8) {
        file += static_cast<char>((length >> shift) & 0xFF);
    }
    file.append(compressed.data(), static_cast<std::size_t>(size));
    std::ofstream(firefox / "abcd.default-release" / "sessionstore-backups" / "recovery.jsonlz4",
                  std::ios::binary)
        << file;
    // Held by a live process: this one.
    std::filesystem::create_symlink(ThisFirefoxLockHost() + ":+" + std::to_string(::getpid()),
                                    firefox / "abcd.default-release" / "lock");
}

TEST_F(FileManagerWindowsTest, ShellWindowsAreFoldersFirstThenBrowserPages) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    WriteFirefoxSession(home.path().toStdString());
    FakeFileManager fake({QStringLiteral("file:///srv/My%20Share")});
    ASSERT_TRUE(fake.Ready());

    LinuxShellWindows shell(home.path().toStdString(), "");
    const std::vector<ShellWindow> windows = shell.Windows();
    std::vector<std::string> seen;
    for (const ShellWindow& window : windows) {
        EXPECT_TRUE(window.hasDocument);
        seen.push_back(window.locationUrl + " | " + window.title);
    }
    EXPECT_THAT(seen, ElementsAre("file:///srv/My%20Share | file:///srv/My%20Share",
                                  "https://example.org/b | 页面 B", "https://example.net/ | Net"));
}

TEST_F(FileManagerWindowsTest, ShellWindowsOfAnEmptyDesktopAreNothing) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    LinuxShellWindows shell(home.path().toStdString(), "");
    EXPECT_TRUE(shell.Windows().empty());
}

}  // namespace
}  // namespace qarvex
