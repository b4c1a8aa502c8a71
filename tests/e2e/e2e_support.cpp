#include "e2e/e2e_support.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

namespace qarvex::e2e {

namespace {

// Qt's D-Bus and process classes want an application object, and the main window's tests
// want one that can show widgets; the tests always run on a display of their own.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "e2e_tests";
        static char* argv[] = {name, nullptr};
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] const auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs) {
            return condition();
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

Child::Child(const QString& program, const QStringList& arguments) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, arguments);
    m_started = m_process.waitForStarted(30000);
}

Child::~Child() {
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.closeWriteChannel();
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

std::string Child::ReadLine() {
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(30000)) {
            if (!m_process.canReadLine()) {
                return {};
            }
        }
    }
    return m_process.readLine().trimmed().toStdString();
}

RecorderPath::RecorderPath(bool onlyThese) : m_oldPath(qgetenv("PATH")) {
    m_log = m_dir.filePath(QStringLiteral("invocations.log")).toStdString();
    const QByteArray folder = QFile::encodeName(m_dir.path());
    qputenv("PATH", onlyThese ? folder : folder + ':' + m_oldPath);
}

RecorderPath::~RecorderPath() {
    qputenv("PATH", m_oldPath);
}

std::string RecorderPath::Folder() const {
    return m_dir.path().toStdString();
}

void RecorderPath::InstallAt(const std::string& path) const {
    // bash by its full path: $PATH holds only recorders. One printf writes the whole
    // record at once; fields end in NUL, which no argument can contain.
    std::ofstream script(path, std::ios::binary | std::ios::trunc);
    script << "#!/bin/bash\nprintf '%s\\0' \"${0##*/}\" \"$#\" \"$@\" >>'" << m_log << "'\n";
    script.close();
    chmod(path.c_str(), 0755);
}

std::string RecorderPath::Install(const std::string& name) {
    const std::string path = Folder() + "/" + name;
    InstallAt(path);
    return path;
}

std::vector<Invocation> RecorderPath::Invocations() const {
    std::ifstream in(m_log, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find('\0', start);
        if (end == std::string::npos) {
            break;  // a record still being written
        }
        fields.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    std::vector<Invocation> invocations;
    std::size_t i = 0;
    while (i + 1 < fields.size()) {
        Invocation invocation;
        invocation.program = fields[i];
        const std::size_t count = std::stoul(fields[i + 1]);
        if (i + 2 + count > fields.size()) {
            break;
        }
        invocation.arguments.assign(fields.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                    fields.begin() + static_cast<std::ptrdiff_t>(i + 2 + count));
        invocations.push_back(std::move(invocation));
        i += 2 + count;
    }
    return invocations;
}

std::vector<Invocation> RecorderPath::WaitFor(std::size_t count) const {
    WaitUntil([&] { return Invocations().size() >= count; });
    return Invocations();
}

std::string ReadLink(const std::string& path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

}  // namespace qarvex::e2e
