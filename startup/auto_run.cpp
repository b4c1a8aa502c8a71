#include "startup/auto_run.h"

#include <utility>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtGlobal>

#include "capture/openers.h"
#include "store/address_rules.h"
#include "capture/scanner.h"
#include "startup/frm_auto_run_set.h"
#include "startup/frm_autorun_doc.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/strings.h"
#include "views/doc_trees.h"
#include "views/services.h"

namespace qarvex {

namespace {

constexpr std::string_view kDocsSection = "docs";
constexpr int kMaxStoredKeys = 1000;
constexpr int kReopenPauseMs = 5;

std::string Key(std::string_view name, int index) {
    return std::string(name) + std::to_string(index);
}

// Keeps a reopen from starting while another runs: events run between documents.
class ReopenGuard {
public:
    explicit ReopenGuard(bool& flag) : m_flag(flag), m_entered(!flag) { m_flag = true; }
    ~ReopenGuard() {
        if (m_entered) {
            m_flag = false;
        }
    }
    ReopenGuard(const ReopenGuard&) = delete;
    ReopenGuard& operator=(const ReopenGuard&) = delete;
    bool Entered() const { return m_entered; }

private:
    bool& m_flag;
    bool m_entered;
};

constexpr std::string_view kDefaultSection = "default";

// A path on this machine that no longer exists; addresses and places are never "gone".
bool IsLocalPathGone(const std::string& target) {
    std::string path = target;
    if (StartsWith(path, "file://")) {
        path = path.substr(7);
    }
    if (!StartsWith(path, "/")) {
        return false;
    }
    return !FileExists(path) && !DirectoryExists(path);
}

// A folder line of lr.dat is the file manager's address as the scan found it; it is
// opened by the path its history entry has, decoded the way the history decodes it.
std::string LastRunTarget(const std::string& line) {
    const std::string address = LocalFileAddress(line);
    return IsFileAddress(address) ? LocalPathForAddDoc(ReplaceAll(address, "%20", " ")) : line;
}

bool IsSkippedForRecentReopen(const TMyDocObj& doc) {
    return doc.Path.empty() || doc.Number == 1 || Contains(doc.Path, "res:") ||
           Contains(doc.Path, "http://") || Contains(doc.Path, "https://");
}

}  // namespace

AutoRun::AutoRun(const Services& services, const DocTrees& trees, const AutoRunWidgets& widgets,
                 QObject* parent)
    : QObject(parent),
      m_state(services.state),
      m_history(services.history),
      m_scanner(services.scanner),
      m_openers(services.openers),
      m_trees(trees),
      m_widgets(widgets),
      m_mirror(services.state.RunList(), *widgets.LbAutoRun) {
    const AutoRunListMenu& menu = m_widgets.menu;
    QListWidget* box = m_widgets.LbAutoRun;

    box->installEventFilter(this);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
        m_widgets.menu.PmAutoRunList->popup(box->viewport()->mapToGlobal(pos));
    });
    connect(box, &QListWidget::itemDoubleClicked, this, [this] { N38Click(); });

    // The stored choice, when there is one, replaces the layout's preselection; only the
    // user's own click stores a new one.
    QRadioButton* const openTypes[] = {m_widgets.RgAutorOpenTypeItem0,
                                       m_widgets.RgAutorOpenTypeItem1,
                                       m_widgets.RgAutorOpenTypeItem2};
    const int stored = StoredOpenType();
    for (int item = 0; item < 3; ++item) {
        if (item == stored) {
            openTypes[item]->setChecked(true);
        }
        connect(openTypes[item], &QRadioButton::clicked, this,
                [this, item] { RgAutorOpenTypeClick(item); });
    }

    connect(menu.N37, &QAction::triggered, this, [this] { N37Click(); });
    connect(menu.N38, &QAction::triggered, this, [this] { N38Click(); });
    connect(menu.MnOpenDirInAutoRUn, &QAction::triggered, this,
            [this] { MnOpenDirInAutoRUnClick(); });

    connect(m_widgets.BtnQVStart, &QToolButton::clicked, this, [this] { BtnQVStartClick(); });
    connect(m_widgets.BtnQVAutoRunSet, &QToolButton::clicked, this,
            [this] { BtnQVAutoRunSetClick(); });

    m_autoRunSet = new TFrmAutoRunSet(m_widgets.dialogParent);
    m_autoRunSet->setObjectName(QStringLiteral("TFrmAutoRunSet"));
    ReadStoredMarks();
}

