#include "startup/doc_display.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QToolButton>

#include "store/history.h"
#include "support/qt/feature_fixture.h"

namespace qarvex::test {
namespace {

class DocDisplayTest : public FeatureFixture {
protected:
    void MakePart() override {
        part = new DocDisplay(Svc(), {Make<QToolButton>("BtnDocDisplay"), &Window()}, Owner());
    }

    DocDisplay& Part() {
        Start();
        return *part;
    }
    void PressDocDisplay() {
        // The button is on the page but never shown; its action still works.
        Find<QToolButton>("BtnDocDisplay")->click();
        QApplication::processEvents();
    }
    QListWidget* Paths() {
        return Part().window()->findChild<QListWidget*>(QStringLiteral("LbDocDisplay"));
    }
    std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        for (int row = 0; row < Paths()->count(); ++row) {
            listed.push_back(Paths()->item(row)->text().toStdString());
        }
        return listed;
    }
    std::vector<std::string> RememberedPaths() {
        std::vector<std::string> paths;
        for (const TMyDoc& doc : Hist().Docs()) {
            paths.push_back(doc.Path);
        }
        return paths;
    }
    void Remember(const std::string& address, const std::string& name, bool software) {
        Hist().AddDoc(address, name, {}, software);
    }

    DocDisplay* part = nullptr;
};

TEST_F(DocDisplayTest, WindowIsMadeOnFirstUseAndReused) {
    EXPECT_EQ(Part().window(), nullptr);

    PressDocDisplay();
    TFromDocDisplay* first = Part().window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle().toStdString(), "显示名称映射");
    EXPECT_TRUE(Window().isEnabled()) << "the window must not block the main window";

    PressDocDisplay();
    EXPECT_EQ(Part().window(), first);
}

TEST_F(DocDisplayTest, ListsEveryRememberedPathInRecordingOrder) {
    std::filesystem::create_directories(files.Path() + "/Projects/qarvex");
    Remember("https://example.org/news/today.html", "Today", false);
    Remember(files.Path() + "/Projects/qarvex", "qarvex", false);
    Remember("/usr/bin/env", "env", true);
    ASSERT_GE(Hist().Docs().size(), 2u);

    PressDocDisplay();

    EXPECT_EQ(Listed(), RememberedPaths());
}

TEST_F(DocDisplayTest, EmptyHistoryGivesAnEmptyList) {
    PressDocDisplay();
    EXPECT_EQ(Paths()->count(), 0);
}

TEST_F(DocDisplayTest, EveryShowingListsTheHistoryAsItIsThenWithoutDuplicates) {
    Remember("https://example.org/a.html", "A", false);
    PressDocDisplay();
    ASSERT_EQ(Listed(), RememberedPaths());

    // Pressed again while open: what was recorded meanwhile appears, nothing twice.
    Remember("https://example.org/b.html", "B", false);
    PressDocDisplay();
    EXPECT_EQ(Listed(), RememberedPaths());

    Part().window()->hide();
    Remember("https://example.net/c.html", "C", false);
    PressDocDisplay();
    EXPECT_EQ(Listed(), RememberedPaths());
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(DocDisplayTest, ConfirmAndCancelOnlyHide) {
    for (const char* button : {"BtnConfirm", "BtnCancel"}) {
        SCOPED_TRACE(button);
        PressDocDisplay();
        TFromDocDisplay* window = Part().window();
        ASSERT_TRUE(window->isVisible());

        window->findChild<QToolButton*>(QString::fromLatin1(button))->click();

        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(Part().window(), window);
    }
}

}  // namespace
}  // namespace qarvex::test
