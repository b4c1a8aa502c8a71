#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QtPlugin>

class QString;
class QUrl;
class QWidget;

namespace qarvex {

// The embedded browser the web search runs in. It sits behind this seam so that a
// machine without a browser engine, and the tests, can stand in for it.
class SearchPageBrowser {
public:
    SearchPageBrowser() = default;
    SearchPageBrowser(const SearchPageBrowser&) = delete;
    SearchPageBrowser& operator=(const SearchPageBrowser&) = delete;
    virtual ~SearchPageBrowser() = default;

    // Starts loading the page; done(ok) runs once, when it has loaded or failed.
    virtual void Load(const QUrl& page, std::function<void(bool ok)> done) = 0;
    // Runs a script in the loaded page; its result is not needed.
    virtual void RunScript(const QString& script) = 0;
};

// What the browser-engine module offers. The engine maps some hundred megabytes of
// libraries and starts a GPU context, and most runs of a tray tool never show a web page:
// so the program does not link it, and loads the module the first time a page is wanted.
class WebEngineModule {
public:
    WebEngineModule() = default;
    WebEngineModule(const WebEngineModule&) = delete;
    WebEngineModule& operator=(const WebEngineModule&) = delete;
    virtual ~WebEngineModule() = default;

    // The search page's browser, filling host; null when the engine cannot run here.
    virtual std::unique_ptr<SearchPageBrowser> MakeSearchPage(QWidget* host) = 0;
    // A browser view inside host showing page; null when the engine cannot run here.
    virtual QWidget* MakePageView(QWidget* host, const QUrl& page) = 0;
};

// Loads the module on the first call (later calls give the same answer); null when it is
// not installed or does not load. QARVEX_WEBENGINE_MODULE, when set, names the only file
// tried.
WebEngineModule* LoadWebEngineModule();
// True once the module has been loaded into this process.
bool WebEngineModuleLoaded();
// Ends the engine's helper processes, which would otherwise linger after the program,
// holding their memory. Once the program's own state is saved: the engine is gone after it.
void EndWebEngineHelpers();

}  // namespace qarvex

#define QarvexWebEngineModule_iid "org.qarvex.WebEngineModule/1"
Q_DECLARE_INTERFACE(qarvex::WebEngineModule, QarvexWebEngineModule_iid)
