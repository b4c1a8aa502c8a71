#include "shellnav/about_help.h"

#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "store/history.h"
#include "support/qt/feature_fixture.h"

namespace qarvex::test {
namespace {

constexpr const char* kTitle = "关于 Qarvex";
constexpr const char* kHomePage = "https://qarvex.org/";

class AboutHelpTest : public FeatureFixture {
protected:
    void MakePart() override {
        part = new AboutHelp(
            Svc(), {Make<QToolButton>("BtnAbout"), Make<QToolButton>("BtnHelp"), &Window()},
            Owner());
    }

    AboutHelp& Part() {
        Start();
        return *part;
    }
    void Press(const char* button) {
        Find<QToolButton>(button)->click();
        QApplication::processEvents();
    }
    template <typename T>
    static T* In(QWidget* window, const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    AboutHelp* part = nullptr;
};

TEST_F(AboutHelpTest, AboutWindowIsMadeOnFirstUseWithTitleVersionAndPictures) {
    EXPECT_EQ(Part().frmVersion(), nullptr);

    Press("BtnAbout");
    TFrmVersion* about = Part().frmVersion();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle().toStdString(), kTitle);
    EXPECT_EQ(In<QLabel>(about, "LblVersion")->text().toStdString(), "3.0");
    EXPECT_FALSE(In<QLabel>(about, "Image1")->pixmap().isNull());
    EXPECT_FALSE(In<QToolButton>(about, "BtnClose")->icon().isNull());

    Press("BtnAbout");
    EXPECT_EQ(Part().frmVersion(), about);
}

TEST_F(AboutHelpTest, PressingThePictureOrTheLinkOpensTheHomePage) {
    Press("BtnAbout");
    TFrmVersion* about = Part().frmVersion();
    for (const char* control : {"Image1", "Label1"}) {
        SCOPED_TRACE(control);
        fakes.shellOpen->ClearCalls();

        QTest::mousePress(In<QLabel>(about, control), Qt::LeftButton);

        EXPECT_EQ(fakes.shellOpen->Calls(),
                  std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen(kHomePage)});
    }
    fakes.shellOpen->ClearCalls();
    QTest::mousePress(In<QLabel>(about, "LblVersion"), Qt::LeftButton);
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
    EXPECT_TRUE(Hist().Docs().empty());
}

TEST_F(AboutHelpTest, HelpPageDescribesTheProgramAsItBehaves) {
    Start();
    QFile page(QString::fromLatin1(TFrmHelp::kHelpPage)
                   .replace(QStringLiteral("qrc:"), QStringLiteral(":")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    // The recent menu is not grouped by day, and the close box ends the program.
    EXPECT_FALSE(text.contains(QStringLiteral("按今天")));
    EXPECT_FALSE(text.contains(QStringLiteral("关闭或最小化主窗口后 Qarvex 仍在托盘中运行")));
    EXPECT_TRUE(text.contains(QStringLiteral("关闭按钮会退出 Qarvex")));
    // What the window shows is described: the favourites and notes pages.
    EXPECT_TRUE(text.contains(QStringLiteral("<td>收藏</td>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<td>笔记</td>")));
}

TEST_F(AboutHelpTest, HelpWindowIsMaximisedAndShowsTheHelpPage) {
    EXPECT_EQ(Part().frmHelp(), nullptr);

    Press("BtnHelp");
    TFrmHelp* help = Part().frmHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(help->windowTitle().toStdString(), kTitle);

    QWidget* browser = In<QWidget>(help, "WebBrowser1");
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser, help->WebBrowser1());
    // No display here: the plain view stands in for the browser engine.
    auto* text = qobject_cast<QTextBrowser*>(browser);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Qarvex 使用帮助")));
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("defualt.ini")));

    Press("BtnHelp");
    EXPECT_EQ(Part().frmHelp(), help);
    EXPECT_EQ(help->findChildren<QWidget*>(QStringLiteral("WebBrowser1")).size(), 1);
}

TEST_F(AboutHelpTest, HelpBrowserIsMadeOnlyWhenTheWindowIsFirstShown) {
    TFrmHelp help;
    EXPECT_EQ(help.WebBrowser1(), nullptr);
    EXPECT_EQ(help.windowTitle().toStdString(), kTitle);

    help.show();
    EXPECT_NE(help.WebBrowser1(), nullptr);
}

TEST_F(AboutHelpTest, CloseButtonsOnlyHide) {
    Press("BtnAbout");
    Press("BtnHelp");
    for (QWidget* window :
         {static_cast<QWidget*>(Part().frmVersion()), static_cast<QWidget*>(Part().frmHelp())}) {
        SCOPED_TRACE(window->objectName().toStdString());
        ASSERT_TRUE(window->isVisible());

        In<QToolButton>(window, "BtnClose")->click();

        EXPECT_FALSE(window->isVisible());
    }
    EXPECT_NE(Part().frmVersion(), nullptr);
    EXPECT_NE(Part().frmHelp(), nullptr);
}

}  // namespace
}  // namespace qarvex::test
