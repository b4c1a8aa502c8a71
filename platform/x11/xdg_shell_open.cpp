#include "platform/x11/xdg_shell_open.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "platform/linux/app_lookup.h"
#include "platform/linux/bounded_read.h"
#include "platform/linux/desktop_entry.h"
#include "platform/linux/desktop_launch.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// Desktop entries are small; a bigger file is not one.
constexpr std::size_t kMaxDesktopEntryBytes = 1024 * 1024;
// A handler or program that ends with a failure this soon gave up on what it was asked to
// open; one that fails later ran, and its end is its own business.
constexpr qint64 kGaveUpWithinMs = 15000;

}  // namespace

// One request: however many programs it tries, its failure is told once.
struct OpenAttempt {
    std::string target;
    std::shared_ptr<ShellOpen::FailureReport> sink;
    bool told = false;

    void Fail() {
        if (told) {
            return;
        }
        told = true;
        // Told from the event loop: the request may have failed inside its own call.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target = target, sink = sink] {
                if (sink && *sink) {
                    (*sink)(target);
                }
            },
            Qt::QueuedConnection);
    }
};

namespace {

using AttemptPtr = std::shared_ptr<OpenAttempt>;

QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "scheme:" with a scheme of at least two characters, so that a stray "C:/x" from a
// Windows-made history stays a path.
bool HasScheme(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2) {
        return false;
    }
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isAlpha(target[0])) {
        return false;
    }
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = target[i];
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

std::string OptionSafe(const std::string& target) {
    if (!StartsWith(target, "-")) {
        return target;
    }
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return (error ? std::filesystem::path("/") : current).string() + "/" + target;
}

std::optional<QString> FindProgram(std::string_view name) {
    const QString found = QStandardPaths::findExecutable(ToQt(name));
    if (found.isEmpty()) {
        return std::nullopt;
    }
    return found;
}

// Started without waiting for it; its failed start or early failure is told to the
// attempt, or hands over to instead when that is given. The process is never ended by
// Qarvex: it holds no pipe to it, and nothing deletes it before it ends.
void Start(const QString& program, const QStringList& arguments, const AttemptPtr& attempt,
           std::function<void()> instead = {}) {
    auto* process = new QProcess();
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    auto clock = std::make_shared<QElapsedTimer>();
    QObject::connect(process, &QProcess::started, process, [clock] { clock->start(); });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, attempt, instead](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) {
                             return;  // a crash or a lost pipe: finished tells the end
                         }
                         if (instead) {
                             instead();
                         } else {
                             attempt->Fail();
                         }
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, attempt, clock](int code, QProcess::ExitStatus status) {
                         if ((code != 0 || status == QProcess::CrashExit) &&
                             (!clock->isValid() || clock->elapsed() < kGaveUpWithinMs)) {
                             attempt->Fail();
                         }
                         process->deleteLater();
                     });
    process->start();
}

// A call to another program over the bus; an error answer is a failed request.
void SendWatched(const QDBusConnection& bus, const QDBusMessage& call, const AttemptPtr& attempt) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [attempt](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             attempt->Fail();
                         }
                         done->deleteLater();
                     });
}

// Asks a D-Bus activatable application to show itself; the bus starts it when it isn't
// running. False when the bus can't reach it, so that its Exec line can serve instead.
bool ActivateOverBus(const std::string& busName, const std::string& objectPath,
                     const AttemptPtr& attempt) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const QString name = ToQt(busName);
    QDBusConnectionInterface* daemon = bus.interface();
    if (daemon == nullptr) {
        return false;
    }
    const QDBusReply<bool> owned = daemon->isServiceRegistered(name);
    const QDBusReply<QStringList> activatable =
        daemon->call(QStringLiteral("ListActivatableNames"));
    if (!(owned.isValid() && owned.value()) &&
        !(activatable.isValid() && activatable.value().contains(name))) {
        return false;
    }
    QDBusMessage activate = QDBusMessage::createMethodCall(
        name, ToQt(objectPath), QStringLiteral("org.freedesktop.Application"),
        QStringLiteral("Activate"));
    activate << QVariantMap();
    activate.setAutoStartService(true);
    // The application may take a while to start; nothing here waits for it.
    SendWatched(bus, activate, attempt);
    return true;
}

