#include "views/search_box.h"

#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "capture/openers.h"
#include "capture/sync_service.h"
#include "store/doc_search.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/strings.h"
#include "store/sync_folder.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/qt_text.h"
#include "views/services.h"
#include "views/window_actions.h"

namespace qarvex {

namespace {

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

std::unique_ptr<SearchPageBrowser> MakeWebEngineSearchPage(QWidget* host) {
    if (!host) {
        return nullptr;
    }
    WebEngineModule* module = LoadWebEngineModule();
    return module ? module->MakeSearchPage(host) : nullptr;
}

void PauseKeepingEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

SearchBox::SearchBox(const Services& services, const DocTrees& trees, WindowActions& window,
                     const SearchBoxWidgets& widgets, QObject* parent)
    : QObject(parent),
      m_history(services.history),
      m_openers(services.openers),
      m_messages(services.messages),
      m_images(services.images),
      m_trees(trees),
      m_window(window),
      m_widgets(widgets),
      m_browserFactory(MakeWebEngineSearchPage),
      m_pause(PauseKeepingEvents) {
    m_widgets.LbSearchResult->hide();
    // A short word can match thousands of lines; measuring every line's size before the list
    // shows would hold up each keystroke, so the list lays them out in batches instead.
    m_widgets.LbSearchResult->setLayoutMode(QListView::Batched);
    connect(m_widgets.EdtSearch, &QLineEdit::textChanged, this, &SearchBox::EdtSearchChange);
    connect(m_widgets.BtnQVSearch, &QToolButton::clicked, this, &SearchBox::BtnQVSearchClick);
    connect(m_widgets.LbSearchResult, &QListWidget::itemPressed, this,
            &SearchBox::LbSearchResultMouseDown);
    // Keys are seen before the widgets act on them: a line is copied into the box
    // before the list moves its highlight.
    m_widgets.EdtSearch->installEventFilter(this);
    m_widgets.LbSearchResult->installEventFilter(this);
    m_widgets.SbSearchText->installEventFilter(this);
}

SearchBox::~SearchBox() {
    if (m_pageWait) {
        m_pageWait->quit();
    }
}

void SearchBox::SetBrowserFactory(SearchPageBrowserFactory factory) {
    m_browserFactory = std::move(factory);
}

void SearchBox::SetPause(std::function<void(int)> pause) {
    m_pause = std::move(pause);
}

QString SearchBox::RowText(const TMyDoc& doc) {
    if (doc.DisplayName.empty() || doc.DisplayName == doc.Path) {
        return Q(doc.Path);
    }
    return Q(doc.DisplayName) + QString::fromUtf8(kRowSeparator) + Q(doc.Path);
}

QString SearchBox::SearchScript(const QString& keyword) {
    // Double quotes become blanks, as the page has always received them. A backslash or a
    // line break would end or break the quoted text, so those are escaped: the page gets
    // the keyword as typed and a keyword can never become script.
    QString quoted;
    quoted.reserve(keyword.size());
    for (const QChar c : keyword) {
        if (c == QLatin1Char('"')) {
            quoted += QLatin1Char(' ');
        } else if (c == QLatin1Char('\\')) {
            quoted += QStringLiteral("\\\\");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029) {
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    return QStringLiteral("SearchNow(\"") + quoted + QStringLiteral("\")");
}

QUrl SearchBox::SearchPageAddress() {
    // The page learns where keywords go from us, so the address lives in one place.
    QUrl page(QString::fromLatin1(kSearchPageUrl));
    page.setQuery(QStringLiteral("engine=") + QString::fromLatin1(QUrl::toPercentEncoding(
                                                  QString::fromLatin1(kWebSearchAddress))));
    return page;
}

QString SearchBox::FallbackSearchAddress(const QString& keyword) {
    return QString::fromLatin1(kWebSearchAddress) +
           QString::fromLatin1(QUrl::toPercentEncoding(keyword));
}

void SearchBox::FillRows(QListWidget& list, const History& history, const TreeImageList& images,
                         std::string_view text, const SyncService* sync) {
    const std::vector<int> found = RankedMatches(history, text, history.Today());
    const DocTable& docs = history.Docs();
    const RemoteHistory* remote = sync != nullptr ? sync->Remote() : nullptr;
    for (const int index : found) {
        const TMyDoc& doc = docs[static_cast<std::size_t>(index)];
        QString row = RowText(doc);
        if (remote != nullptr) {
            if (const auto also = remote->AlsoOn(doc.Path); !also.empty()) {
                row += QStringLiteral("  （也在 %1）").arg(Q(JoinMachineNames(also)));
            }
        }
        auto* item = new QListWidgetItem(images.Icon(history.ImageIndexOf(index)), row);
        // The stored Path as recorded: a lower-cased one names another file on a
        // case-sensitive disk and another video behind "watch?v=".
        item->setData(kPathRole, Q(doc.Path));
        list.addItem(item);
    }
    if (remote == nullptr) {
        return;
    }
    // Other machines' entries come after this one's: what is here is what can surely open.
    const DocTable& others = remote->Docs();
    for (const int index : RankedMatches(others, remote->SearchIndex(), text, history.Today())) {
        const TMyDoc& doc = others[static_cast<std::size_t>(index)];
        auto* item = new QListWidgetItem(
            images.Icon(RemoteImageIndex(doc)),
            RowText(doc) +
                QStringLiteral("  （%1）").arg(Q(JoinMachineNames(remote->MachinesOf(index)))));
        item->setData(kPathRole, Q(doc.Path));
        item->setData(kRemoteRole, true);
        list.addItem(item);
    }
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event) {
    const SearchBoxWidgets& ui = m_widgets;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == ui.EdtSearch) {
            return EdtSearchKeyDown(key);
        }
        if (watched == ui.LbSearchResult) {
            return LbSearchResultKeyDown(key);
        }
    } else if (event->type() == QEvent::MouseButtonPress && watched == ui.SbSearchText) {
        SbSearchTextClick();
    } else if (event->type() == QEvent::Hide && watched == ui.LbSearchResult) {
        // However the list goes away (a tree click, the tab strip), navigation ends with
        // it; otherwise typing in the box would never search again.
        m_searchNavigating = false;
    }
    return QObject::eventFilter(watched, event);
}

void SearchBox::PlaceResultList() {
    QListWidget* list = m_widgets.LbSearchResult;
    const QRect shape = m_widgets.ShapeSearch->geometry();
    const int width = list->parentWidget() ? list->parentWidget()->width() : 0;
    list->setGeometry(20, shape.y() + shape.height() + 20, std::max(0, width - 40), 200);
}

void SearchBox::HideResultList() {
    m_widgets.LbSearchResult->hide();
}

QString SearchBox::RowPath(int row) const {
    const QListWidgetItem* item = m_widgets.LbSearchResult->item(row);
    return item ? item->data(kPathRole).toString() : QString();
}

int SearchBox::HighlightedRow() const {
    QListWidget* list = m_widgets.LbSearchResult;
    const int row = list->currentRow();
    if (row < 0 || row >= list->count() || !list->item(row)->isSelected()) {
        return -1;
    }
    return row;
}

void SearchBox::EdtSearchChange() {
    if (m_searchNavigating) {
        return;
    }
    Guarded([&] {
        PlaceResultList();
        RunHistorySearch();
    });
}

void SearchBox::RunHistorySearch() {
    Guarded([&] {
        QListWidget* list = m_widgets.LbSearchResult;
        list->show();
        list->raise();
        list->clear();
        if (m_sync != nullptr) {
            m_sync->FollowLocal();
        }
        FillRows(*list, m_history, m_images, S(m_widgets.EdtSearch->text()), m_sync);
    });
}

bool SearchBox::NamesExistingFileOrFolder(const QString& text) const {
    // Only a full path counts: a bare word must go to the web search even when the
    // program's working folder happens to hold something of that name.
    if (text.isEmpty() || !QDir::isAbsolutePath(text)) {
        return false;
    }
    return QFileInfo::exists(text);
}

bool SearchBox::EdtSearchKeyDown(int key) {
    const SearchBoxWidgets& ui = m_widgets;
    if (IsEnterKey(key)) {
        Guarded([&] {
            QListWidget* list = ui.LbSearchResult;
            // A hidden list's highlight is out of sight and must not swallow the key.
            if (!list->isVisible() || list->count() == 0 || HighlightedRow() < 0) {
                const QString text = ui.EdtSearch->text();
                if (NamesExistingFileOrFolder(text)) {
                    m_openers.OpenPathOrAddress(S(text), false);
                } else {
                    QPointer<SearchBox> alive(this);
                    RunWebSearch();
                    if (!alive) {
                        return;
                    }
                }
            }
            HideResultList();
        });
        return true;
    }
    if (key == Qt::Key_Escape) {
        HideResultList();
        return true;
    }
    if (key == Qt::Key_Down) {
        QListWidget* list = ui.LbSearchResult;
        if (!list->isVisible()) {
            return false;
        }
        list->setFocus(Qt::OtherFocusReason);
        if (list->count() > 0) {
            list->setCurrentRow(0);
        }
        m_searchNavigating = true;
        return true;
    }
    // Typing in the box again means searching again.
    m_searchNavigating = false;
    return false;
}

bool SearchBox::LbSearchResultKeyDown(int key) {
    m_searchNavigating = true;
    if (IsEnterKey(key) || key == Qt::Key_Space) {
        const int row = HighlightedRow();
        std::unique_ptr<QListWidgetItem> item(
            row >= 0 ? m_widgets.LbSearchResult->item(row)->clone() : nullptr);
        HideResultList();
        m_searchNavigating = false;
        if (item) {
            OpenResultRow(item.get());
        }
        return true;
    }
    // Only another machine's entry goes from the list: this machine's are deleted in the
    // trees, where the user sees what else goes with them.
    if (key == Qt::Key_Delete) {
        const int row = HighlightedRow();
        if (row >= 0) {
            DeleteRemoteRow(row);
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        HideResultList();
        m_searchNavigating = false;
        return true;
    }
    const int row = HighlightedRow();
    if (row >= 0) {
        m_widgets.EdtSearch->setText(RowPath(row));
    }
    return false;
}

void SearchBox::LbSearchResultMouseDown(QListWidgetItem* item) {
    if (!item) {
        return;
    }
    HideResultList();
    m_searchNavigating = false;
    OpenResultRow(item);
}

void SearchBox::OpenResultRow(const QListWidgetItem* item) {
    Guarded([&] {
        const std::string line = S(item->data(kPathRole).toString());
        if (line.empty()) {
            return;
        }
        if (item->data(kRemoteRole).toBool() && m_sync != nullptr) {
            OpenRemoteEntry(*m_sync, line, m_openers, m_messages);
            return;
        }
        m_openers.OpenPathOrAddress(line, false);
    });
}

void SearchBox::DeleteRemoteRow(int row) {
    Guarded([&] {
        QListWidget* list = m_widgets.LbSearchResult;
        QListWidgetItem* item = list->item(row);
        if (item == nullptr || !item->data(kRemoteRole).toBool() || m_sync == nullptr) {
            return;
        }
        m_sync->DeleteRemote({S(item->data(kPathRole).toString())});
        delete list->takeItem(row);
    });
}

void SearchBox::SbSearchTextClick() {
    HideResultList();
}

void SearchBox::BtnQVSearchClick() {
    RunWebSearch();
}

void SearchBox::LoadSearchPage() {
    m_pageRequested = true;
    // Only a browser that already exists is pointed at the page now; otherwise the first
    // web search makes it.
    if (m_browser && m_pageState == PageState::None) {
        EnsureSearchPage();
    }
}

void SearchBox::EnsureSearchPage() {
    if (m_pageState != PageState::None) {
        return;
    }
    m_pageRequested = true;
    if (!m_browser && m_browserFactory) {
        m_browser = m_browserFactory(m_widgets.WebBrowser1Host);
    }
    if (!m_browser) {
        m_pageState = PageState::Failed;
        return;
    }
    m_pageState = PageState::Loading;
    QPointer<SearchBox> alive(this);
    m_browser->Load(SearchPageAddress(), [this, alive](bool ok) {
        if (!alive) {
            return;
        }
        m_pageState = ok ? PageState::Ready : PageState::Failed;
        if (m_pageWait) {
            m_pageWait->quit();
        }
    });
}

void SearchBox::WaitForSearchPage() {
    if (m_pageState != PageState::Loading || m_pageWait) {
        return;
    }
    QEventLoop loop;
    m_pageWait = &loop;
    QTimer::singleShot(m_pageLoadLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    m_pageWait = nullptr;
}

void SearchBox::SearchInDefaultBrowser(const QString& keyword) {
    if (Trim(S(keyword)).empty()) {
        return;
    }
    m_openers.OpenWebAddress(S(FallbackSearchAddress(keyword)));
}

void SearchBox::RunWebSearch() {
    QPointer<SearchBox> alive(this);
    Guarded([&] {
        const SearchBoxWidgets& ui = m_widgets;
        HideResultList();
        // The page starts loading first, so that it comes up while the tab settles.
        EnsureSearchPage();
        if (m_trees.CurrentPage() != Page::Common) {
            m_window.ShowPage(Page::Common);
            ui.LbSearchResult->clear();
            ui.PnlHint->clear();
            for (int step = 0; step < kPageSettlePauses; ++step) {
                m_pause(kPageSettlePauseMs);
                if (!alive) {
                    return;
                }
            }
        }
        WaitForSearchPage();
        // A search started while an earlier one still waits for the page leaves the
        // keyword to that one: it reads the box when the page is there.
        if (!alive || (m_pageState == PageState::Loading && m_pageWait)) {
            return;
        }
        const QString keyword = ui.EdtSearch->text();
        if (m_pageState == PageState::Ready && m_browser) {
            m_browser->RunScript(SearchScript(keyword));
        } else {
            // No engine, a page that failed, or one still not there after the bound.
            SearchInDefaultBrowser(keyword);
        }
    });
}

}  // namespace qarvex
