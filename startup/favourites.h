#pragma once

#include <string>
#include <vector>

#include <QObject>

#include "store/list_file.h"
#include "store/stored_list.h"
#include "views/popup_menus.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

namespace qarvex {

class DocTrees;
class Environment;
class Messages;
class Openers;
struct Services;

// Keeps a list box showing the items of a stored list, change by change.
class ListBoxMirror : public StoredList::Observer {
public:
    ListBoxMirror(StoredList& list, QListWidget& box);
    ~ListBoxMirror() override;
    ListBoxMirror(const ListBoxMirror&) = delete;
    ListBoxMirror& operator=(const ListBoxMirror&) = delete;

    void ItemsReset(const std::vector<std::string>& items) override;
    void ItemInserted(int index, const std::string& item) override;
    void ItemRemoved(int index) override;
    void ItemChanged(int index, const std::string& item) override;

private:
    QListWidget& m_box;
};

// The operations shared by the favourites and the auto-run list, each over a stored list
// and the list box that mirrors it.
//
// Opens the line of the box's current item (nothing without one); a "file:///" path is
// cut to its local form first.
void OpenSelectedListItem(StoredList& list, const QListWidget& box, Openers& openers);
// Removes every selected item together with the line at its position.
void DeleteSelectedListItems(StoredList& list, const QListWidget& box);

// The text before the first "*|*" of a line (the whole line when it has none).
std::string PathPartOf(const std::string& line);
// An existing file or an existing directory.
bool PathExists(const std::string& path);
// The hint shown for a favourites line: "所在路径『" path "』 文档名称『" name "』".
std::string FavouriteHint(const std::string& line);

// The favourites page and its menu. The edit bar's check box is the window's setting; the
// bar follows the menu's item.
struct FavouritesWidgets {
    QListWidget* LbMyLove = nullptr;
    QCheckBox* CbFavEdit = nullptr;
    QFrame* PnlNewFav = nullptr;
    QLineEdit* EdtNewFavDisplay = nullptr;
    QLineEdit* EdtNewFavPath = nullptr;
    QToolButton* BtnQVAddToFav = nullptr;
    QToolButton* BtnQVUpdateFav = nullptr;
    QLabel* PnlHint = nullptr;
    FavMenu menu;
};

// The favourites page: LbMyLove, its menu and the edit bar. The menu's start-up item is
// the auto-run list's.
class Favourites : public QObject {
    Q_OBJECT

public:
    Favourites(const Services& services, const DocTrees& trees, const FavouritesWidgets& widgets,
               QObject* parent = nullptr);
    ~Favourites() override;

    // Adds the selected history node as a favourite (tree menu and auto-run menu).
    void MyMyLoveClick();
    void MnOpenMyFavDocClick();
    void MyDeleteFavClick();
    void MnQVDeleteNotExistsDocClick();
    void MnNewToFavClick();
    void MnUpdateFavClick();
    void MnShowFavEditClick(bool checked);
    void BtnQVAddToFavClick();
    void BtnQVUpdateFavClick();
    // Files dropped on the list, in the order delivered.
    void LbMyLoveDropFiles(const std::vector<std::string>& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CopyCurrentToEditBar();
    // True when path can be kept; otherwise says why and gives false.
    bool AcceptsPath(const std::string& path);
    // After a change nothing shown may still describe what was there before.
    void ClearEditBarAndHint();
    void LbMyLoveMouseMove(const QPoint& position);
    void SelectOnlyItemAt(const QPoint& position);

    StoredList& m_fav;
    Openers& m_openers;
    Environment& m_environment;
    Messages& m_messages;
    const DocTrees& m_trees;
    FavouritesWidgets m_widgets;
    ListBoxMirror m_mirror;
};

}  // namespace qarvex
