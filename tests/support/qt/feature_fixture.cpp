#include "support/qt/feature_fixture.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "capture/openers.h"
#include "capture/scanner.h"
#include "store/app_state.h"
#include "store/config_dir.h"
#include "store/history.h"
#include "store/settings.h"
#include "support/qt/qt_app.h"
#include "views/history_tree_model.h"
#include "views/skin.h"
#include "views/skin_tab_bar.h"

namespace qarvex::test {

namespace {

// The window's pages in its layout's order, with the tree each history page holds.
struct PageOfLayout {
    const char* name;
    const char* tree;
};
constexpr PageOfLayout kPages[] = {
    {"TsQVWeb", "TVDoc"}, {"TsQVApp", "TVApp"},    {"TsQVPath", "TVPath"},  {"TsQVIEFav", nullptr},
    {"TsQVFav", nullptr}, {"TsQVSystem", nullptr}, {"TsQVCommon", nullptr}, {"TsQVNote", nullptr},
    {"TsQVSet", nullptr}, {"TsQVAll", "TVDocs"},
};

}  // namespace

void RecordingWindow::ShowPage(Page page) {
    shownPages.push_back(page);
    if (trees && pages) {
        pages->setCurrentIndex(trees->IndexOf(page));
    }
}

// Members in the order of making; they go in the reverse order, the parts (children of
// owner) before the controls (children of window) and both before the services.
struct FeatureFixture::Run {
    std::unique_ptr<AppState> state;
    std::unique_ptr<TreeImageList> images;
    std::unique_ptr<History> history;
    std::unique_ptr<Scanner> scanner;
    std::unique_ptr<Openers> openers;
    std::optional<Services> services;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<QObject> owner;
    SkinTabWidget* pages = nullptr;
    DocTrees* trees = nullptr;
};

FeatureFixture::FeatureFixture() {
    EnsureQtApp();
    platform = MakeFakePlatform(fakes);
    fakes.environment->SetConfigRoot(config.Path() + "/");
    fakes.environment->SetHomeFolder(files.Path());
    fakes.environment->SetExecutablePath("/opt/qarvex/bin/qarvex");
    fakes.environment->SetToday("2026-12-08");
}

FeatureFixture::~FeatureFixture() {
    Stop();
}

void FeatureFixture::Start() {
    if (m_run || m_starting) {
        return;
    }
    m_starting = true;
    auto run = std::make_unique<Run>();
    const std::string dir = GetConfigDir(fakes.environment->ConfigRoot());
    PrepareConfigDir(dir);
    run->state = std::make_unique<AppState>(dir);
    run->images = std::make_unique<TreeImageList>();
    Environment& environment = *platform.environment;
    run->history = std::make_unique<History>(
        run->state->Settings(), run->state->RecentList(),
        [&environment] { return environment.Today(); }, run->images.get(),
        environment.HomeFolder());
    run->history->SetScanTimerHook([this](bool on) { scanTimerOn = on; });

    Run* r = run.get();
    Scanner::History sink;
    sink.addDoc = [r](const std::string& address, const std::string& name, bool software) {
        r->history->AddDoc(address, name, {}, software);
    };
    sink.isDocKnown = [r](const std::string& address) { return r->history->IsDocKnown(address); };
    sink.isPaused = [this] { return isPaused && isPaused(); };
    sink.isExcluded = [this](const std::string& address, const std::string& name, bool software) {
        return isExcluded && isExcluded(address, name, software);
    };
    sink.recordRecentFiles = [this] { return !recordRecentFiles || recordRecentFiles(); };
    sink.recentFilesSeen = [r] { return DefaultSection::RecentFilesSeen(r->state->Settings()); };
    sink.setRecentFilesSeen = [r](std::int64_t seen) {
        DefaultSection::SetRecentFilesSeen(r->state->Settings(), seen);
    };
    Scanner::Hooks hooks;
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.pause = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    hooks.expandCurrentTree = [r] {
        if (r->trees) {
            r->trees->ExpandCurrentTree();
        }
    };
    hooks.expandPageTree = [r](int tab) {
        constexpr Page kTabPages[] = {Page::Web, Page::Software, Page::Folders};
        if (r->trees && tab >= 0 && tab < 3) {
            r->trees->ExpandPageTree(kTabPages[tab]);
        }
    };
    hooks.visibleTab = [r] { return r->trees ? r->trees->VisibleTabIndex() : -1; };
    hooks.recordingPass = [r](bool begins) {
        if (begins) {
            r->history->BeginRecordingPass();
        } else {
            r->history->EndRecordingPass();
        }
    };
    run->scanner = std::make_unique<Scanner>(*platform.desktopWindows, *platform.shellWindows,
                                             std::move(sink), std::move(hooks));
    run->scanner->SetRecentDocuments(platform.recentDocuments.get());
    run->openers = std::make_unique<Openers>(*platform.shellOpen, *platform.desktopWindows,
                                             environment, messages, run->state->RecentList());
    run->openers->SetProgramTest(
        [r](std::string_view path) { return r->history->IsProgramPath(path); });
    run->services.emplace(Services{*run->state, *run->history, *run->scanner, *run->openers,
                                   platform, messages, *run->images});
    run->window = std::make_unique<QWidget>();
    run->window->setObjectName(QStringLiteral("FeatureWindow"));
    run->window->resize(700, 500);
    run->owner = std::make_unique<QObject>();
    m_run = std::move(run);

    MakePart();

    // The loads of a start, in its order: lr.dat and fav.dat, the history, then (the
    // first-run timer's) run.dat and rec.dat.
    AppState& state = *m_run->state;
    state.LoadLastRunList();
    state.LoadFavList();
    if (m_run->trees) {
        m_run->trees->BulkHistoryChange([this] { m_run->history->LoadHistory(); });
        m_run->trees->ExpandCurrentTree();
    } else {
        m_run->history->LoadHistory();
    }
    state.LoadRunList();
    state.LoadRecentList();
    m_starting = false;
}

void FeatureFixture::Stop() {
    if (!m_run) {
        return;
    }
    m_run->state->SaveAtExit([this] { return m_run->state->Settings().Flush(); });
    window.trees = nullptr;
    window.pages = nullptr;
    m_run->owner.reset();
    m_run->trees = nullptr;
    m_run->window.reset();
    m_run.reset();
}

void FeatureFixture::Restart() {
    Stop();
    Start();
}

const Services& FeatureFixture::Svc() {
    Start();
    return *m_run->services;
}

AppState& FeatureFixture::State() {
    return Svc().state;
}

History& FeatureFixture::Hist() {
    return Svc().history;
}

Scanner& FeatureFixture::Scan() {
    return Svc().scanner;
}

QWidget& FeatureFixture::Window() {
    Start();
    return *m_run->window;
}

QObject* FeatureFixture::Owner() {
    Start();
    return m_run->owner.get();
}

SkinTabWidget* FeatureFixture::Pages() {
    Trees();
    return m_run->pages;
}

DocTrees& FeatureFixture::Trees() {
    Start();
    if (m_run->trees) {
        return *m_run->trees;
    }
    QWidget& host = *m_run->window;
    auto* layout = new QVBoxLayout(&host);
    // Room above the pages, where the window has its top bar.
    layout->setContentsMargins(0, 60, 0, 0);
    auto* pages = Make<SkinTabWidget>("TVControl");
    layout->addWidget(pages);
    DocTreesWidgets widgets;
    widgets.TVControl = pages;
    for (const PageOfLayout& entry : kPages) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(entry.name));
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pages->addTab(page, QString::fromLatin1(entry.name));
        if (entry.tree != nullptr) {
            auto* tree = Make<QTreeView>(entry.tree, page);
            pageLayout->addWidget(tree);
        }
    }
    widgets.TVDoc = Find<QTreeView>("TVDoc");
    widgets.TVApp = Find<QTreeView>("TVApp");
    widgets.TVPath = Find<QTreeView>("TVPath");
    widgets.TVDocs = Find<QTreeView>("TVDocs");
    ApplyHiddenTabs(pages);
    Environment& environment = *platform.environment;
    m_run->pages = pages;
    m_run->trees = new DocTrees(
        widgets, *m_run->history, *m_run->images, [&environment] { return environment.Today(); },
        m_run->owner.get());
    window.trees = m_run->trees;
    window.pages = pages;
    return *m_run->trees;
}

void FeatureFixture::WriteConfigFile(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(ConfigDir());
    std::ofstream out(ConfigFile(name), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string FeatureFixture::ReadConfigFile(const std::string& name) const {
    std::ifstream in(ConfigFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qarvex::test
