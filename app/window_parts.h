#pragma once

#include <string>

#include <QObject>

#include "store/day_groups.h"
#include "views/popup_menus.h"

class QWidget;

namespace Ui {
class TFrmMain;
}

namespace qarvex {

class AboutHelp;
class AutoRun;
class DocDisplay;
class DocTrees;
class Favourites;
class PrivacyControls;
class QuickSearch;
class RemoteTree;
class GlobalShortcut;
class ShortcutSettings;
class SearchBox;
class StartupEntries;
class SyncControls;
class SyncService;
class SystemPlaces;
class TrayController;
class TreeViews;
class WindowActions;
struct Services;

// The window's menus, children of the window so that they are found by name.
struct WindowMenus {
    TrayMenu tray;
    DocTreeMenu docTree;
    FavMenu fav;
    AutoRunListMenu autoRunList;
    MoreSpecialDirMenu moreSpecialDir;
};
WindowMenus BuildWindowMenus(QWidget* window);

// The window's parts, each given the services and the controls of the form it uses, and
// connected to each other where one part's menu item is another part's command. Besides
// the window, this is the one place that sees the form.
class WindowParts {
public:
    // Made before the start-up load: the parts observe the lists and controls it fills.
    // sync: the history shared with other machines; syncOwner names where this machine's
    // id belongs ("host:configuration folder").
    WindowParts(Ui::TFrmMain& ui, const WindowMenus& menus, const Services& services,
                WindowActions& actions, QWidget& window, DayTree::Clock today, SyncService& sync,
                const std::string& hostName, const std::string& syncOwner);
    // The parts go first: they refer to the services, which the window frees after them.
    ~WindowParts();
    WindowParts(const WindowParts&) = delete;
    WindowParts& operator=(const WindowParts&) = delete;

    DocTrees* docTrees = nullptr;
    PrivacyControls* privacy = nullptr;
    TreeViews* treeViews = nullptr;
    SearchBox* searchBox = nullptr;
    TrayController* trayController = nullptr;
    Favourites* favourites = nullptr;
    AutoRun* autoRun = nullptr;
    StartupEntries* startupEntries = nullptr;
    DocDisplay* docDisplay = nullptr;
    SystemPlaces* systemPlaces = nullptr;
    AboutHelp* aboutHelp = nullptr;
    QuickSearch* quickSearch = nullptr;
    GlobalShortcut* globalShortcut = nullptr;
    ShortcutSettings* shortcutSettings = nullptr;
    SyncControls* syncControls = nullptr;
    RemoteTree* remoteTree = nullptr;
};

}  // namespace qarvex