void OpenWithDefaultHandler(const std::string& target, const AttemptPtr& attempt) {
    const QString argument = ToQt(OptionSafe(target));
    if (const auto xdgOpen = FindProgram("xdg-open")) {
        Start(*xdgOpen, {argument}, attempt);
    } else if (const auto gio = FindProgram("gio")) {
        Start(*gio, {QStringLiteral("open"), argument}, attempt);
    } else {
        attempt->Fail();
    }
}

// argv[0] with a "/" is taken as it is, otherwise looked up on $PATH.
bool StartArgv(const std::vector<std::string>& argv, const AttemptPtr& attempt) {
    if (argv.empty() || argv.front().empty()) {
        return false;
    }
    std::optional<QString> program;
    if (Contains(argv.front(), "/")) {
        program = ToQt(argv.front());
    } else {
        program = FindProgram(argv.front());
    }
    if (!program) {
        return false;
    }
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        arguments << ToQt(argv[i]);
    }
    Start(*program, arguments, attempt);
    return true;
}

// True when the entry named a program we could start.
bool LaunchDesktopEntry(const std::string& path, const AttemptPtr& attempt) {
    const std::optional<std::string> text = ReadFileUpTo(path, kMaxDesktopEntryBytes);
    if (!text) {
        return false;
    }
    const std::optional<DesktopEntry> entry = ParseDesktopEntry(*text);
    if (!entry) {
        return false;
    }
    const auto findProgram = [](const std::string& name) -> std::optional<std::string> {
        if (const auto found = FindProgram(name)) {
            return found->toStdString();
        }
        return std::nullopt;
    };
    const std::optional<DesktopLaunch> launch =
        PlanDesktopLaunch(*entry, DesktopFileIdOf(path), findProgram);
    if (!launch) {
        return false;
    }
    if (!launch->busName.empty() && ActivateOverBus(launch->busName, launch->objectPath, attempt)) {
        return true;
    }
    if (launch->argv.empty()) {
        return false;
    }
    QStringList arguments;
    for (std::size_t i = 1; i < launch->argv.size(); ++i) {
        arguments << ToQt(launch->argv[i]);
    }
    Start(ToQt(launch->argv.front()), arguments, attempt);
    return true;
}

const std::vector<std::string_view> kSettingsPrograms = {
    "gnome-control-center", "xfce4-settings-manager", "systemsettings", "mate-control-center",
    "lxqt-config",          "cinnamon-settings"};
const std::vector<std::string_view> kSystemMonitors = {"gnome-system-monitor",
                                                       "xfce4-taskmanager",
                                                       "plasma-systemmonitor",
                                                       "ksysguard",
                                                       "mate-system-monitor",
                                                       "lxtask",
                                                       "qps"};
const std::vector<std::string> kSettingsCategories = {"Settings", "DesktopSettings"};
const std::vector<std::string> kMonitorCategories = {"System", "Monitor"};
const std::vector<std::string_view> kPrinterPrograms = {"system-config-printer",
                                                        "kde-print-manager"};
// File managers that show the virtual places (trash:///, recent:///, network:///).
const std::vector<std::string_view> kFileManagers = {"nautilus",   "nemo",    "caja",   "thunar",
                                                     "pcmanfm-qt", "pcmanfm", "dolphin"};
constexpr const char* kCupsPage = "http://localhost:631/printers/";

// The file manager's virtual-file system, without which recent:/// and network:/// show
// nothing: its daemon's backend for the scheme.
bool HasGvfsBackend(std::string_view scheme) {
    const std::string backend = "gvfsd-" + std::string(scheme);
    std::error_code error;
    for (const char* folder : {"/usr/libexec/", "/usr/lib/gvfs/", "/usr/local/libexec/"}) {
        if (std::filesystem::exists(folder + backend, error)) {
            return true;
        }
    }
    return false;
}

bool AnyInstalled(const std::vector<std::string_view>& names) {
    for (const std::string_view name : names) {
        if (FindProgram(name)) {
            return true;
        }
    }
    return false;
}

// Asks the session's file manager over D-Bus; false when none answers to the name.
bool ShowWithFileManager1(const QString& uri, const AttemptPtr& attempt) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        return false;
    }
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    const bool running = bus.interface()->isServiceRegistered(service).value();
    if (!running && !bus.interface()->activatableServiceNames().value().contains(service)) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                       service, QStringLiteral("ShowFolders"));
    call << QStringList{uri} << QString();
    SendWatched(bus, call, attempt);
    return true;
}

