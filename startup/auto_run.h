#pragma once

#include <set>
#include <string>

#include <QObject>

#include "startup/favourites.h"

class QCheckBox;
class QProgressBar;
class QRadioButton;
class QWidget;

namespace qarvex {

class AppState;
class DocTrees;
class History;
class Scanner;
class TFrmAutoRunSet;
class TFrmAutorunDoc;

// The auto-run page, its menu and the start-up preferences it reads. The two check boxes
// are the window's settings; the dialogs open over dialogParent.
struct AutoRunWidgets {
    QListWidget* LbAutoRun = nullptr;
    QRadioButton* RgAutorOpenTypeItem0 = nullptr;
    QRadioButton* RgAutorOpenTypeItem1 = nullptr;
    QRadioButton* RgAutorOpenTypeItem2 = nullptr;
    QToolButton* BtnQVStart = nullptr;
    QToolButton* BtnQVAutoRunSet = nullptr;
    QCheckBox* CbAutoRunDocs = nullptr;
    QCheckBox* CbQueryAutoRunDoc = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    AutoRunListMenu menu;
    QWidget* dialogParent = nullptr;
};

// The auto-run list, the reopen procedure and its dialogs, the start-up preferences. The
// menu's favourite item is the favourites'.
class AutoRun : public QObject {
    Q_OBJECT

public:
    // At most this many recent documents are reopened in one go.
    static constexpr int kMaxRecentReopened = 10;

    AutoRun(const Services& services, const DocTrees& trees, const AutoRunWidgets& widgets,
            QObject* parent = nullptr);
    ~AutoRun() override;

    // The reopen procedure: ask what to reopen, then reopen it.
    void BtnQVStartClick();
    // 0 recent documents, 1 favourites, anything else nothing.
    int ChooseStartupKind();
    void ReopenRecentDocuments();
    void ReopenFavourites();

    // Shows TFrmAutorunDoc and applies its answer to the entries' reopen marks;
    // returns what exec() answered.
    int BtnQVAutoRunSetClick();

    // Adds the selected history node to the auto-run list (tree menu and favourites menu).
    void MnAddToRunListClick();
    void N37Click();  // delete the selected lines
    void N38Click();  // open the current line
    void MnOpenDirInAutoRUnClick();

    // Once, at the end of start-up: reopens what the start-up preferences ask for.
    void RunStartupReopen();

    // What "启动后自动打开" asks to reopen at start. Stored in section "default"; files
    // written before the choice existed have none and reopen as they always did.
    enum OpenType { kUnchosen = -1, kLastRunDocs = 0, kFavouriteDocs = 1, kHistoryDocs = 2 };
    static constexpr const char* kOpenTypeKey = "AutorOpenType";
    int StoredOpenType() const;
    // The documents that were open when the window last closed (lr.dat).
    void ReopenLastRunDocuments();

    TFrmAutoRunSet* autoRunSet() const { return m_autoRunSet; }
    TFrmAutorunDoc* autorunDoc() const { return m_autorunDoc; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadStoredMarks();
    void RestoreStoredMarks();
    void WriteMarks();
    // Opens the marked history entries not open now; false when none is marked.
    bool ReopenMarkedDocuments();
    void RefreshOpenLists();
    void RgAutorOpenTypeClick(int item);
    // Opens one document unless it is open now or was opened earlier in this reopen. A
    // local path that has gone is skipped with a line in the log: at start nobody is
    // waiting to read a message box per missing entry. True when it was opened.
    bool OpenQuietly(const std::string& target, const std::string& name,
                     std::set<std::string>& opened);
    void PauseKeepingEvents(int ms);
    void StepProgress();
    void EndProgress();

    AppState& m_state;
    History& m_history;
    Scanner& m_scanner;
    Openers& m_openers;
    const DocTrees& m_trees;
    AutoRunWidgets m_widgets;
    ListBoxMirror m_mirror;
    TFrmAutoRunSet* m_autoRunSet = nullptr;
    TFrmAutorunDoc* m_autorunDoc = nullptr;
    // Stored paths whose entries were marked for reopening when the history was last
    // written; loading the history rewrites the marks, so they are read before it.
    std::set<std::string> m_storedMarks;
    bool m_marksRestored = false;
    bool m_startupReopenDone = false;
    bool m_reopening = false;
};

}  // namespace qarvex
