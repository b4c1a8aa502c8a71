#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qarvex::e2e {

// Checks a condition until it holds. Other processes (the window manager, a started
// program) act on their own time, so tests wait for the state they expect instead of
// sleeping; the limit only keeps a broken run from hanging. Returns the last answer.
bool WaitUntil(const std::function<bool()>& condition, int limitMs = 30000);

// A helper program the test talks to through its standard streams. Stopped (and waited
// for) when the object goes.
class Child {
public:
    Child(const QString& program, const QStringList& arguments);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_started; }
    qint64 Pid() const { return m_process.processId(); }
    // The next line of its output without the line end; empty when it ended first.
    std::string ReadLine();

private:
    QProcess m_process;
    bool m_started = false;
};

// One started program as a recorder saw it.
struct Invocation {
    std::string program;  // the name it was started under
    std::vector<std::string> arguments;
    bool operator==(const Invocation&) const = default;
};

// A folder of recorder scripts put in front of $PATH (or as the whole $PATH): each
// records the name it was started under and every argument it got, byte for byte, so a
// test sees exactly what an opener handed over.
class RecorderPath {
public:
    // onlyThese: $PATH is this folder alone, so that the desktop's own programs can't
    // be found instead of the recorders.
    explicit RecorderPath(bool onlyThese = true);
    ~RecorderPath();
    RecorderPath(const RecorderPath&) = delete;
    RecorderPath& operator=(const RecorderPath&) = delete;

    // Installs a recorder under name in the folder; gives its path.
    std::string Install(const std::string& name);
    // Installs a recorder at any path (for programs started by their path).
    void InstallAt(const std::string& path) const;
    std::string Folder() const;
    // Every invocation recorded so far, in order.
    std::vector<Invocation> Invocations() const;
    // Waits until count invocations have been recorded and gives them.
    std::vector<Invocation> WaitFor(std::size_t count) const;

private:
    QTemporaryDir m_dir;
    std::string m_log;
    QByteArray m_oldPath;
};

std::string ReadLink(const std::string& path);

}  // namespace qarvex::e2e