void ShowInFileManager(std::string_view uri, const AttemptPtr& attempt) {
    const QString argument = ToQt(uri);
    if (ShowWithFileManager1(argument, attempt)) {
        return;
    }
    for (const std::string_view name : kFileManagers) {
        if (const auto program = FindProgram(name)) {
            Start(*program, {argument}, attempt);
            return;
        }
    }
    if (const auto gio = FindProgram("gio")) {
        Start(*gio, {QStringLiteral("open"), argument}, attempt);
    } else {
        attempt->Fail();
    }
}

// The folder part of a path or "file://" address: what is shown instead of a desktop
// entry that was recorded as a file.
std::string FolderOf(const std::string& target) {
    const std::size_t slash = target.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : target.substr(0, slash);
}

bool IsDesktopEntryName(const std::string& target) {
    return EndsWith(AsciiLower(target), ".desktop");
}

// The local file a target names, as a handler would find it: a path as it is, a "file:"
// address ("file:/p", "file:///p", "file://localhost/p") without its query and fragment
// and with its escapes decoded. Nothing for another machine's file or another scheme.
std::optional<std::string> LocalPathOf(const std::string& target) {
    if (!HasScheme(target)) {
        return OptionSafe(target);
    }
    if (!StartsWith(AsciiLower(target), "file:")) {
        return std::nullopt;
    }
    std::string_view rest = std::string_view(target).substr(5);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (StartsWith(rest, "//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        const std::string host(rest.substr(0, slash));
        if (!host.empty() && AsciiLower(host) != "localhost") {
            return std::nullopt;
        }
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    return PercentDecode(rest);
}

// A file some desktops' default handler runs when it is opened: a desktop entry, or an
// executable program (a binary or a script with an interpreter line). Files that merely
// carry the executable bit, as every file on a Windows-formatted disk does, are documents.
bool RunsWhenOpened(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    if (IsDesktopEntryName(path)) {
        return true;
    }
    if (access(path.c_str(), X_OK) != 0) {
        return false;
    }
    std::string head(4, '\0');
    std::ifstream file(path, std::ios::binary);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return head ==
               "\x7F"
               "ELF" ||
           StartsWith(head, "#!");
}

bool StartFirstInstalled(const std::vector<std::string_view>& names, const AttemptPtr& attempt) {
    for (const std::string_view name : names) {
        if (const auto program = FindProgram(name)) {
            Start(*program, {}, attempt);
            return true;
        }
    }
    return false;
}

void OpenAs(const std::string& target, const AttemptPtr& attempt) {
    // Some desktops' default handler for a desktop entry or a program is to run it
    // (exo-open, kde-open). One that was recorded as a file is shown in its folder
    // instead, decided on the file the target names however it is spelt.
    if (const std::optional<std::string> local = LocalPathOf(target);
        local && RunsWhenOpened(*local)) {
        OpenWithDefaultHandler(FolderOf(*local), attempt);
        return;
    }
    OpenWithDefaultHandler(target, attempt);
}

}  // namespace

XdgShellOpen::XdgShellOpen() = default;
XdgShellOpen::~XdgShellOpen() = default;

std::string XdgShellOpen::EntryWithCategories(const std::vector<std::string>& wanted) const {
    if (!m_apps) {
        m_apps = std::make_unique<AppLookup>();
    }
    m_apps->index->Refresh();
    const std::string* found = nullptr;
    std::string foundId;
    for (const IndexedEntry& indexed : m_apps->index->Entries()) {
        const DesktopEntry& entry = indexed.entry;
        if (entry.noDisplay || (indexed.execProgram.empty() && !entry.dbusActivatable)) {
            continue;
        }
        const bool fits = std::all_of(wanted.begin(), wanted.end(), [&](const std::string& c) {
            return std::find(entry.categories.begin(), entry.categories.end(), c) !=
                   entry.categories.end();
        });
        // The same choice however the folders happen to list their files.
        if (fits && (found == nullptr || indexed.id < foundId)) {
            found = &indexed.path;
            foundId = indexed.id;
        }
    }
    return found != nullptr ? *found : std::string();
}

std::shared_ptr<OpenAttempt> XdgShellOpen::NewAttempt(std::string target) const {
    return std::make_shared<OpenAttempt>(OpenAttempt{std::move(target), FailureSink(), false});
}

void XdgShellOpen::Open(const std::string& target) {
    if (Trim(target).empty()) {
        return;
    }
    OpenAs(target, NewAttempt(target));
}

void XdgShellOpen::OpenDefault(const std::string& target) {
    Open(target);
}

void XdgShellOpen::Launch(const std::string& program) {
    if (Trim(program).empty()) {
        return;
    }
    const AttemptPtr attempt = NewAttempt(program);
    if (!HasScheme(program)) {
        const std::string path = OptionSafe(program);
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (!error && std::filesystem::is_regular_file(status)) {
            if (IsDesktopEntryName(path)) {
                // A broken entry opens nothing rather than an editor.
                if (!LaunchDesktopEntry(path, attempt)) {
                    attempt->Fail();
                }
                return;
            }
            if (access(path.c_str(), X_OK) == 0) {
                // A program that cannot be executed after all goes to the default handler.
                Start(ToQt(path), {}, attempt, [program, attempt] { OpenAs(program, attempt); });
                return;
            }
        }
    }
    OpenAs(program, attempt);
}

void XdgShellOpen::Run(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty()) {
        return;
    }
    const AttemptPtr attempt = NewAttempt(argv.front());
    if (!StartArgv(argv, attempt)) {
        attempt->Fail();
    }
}

