#include "app/frm_main.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPlatformSurfaceEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include "app/session_saver.h"
#include "app/storage_notice.h"
#include "capture/openers.h"
#include "capture/scanner.h"
#include "capture/sync_service.h"
#include "platform/linux/desktop_entry_index.h"
#include "platform/linux/proc_process_facts.h"
#include "platform/messages.h"
#include "startup/auto_run.h"
#include "startup/frm_run.h"
#include "startup/startup_entries.h"
#include "store/address_rules.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/autorun.h"
#include "store/config_dir.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/settings.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "ui_TFrmMain.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/privacy_controls.h"
#include "views/qt_text.h"
#include "views/search_box.h"
#include "views/skin.h"
#include "views/skin_tab_bar.h"
#include "views/sync_controls.h"
#include "views/tray_controller.h"
#include "views/web_engine_module.h"

namespace qarvex {

namespace {

constexpr int kFirstRunDelayMs = 1500;
int g_trayOverride = -1;

// Texts of Qt's file dialog that the distribution's Chinese translation lacks: without them
// the export dialog shows "Folder" and "File" among Chinese words.
class FileTypeTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        static const std::pair<const char*, const char*> kTexts[] = {
            {"Folder", "文件夹"}, {"File", "文件"},  {"%1 File", "%1 文件"},
            {"Drive", "驱动器"},  {"Alias", "别名"}, {"Shortcut", "快捷方式"}};
        for (const auto& [english, chinese] : kTexts) {
            if (qstrcmp(sourceText, english) == 0) {
                return QString::fromUtf8(chinese);
            }
        }
        return {};
    }
};
constexpr int kCheckDocsDesignIntervalMs = 15000;

// QARVEX_DEBUG_SCAN=1: a line on standard error once the window takes keys and whenever a
// scan pass has ended (what it recorded is then on disk), so that a script presses F5 once
// and checks at once instead of pressing until something shows.
void DebugScan(const char* line) {
    static const bool on = qEnvironmentVariableIntValue("QARVEX_DEBUG_SCAN") == 1;
    if (on) {
        std::fprintf(stderr, "qarvex: %s\n", line);
        std::fflush(stderr);
    }
}

// An installed application starts this program (or is this desktop entry): a program
// recorded on another machine is started here only then, or when recorded here too.
bool InstalledApplicationStarts(std::string_view path) {
    static ProcProcessFacts facts;
    static DesktopEntryIndex entries(DesktopEntryIndex::FoldersFromEnvironment(), facts);
    entries.Refresh();
    const std::string program(path);
    if (entries.ByPath(program) != nullptr) {
        return true;
    }
    const auto canonical = facts.CanonicalFile(program);
    return canonical && entries.ByProgram(*canonical) != nullptr;
}

}  // namespace

