#pragma once

#include <string>
#include <vector>

namespace qarvex {

class Environment;

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Action {
        Run,  // start (or bring up the running copy)
        Help,
        Version,
        Search,        // print what the history holds for argument, then end
        Export,        // write the history to the file argument, then end
        Show,          // the running copy shows its window, search box focused
        ToggleSearch,  // ... or hides it when it is up
        Invalid,       // error says why
    };
    Action action = Action::Run;
    std::string argument;
    std::string error;
    // Started by the session bus for a search: the window stays in the tray.
    bool inTray = false;
};

// arguments as main got them, the program's name first. Needs no application object.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The help text, in Chinese when the locale's language is Chinese, in English otherwise.
std::string CommandLineHelp(bool chinese);
// LC_ALL, LC_MESSAGES or LANG, the first that is set, names Chinese.
bool LocaleIsChinese();

// Runs the actions that need no display and no running copy (help, version, search,
// export) and returns the exit code; -1 for the actions that need the program itself.
// They read the configuration folder and never write into it.
int RunWithoutDisplay(const CommandLine& command, Environment& environment);

}  // namespace qarvex