void XdgShellOpen::OpenPlace(ShellPlace place) {
    switch (place) {
        case ShellPlace::Computer:
            OpenWithDefaultHandler("/", NewAttempt("/"));
            break;
        case ShellPlace::Network:
            ShowInFileManager("network:///", NewAttempt("network:///"));
            break;
        case ShellPlace::Trash:
            ShowInFileManager("trash:///", NewAttempt("trash:///"));
            break;
        case ShellPlace::Recent:
            ShowInFileManager("recent:///", NewAttempt("recent:///"));
            break;
        case ShellPlace::Settings: {
            const AttemptPtr attempt = NewAttempt("控制面板");
            if (!StartFirstInstalled(kSettingsPrograms, attempt)) {
                const std::string entry = EntryWithCategories(kSettingsCategories);
                if (entry.empty() || !LaunchDesktopEntry(entry, attempt)) {
                    attempt->Fail();
                }
            }
            break;
        }
        case ShellPlace::TaskManager: {
            const AttemptPtr attempt = NewAttempt("任务管理器");
            if (StartFirstInstalled(kSystemMonitors, attempt)) {
                break;
            }
            if (const std::string entry = EntryWithCategories(kMonitorCategories);
                !entry.empty() && LaunchDesktopEntry(entry, attempt)) {
                break;
            }
            const auto terminal = FindProgram("x-terminal-emulator");
            const auto htop = FindProgram("htop");
            if (terminal && htop) {
                Start(*terminal, {QStringLiteral("-e"), *htop}, attempt);
            } else {
                attempt->Fail();
            }
            break;
        }
        case ShellPlace::Printers:
            if (!StartFirstInstalled(kPrinterPrograms, NewAttempt("打印机")) &&
                FindProgram("lpstat")) {
                OpenWithDefaultHandler(kCupsPage, NewAttempt(kCupsPage));
            }
            break;
    }
}

bool XdgShellOpen::HasPlace(ShellPlace place) const {
    switch (place) {
        case ShellPlace::Settings:
            return AnyInstalled(kSettingsPrograms) ||
                   !EntryWithCategories(kSettingsCategories).empty();
        case ShellPlace::TaskManager:
            return AnyInstalled(kSystemMonitors) ||
                   !EntryWithCategories(kMonitorCategories).empty() ||
                   (FindProgram("x-terminal-emulator") && FindProgram("htop"));
        case ShellPlace::Recent:
            return HasGvfsBackend("recent");
        case ShellPlace::Network:
            return HasGvfsBackend("network");
        case ShellPlace::Printers:
            return AnyInstalled(kPrinterPrograms) || FindProgram("lpstat").has_value();
        default:
            return true;
    }
}

}  // namespace qarvex