AutoRun::~AutoRun() = default;

void AutoRun::BtnQVStartClick() {
    const int kind = ChooseStartupKind();
    if (kind == TFrmAutoRunSet::kRecentDocuments) {
        ReopenRecentDocuments();
    } else if (kind == TFrmAutoRunSet::kFavourites) {
        ReopenFavourites();
    }
}

int AutoRun::ChooseStartupKind() {
    // Nothing chosen (the dialog failed) opens nothing.
    int kind = TFrmAutoRunSet::kNothing;
    Guarded([&] {
        m_autoRunSet->exec();
        kind = m_autoRunSet->Result();
    });
    return kind;
}

void AutoRun::ReopenRecentDocuments() {
    ReopenGuard guard(m_reopening);
    if (!guard.Entered()) {
        return;
    }
    Guarded([&] {
        // A copy: opening and the scans that run in the pauses add to the recent list.
        const std::vector<std::string> lines = m_state.RecentList().Lines();
        std::set<std::string> done;
        int opened = 0;
        for (const std::string& line : lines) {
            const TMyDocObj doc = ParseListLine(line);
            if (IsSkippedForRecentReopen(doc) || m_scanner.IsDocumentOpen(doc.Path) ||
                done.count(doc.Path) != 0 || IsLocalPathGone(doc.Path)) {
                continue;
            }
            if (++opened > kMaxRecentReopened) {
                break;
            }
            OpenQuietly(doc.Path, doc.Name, done);
            PauseKeepingEvents(kReopenPauseMs);
            StepProgress();
        }
    });
    EndProgress();
}

void AutoRun::ReopenFavourites() {
    ReopenGuard guard(m_reopening);
    if (!guard.Entered()) {
        return;
    }
    Guarded([&] {
        const std::vector<std::string> lines = m_state.FavList().Lines();
        std::set<std::string> done;
        for (const std::string& line : lines) {
            const TMyDocObj doc = ParseListLine(line);
            OpenQuietly(doc.Path, doc.Name, done);
        }
    });
}

int AutoRun::BtnQVAutoRunSetClick() {
    int answer = QDialog::Rejected;
    const bool done = Guarded([&] {
        RestoreStoredMarks();
        if (m_autorunDoc == nullptr) {
            m_autorunDoc = new TFrmAutorunDoc(m_widgets.dialogParent);
            m_autorunDoc->setObjectName(QStringLiteral("TFrmAutorunDoc"));
            // "Don't show this again" is the opposite of asking at start.
            connect(m_autorunDoc, &TFrmAutorunDoc::NotQueryToggled, this,
                    [this](bool checked) { m_widgets.CbQueryAutoRunDoc->setChecked(!checked); });
            connect(m_autorunDoc, &TFrmAutorunDoc::EntryDoubleClicked, this, [this](int index) {
                const DocTable& docs = m_history.Docs();
                if (index >= 0 && index < static_cast<int>(docs.size())) {
                    m_openers.OpenPathOrAddress(docs[static_cast<std::size_t>(index)].Path, false);
                }
            });
        }
        m_autorunDoc->CbNotQuery()->setChecked(!m_widgets.CbQueryAutoRunDoc->isChecked());

        const DocTable& docs = m_history.Docs();
        std::vector<std::string> names;
        std::vector<bool> marked;
        names.reserve(docs.size());
        marked.reserve(docs.size());
        for (const TMyDoc& doc : docs) {
            names.push_back(doc.DisplayName);
            marked.push_back(doc.Selected != 0);
        }
        m_autorunDoc->Fill(names, marked);

        answer = m_autorunDoc->exec();
        const int count = static_cast<int>(m_history.Docs().size());
        if (answer == TFrmAutorunDoc::kConfirmed) {
            const std::vector<bool> flags = m_autorunDoc->SelectedFlags();
            // The table may only have grown while the dialog was up: entries past the
            // list were not offered and are not chosen.
            for (int i = 0; i < count; ++i) {
                const auto at = static_cast<std::size_t>(i);
                m_history.SetSelected(i, at < flags.size() && flags[at]);
            }
            WriteMarks();
        } else if (answer == TFrmAutorunDoc::kClearedAll) {
            for (int i = 0; i < count; ++i) {
                m_history.SetSelected(i, false);
            }
            WriteMarks();
        }
    });
    return done ? answer : QDialog::Rejected;
}

