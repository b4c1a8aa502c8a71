#include "shellnav/system_places.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>

#include "capture/openers.h"
#include "store/history.h"
#include "support/qt/feature_fixture.h"
#include "views/popup_menus.h"
#include "views/skin_tab_bar.h"

namespace qarvex::test {
namespace {

// Every special folder the page can ask for, each at its own made-up place.
const int kFolderNumbers[] = {0,  2,  4,  5,  6,  7,  9,  10, 11, 16, 19,
                              20, 22, 23, 24, 25, 27, 31, 32, 33, 34};

std::string FolderOf(int number) {
    return "/places/" + std::to_string(number);
}

// The system page's buttons, the "更多..." menu and the tray's system items.
class SystemPlacesTest : public FeatureFixture {
protected:
    SystemPlacesTest() {
        for (int number : kFolderNumbers) {
            fakes.environment->SetSpecialFolder(number, FolderOf(number));
        }
        fakes.environment->SetSystemFolder(files.Path());
        // The desktop's menu entries: the user's own and the installed ones.
        fakes.environment->SetSpecialFolder(csidl::kStartMenu, UserMenu());
        fakes.environment->SetSpecialFolder(csidl::kPrograms, InstalledMenu());
        std::filesystem::create_directories(UserMenu());
        std::filesystem::create_directories(InstalledMenu());
    }

    std::string UserMenu() { return files.Path() + "/user-menu"; }
    std::string InstalledMenu() { return files.Path() + "/installed-menu"; }
    std::vector<ShellOpenCall> Open(const std::string& path) {
        return {ShellOpenCall::MakeOpen(path)};
    }

    void MakePart() override {
        Trees();
        QWidget* page = Find<QWidget>("TsQVSystem");
        for (int i = 0; i < SystemPlaces::kButtonPlaceCount; ++i) {
            Make<QToolButton>(SystemPlaces::kButtonPlaces[i].button, page);
        }
        moreMenu = BuildPmMoreSpecialDir(&Window());
        trayMenu = BuildPopMenu(&Window());
        part = new SystemPlaces(
            Svc(), window, {page, Make<QToolButton>("BtnMoreSpecDir", page), moreMenu, trayMenu},
            Owner());
    }

    std::vector<ShellOpenCall> Calls() { return fakes.shellOpen->Calls(); }
    static std::vector<ShellOpenCall> Folder(int number) {
        return {ShellOpenCall::MakeOpen(FolderOf(number))};
    }
    static std::vector<ShellOpenCall> Place(ShellPlace place) {
        return {ShellOpenCall::MakePlace(place)};
    }
    std::vector<ShellOpenCall> SystemFolder() { return {ShellOpenCall::MakeOpen(files.Path())}; }

    QMenu* MoreMenu() {
        Start();
        return moreMenu.PmMoreSpecialDir;
    }

