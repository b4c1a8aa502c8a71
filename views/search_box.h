#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>

#include "store/doc_table.h"
#include "views/web_engine_module.h"

class QEventLoop;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QUrl;
class QWidget;

namespace qarvex {

class DocTrees;
class History;
class Messages;
class Openers;
class SyncService;
class TreeImageList;
class WindowActions;
struct Services;

// The search bar, the floating result list under it and the web search page's host.
struct SearchBoxWidgets {
    QFrame* SbSearchText = nullptr;
    QFrame* ShapeSearch = nullptr;
    QLineEdit* EdtSearch = nullptr;
    QToolButton* BtnQVSearch = nullptr;
    // A child of the window itself, so that it floats over the pages.
    QListWidget* LbSearchResult = nullptr;
    QLabel* PnlHint = nullptr;
    QWidget* WebBrowser1Host = nullptr;
};

// Makes the browser inside host, or returns null when no browser can run here.
using SearchPageBrowserFactory = std::function<std::unique_ptr<SearchPageBrowser>(QWidget* host)>;

// The search box with its floating results and the web search page.
class SearchBox : public QObject {
    Q_OBJECT

public:
    // Our own page, shipped with the program; it defines SearchNow(keyword).
    static constexpr const char* kSearchPageUrl = "qrc:/web/search.html";
    // Where the keyword goes: the page passes it here, and so does the default browser
    // when no embedded browser can run.
    static constexpr const char* kWebSearchAddress = "https://duckduckgo.com/html/?q=";
    // Five pauses of this length let the page come up after switching to it.
    static constexpr int kPageSettlePauses = 5;
    static constexpr int kPageSettlePauseMs = 500;
    // How long a search waits at most for the page's first load.
    static constexpr int kPageLoadLimitMs = 15000;

    // The browser goes on the "常用" page; the window shows that page for a web search.
    SearchBox(const Services& services, const DocTrees& trees, WindowActions& window,
              const SearchBoxWidgets& widgets, QObject* parent = nullptr);
    ~SearchBox() override;

    // Each result row shows the entry's name and address; this role holds the address
    // (the stored Path), which is what the box takes and what a row opens.
    static constexpr int kPathRole = Qt::UserRole;
    // True on the rows of entries only other machines hold.
    static constexpr int kRemoteRole = Qt::UserRole + 2;
    // Between a row's name and its address.
    static constexpr const char* kRowSeparator = "  —  ";
    // The text of an entry's row: its name, then its address (just the address when the
    // name is that address).
    static QString RowText(const TMyDoc& doc);
    // Fills the list with the rows of the history's entries that match text, best first,
    // then those of other machines' entries (when sync is given), each marked with the
    // machines that hold it.
    static void FillRows(QListWidget& list, const History& history, const TreeImageList& images,
                         std::string_view text, const SyncService* sync = nullptr);

    // The history shared with other machines, whose entries the list shows too.
    void SetSync(SyncService* sync) { m_sync = sync; }
    // The script that hands the keyword to the page.
    static QString SearchScript(const QString& keyword);
    // Our page, told where to send keywords.
    static QUrl SearchPageAddress();
    // The address the default browser is given when the embedded one cannot run.
    static QString FallbackSearchAddress(const QString& keyword);

    void RunHistorySearch();
    void RunWebSearch();
    // The start-up asks for the search page; the browser itself is only made by the
    // first web search, so an idle program carries no browser engine.
    void LoadSearchPage();

    bool searchNavigating() const { return m_searchNavigating; }
    bool searchPageRequested() const { return m_pageRequested; }
    bool browserCreated() const { return m_browser != nullptr; }

    // Seams for the tests: the browser, the pause between settling steps and the bound
    // on the page's load.
    void SetBrowserFactory(SearchPageBrowserFactory factory);
    void SetPause(std::function<void(int ms)> pause);
    void SetPageLoadLimitMs(int ms) { m_pageLoadLimitMs = ms; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class PageState { None, Loading, Ready, Failed };

    void EdtSearchChange();
    bool EdtSearchKeyDown(int key);
    bool LbSearchResultKeyDown(int key);
    void LbSearchResultMouseDown(QListWidgetItem* item);
    void SbSearchTextClick();
    void BtnQVSearchClick();

    void PlaceResultList();
    void HideResultList();
    int HighlightedRow() const;
    QString RowPath(int row) const;
    void OpenResultRow(const QListWidgetItem* item);
    void DeleteRemoteRow(int row);
    bool NamesExistingFileOrFolder(const QString& text) const;
    void EnsureSearchPage();
    void WaitForSearchPage();
    void SearchInDefaultBrowser(const QString& keyword);

    History& m_history;
    Openers& m_openers;
    Messages& m_messages;
    SyncService* m_sync = nullptr;
    const TreeImageList& m_images;
    const DocTrees& m_trees;
    WindowActions& m_window;
    SearchBoxWidgets m_widgets;
    bool m_searchNavigating = false;
    bool m_pageRequested = false;
    PageState m_pageState = PageState::None;
    SearchPageBrowserFactory m_browserFactory;
    std::function<void(int)> m_pause;
    std::unique_ptr<SearchPageBrowser> m_browser;
    QEventLoop* m_pageWait = nullptr;
    int m_pageLoadLimitMs = kPageLoadLimitMs;
};

}  // namespace qarvex