TFrmMain::TFrmMain(Platform& platform, Messages& messages, std::string configDir, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_messages(messages), m_ui(new Ui::TFrmMain) {
    m_ui->setupUi(this);
    m_menus = BuildWindowMenus(this);
    ApplyHiddenTabs(m_ui->TVControl);
    FormCreate(configDir);
}

TFrmMain::~TFrmMain() {
    FormDestroy();
    qApp->removeEventFilter(this);
    // The parts and the tree models refer to the history and the lists, which the members
    // below free before QObject gets to its children: let them go first.
    m_parts.reset();
}

void TFrmMain::FormCreate(const std::string& configDir) {
    m_timerFirstRun = new QTimer(this);
    m_timerFirstRun->setInterval(kFirstRunDelayMs);
    connect(m_timerFirstRun, &QTimer::timeout, this, &TFrmMain::TimerFirstRunTimer);
    m_timerCheckDocs = new QTimer(this);
    m_timerCheckDocs->setInterval(kCheckDocsDesignIntervalMs);
    connect(m_timerCheckDocs, &QTimer::timeout, this, &TFrmMain::TimerCheckDocsTimer);

    // The start-up load counts on every box starting unticked and the bar at 60, whatever
    // the layout says: a stored value then runs the control's handler exactly when it
    // differs from that.
    for (QCheckBox* box : {m_ui->CbQVOnTop, m_ui->CbQVRefresh, m_ui->CbAutoRunDocs,
                           m_ui->CbQueryAutoRunDoc, m_ui->MnQVAutoRun, m_ui->CbFavEdit}) {
        box->setChecked(false);
    }
    m_ui->SbCheckTime->setRange(kMinCheckDocInterval, kMaxCheckDocInterval);
    m_ui->SbCheckTime->setValue(kMinCheckDocInterval);

    // Check boxes and the scroll bar run their handlers whenever their state really
    // changes, also when code changes it: the start-up load relies on that.
    connect(m_ui->CbQVOnTop, &QCheckBox::toggled, this, &TFrmMain::CbQVOnTopClick);
    connect(m_ui->CbQVRefresh, &QCheckBox::toggled, this, &TFrmMain::CbQVRefreshClick);
    connect(m_ui->SbCheckTime, &QScrollBar::valueChanged, this, &TFrmMain::SbCheckTimeChange);
    connect(m_ui->CbAutoRunDocs, &QCheckBox::toggled, this, &TFrmMain::CbAutoRunDocsClick);
    connect(m_ui->CbQueryAutoRunDoc, &QCheckBox::toggled, this, &TFrmMain::CbQueryAutoRunDocClick);
    connect(m_ui->MnQVAutoRun, &QCheckBox::toggled, this, &TFrmMain::MnQVAutoRunClick);
    connect(m_ui->CbFavEdit, &QCheckBox::toggled, this, &TFrmMain::ShowFavEdit);

    qApp->installEventFilter(this);
    LoadQtTranslations();

    // The loading steps: a failure ends them silently; arming the first-run timer and
    // the final placement below always run. A folder that cannot be made is used all the
    // same: its writes fail, and the user is told.
    Guarded([&] {
        PrepareConfigDir(configDir);
        // Only this copy writes the folder (one copy per user), so what a killed writer
        // left behind can go.
        for (const std::string_view name :
             {config_files::kSettings, config_files::kNote, config_files::kFavourites,
              config_files::kRecent, config_files::kRun, config_files::kLastRun}) {
            RemoveStaleTempFiles(ConfigFilePath(configDir, name));
        }
    });
    m_state = std::make_unique<AppState>(configDir);
    m_notice = new StorageNotice(
        m_messages, m_state->ConfigDir(),
        [this](const std::string& caption, const std::string& text) {
            if (!m_hasTray || m_tray == nullptr || !m_tray->isVisible() ||
                !QSystemTrayIcon::supportsMessages()) {
                return false;
            }
            m_tray->showMessage(Q(caption), Q(text), QSystemTrayIcon::Warning, 20000);
            return true;
        },
        this);
    // Told before the loads, which are what finds such a file refusing every write.
    Guarded([&] { m_notice->TooLarge(m_state->OversizedFiles()); });
    m_state->Settings().SetWriteFailedHook([this] { m_notice->CannotSave(); });
    CreateHistory();
    Environment& environment = *m_platform.environment;
    const std::string hostName = QSysInfo::machineHostName().toStdString();
    m_parts = std::make_unique<WindowParts>(
        *m_ui, m_menus, *m_services, *this, *this, [&environment] { return environment.Today(); },
        *m_sync, hostName, hostName + ":" + m_state->ConfigDir());
    // The keys follow the eye: the search box, the history of the page shown, the tabs.
    // Only the shown page's tree takes the keyboard; the others are hidden with their pages.
    QWidget* previous = m_ui->EdtSearch;
    for (QTreeView* tree : m_parts->docTrees->Views()) {
        QWidget::setTabOrder(previous, tree);
        previous = tree;
    }
    QWidget::setTabOrder(previous, m_ui->TVControl->tabBar());
    m_ui->EdtSearch->setFocus();
    Guarded([&] {
        InitTexts();
        ApplyTexts();
        LoadSkins();
        LoadState();
        AddTrayIcon();
        PlaceAtLowerRight();
        HideTaskbarButton();
    });
    KeepFilesCurrent();
    m_timerFirstRun->start();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        setGeometry(10, 10, area.width() - 20, area.height() - 50);
    }
}

void TFrmMain::KeepFilesCurrent() {
    m_saver = new SessionSaver(
        *m_state, [this] { return S(m_ui->MmNote->toPlainText()); },
        [this] { return SaveSettings(); }, this);
    m_saver->SetFailureHook([this] { m_notice->CannotSave(); });
    connect(m_ui->MmNote, &QPlainTextEdit::textChanged, m_saver, &SessionSaver::NoteChanged);
}