    MoreSpecialDirMenu moreMenu;
    TrayMenu trayMenu;
    SystemPlaces* part = nullptr;
};

TEST_F(SystemPlacesTest, EveryButtonOfTheSystemPageOpensItsPlace) {
    struct Case {
        const char* button;
        std::vector<ShellOpenCall> expected;
    };
    const std::vector<Case> cases = {
        {"SpeedButton5", Place(ShellPlace::Computer)},
        {"SpeedButton9", Place(ShellPlace::Settings)},
        {"SpeedButton23", Place(ShellPlace::Recent)},
        {"SpeedButton17", Open(UserMenu())},
        {"SpeedButton6", Folder(5)},
        {"SpeedButton7", Folder(0)},
        {"SpeedButton22", {}},
        {"SpeedButton14", Open(InstalledMenu())},
        {"SpeedButton11", Folder(16)},
        {"SpeedButton19", Place(ShellPlace::Network)},
        {"SpeedButton8", Place(ShellPlace::Trash)},
        {"SpeedButton16", Folder(7)},
        {"SpeedButton1", SystemFolder()},
        {"BtmManageTask", Place(ShellPlace::TaskManager)},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        fakes.shellOpen->ClearCalls();
        auto* button = Find<QToolButton>(c.button);
        ASSERT_NE(button, nullptr);

        button->click();

        EXPECT_EQ(Calls(), c.expected);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Hist().Docs().empty()) << "opening a place records nothing";
}

TEST_F(SystemPlacesTest, EveryItemOfTheMoreMenuOpensItsPlaceOrNothing) {
    struct Case {
        const char* item;
        std::vector<ShellOpenCall> expected;
    };
    const std::vector<Case> cases = {
        {"PmDesktopPath", Folder(16)},
        {"Cookie1", {}},
        {"pmFont", Folder(20)},
        {"N4", Place(ShellPlace::Computer)},
        {"N11", Folder(32)},
        {"lianj1", Place(ShellPlace::Network)},
        {"N12", Place(ShellPlace::Printers)},
        {"N13", Place(ShellPlace::Printers)},
        {"N14", {}},
        {"N15", Open(InstalledMenu())},
        {"N16", Folder(9)},
        {"N17", Open(UserMenu())},
        {"N18", Place(ShellPlace::Computer)},
        {"Windows1", SystemFolder()},
        {"N19", {}},
        {"N3", {}},
        {"N5", Folder(25)},
        {"N6", {}},
        {"N7", {}},
        {"N8", {}},
        {"N9", Folder(24)},
        {"N10", {}},
    };
    QMenu* menu = MoreMenu();
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
    QMenu* menu = MoreMenu();
    for (QMenu* sub : menu->findChildren<QMenu*>()) {
        SCOPED_TRACE(sub->objectName().toStdString());
        sub->menuAction()->trigger();
    }
    EXPECT_TRUE(Calls().empty());
}

TEST_F(SystemPlacesTest, PlacesThisDesktopLacksOpenNothingAndSayNothing) {
    fakes.environment->ClearSpecialFolders();
    fakes.environment->SetSystemFolder(files.Path() + "/no-such-folder");
    Start();
    for (const char* button : {"SpeedButton7", "SpeedButton1"}) {
        SCOPED_TRACE(button);
        Find<QToolButton>(button)->click();
    }
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SystemPlacesTest, PlacesWithoutAnEquivalentAreDisabledSayingWhyAndFavouritesShowTheirPage) {
    fakes.shellOpen->SetMissingPlace(ShellPlace::Settings);
    fakes.shellOpen->SetMissingPlace(ShellPlace::TaskManager);
    fakes.shellOpen->SetMissingPlace(ShellPlace::Recent);
    fakes.shellOpen->SetMissingPlace(ShellPlace::Network);
    std::filesystem::remove(UserMenu());
    std::filesystem::remove(InstalledMenu());
    Start();
    for (const char* button : {"SpeedButton17", "SpeedButton14", "SpeedButton9", "BtmManageTask",
                               "SpeedButton23", "SpeedButton19"}) {
        SCOPED_TRACE(button);
        EXPECT_FALSE(Find<QToolButton>(button)->isEnabled());
        EXPECT_FALSE(Find<QToolButton>(button)->toolTip().isEmpty());
    }
    for (const char* item : {"Cookie1", "N15", "N17", "N7", "N8", "MnQVControl", "MnQVTask"}) {
        SCOPED_TRACE(item);
        auto* action = Find<QAction>(item);
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->isEnabled());
        EXPECT_FALSE(action->toolTip().isEmpty());
    }
    EXPECT_TRUE(Find<QToolButton>("SpeedButton8")->isEnabled());

    // The trash goes to a file manager, never to the default handler.
    part->OpenPlace(csidl::kBitBucket);
    EXPECT_EQ(Calls(), Place(ShellPlace::Trash));

    fakes.shellOpen->ClearCalls();
    Find<QToolButton>("SpeedButton22")->click();
    EXPECT_EQ(window.shownPages, std::vector<Page>{Page::Favourites});
    EXPECT_EQ(Pages()->currentIndex(), 4);
    EXPECT_EQ(window.calls, std::vector<std::string>{"ShowMainWindowAtCorner"});
    EXPECT_TRUE(Calls().empty());
}

TEST_F(SystemPlacesTest, MoreButtonPopsTheMenuWithoutOpeningAnything) {
    QMenu* menu = MoreMenu();
    Window().show();
    QApplication::processEvents();

    Find<QToolButton>("BtnMoreSpecDir")->click();
    QApplication::processEvents();

    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(Calls().empty());
    menu->hide();
}

}  // namespace
}  // namespace qarvex::test
