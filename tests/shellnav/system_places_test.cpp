#include "shellnav/system_places.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QToolButton>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/frm_main.h"
#include "store/history.h"
#include "support/qt/main_window_fixture.h"

namespace qarvex::test {
namespace {

// Every special folder the page can ask for, each at its own made-up place.
const int kFolderNumbers[] = {0,  2,  4,  5,  6,  7,  9,  10, 11, 16, 19,
                              20, 22, 23, 24, 25, 27, 31, 32, 33, 34};

std::string FolderOf(int number) {
    return "/places/" + std::to_string(number);
}

class SystemPlacesTest : public MainWindowFixture {
protected:
    SystemPlacesTest() {
        for (int number : kFolderNumbers) {
            fakes.environment->SetSpecialFolder(number, FolderOf(number));
        }
        fakes.environment->SetSystemFolder(files.Path());
    }

    std::vector<ShellOpenCall> Calls() { return fakes.shellOpen->Calls(); }
    static std::vector<ShellOpenCall> Folder(int number) {
        return {ShellOpenCall::MakeOpen(FolderOf(number))};
    }
    static std::vector<ShellOpenCall> Place(ShellPlace place) {
        return {ShellOpenCall::MakePlace(place)};
    }
    std::vector<ShellOpenCall> SystemFolder() { return {ShellOpenCall::MakeOpen(files.Path())}; }
};

TEST_F(SystemPlacesTest, EveryButtonOfTheSystemPageOpensItsPlace) {
    struct Case {
        const char* button;
        std::vector<ShellOpenCall> expected;
    };
    const std::vector<Case> cases = {
        {"SpeedButton5", Place(ShellPlace::Computer)},
        {"SpeedButton9", Place(ShellPlace::Settings)},
        {"SpeedButton23", Folder(34)},
        {"SpeedButton17", Folder(11)},
        {"SpeedButton6", Folder(5)},
        {"SpeedButton7", Folder(0)},
        {"SpeedButton22", Folder(6)},
        {"SpeedButton14", Folder(2)},
        {"SpeedButton11", Folder(16)},
        {"SpeedButton19", Place(ShellPlace::Network)},
        {"SpeedButton8", Folder(10)},
        {"SpeedButton16", Folder(7)},
        {"SpeedButton1", SystemFolder()},
        {"BtmManageTask", Place(ShellPlace::TaskManager)},
    };
    Main();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        fakes.shellOpen->ClearCalls();
        auto* button = Find<QToolButton>(c.button);
        ASSERT_NE(button, nullptr);

        button->click();

        EXPECT_EQ(Calls(), c.expected);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Main().history().Docs().empty()) << "opening a place records nothing";
}

TEST_F(SystemPlacesTest, EveryItemOfTheMoreMenuOpensItsPlaceOrNothing) {
    struct Case {
        const char* item;
        std::vector<ShellOpenCall> expected;
    };
    const std::vector<Case> cases = {
        {"PmDesktopPath", Folder(16)},
        {"Cookie1", Folder(33)},
        {"pmFont", Folder(20)},
        {"N4", Place(ShellPlace::Computer)},
        {"N11", Folder(32)},
        {"lianj1", Folder(19)},
        {"N12", Folder(4)},
        {"N13", Folder(27)},
        {"N14", {}},
        {"N15", Folder(2)},
        {"N16", Folder(9)},
        {"N17", Folder(11)},
        {"N18", Place(ShellPlace::Computer)},
        {"Windows1", SystemFolder()},
        {"N19", {}},
        {"N3", {}},
        {"N5", Folder(25)},
        {"N6", Folder(31)},
        {"N7", Folder(23)},
        {"N8", Folder(22)},
        {"N9", Folder(24)},
        {"N10", {}},
    };
    QMenu* menu = Main().moreSpecialDirMenu().PmMoreSpecialDir;
    ASSERT_NE(menu, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        fakes.shellOpen->ClearCalls();
        auto* item = menu->findChild<QAction*>(QString::fromLatin1(c.item));
        ASSERT_NE(item, nullptr);

        item->trigger();

        EXPECT_EQ(Calls(), c.expected);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SystemPlacesTest, SubmenuEntriesThemselvesOpenNothing) {
    QMenu* menu = Main().moreSpecialDirMenu().PmMoreSpecialDir;
    for (QMenu* sub : menu->findChildren<QMenu*>()) {
        SCOPED_TRACE(sub->objectName().toStdString());
        sub->menuAction()->trigger();
    }
    EXPECT_TRUE(Calls().empty());
}

TEST_F(SystemPlacesTest, PlacesThisDesktopLacksOpenNothingAndSayNothing) {
    fakes.environment->ClearSpecialFolders();
    fakes.environment->SetSystemFolder(files.Path() + "/no-such-folder");
    Main();
    for (const char* button : {"SpeedButton23", "SpeedButton7", "SpeedButton8", "SpeedButton1"}) {
        SCOPED_TRACE(button);
        Find<QToolButton>(button)->click();
    }
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SystemPlacesTest, MoreButtonPopsTheMenuWithoutOpeningAnything) {
    QMenu* menu = Main().moreSpecialDirMenu().PmMoreSpecialDir;
    Main().show();
    QApplication::processEvents();

    Find<QToolButton>("BtnMoreSpecDir")->click();
    QApplication::processEvents();

    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(Calls().empty());
    menu->hide();
}

}  // namespace
}  // namespace qarvex::test