bool TFrmMain::LoadQtTranslations() {
    // The interface is Chinese whatever the desktop's language, so Qt's own texts (dialog
    // buttons, the edit fields' menus) must be too. Once per process: every window shares it.
    static bool loaded = false;
    if (loaded || QCoreApplication::instance() == nullptr) {
        return loaded;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Qt's own copy when the system has it, else the one the package ships beside ours.
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !translator->load(QStringLiteral("qtbase_zh_CN"),
                          QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/qarvex/translations"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QCoreApplication::installTranslator(new FileTypeTexts(QCoreApplication::instance()));
    loaded = true;
    return true;
}

void TFrmMain::CreateHistory() {
    Environment& environment = *m_platform.environment;
    m_images = std::make_unique<TreeImageList>();
    m_history = std::make_unique<History>(
        m_state->Settings(), m_state->RecentList(), [&environment] { return environment.Today(); },
        m_images.get(), environment.HomeFolder());
    // One table for the whole run; it reads the system's again when it has aged.
    static SystemMountTable mounts;
    m_history->SetMountTable(&mounts);
    m_history->SetScanTimerHook([this](bool on) {
        if (on) {
            m_timerCheckDocs->start();
        } else {
            m_timerCheckDocs->stop();
        }
    });

    Scanner::History sink;
    sink.addDoc = [this](const std::string& address, const std::string& name, bool software) {
        m_history->AddDoc(address, name, {}, software);
    };
    sink.isDocKnown = [this](const std::string& address) { return m_history->IsDocKnown(address); };
    sink.isPaused = [this] { return m_parts && m_parts->privacy->IsPaused(); };
    sink.isExcluded = [this](const std::string& address, const std::string& name, bool software) {
        return m_parts && m_parts->privacy->IsExcluded(address, name, software);
    };
    sink.recordRecentFiles = [this] { return m_parts && m_parts->privacy->RecordsRecentFiles(); };
    sink.maxDocs = [this] { return m_history->Limits().maxDocs; };
    sink.recentFilesSeen = [this] { return DefaultSection::RecentFilesSeen(m_state->Settings()); };
    sink.setRecentFilesSeen = [this](std::int64_t seen) {
        DefaultSection::SetRecentFilesSeen(m_state->Settings(), seen);
    };
    Scanner::Hooks hooks;
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.pause = [this](int ms) { PauseKeepingEvents(ms); };
    hooks.stepProgress = [this] { m_ui->ProgressBar1->setValue(m_ui->ProgressBar1->value() + 1); };
    hooks.setProgress = [this](int value) { m_ui->ProgressBar1->setValue(value); };
    hooks.expandCurrentTree = [this] { m_parts->docTrees->ExpandCurrentTree(); };
    hooks.expandPageTree = [this](int tab) {
        // The first three visible tabs are the first three pages.
        constexpr Page kPages[] = {Page::Web, Page::Software, Page::Folders};
        if (tab >= 0 && tab < 3) {
            m_parts->docTrees->ExpandPageTree(kPages[tab]);
        }
    };
    hooks.visibleTab = [this] { return m_parts->docTrees->VisibleTabIndex(); };
    hooks.recordingPass = [this](bool begins) {
        if (begins) {
            m_history->BeginRecordingPass();
            m_passStartSize = m_history->Docs().size();
        } else {
            m_history->EndRecordingPass();
            DebugScan("scan pass ended");
            if (m_parts) {
                m_parts->syncControls->PassEnded(m_history->Docs().size() != m_passStartSize);
            }
        }
    };
    m_scanner = std::make_unique<Scanner>(*m_platform.desktopWindows, *m_platform.shellWindows,
                                          std::move(sink), std::move(hooks));
    m_scanner->SetRecentDocuments(m_platform.recentDocuments.get());

    m_openers = std::make_unique<Openers>(*m_platform.shellOpen, *m_platform.desktopWindows,
                                          environment, m_messages, m_state->RecentList());
    m_openers->SetProgramTest(
        [this](std::string_view path) { return m_history->IsProgramPath(path); });
    m_openers->SetRecordingTest(
        [this](const std::string& path, const std::string& name, bool software) {
            return !m_parts || !(m_parts->privacy->IsPaused() ||
                                 m_parts->privacy->IsExcluded(path, name, software));
        });
    // What the user opens ranks first in the search, unless recording is paused.
    m_openers->SetOpenedHook([this](std::string_view target) {
        if (!m_parts || !m_parts->privacy->IsPaused()) {
            m_history->NoteOpened(target);
        }
    });
    SyncService::Hooks sync;
    sync.exclusions = [this]() -> const Exclusions* {
        return m_parts ? &m_parts->privacy->Rules() : nullptr;
    };
    sync.bulkChange = [this](const std::function<void()>& change) {
        if (m_parts) {
            m_parts->docTrees->BulkHistoryChange(change);
        } else {
            change();
        }
    };
    sync.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    sync.note = [](const std::string& line) { std::fprintf(stderr, "qarvex: %s\n", line.c_str()); };
    sync.identifiedProgram = InstalledApplicationStarts;
    m_sync = std::make_unique<SyncService>(*m_history, std::move(sync));
    m_services.emplace(
        Services{*m_state, *m_history, *m_scanner, *m_openers, m_platform, m_messages, *m_images});
}

void TFrmMain::SetTrayAvailabilityOverride(int available) {
    g_trayOverride = available;
}

void TFrmMain::PauseKeepingEvents(int ms) {
    // Waits without blocking the window: pending events keep running meanwhile.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void TFrmMain::ApplyTexts() {
    const MainTexts& texts = MainTable();
    setWindowTitle(Q(texts.ProductName) + QStringLiteral(QARVEX_VERSION));
    for (const CaptionText& entry : texts.Captions) {
        QObject* target = findChild<QObject*>(Q(entry.Control));
        if (!target) {
            continue;
        }
        const QString caption = Q(entry.Text);
        if (entry.Item >= 0) {
            const auto buttons = target->findChildren<QAbstractButton*>();
            if (entry.Item < buttons.size()) {
                buttons[entry.Item]->setText(caption);
            }
            continue;
        }
        if (auto* box = qobject_cast<QGroupBox*>(target)) {
            box->setTitle(caption);
        } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
            button->setText(caption);
        } else if (auto* label = qobject_cast<QLabel*>(target)) {
            label->setText(caption);
        } else if (auto* action = qobject_cast<QAction*>(target)) {
            action->setText(caption);
        } else if (auto* menu = qobject_cast<QMenu*>(target)) {
            menu->setTitle(caption);
        }
    }
}

void TFrmMain::LoadSkins() {
    ApplySkinGlyphs(this);
    const QImage picture = LoadSkinJpeg(QStringLiteral("ImgQVPCControl"));
    if (!picture.isNull()) {
        m_ui->ImgQVPCControl->setPixmap(QPixmap::fromImage(picture));
    }
    m_monitorSkin = LoadSkinJpeg(QStringLiteral("monitorbtn"));
    if (!m_monitorSkin.isNull()) {
        m_ui->TVControl->SkinBar()->SetSkin(QPixmap::fromImage(m_monitorSkin));
    }
}

void TFrmMain::LoadState() {
    IniFile& ini = m_state->Settings();
    m_state->LoadLastRunList();
    m_state->LoadFavList();

    const bool showFavEdit = DefaultSection::ShowFavEdit(ini);
    m_menus.fav.MnShowFavEdit->setChecked(showFavEdit);
    m_ui->PnlNewFav->setVisible(showFavEdit);
    m_ui->CbFavEdit->setChecked(showFavEdit);

    m_parts->privacy->Load();
    m_parts->docTrees->BulkHistoryChange([this] { m_history->LoadHistory(); });

    AutostartStore& autostart = *m_platform.autostart;
    m_ui->MnQVAutoRun->setChecked(IsRunValuePresent(autostart, kLegacyRunValueName));

    m_ui->CbAutoRunDocs->setChecked(DefaultSection::RunSelectDoc(ini));
    m_ui->CbQVRefresh->setChecked(DefaultSection::CbRefresh(ini));
    m_ui->CbQueryAutoRunDoc->setChecked(DefaultSection::QueryAutoRunDoc(ini));

    const int page = DefaultSection::ControlIndex(ini);
    if (page >= 0 && page < m_ui->TVControl->count()) {
        m_ui->TVControl->setCurrentIndex(page);
    }
    m_parts->docTrees->ExpandCurrentTree();

    m_ui->SbCheckTime->setValue(DefaultSection::CheckDocInterval(ini));
    m_timerCheckDocs->setInterval(m_ui->SbCheckTime->value() * 1000);

    // A size saved by a runaway layout or on a larger screen must not open the window
    // beyond this one.
    m_rememberedWidth = DefaultSection::Width(ini);
    m_rememberedHeight = DefaultSection::Height(ini);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        m_rememberedWidth = std::min(m_rememberedWidth, area.width());
        m_rememberedHeight = std::min(m_rememberedHeight, area.height());
    }
    if (m_rememberedWidth > 0 && m_rememberedHeight > 0) {
        resize(m_rememberedWidth, m_rememberedHeight);
    }

    if (const auto note = m_state->LoadNote()) {
        m_ui->MmNote->setPlainText(Q(*note));
    }

    if (DefaultSection::NeedRemoveAllStart(ini)) {
        RemoveLegacyRunValues(autostart);
    }
    m_ui->MnQVAutoRun->setChecked(IsRunValuePresent(autostart, kOwnRunValueName));
}

