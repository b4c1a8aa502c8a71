#include "app/session_end.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include "app/frm_main.h"

namespace qarvex {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_signalPipe[2] = {-1, -1};
TFrmMain* g_window = nullptr;
bool g_exitHandlerArmed = false;

extern "C" void WriteSignalByte(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    // Nothing else is safe here; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

extern "C" void SaveAtProcessExit() {
    if (TFrmMain* window = g_window) {
        g_window = nullptr;
        window->SaveBeforeForcedExit();
    }
}

bool OpenSignalPipe() {
    if (g_signalPipe[0] >= 0) {
        return true;
    }
    return ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

SessionEnd::SessionEnd(TFrmMain& window) : m_window(window) {
    g_window = &window;
    if (!g_exitHandlerArmed) {
        g_exitHandlerArmed = std::atexit(SaveAtProcessExit) == 0;
    }
    if (OpenSignalPipe()) {
        m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::SignalArrived);
        struct sigaction action {};
        action.sa_handler = WriteSignalByte;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : kSignals) {
            ::sigaction(signal, &action, nullptr);
        }
    }
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { m_window.SaveForSessionManager(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_window.FormDestroy(); });
}

SessionEnd::~SessionEnd() {
    g_window = nullptr;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

void SessionEnd::SignalArrived() {
    char bytes[64];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    m_window.EndSession();
}

}  // namespace qarvex
