#include "app/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <QCommandLineParser>
#include <QStringList>
#include <QSysInfo>

#include "capture/sync_service.h"
#include "desktop/history_query.h"
#include "platform/environment.h"
#include "platform/wayland/display_choice.h"
#include "store/address_rules.h"
#include "store/config_dir.h"
#include "store/history_export.h"
#include "store/history_snapshot.h"
#include "store/sync_folder.h"

namespace qarvex {

namespace {

constexpr int kUsageError = 2;

const char* const kHelpEnglish =
    "Usage: qarvex [option]\n"
    "Remembers what you open (programs, web pages, folders, files) and lets you find and\n"
    "reopen it from the tray.\n"
    "\n"
    "Options:\n"
    "  --search TEXT    print the remembered entries that hold TEXT, one a line: name,\n"
    "                   address, kind, first day and the machine that recorded it,\n"
    "                   separated by tabs (other machines' entries of a synced folder\n"
    "                   come after this one's); exit status 1 when nothing matches\n"
    "  --export FILE    write the history to FILE, CSV or JSON by its ending\n"
    "  --show           show the window with the search box focused (starts Qarvex\n"
    "                   when it is not running)\n"
    "  --toggle-search  the same, or hide the window when it is up\n"
    "  --tray           start in the tray without showing the window\n"
    "  --version        print the version and the display Qarvex would use\n"
    "  --help           print this help\n"
    "\n"
    "--search and --export only read the history: they need no display and leave a\n"
    "running Qarvex alone.\n";

const char* const kHelpChinese =
    "用法: qarvex [选项]\n"
    "记下您打开的程序、网页、文件夹和文件，让您从托盘找到并再次打开它们。\n"
    "\n"
    "选项:\n"
    "  --search 文字    列出历史中含有该文字的条目，每行一条：名称、地址、类型、\n"
    "                   首次日期和记录它的电脑，以制表符分隔（同步文件夹中其他电脑的\n"
    "                   条目列在本机的之后）；没有匹配时退出码为 1\n"
    "  --export 文件    把历史导出到文件，按文件名结尾为 CSV 或 JSON\n"
    "  --show           显示窗口并让搜索框获得焦点（Qarvex 未运行时先启动它）\n"
    "  --toggle-search  同上，窗口已显示时则隐藏它\n"
    "  --tray           启动后只在托盘中，不显示窗口\n"
    "  --version        显示版本和 Qarvex 将使用的显示方式\n"
    "  --help           显示本帮助\n"
    "\n"
    "--search 和 --export 只读取历史：它们不需要显示器，也不打扰正在运行的 Qarvex。\n";

std::string VersionText() {
    const DisplayEnvironment display = DisplayEnvironmentFromProcess();
    std::string text = std::string("Qarvex ") + QARVEX_VERSION + "\n";
    if (display.qtPlatform.empty() && display.display.empty() && display.waylandDisplay.empty()) {
        return text + "display: none (neither DISPLAY nor WAYLAND_DISPLAY is set)\n";
    }
    return text + DescribeDisplayRoute(ChooseDisplayRoute(display), display) + "\n";
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

int Search(const std::string& keyword, Environment& environment) {
    SystemMountTable mounts;
    const std::string configDir = GetConfigDir(environment.ConfigRoot());
    HistorySnapshot history(
        configDir, environment.HomeFolder(), [&environment] { return environment.Today(); },
        &mounts);
    const std::vector<std::size_t> found = FindInHistory(history.Loaded(), keyword);
    // Who this machine is, as the settings say; an id made here stays in memory, and the
    // synced folder is only read.
    const std::string host = QSysInfo::machineHostName().toStdString();
    bool renewed = false;
    const SyncIdentity self =
        ReadSyncIdentity(history.Settings(), host, host + ":" + configDir, &renewed);
    for (const std::size_t index : found) {
        std::printf("%s\n", SearchResultLine(history.Docs()[index], self.machineName).c_str());
    }
    std::size_t foundElsewhere = 0;
    if (!self.folder.empty()) {
        SyncFolder folder(self);
        std::vector<std::string> problems;
        folder.Refresh(history.Docs(), &problems);
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "qarvex: %s\n", problem.c_str());
        }
        const RemoteHistory& remote = folder.Remote();
        const std::vector<int> ranked =
            RankedMatches(remote.Docs(), remote.SearchIndex(), keyword, environment.Today());
        for (const int index : ranked) {
            std::printf("%s\n", SearchResultLine(remote.Docs()[static_cast<std::size_t>(index)],
                                                 JoinMachineNames(remote.MachinesOf(index)))
                                    .c_str());
        }
        foundElsewhere = ranked.size();
    }
    return found.empty() && foundElsewhere == 0 ? 1 : 0;
}

int Export(const std::string& file, Environment& environment) {
    if (!ExportFormatFor(file)) {
        std::fprintf(stderr, "qarvex: %s: the file name must end in .csv or .json\n", file.c_str());
        return kUsageError;
    }
    SystemMountTable mounts;
    const HistorySnapshot history(
        GetConfigDir(environment.ConfigRoot()), environment.HomeFolder(),
        [&environment] { return environment.Today(); }, &mounts);
    if (!ExportHistory(history.Docs(), file)) {
        std::fprintf(stderr, "qarvex: %s: could not be written\n", file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromLocal8Bit(argument.c_str());
    }
    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption search(QStringLiteral("search"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption exportTo(QStringLiteral("export"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption show(QStringLiteral("show"));
    const QCommandLineOption toggle(QStringLiteral("toggle-search"));
    const QCommandLineOption tray(QStringLiteral("tray"));
    parser.addOptions({help, version, search, exportTo, show, toggle, tray});
    // Qt's own arguments go on to Qt: "-session ID" is how a session manager restarts us,
    // "-platform xcb" how a user picks the display.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "display", "geometry", "qwindowgeometry", "qwindowicon",
                             "qwindowtitle", "name", "title", "style", "stylesheet", "session",
                             "visual", "cmap"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }

    CommandLine command;
    const auto invalid = [&command](std::string why) {
        command.action = CommandLine::Action::Invalid;
        command.error = std::move(why);
        return command;
    };
    if (!parser.parse(list)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString& name = unknown.first();
            return invalid("unknown option '" + std::string(name.size() == 1 ? "-" : "--") +
                           Utf8(name) + "'");
        }
        return invalid(Utf8(parser.errorText()));
    }
    if (!parser.positionalArguments().isEmpty()) {
        return invalid("unexpected argument '" + Utf8(parser.positionalArguments().first()) + "'");
    }
    int actions = 0;
    const auto take = [&](const QCommandLineOption& option, CommandLine::Action action) {
        if (parser.isSet(option)) {
            ++actions;
            command.action = action;
            if (!option.valueName().isEmpty()) {
                command.argument = Utf8(parser.value(option));
            }
        }
    };
    take(help, CommandLine::Action::Help);
    take(version, CommandLine::Action::Version);
    take(search, CommandLine::Action::Search);
    take(exportTo, CommandLine::Action::Export);
    take(show, CommandLine::Action::Show);
    take(toggle, CommandLine::Action::ToggleSearch);
    if (actions > 1) {
        return invalid(
            "give one of --help, --version, --search, --export, --show, --toggle-search");
    }
    command.inTray = parser.isSet(tray);
    return command;
}

bool LocaleIsChinese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return std::string_view(value).substr(0, 2) == "zh";
        }
    }
    return false;
}

std::string CommandLineHelp(bool chinese) {
    return chinese ? kHelpChinese : kHelpEnglish;
}

int RunWithoutDisplay(const CommandLine& command, Environment& environment) {
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(CommandLineHelp(LocaleIsChinese()).c_str(), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Search:
            return Search(command.argument, environment);
        case CommandLine::Action::Export:
            return Export(command.argument, environment);
        case CommandLine::Action::Invalid:
            std::fprintf(stderr, "qarvex: %s\nTry 'qarvex --help'.\n", command.error.c_str());
            return kUsageError;
        default:
            return -1;
    }
}

}  // namespace qarvex