void TFrmMain::AddTrayIcon() {
    m_hasTray =
        g_trayOverride >= 0 ? g_trayOverride == 1 : QSystemTrayIcon::isSystemTrayAvailable();
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(AppIcon());
    m_tray->setToolTip(QString::fromLatin1(kApplicationTitle));
    m_parts->privacy->AttachTrayIcon(m_tray, QString::fromLatin1(kApplicationTitle));
    // The tray part answers both buttons and refills the menu on every right press.
    m_parts->trayController->AttachTrayIcon(m_tray);
    m_tray->show();
}

void TFrmMain::RemoveTrayIcon() {
    if (m_tray) {
        m_tray->hide();
    }
}

void TFrmMain::PlaceAtLowerRight() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(std::max(0, area.width() - width() - 30), std::max(0, area.height() - height() - 40));
    }
}

void TFrmMain::HideTaskbarButton() {
    // Without a tray there would be no way back to a window without a taskbar button.
    // The native window of the moment: Qt replaces it (stay on top, a page that needs
    // another kind of surface) without telling the widget's own id.
    QWindow* native = windowHandle();
    if (m_hasTray && native != nullptr && native->handle() != nullptr) {
        m_platform.desktopWindows->SetSkipTaskbar(static_cast<std::uint64_t>(native->winId()),
                                                  true);
    }
}

void TFrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The show event comes before the window is mapped: the state set now is the one the
    // window manager finds when it takes the window on (it forgets it whenever the window
    // is withdrawn). Ask again once it has the window, in case it was already mapped.
    HideTaskbarButton();
    QTimer::singleShot(0, this, &TFrmMain::HideTaskbarButton);
    m_taskbarStateDue = true;
    WatchWaylandMinimise();
}

void TFrmMain::TimerFirstRunTimer() {
    m_timerFirstRun->stop();
    Guarded([&] {
        m_ui->ProgressBar1->show();
        m_ui->ProgressBar1->setValue(m_ui->ProgressBar1->value() + 1);
        m_state->LoadRunList();
        m_ui->ProgressBar1->setValue(m_ui->ProgressBar1->value() + 1);
        m_state->LoadRecentList();
        m_ui->ProgressBar1->setValue(m_ui->ProgressBar1->value() + 2);
        m_ui->ProgressBar1->setValue(0);
        m_ui->ProgressBar1->hide();
    });
    m_parts->autoRun->RunStartupReopen();
    m_parts->searchBox->LoadSearchPage();
    // Ten machines' files take most of a second to read: the window is drawn first.
    m_parts->syncControls->Start();
    DebugScan("ready");
}

void TFrmMain::TimerCheckDocsTimer() {
    if (!m_ui->CbQVRefresh->isChecked()) {
        return;
    }
    if (!Guarded([&] { m_scanner->RefreshAllDocs(); })) {
        m_timerCheckDocs->stop();
    }
}

void TFrmMain::CbQVOnTopClick(bool checked) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, checked);
    if (QWindow* native = windowHandle()) {
        // Told to the live window: changing the widget's flags would withdraw and map it
        // again, and a window manager that sees both at once may leave it unmapped.
        overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    setWindowFlags(flags);
}

void TFrmMain::CbQVRefreshClick(bool checked) {
    if (checked) {
        m_timerCheckDocs->start();
    } else {
        m_timerCheckDocs->stop();
    }
    DefaultSection::SetCbRefresh(m_state->Settings(), checked);
}

void TFrmMain::SbCheckTimeChange(int position) {
    m_ui->LbQVCheckTime->setText(Q(FormatText(MainTable().TextScanPeriod, position)));
    m_timerCheckDocs->setInterval(position * 1000);
    DefaultSection::SetCheckDocInterval(m_state->Settings(), position);
}

