#include "app/window_parts.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QToolButton>

#include "desktop/global_shortcut.h"
#include "desktop/quick_search.h"
#include "desktop/shortcut_settings.h"
#include "platform/platform.h"
#include "shellnav/about_help.h"
#include "shellnav/system_places.h"
#include "startup/auto_run.h"
#include "startup/doc_display.h"
#include "startup/favourites.h"
#include "startup/startup_entries.h"
#include "store/app_state.h"
#include "store/history_export.h"
#include "ui_TFrmMain.h"
#include "views/doc_trees.h"
#include "views/privacy_controls.h"
#include "views/remote_tree.h"
#include "views/search_box.h"
#include "views/services.h"
#include "views/sync_controls.h"
#include "views/tray_controller.h"
#include "views/tree_views.h"

namespace qarvex {

namespace {

// The file the history is exported to; empty when the user cancelled.
QString AskExportPath(QWidget* window) {
    const QString csv = QStringLiteral("CSV 文件 (*.csv)");
    const QString json = QStringLiteral("JSON 文件 (*.json)");
    QString chosen = csv;
    QString path = QFileDialog::getSaveFileName(window, QStringLiteral("导出历史"),
                                                QDir::home().filePath(QStringLiteral("qarvex.csv")),
                                                csv + QStringLiteral(";;") + json, &chosen);
    // The format follows the name's ending; a name without one gets the chosen type's.
    if (!path.isEmpty() && !ExportFormatFor(path.toStdString())) {
        path += chosen == json ? QStringLiteral(".json") : QStringLiteral(".csv");
    }
    return path;
}

}  // namespace

WindowMenus BuildWindowMenus(QWidget* window) {
    WindowMenus menus;
    menus.tray = BuildPopMenu(window);
    menus.docTree = BuildPmDocTree(window);
    menus.fav = BuildPmMyFav(window);
    menus.autoRunList = BuildPmAutoRunList(window);
    menus.moreSpecialDir = BuildPmMoreSpecialDir(window);
    return menus;
}

WindowParts::WindowParts(Ui::TFrmMain& ui, const WindowMenus& menus, const Services& services,
                         WindowActions& actions, QWidget& window, DayTree::Clock today,
                         SyncService& sync, const std::string& hostName,
                         const std::string& syncOwner) {
    docTrees = new DocTrees({ui.TVControl, ui.TVDoc, ui.TVApp, ui.TVPath, ui.TVDocs},
                            services.history, services.images, std::move(today), &window);

    PrivacyControls::Services privacyServices;
    privacyServices.settings = &services.state.Settings();
    privacyServices.configDir = services.state.ConfigDir();
    privacyServices.home = services.platform.environment->HomeFolder();
    privacyServices.history = &services.history;
    privacyServices.recent = &services.state.RecentList();
    privacyServices.messages = &services.messages;
    privacyServices.bulkChange = [trees = docTrees](const std::function<void()>& change) {
        trees->BulkHistoryChange(change);
    };
    privacyServices.askExportPath = [&window] { return AskExportPath(&window); };
    const PrivacyWidgets privacyWidgets = BuildPrivacyWidgets(ui.TsQVSet);
    privacy = new PrivacyControls(privacyWidgets, menus.tray.MnQVPauseRecord,
                                  std::move(privacyServices), &window);

    treeViews = new TreeViews(
        *docTrees, services,
        {ui.TVControl, ui.PnlHint, ui.LbSearchResult, ui.BtnQVDeleteAllDocs, menus.docTree},
        &window);
    searchBox = new SearchBox(services, *docTrees, actions,
                              {ui.SbSearchText, ui.ShapeSearch, ui.EdtSearch, ui.BtnQVSearch,
                               ui.LbSearchResult, ui.PnlHint, ui.WebBrowser1Host},
                              &window);
    trayController =
        new TrayController(services, actions, {menus.tray, ui.PnlTop, ui.SbSearchText}, &window);
    favourites = new Favourites(
        services, *docTrees,
        {ui.LbMyLove, ui.CbFavEdit, ui.PnlNewFav, ui.EdtNewFavDisplay, ui.EdtNewFavPath,
         ui.BtnQVAddToFav, ui.BtnQVUpdateFav, ui.PnlHint, menus.fav},
        &window);
    autoRun =
        new AutoRun(services, *docTrees,
                    {ui.LbAutoRun, ui.RgAutorOpenTypeItem0, ui.RgAutorOpenTypeItem1,
                     ui.RgAutorOpenTypeItem2, ui.BtnQVStart, ui.BtnQVAutoRunSet, ui.CbAutoRunDocs,
                     ui.CbQueryAutoRunDoc, ui.ProgressBar1, menus.autoRunList, &window},
                    &window);
    startupEntries = new StartupEntries(services, {ui.BtnQVPCStart, &window}, &window);
    docDisplay = new DocDisplay(services, {ui.BtnDocDisplay, &window}, &window);
    systemPlaces = new SystemPlaces(
        services, actions, {ui.TsQVSystem, ui.BtnMoreSpecDir, menus.moreSpecialDir, menus.tray},
        &window);
    aboutHelp = new AboutHelp(services, {ui.BtnAbout, ui.BtnHelp, &window}, &window);
    quickSearch = new QuickSearch(actions, window, *ui.EdtSearch, &window);
    globalShortcut = new GlobalShortcut(&window);
    QObject::connect(globalShortcut, &GlobalShortcut::activated, quickSearch,
                     &QuickSearch::ToggleSearch);
    shortcutSettings = new ShortcutSettings(services.state.Settings(), *globalShortcut,
                                            BuildShortcutWidgets(ui.TsQVSet), &window);

    SyncControls::Options syncOptions;
    syncOptions.hostName = hostName;
    syncOptions.owner = syncOwner;
    syncOptions.chooseFolder = [&window](const QString& current) {
        return QFileDialog::getExistingDirectory(&window, QStringLiteral("同步文件夹"),
                                                 current.isEmpty() ? QDir::homePath() : current);
    };
    syncControls = new SyncControls(sync, services.state.Settings(), services.messages,
                                    BuildSyncWidgets(ui.TsQVSet, QString::fromStdString(hostName)),
                                    std::move(syncOptions), &window);
    remoteTree = new RemoteTree(sync, services.openers, services.messages, services.images,
                                *ui.TVControl, &window);
    searchBox->SetSync(&sync);
    QObject::connect(syncControls, &SyncControls::RemoteChanged, remoteTree, &RemoteTree::Fill);

    // A menu item of one part that is another part's command: the tree menu and the
    // auto-run menu add the selected history entry to the favourites, the tree menu and
    // the favourites menu add it to the auto-run list.
    QObject::connect(menus.docTree.MyMyLove, &QAction::triggered, favourites,
                     &Favourites::MyMyLoveClick);
    QObject::connect(menus.autoRunList.N35, &QAction::triggered, favourites,
                     &Favourites::MyMyLoveClick);
    QObject::connect(menus.docTree.MnAddToRunList, &QAction::triggered, autoRun,
                     &AutoRun::MnAddToRunListClick);
    QObject::connect(menus.fav.MnQVAddToRun, &QAction::triggered, autoRun,
                     &AutoRun::MnAddToRunListClick);
    QObject::connect(menus.docTree.MnQVNoRecord, &QAction::triggered, privacy,
                     [this] { privacy->NoLongerRecord(docTrees->SelectedDocIndexes()); });
    // The tray's "系统常用" items open their places as the system page's buttons do.
    QObject::connect(trayController, &TrayController::SystemPlaceRequested, systemPlaces,
                     &SystemPlaces::OpenPlace);
    // What the user removed, or ruled out, leaves the shared file without waiting for a
    // scan (connected after the parts that act, so it runs after them).
    QObject::connect(privacyWidgets.BtnQVSaveExclusions, &QPushButton::clicked, syncControls,
                     &SyncControls::HistoryChanged);
    for (QAction* deletion : {menus.docTree.MnDeleteSelected, menus.docTree.MnDeleteAllDocs,
                              menus.docTree.MnQVNoRecord}) {
        QObject::connect(deletion, &QAction::triggered, syncControls,
                         &SyncControls::HistoryChanged);
    }
    QObject::connect(ui.BtnQVDeleteAllDocs, &QToolButton::clicked, syncControls,
                     &SyncControls::HistoryChanged);
}

WindowParts::~WindowParts() {
    for (QObject* part : std::initializer_list<QObject*>{
             treeViews, searchBox, trayController, favourites, autoRun, startupEntries, docDisplay,
             systemPlaces, aboutHelp, shortcutSettings, globalShortcut, quickSearch, syncControls,
             remoteTree, privacy, docTrees}) {
        delete part;
    }
}

}  // namespace qarvex
