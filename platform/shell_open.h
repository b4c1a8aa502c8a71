#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qarvex {

// Places of the desktop that have no path of their own.
enum class ShellPlace {
    Computer,     // the file manager's computer view, or "/"
    Network,      // the file manager's network view
    Settings,     // the desktop's settings program
    TaskManager,  // the first installed system monitor
    Trash,        // trash:/// in a file manager
    Recent,       // recent:/// in a file manager
    Printers,     // the desktop's printer settings, or the printing system's own page
};

// Hands targets to the desktop. Nothing here ever goes through a shell command line:
// every target travels as one argument.
class ShellOpen {
public:
    ShellOpen() = default;
    virtual ~ShellOpen() = default;
    ShellOpen(const ShellOpen&) = delete;
    ShellOpen& operator=(const ShellOpen&) = delete;

    // Opens with the verb "open": addresses, folders and documents go to the default
    // handler for their type. Nothing is ever run, whatever its mode bits: a file that
    // came from a download folder or a web page must not become a program by being opened.
    virtual void Open(const std::string& target) = 0;
    // Opens with the target's default action; runs nothing either.
    virtual void OpenDefault(const std::string& target) = 0;
    // Starts a program the user ran before: an executable file directly, a desktop entry
    // as its Exec line says. Only for what was recorded as a program.
    virtual void Launch(const std::string& program) = 0;
    // Runs a command the user set up to start with the session: the program argv[0]
    // (looked up on $PATH when it has no "/") with the rest as its arguments.
    virtual void Run(const std::vector<std::string>& argv) = 0;
    virtual void OpenPlace(ShellPlace place) = 0;
    // Whether this desktop has something that opens the place (a program to start).
    virtual bool HasPlace(ShellPlace /*place*/) const { return true; }

    // Told, from the event loop, of a request that came to nothing: no handler or program
    // could be started, or the one started gave up at once with a failure status. At most
    // once per request, with what the request named.
    using FailureReport = std::function<void(const std::string& target)>;
    void SetFailureReport(FailureReport report) { *m_report = std::move(report); }

protected:
    // Kept by what a request started, so that a report set or cleared later is the one a
    // late failure reaches.
    std::shared_ptr<FailureReport> FailureSink() const { return m_report; }

private:
    std::shared_ptr<FailureReport> m_report = std::make_shared<FailureReport>();
};

}  // namespace qarvex