void TFrmMain::CbAutoRunDocsClick(bool checked) {
    DefaultSection::SetRunSelectDoc(m_state->Settings(), checked);
}

void TFrmMain::CbQueryAutoRunDocClick(bool checked) {
    DefaultSection::SetQueryAutoRunDoc(m_state->Settings(), checked);
}

void TFrmMain::MnQVAutoRunClick(bool checked) {
    SetRunValue(*m_platform.autostart, kOwnRunValueName, m_platform.environment->ExecutablePath(),
                checked);
    // The start-up window lists the session's entries: our own must show (or go) at once.
    if (m_parts && m_parts->startupEntries->frmRun() != nullptr) {
        m_parts->startupEntries->frmRun()->FillList();
    }
}

void TFrmMain::ShowFavEdit(bool shown) {
    m_ui->PnlNewFav->setVisible(shown);
    m_menus.fav.MnShowFavEdit->setChecked(shown);
}

void TFrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TFrmMain::FormResize() {
    // The search bar keeps its designed place and width while the title row has room; a
    // narrower window moves it left over the product name's free space, then takes the room
    // from the box, and the button stays inside the window.
    constexpr int kBarLeft = 350;
    constexpr int kBarMinLeft = 120;
    constexpr int kBarWidth = 401;
    constexpr int kBarComfortWidth = 300;
    constexpr int kBarMinWidth = 160;
    constexpr int kButtonFromRight = kBarWidth - 326;
    // Without a tray the menu button sits right of the bar: it stays in the window too.
    QWidget* menuButton = m_ui->PnlTop->findChild<QWidget*>(QStringLiteral("BtnQVTrayMenu"));
    const int right = width() - 4 - (menuButton != nullptr ? menuButton->width() + 8 : 0);
    const int barLeft = std::min(kBarLeft, std::max(kBarMinLeft, right - kBarComfortWidth));
    const int barWidth = std::clamp(right - barLeft, kBarMinWidth, kBarWidth);
    m_ui->SbSearchText->setGeometry(barLeft, m_ui->SbSearchText->y(), barWidth,
                                    m_ui->SbSearchText->height());
    m_ui->BtnQVSearch->move(barWidth - kButtonFromRight, m_ui->BtnQVSearch->y());
    if (menuButton != nullptr) {
        menuButton->move(barLeft + barWidth + 8, menuButton->y());
    }
    m_ui->EdtSearch->resize(m_ui->SbSearchText->width() - 96, m_ui->EdtSearch->height());
    m_ui->ShapeSearch->resize(m_ui->SbSearchText->width() - 86, m_ui->ShapeSearch->height());
    // A cap, not a fixed width: the fields sit in a layout, and a width the layout must
    // honour would raise the window's minimum and come back here wider each time.
    const int favFieldWidth = std::max(0, width() - 128);
    m_ui->EdtNewFavDisplay->setMinimumWidth(0);
    m_ui->EdtNewFavDisplay->setMaximumWidth(favFieldWidth);
    m_ui->EdtNewFavPath->setMinimumWidth(0);
    m_ui->EdtNewFavPath->setMaximumWidth(favFieldWidth);
}

void TFrmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        isVisible()) {
        // Where there is no tray, minimising must leave a way back: minimise normally.
        // The window manager reports a minimise on its own time, possibly after the window
        // was hidden and even shown again: only a window still minimised goes to the tray.
        if (m_hasTray) {
            QTimer::singleShot(0, this, [this] {
                if (isVisible() && (windowState() & Qt::WindowMinimized)) {
                    HideToTray();
                }
            });
        }
    }
}

void TFrmMain::WatchWaylandMinimise() {
    QWindow* native = windowHandle();
    if (native == nullptr || native == m_watchedWindow ||
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return;
    }
    m_watchedWindow = native;
    // Nothing on Wayland reports a minimised window back, so the widget never hears of the
    // state: the window's own request (the minimise button of the title bar Qt draws) is
    // the whole minimise.
    connect(native, &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state == Qt::WindowMinimized && m_hasTray && isVisible()) {
            QTimer::singleShot(0, this, [this] {
                if (isVisible()) {
                    HideToTray();
                }
            });
        }
    });
}

void TFrmMain::HideToTray() {
    // Withdrawn rather than moved off-screen: window managers clamp a window placed far
    // above the screen, and the part they keep would cover every other window's top.
    // Hiding keeps the geometry; the tray places the window again when it comes back.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hide();
}

