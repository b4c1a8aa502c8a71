// The browser engine's side of the program, built as a module that is loaded on first use
// so that a start and an idle program carry none of the engine.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLayout>
#include <QLibraryInfo>
#include <QObject>
#include <QOpenGLContext>
#include <QPointer>
#include <QQuickWindow>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "views/web_engine_module.h"

// Qt's shared context slot, exported by Qt GUI but declared only in its private headers.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace qarvex {

namespace {

// The engine expects the shared GPU context that its start-up hook makes when it is linked
// into a program; loaded later, that hook only warns. Make the context now, once, before
// the first view: without it the engine's first page crashes.
bool PrepareEngine() {
    static const bool ready = [] {
        if (!QCoreApplication::instance()) {
            return false;
        }
        if (qt_gl_global_share_context() == nullptr) {
            auto* context = new QOpenGLContext(QCoreApplication::instance());
            if (!context->create()) {
                delete context;
                return false;
            }
            qt_gl_set_global_share_context(context);
        }
        QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGLRhi);
        return true;
    }();
    return ready;
}

// The engine's helper program must be there, or the view would only ever stay blank.
bool BrowserEngineAvailable() {
    if (!qEnvironmentVariableIsEmpty("QTWEBENGINEPROCESS_PATH")) {
        return QFileInfo::exists(qEnvironmentVariable("QTWEBENGINEPROCESS_PATH"));
    }
    const QString helper = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                           QStringLiteral("/QtWebEngineProcess");
    return QFileInfo::exists(helper);
}

// The real browser: a web view filling the host on the "常用" page.
class WebEngineSearchPage : public SearchPageBrowser {
public:
    explicit WebEngineSearchPage(QWidget* host) {
        m_view = new QWebEngineView(host);
        m_view->setObjectName(QStringLiteral("WebBrowser1"));
        // Our page is local and hands the keyword on to the remote search engine.
        m_view->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        if (QLayout* layout = host->layout()) {
            layout->addWidget(m_view);
        }
    }

    ~WebEngineSearchPage() override { QObject::disconnect(m_loading); }

    void Load(const QUrl& page, std::function<void(bool)> done) override {
        m_page = page;
        if (!m_view || !m_view->page()) {
            done(false);
            return;
        }
        WhenOurPageEnds(std::move(done));
        m_view->load(page);
    }

    void RunScript(const QString& script) override {
        if (!m_view || !m_view->page()) {
            return;
        }
        if (ShowsOurPage() && !m_view->page()->isLoading() && !m_searchedSinceLoad) {
            RunOnOurPage(script);
            return;
        }
        // The last search replaced our page, or is still leaving it (a navigation that is
        // refused or slow to start may yet replace the page and drop a search run on it
        // now): bring the page back, then search.
        WhenOurPageEnds([this, script](bool ok) {
            if (ok && m_view && m_view->page()) {
                RunOnOurPage(script);
            }
        });
        m_view->load(m_page);
    }

private:
    void RunOnOurPage(const QString& script) {
        m_searchedSinceLoad = true;
        m_view->page()->runJavaScript(script);
    }

    bool ShowsOurPage() const {
        const QUrl shown = m_view->url();
        return shown.scheme() == m_page.scheme() && shown.path() == m_page.path();
    }

    // Runs done once, when a load of our page has ended. Loads of other pages (the results
    // being left behind) end on their own time and are not taken for ours.
    void WhenOurPageEnds(std::function<void(bool)> done) {
        QObject::disconnect(m_loading);
        m_loading = QObject::connect(
            m_view->page(), &QWebEnginePage::loadingChanged, m_view,
            [this, done = std::move(done)](const QWebEngineLoadingInfo& info) {
                if (info.url().scheme() != m_page.scheme() || info.url().path() != m_page.path() ||
                    info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                    return;
                }
                QObject::disconnect(m_loading);
                m_searchedSinceLoad = false;
                done(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
            });
    }

    QPointer<QWebEngineView> m_view;
    QUrl m_page;
    QMetaObject::Connection m_loading;
    bool m_searchedSinceLoad = false;
};

}  // namespace

class WebEngineModulePlugin : public QObject, public WebEngineModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QarvexWebEngineModule_iid)
    Q_INTERFACES(qarvex::WebEngineModule)

public:
    std::unique_ptr<SearchPageBrowser> MakeSearchPage(QWidget* host) override {
        if (!host || !BrowserEngineAvailable() || !PrepareEngine()) {
            return nullptr;
        }
        return std::make_unique<WebEngineSearchPage>(host);
    }

    QWidget* MakePageView(QWidget* host, const QUrl& page) override {
        if (!BrowserEngineAvailable() || !PrepareEngine()) {
            return nullptr;
        }
        auto* view = new QWebEngineView(host);
        view->load(page);
        return view;
    }
};

}  // namespace qarvex

#include "web_engine_plugin.moc"
