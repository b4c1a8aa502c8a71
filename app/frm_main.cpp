#include "app/frm_main.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
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
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include "app/session_saver.h"
#include "app/storage_notice.h"
#include "capture/address_rules.h"
#include "capture/openers.h"
#include "capture/scanner.h"
#include "platform/messages.h"
#include "shellnav/about_help.h"
#include "shellnav/system_places.h"
#include "startup/auto_run.h"
#include "startup/doc_display.h"
#include "startup/favourites.h"
#include "startup/frm_run.h"
#include "startup/startup_entries.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/autorun.h"
#include "store/config_dir.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/history_export.h"
#include "store/settings.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "ui_TFrmMain.h"
#include "views/day_view.h"
#include "views/history_tree_model.h"
#include "views/privacy_controls.h"
#include "views/search_box.h"
#include "views/skin.h"
#include "views/skin_tab_bar.h"
#include "views/tray_controller.h"
#include "views/tree_views.h"

namespace qarvex {

namespace {

constexpr int kFirstRunDelayMs = 1500;
int g_trayOverride = -1;
constexpr int kCheckDocsDesignIntervalMs = 15000;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace

TFrmMain::TFrmMain(Platform& platform, Messages& messages, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_messages(messages), m_ui(new Ui::TFrmMain) {
    m_ui->setupUi(this);
    m_trayMenu = BuildPopMenu(this);
    m_docTreeMenu = BuildPmDocTree(this);
    m_favMenu = BuildPmMyFav(this);
    m_autoRunListMenu = BuildPmAutoRunList(this);
    m_moreSpecialDirMenu = BuildPmMoreSpecialDir(this);
    ApplyHiddenTabs(m_ui->TVControl);
    FormCreate();
}

TFrmMain::~TFrmMain() {
    FormDestroy();
    qApp->removeEventFilter(this);
    // The parts and the tree models refer to the history and the lists, which the members
    // below free before QObject gets to its children: let them go first.
    for (QObject* part : std::initializer_list<QObject*>{
             m_treeViews, m_searchBox, m_trayController, m_favourites, m_autoRun, m_startupEntries,
             m_docDisplay, m_systemPlaces, m_aboutHelp, m_privacy, m_dayView}) {
        delete part;
    }
    for (QTreeView* tree : {m_ui->TVDocs, m_ui->TVDoc, m_ui->TVApp, m_ui->TVPath}) {
        tree->setModel(nullptr);
    }
    delete m_modelDocs;
    delete m_modelDoc;
    delete m_modelApp;
    delete m_modelPath;
}

void TFrmMain::FormCreate() {
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
    // the final placement below always run.
    Guarded([&] {
        const std::string dir = GetConfigDir(m_platform.environment->FixedDrives());
        PrepareConfigDir(dir);
        // Only this copy writes the folder (one copy per user), so what a killed writer
        // left behind can go.
        for (const std::string_view name :
             {config_files::kSettings, config_files::kNote, config_files::kFavourites,
              config_files::kRecent, config_files::kRun, config_files::kLastRun}) {
            RemoveStaleTempFiles(ConfigFilePath(dir, name));
        }
        m_state = std::make_unique<AppState>(dir);
    });
    if (!m_state) {
        m_state = std::make_unique<AppState>(std::string(kFallbackConfigDir));
    }
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
    CreateParts();
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
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
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
    const auto attach = [this](HistoryTree& tree, QTreeView* view) {
        auto* model = new HistoryTreeModel(tree, *m_images, this);
        model->SetView(view);
        return model;
    };
    m_modelDocs = attach(m_history->TVDocs(), m_ui->TVDocs);
    m_modelDoc = attach(m_history->TVDoc(), m_ui->TVDoc);
    m_modelApp = attach(m_history->TVApp(), m_ui->TVApp);
    m_modelPath = attach(m_history->TVPath(), m_ui->TVPath);

    Scanner::History sink;
    sink.addDoc = [this](const std::string& address, const std::string& name, bool software) {
        m_history->AddDoc(address, name, {}, software);
    };
    sink.isDocKnown = [this](const std::string& address) { return m_history->IsDocKnown(address); };
    sink.isPaused = [this] { return m_privacy && m_privacy->IsPaused(); };
    sink.isExcluded = [this](const std::string& address, const std::string& name, bool software) {
        return m_privacy && m_privacy->IsExcluded(address, name, software);
    };
    Scanner::Hooks hooks;
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.pause = [this](int ms) { PauseKeepingEvents(ms); };
    hooks.stepProgress = [this] { m_ui->ProgressBar1->setValue(m_ui->ProgressBar1->value() + 1); };
    hooks.setProgress = [this](int value) { m_ui->ProgressBar1->setValue(value); };
    hooks.expandCurrentTree = [this] { ExpandCurrentTree(); };
    hooks.expandPageTree = [this](int page) {
        HistoryTree* trees[] = {&m_history->TVDoc(), &m_history->TVApp(), &m_history->TVPath()};
        if (page >= 0 && page < 3) {
            trees[page]->ExpandAll();
        }
    };
    hooks.visibleTab = [this] { return VisibleTabIndex(); };
    hooks.recordingPass = [this](bool begins) {
        if (begins) {
            m_history->BeginRecordingPass();
        } else {
            m_history->EndRecordingPass();
        }
    };
    m_scanner = std::make_unique<Scanner>(*m_platform.desktopWindows, *m_platform.shellWindows,
                                          std::move(sink), std::move(hooks));

    m_openers = std::make_unique<Openers>(*m_platform.shellOpen, *m_platform.desktopWindows,
                                          environment, m_messages, m_state->RecentList());
    m_openers->SetProgramTest(
        [this](std::string_view path) { return m_history->IsProgramPath(path); });
    m_openers->SetRecordingTest(
        [this](const std::string& path, const std::string& name, bool software) {
            return !m_privacy ||
                   !(m_privacy->IsPaused() || m_privacy->IsExcluded(path, name, software));
        });
}

void TFrmMain::SetTrayAvailabilityOverride(int available) {
    g_trayOverride = available;
}

void TFrmMain::CreateParts() {
    // Created before the start-up load: the parts observe the lists and controls it fills.
    Environment& environment = *m_platform.environment;
    m_dayView = new DayView(
        *m_ui->TVControl, *m_history, *m_images, [&environment] { return environment.Today(); },
        this);
    PrivacyControls::Services privacy;
    privacy.settings = &m_state->Settings();
    privacy.configDir = m_state->ConfigDir();
    privacy.home = environment.HomeFolder();
    privacy.history = m_history.get();
    privacy.recent = &m_state->RecentList();
    privacy.messages = &m_messages;
    privacy.bulkChange = [this](const std::function<void()>& change) { BulkHistoryChange(change); };
    privacy.askExportPath = [this] {
        const QString csv = QStringLiteral("CSV 文件 (*.csv)");
        const QString json = QStringLiteral("JSON 文件 (*.json)");
        QString chosen = csv;
        QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("导出历史"), QDir::home().filePath(QStringLiteral("qarvex.csv")),
            csv + QStringLiteral(";;") + json, &chosen);
        // The format follows the name's ending; a name without one gets the chosen type's.
        if (!path.isEmpty() && !ExportFormatFor(path.toStdString())) {
            path += chosen == json ? QStringLiteral(".json") : QStringLiteral(".csv");
        }
        return path;
    };
    m_privacy = new PrivacyControls(BuildPrivacyWidgets(m_ui->TsQVSet), m_trayMenu.MnQVPauseRecord,
                                    std::move(privacy), this);
    m_treeViews = new TreeViews(*this);
    m_searchBox = new SearchBox(*this);
    m_trayController = new TrayController(*this);
    m_favourites = new Favourites(*this);
    m_autoRun = new AutoRun(*this);
    m_startupEntries = new StartupEntries(*this);
    m_docDisplay = new DocDisplay(*this);
    m_systemPlaces = new SystemPlaces(*this);
    m_aboutHelp = new AboutHelp(*this);
    connect(m_docTreeMenu.MnQVNoRecord, &QAction::triggered, this,
            [this] { m_privacy->NoLongerRecord(m_treeViews->SelectedDocIndexes()); });
}

void TFrmMain::PauseKeepingEvents(int ms) {
    // Waits without blocking the window: pending events keep running meanwhile.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void TFrmMain::BulkHistoryChange(const std::function<void()>& change) {
    HistoryTreeModel* models[] = {m_modelDocs, m_modelDoc, m_modelApp, m_modelPath,
                                  m_dayView ? m_dayView->Model() : nullptr};
    for (HistoryTreeModel* model : models) {
        if (model) {
            model->BeginBulkChange();
        }
    }
    try {
        change();
    } catch (...) {
    }
    for (HistoryTreeModel* model : models) {
        if (model) {
            model->EndBulkChange();
        }
    }
}

QTreeView* TFrmMain::CurrentDocTree() const {
    if (m_dayView && m_ui->TVControl->currentIndex() == m_dayView->PageIndex()) {
        return m_dayView->Tree();
    }
    switch (m_ui->TVControl->currentIndex()) {
        case 0:
            return m_ui->TVDoc;
        case 1:
            return m_ui->TVApp;
        case 2:
            return m_ui->TVPath;
        case 3:
            return m_ui->TVDocs;
        default:
            return nullptr;
    }
}

HistoryTreeModel* TFrmMain::ModelOf(const QTreeView* tree) const {
    if (tree == m_ui->TVDocs) {
        return m_modelDocs;
    }
    if (tree == m_ui->TVDoc) {
        return m_modelDoc;
    }
    if (tree == m_ui->TVApp) {
        return m_modelApp;
    }
    if (tree == m_ui->TVPath) {
        return m_modelPath;
    }
    if (m_dayView && tree == m_dayView->Tree()) {
        return m_dayView->Model();
    }
    return nullptr;
}

void TFrmMain::ExpandCurrentTree() {
    if (m_dayView && m_ui->TVControl->currentIndex() == m_dayView->PageIndex()) {
        m_dayView->CoreTree().ExpandAll();
        return;
    }
    switch (m_ui->TVControl->currentIndex()) {
        case 0:
            m_history->TVDoc().ExpandAll();
            break;
        case 1:
            m_history->TVApp().ExpandAll();
            break;
        case 2:
            m_history->TVPath().ExpandAll();
            break;
        default:
            break;
    }
}

int TFrmMain::VisibleTabIndex() const {
    switch (m_ui->TVControl->currentIndex()) {
        case 0:
        case 1:
        case 2:
            return m_ui->TVControl->currentIndex();
        case 5:  // system
            return 3;
        case 6:  // common (the web search page)
            return 4;
        case 8:  // settings
            return 5;
        default:
            return -1;
    }
}

void TFrmMain::ApplyTexts() {
    const MainTexts& texts = MainTable();
    setWindowTitle(QStringLiteral("%1%2").arg(Q(texts.ProductName)).arg(kVersion, 0, 'f', 1));
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
    m_toolButtonsSkin = LoadSkinJpeg(QStringLiteral("toolbuttons"));
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
    m_favMenu.MnShowFavEdit->setChecked(showFavEdit);
    m_ui->PnlNewFav->setVisible(showFavEdit);
    m_ui->CbFavEdit->setChecked(showFavEdit);

    m_privacy->Load();
    BulkHistoryChange([this] { m_history->LoadHistory(); });

    AutostartStore& autostart = *m_platform.autostart;
    m_ui->MnQVAutoRun->setChecked(IsRunValuePresent(autostart, kLegacyRunValueName));

    m_ui->CbAutoRunDocs->setChecked(DefaultSection::RunSelectDoc(ini));
    m_ui->CbQVRefresh->setChecked(DefaultSection::CbRefresh(ini));
    m_ui->CbQueryAutoRunDoc->setChecked(DefaultSection::QueryAutoRunDoc(ini));

    const int page = DefaultSection::ControlIndex(ini);
    if (page >= 0 && page < m_ui->TVControl->count()) {
        m_ui->TVControl->setCurrentIndex(page);
    }
    ExpandCurrentTree();

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
    m_privacy->AttachTrayIcon(m_tray, QString::fromLatin1(kApplicationTitle));
    // The tray part answers both buttons and refills the menu on every right press.
    m_trayController->AttachTrayIcon(m_tray);
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
    m_autoRun->RunStartupReopen();
    m_searchBox->LoadSearchPage();
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
    if (m_startupEntries != nullptr && m_startupEntries->frmRun() != nullptr) {
        m_startupEntries->frmRun()->FillList();
    }
}

void TFrmMain::ShowFavEdit(bool shown) {
    m_ui->PnlNewFav->setVisible(shown);
    m_favMenu.MnShowFavEdit->setChecked(shown);
}

void TFrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TFrmMain::FormResize() {
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

void TFrmMain::HideToTray() {
    // Withdrawn rather than moved off-screen: window managers clamp a window placed far
    // above the screen, and the part they keep would cover every other window's top.
    // Hiding keeps the geometry; the tray places the window again when it comes back.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hide();
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
    Guarded([&] { m_scanner->RefreshPageDocs(); });
    return true;
}

bool TFrmMain::SaveSettings() {
    ExitSettings exit;
    exit.controlIndex = m_ui->TVControl->currentIndex();
    exit.showFavEdit = m_favMenu.MnShowFavEdit->isChecked();
    std::vector<int> selected;
    if (auto* selection = m_ui->TVDocs->selectionModel()) {
        for (const QModelIndex& index : selection->selectedIndexes()) {
            selected.push_back(index.data(HistoryTreeModel::kDocIndexRole).toInt());
        }
    }
    m_history->MarkSelectedDocs(selected);
    exit.docCount = m_history->Docs().size();
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
    RemoveTrayIcon();
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
}

}  // namespace qarvex