void AutoRun::MnAddToRunListClick() {
    Guarded([&] {
        std::string caption;
        if (const TMyDoc* doc = m_trees.SelectedDoc(&caption)) {
            AddMyRun(m_state.RunList(), doc->Path, caption);
        }
    });
}

void AutoRun::N37Click() {
    DeleteSelectedListItems(m_state.RunList(), *m_widgets.LbAutoRun);
}

void AutoRun::N38Click() {
    OpenSelectedListItem(m_state.RunList(), *m_widgets.LbAutoRun, m_openers);
}

void AutoRun::MnOpenDirInAutoRUnClick() {
    Guarded([&] {
        const StoredList& run = m_state.RunList();
        const int index = m_widgets.LbAutoRun->currentRow();
        if (index < 0 || index >= run.LineCount()) {
            return;
        }
        std::string path = ParseListLine(run.Lines()[static_cast<std::size_t>(index)]).Path;
        // A POSIX path keeps its separators; a Windows-form one is written with "\".
        if (!StartsWith(path, "/")) {
            path = ReplaceAll(path, "/", "\\");
        }
        const std::string folder = Openers::ContainingFolder(path);
        if (!folder.empty() && DirectoryExists(folder)) {
            m_openers.OpenPathOrAddress(folder, false);
        }
    });
}

void AutoRun::RunStartupReopen() {
    if (m_startupReopenDone) {
        return;
    }
    m_startupReopenDone = true;
    Guarded([&] {
        RestoreStoredMarks();
        if (!m_widgets.CbAutoRunDocs->isChecked()) {
            return;
        }
        RefreshOpenLists();
        const int type = StoredOpenType();
        if (type == kLastRunDocs) {
            ReopenLastRunDocuments();
            return;
        }
        if (type == kFavouriteDocs) {
            ReopenFavourites();
            return;
        }
        if (m_widgets.CbQueryAutoRunDoc->isChecked()) {
            if (BtnQVAutoRunSetClick() == TFrmAutorunDoc::kConfirmed) {
                ReopenMarkedDocuments();
            }
            return;
        }
        if (!ReopenMarkedDocuments() && type == kUnchosen) {
            ReopenRecentDocuments();
        }
    });
}

bool AutoRun::ReopenMarkedDocuments() {
    ReopenGuard guard(m_reopening);
    if (!guard.Entered()) {
        return true;
    }
    bool anyMarked = false;
    Guarded([&] {
        // Copies: the history may grow while events run in the pauses.
        std::vector<std::pair<std::string, std::string>> targets;
        for (const TMyDoc& doc : m_history.Docs()) {
            if (doc.Selected != 0) {
                anyMarked = true;
                targets.emplace_back(Openers::EntryOpenTarget(doc), doc.DisplayName);
            }
        }
        std::set<std::string> done;
        for (const auto& [target, name] : targets) {
            if (!OpenQuietly(target, name, done)) {
                continue;
            }
            PauseKeepingEvents(kReopenPauseMs);
            StepProgress();
        }
    });
    EndProgress();
    return anyMarked;
}

int AutoRun::StoredOpenType() const {
    const IniFile& ini = m_state.Settings();
    const int type = ini.ReadInteger(kDefaultSection, kOpenTypeKey, kUnchosen);
    return type >= kLastRunDocs && type <= kHistoryDocs ? type : kUnchosen;
}