void TFrmMain::BringToFront() {
    show();
    raise();
    activateWindow();
}

void TFrmMain::ShowPage(Page page) {
    const int index = m_parts->docTrees->IndexOf(page);
    if (index >= 0) {
        m_ui->TVControl->setCurrentIndex(index);
    }
}

void TFrmMain::ShowMainWindowAtCorner() {
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() - width() - 20, area.height() - height() - 50);
    }
    show();
}

void TFrmMain::MnQVExitClick() {
    const DialogTexts& dialog = DialogTable();
    if (m_messages.AskYesNo(dialog.TextConfirmExit, MainTable().TextHint)) {
        QCoreApplication::quit();
    }
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    event->accept();
    // Closing the main window ends the program, tray icon or not.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TFrmMain::FormCloseQuery() {
    Guarded([&] { m_scanner->RecordOpenDocsAtClose(m_state->LastRunList()); });
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    // A new native window knows nothing of the old one's taskbar state. It is not mapped
    // yet, so the state set now is the one the window manager finds when it takes it on.
    if (event->type() == QEvent::PlatformSurface && watched == windowHandle() &&
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceCreated) {
        HideTaskbarButton();
        QTimer::singleShot(0, this, &TFrmMain::HideTaskbarButton);
        m_taskbarStateDue = true;
    }
    // Drawn means mapped, and mapped means the window manager has it and acts on a request
    // at once. The state set before the map can be lost: Qt rewrites the window's state
    // list from its own copy as it maps, and a request made while the window manager is
    // still taking the window on is dropped.
    if (event->type() == QEvent::Expose && watched == windowHandle() && m_taskbarStateDue &&
        windowHandle()->isExposed()) {
        m_taskbarStateDue = false;
        HideTaskbarButton();
    }
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (FormShortCut(key->key())) {
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TFrmMain::FormShortCut(int key) {
    if (key != Qt::Key_F5) {
        return false;
    }
    if (m_scanner->IsScanning()) {
        DebugScan("F5 dropped: a scan pass is running");
    }
    Guarded([&] { m_scanner->RefreshPageDocs(); });
    return true;
}

bool TFrmMain::SaveSettings() {
    ExitSettings exit;
    exit.controlIndex = m_ui->TVControl->currentIndex();
    exit.showFavEdit = m_menus.fav.MnShowFavEdit->isChecked();
    std::vector<int> selected;
    if (auto* selection = m_ui->TVDocs->selectionModel()) {
        for (const QModelIndex& index : selection->selectedIndexes()) {
            selected.push_back(index.data(HistoryTreeModel::kDocIndexRole).toInt());
        }
    }
    m_history->MarkSelectedDocs(selected);
    exit.rememberedWidth = m_rememberedWidth;
    exit.rememberedHeight = m_rememberedHeight;
    exit.windowWidth = width();
    exit.windowHeight = height();
    if (!SaveDefaultSettings(m_state->Settings(), exit)) {
        return false;
    }
    return m_state->SaveNote(S(m_ui->MmNote->toPlainText()));
}

void TFrmMain::FormDestroy() {
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    m_timerCheckDocs->stop();
    m_timerFirstRun->stop();
    m_notice->Silence();
    m_saver->Stop();
    Guarded([&] { m_saveStepsDone = m_saver->SaveAll(); });
    Guarded([&] { m_parts->syncControls->WriteNow(); });
    RemoveTrayIcon();
    EndWebEngineHelpers();
}

void TFrmMain::EndSession() {
    if (m_destroyed) {
        return;
    }
    FormCloseQuery();
    QCoreApplication::quit();
}

void TFrmMain::SaveForSessionManager() {
    if (m_destroyed) {
        return;
    }
    FormCloseQuery();
    Guarded([&] { m_saveStepsDone = m_saver->SaveAll(); });
    Guarded([&] { m_parts->syncControls->WriteNow(); });
}

void TFrmMain::SaveBeforeForcedExit() {
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    m_notice->Silence();
    m_saver->Stop();
    // A scan may be in the middle of a pass, holding its findings back for the pass's end,
    // which never comes: they go out with the rest.
    Guarded([&] { m_history->FinishRecordingPass(); });
    Guarded([&] { m_saveStepsDone = m_saver->SaveAll(); });
    Guarded([&] { m_parts->syncControls->WriteNow(); });
    EndWebEngineHelpers();
}

}  // namespace qarvex