void AutoRun::RgAutorOpenTypeClick(int item) {
    Guarded([&] { m_state.Settings().WriteInteger(kDefaultSection, kOpenTypeKey, item); });
}

bool AutoRun::OpenQuietly(const std::string& target, const std::string& name,
                          std::set<std::string>& opened) {
    if (Trim(target).empty() || opened.count(target) != 0 || m_scanner.IsDocumentOpen(target)) {
        return false;
    }
    if (IsLocalPathGone(target)) {
        qInfo("Qarvex: not reopened, no longer exists: %s", target.c_str());
        return false;
    }
    opened.insert(target);
    Guarded([&] { m_openers.OpenDoc(target, name); });
    return true;
}

void AutoRun::ReopenLastRunDocuments() {
    ReopenGuard guard(m_reopening);
    if (!guard.Entered()) {
        return;
    }
    Guarded([&] {
        const std::vector<std::string> lines = m_state.LastRunList();
        std::set<std::string> done;
        for (const std::string& line : lines) {
            const std::string address = Trim(line);
            const std::string target = LastRunTarget(address);
            if (m_scanner.IsDocumentOpen(address)) {
                continue;
            }
            if (OpenQuietly(target, target, done)) {
                PauseKeepingEvents(kReopenPauseMs);
                StepProgress();
            }
        }
    });
    EndProgress();
}

void AutoRun::RefreshOpenLists() {
    Guarded([&] { m_scanner.CollectOpenPrograms(); });
    // What the walk found before it failed still counts as open.
    Guarded([&] { m_scanner.CollectShellWindows(); });
}

void AutoRun::ReadStoredMarks() {
    Guarded([&] {
        const IniFile& ini = m_state.Settings();
        for (int n = 0; n < kMaxStoredKeys; ++n) {
            const std::string path = Trim(ini.ReadString(kDocsSection, Key("path", n), ""));
            if (path.empty()) {
                break;
            }
            if (Trim(ini.ReadString(kDocsSection, Key("selected", n), "0")) == "1") {
                m_storedMarks.insert(path);
            }
        }
    });
}

void AutoRun::RestoreStoredMarks() {
    if (m_marksRestored) {
        return;
    }
    m_marksRestored = true;
    if (m_storedMarks.empty()) {
        return;
    }
    Guarded([&] {
        IniFile& ini = m_state.Settings();
        IniFile::Batch batch(ini);
        const int count = static_cast<int>(m_history.Docs().size());
        // The history was written back under compacted keys while loading: key n now
        // belongs to entry n.
        for (int i = 0; i < count; ++i) {
            const std::string path = Trim(ini.ReadString(kDocsSection, Key("path", i), ""));
            if (m_storedMarks.count(path) != 0) {
                m_history.SetSelected(i, true);
                ini.WriteString(kDocsSection, Key("selected", i), "1");
            }
        }
    });
    m_storedMarks.clear();
}

void AutoRun::WriteMarks() {
    Guarded([&] {
        IniFile& ini = m_state.Settings();
        IniFile::Batch batch(ini);
        const DocTable& docs = m_history.Docs();
        for (std::size_t i = 0; i < docs.size(); ++i) {
            ini.WriteString(kDocsSection, Key("selected", static_cast<int>(i)),
                            docs[i].Selected != 0 ? "1" : "0");
        }
    });
}

void AutoRun::PauseKeepingEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void AutoRun::StepProgress() {
    QProgressBar* bar = m_widgets.ProgressBar1;
    bar->setValue(bar->value() + 1);
}

void AutoRun::EndProgress() {
    m_widgets.ProgressBar1->setValue(0);
}

bool AutoRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widgets.LbAutoRun || event->type() != QEvent::KeyPress) {
        return false;
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            N38Click();
            return true;
        case Qt::Key_Delete:
            N37Click();
            return true;
        default:
            return false;
    }
}

}  // namespace qarvex
