#include "views/search_box.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "platform/fake/fake_shell_open.h"
#include "store/history.h"
#include "support/qt/feature_fixture.h"
#include "views/history_tree_model.h"

namespace qarvex {
namespace {

TEST(SearchBoxScript, KeywordReachesThePageAsTyped) {
    struct Case {
        QString keyword;
        QString script;
    };
    const Case cases[] = {
        {QStringLiteral("a\"b"), QStringLiteral("SearchNow(\"a b\")")},
        {QStringLiteral("\"\""), QStringLiteral("SearchNow(\"  \")")},
        {QStringLiteral(" 中文 words "), QStringLiteral("SearchNow(\" 中文 words \")")},
        {QString(), QStringLiteral("SearchNow(\"\")")},
        // A trailing backslash must not swallow the closing quote.
        {QStringLiteral("C:\\"), QStringLiteral("SearchNow(\"C:\\\\\")")},
        {QStringLiteral("\\\");alert(1);//"), QStringLiteral("SearchNow(\"\\\\ );alert(1);//\")")},
        {QStringLiteral("a\nb"), QStringLiteral("SearchNow(\"a\\u000ab\")")},
        {QStringLiteral("a") + QChar(0x2028), QStringLiteral("SearchNow(\"a\\u2028\")")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword.toStdString());
        EXPECT_EQ(SearchBox::SearchScript(c.keyword), c.script);
    }
}

TEST(SearchBoxScript, PageAndFallbackAddressesCarryTheSearchAddressEncoded) {
    EXPECT_EQ(SearchBox::FallbackSearchAddress(QStringLiteral("a b&c")),
              QStringLiteral("https://duckduckgo.com/html/?q=a%20b%26c"));
    const QUrl page = SearchBox::SearchPageAddress();
    EXPECT_EQ(page.scheme(), QStringLiteral("qrc"));
    EXPECT_EQ(page.path(), QStringLiteral("/web/search.html"));
    EXPECT_EQ(QUrl::fromPercentEncoding(page.query().section('=', 1).toUtf8()),
              QString::fromLatin1(SearchBox::kWebSearchAddress));
}

// Stands in for the embedded browser: records what the search asks of it.
struct BrowserLog {
    int created = 0;
    std::vector<QUrl> loads;
    std::vector<QString> scripts;
    std::function<void(bool)> pendingDone;
    bool answerAtOnce = true;
    bool loadsOk = true;
};

class RecordingBrowser : public SearchPageBrowser {
public:
    explicit RecordingBrowser(BrowserLog& log) : m_log(log) {}
    void Load(const QUrl& page, std::function<void(bool)> done) override {
        m_log.loads.push_back(page);
        if (m_log.answerAtOnce) {
            done(m_log.loadsOk);
        } else {
            m_log.pendingDone = std::move(done);
        }
    }
    void RunScript(const QString& script) override { m_log.scripts.push_back(script); }

private:
    BrowserLog& m_log;
};

// The search bar and the result list as the window lays them out, the browser's host on
// the "常用" page.
class SearchBoxFixture : public test::FeatureFixture {
protected:
    void MakePart() override {
        Trees();
        SearchBoxWidgets widgets;
        widgets.SbSearchText = Make<QFrame>("SbSearchText");
        widgets.SbSearchText->setGeometry(90, 1, 400, 25);
        widgets.ShapeSearch = Make<QFrame>("ShapeSearch", widgets.SbSearchText);
        widgets.ShapeSearch->setGeometry(0, 1, 314, 22);
        widgets.EdtSearch = Make<QLineEdit>("EdtSearch", widgets.SbSearchText);
        widgets.EdtSearch->setGeometry(4, 3, 304, 18);
        widgets.BtnQVSearch = Make<QToolButton>("BtnQVSearch", widgets.SbSearchText);
        widgets.BtnQVSearch->setGeometry(320, 1, 60, 23);
        widgets.LbSearchResult = Make<QListWidget>("LbSearchResult");
        widgets.PnlHint = Make<QLabel>("PnlHint");
        QWidget* common = Find<QWidget>("TsQVCommon");
        widgets.WebBrowser1Host = Make<QWidget>("WebBrowser1Host", common);
        new QVBoxLayout(widgets.WebBrowser1Host);
        common->layout()->addWidget(widgets.WebBrowser1Host);
        part = new SearchBox(Svc(), Trees(), window, widgets, Owner());
    }

    SearchBox* part = nullptr;
};

class SearchBoxTest : public SearchBoxFixture {
protected:
    void SetUp() override {
        Search().SetBrowserFactory([this](QWidget* host) -> std::unique_ptr<SearchPageBrowser> {
            EXPECT_EQ(host, Find<QWidget>("WebBrowser1Host"));
            ++browser.created;
            if (!browserAvailable) {
                return nullptr;
            }
            return std::make_unique<RecordingBrowser>(browser);
        });
        Search().SetPause([this](int ms) {
            pauses.push_back(ms);
            if (onPause) {
                onPause();
            }
        });
        Window().show();
        Hist().AddDoc("http://www.ABC.example/Page", "Front", {}, false);
        Hist().AddDoc("http://other.example/", "Other", {}, false);
        Hist().AddDoc("http://abc.example/two", "Two", {}, false);
    }

    SearchBox& Search() {
        Start();
        return *part;
    }
    QLineEdit* Edit() { return Find<QLineEdit>("EdtSearch"); }
    QListWidget* Results() { return Find<QListWidget>("LbSearchResult"); }

    std::vector<QString> Lines() {
        std::vector<QString> lines;
        for (int row = 0; row < Results()->count(); ++row) {
            lines.push_back(Results()->item(row)->data(SearchBox::kPathRole).toString());
        }
        return lines;
    }

    void Type(const QString& text) {
        Edit()->setFocus();
        QTest::keyClicks(Edit(), text);
    }

    const std::vector<ShellOpenCall>& ShellCalls() { return fakes.shellOpen->Calls(); }

    BrowserLog browser;
    bool browserAvailable = true;
    std::vector<int> pauses;
    std::function<void()> onPause;
};

TEST_F(SearchBoxTest, TypingListsMatchingAddressesAsStoredUnderTheBox) {
    EXPECT_FALSE(Results()->isVisible());
    Type(QStringLiteral("abc"));

    ASSERT_TRUE(Results()->isVisible());
    EXPECT_EQ(Lines(), (std::vector<QString>{QStringLiteral("http://www.ABC.example/Page"),
                                             QStringLiteral("http://abc.example/two")}));
    EXPECT_EQ(Results()->geometry(), QRect(20, 43, Window().width() - 40, 200));
}

TEST_F(SearchBoxTest, RowsShowNameAndAddressWithTheKindsPicture) {
    const std::string program = files.Path() + "/abc-tool";
    { std::ofstream(program) << "x"; }
    Hist().AddDoc(program, "ABC Tool", {}, true);
    const std::string folder = files.Path() + "/abc";
    std::filesystem::create_directories(folder);
    Hist().AddDoc("file://" + folder, "abc", {}, false);
    Type(QStringLiteral("abc"));

    const auto row = [this](int n) { return Results()->item(n); };
    ASSERT_EQ(Results()->count(), 4);
    // The program's name begins with the keyword: it comes first.
    EXPECT_EQ(row(0)->text(), QString::fromStdString("ABC Tool  —  " + program));
    EXPECT_EQ(row(1)->text(), QStringLiteral("Front  —  http://www.ABC.example/Page"));
    EXPECT_EQ(row(3)->text(), QString::fromStdString(folder));  // its name is its address
    const auto picture = [](const QIcon& icon) { return icon.pixmap(16).toImage(); };
    const TreeImageList& images = Svc().images;
    EXPECT_EQ(picture(row(0)->icon()),
              picture(images.Icon(Hist().TVApp().TopLevel(0)->ImageIndex())));
    EXPECT_EQ(picture(row(1)->icon()), picture(images.Icon(kImageWebPage)));
    EXPECT_EQ(picture(row(3)->icon()), picture(images.Icon(kImageFolderOrFile)));
}

TEST_F(SearchBoxTest, WhatWasOpenedFromTheListComesFirstTheNextTime) {
    Type(QStringLiteral("abc"));
    ASSERT_EQ(Lines().back(), QStringLiteral("http://abc.example/two"));
    QTest::keyClick(Edit(), Qt::Key_Down);
    QTest::keyClick(Results(), Qt::Key_Down);
    QTest::keyClick(Results(), Qt::Key_Return);

    Edit()->clear();
    Type(QStringLiteral("abc"));
    EXPECT_EQ(Lines(), (std::vector<QString>{QStringLiteral("http://abc.example/two"),
                                             QStringLiteral("http://www.ABC.example/Page")}));
}

TEST_F(SearchBoxTest, BlankKeywordShowsAnEmptyList) {
    Type(QStringLiteral("   "));
    EXPECT_TRUE(Results()->isVisible());
    EXPECT_EQ(Results()->count(), 0);
}

TEST_F(SearchBoxTest, DownThenDownLeavesTheFirstLineInTheBoxAndTheSecondHighlighted) {
    Type(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Down);
    EXPECT_TRUE(Search().searchNavigating());
    EXPECT_EQ(Results()->currentRow(), 0);

    QTest::keyClick(Results(), Qt::Key_Down);
    EXPECT_EQ(Edit()->text(), QStringLiteral("http://www.ABC.example/Page"));
    EXPECT_EQ(Results()->currentRow(), 1);
    // Copying into the box while navigating does not search again.
    EXPECT_EQ(Results()->count(), 2);
    EXPECT_TRUE(ShellCalls().empty());
}

TEST_F(SearchBoxTest, DownDoesNothingWhileTheListIsHidden) {
    QTest::keyClick(Edit(), Qt::Key_Down);
    EXPECT_FALSE(Search().searchNavigating());
    EXPECT_EQ(Results()->currentRow(), -1);
}

TEST_F(SearchBoxTest, EnterOrSpaceInTheListOpensTheHighlightedLine) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        fakes.shellOpen->ClearCalls();
        Edit()->clear();
        Type(QStringLiteral("abc"));
        ASSERT_EQ(Lines().size(), 2u);
        const QString second = Lines()[1];  // what was opened comes first the next time
        QTest::keyClick(Edit(), Qt::Key_Down);
        QTest::keyClick(Results(), Qt::Key_Down);
        QTest::keyClick(Results(), key);

        ASSERT_EQ(ShellCalls().size(), 1u);
        EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen(second.toStdString()));
        EXPECT_FALSE(Results()->isVisible());
        EXPECT_FALSE(Search().searchNavigating());
    }
}

TEST_F(SearchBoxTest, AResultWithCapitalsOpensTheFileAsItIsNamed) {
    std::filesystem::create_directories(files.Path() + "/Documents");
    const std::string file = files.Path() + "/Documents/Report.txt";
    { std::ofstream(file) << "x"; }
    Hist().AddDoc("file://" + file, file, {}, false);
    Type(QStringLiteral("report"));
    ASSERT_EQ(Lines(), std::vector<QString>{QString::fromStdString(file)});

    QTest::keyClick(Edit(), Qt::Key_Down);
    QTest::keyClick(Results(), Qt::Key_Return);
    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen(file));
}

TEST_F(SearchBoxTest, EscapeHidesTheListFromTheBoxOrTheList) {
    Type(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Escape);
    EXPECT_FALSE(Results()->isVisible());

    Edit()->setText(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Down);
    QTest::keyClick(Results(), Qt::Key_Escape);
    EXPECT_FALSE(Results()->isVisible());
    EXPECT_FALSE(Search().searchNavigating());
    EXPECT_TRUE(ShellCalls().empty());
}

TEST_F(SearchBoxTest, EnterInTheBoxWithAHighlightedLineOnlyHidesTheList) {
    Type(QStringLiteral("abc"));
    Results()->setCurrentRow(1);
    QTest::keyClick(Edit(), Qt::Key_Return);

    EXPECT_FALSE(Results()->isVisible());
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(browser.created, 0);
}

TEST_F(SearchBoxTest, HighlightOfAHiddenListDoesNotSwallowEnter) {
    Type(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Down);
    QTest::keyClick(Results(), Qt::Key_Escape);
    ASSERT_EQ(Results()->currentRow(), 0);
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(browser.scripts, std::vector<QString>{QStringLiteral("SearchNow(\"abc\")")});
}

TEST_F(SearchBoxTest, TypingSearchesAgainAfterTheListWasHiddenWhileNavigating) {
    Type(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Down);
    ASSERT_TRUE(Search().searchNavigating());
    Results()->hide();  // as a click in a tree does
    EXPECT_FALSE(Search().searchNavigating());

    QTest::keyClick(Edit(), Qt::Key_Backspace);
    EXPECT_TRUE(Results()->isVisible());
    EXPECT_EQ(Results()->count(), 2);
    EXPECT_EQ(Edit()->text(), QStringLiteral("ab"));
}

TEST_F(SearchBoxTest, EnterInTheBoxOpensAnExistingFileOrFolder) {
    const std::string file = files.Path() + "/notes.txt";
    std::filesystem::create_directories(files.Path() + "/sub dir");
    { std::ofstream(file) << "x"; }
    for (const std::string& target : {files.Path() + "/sub dir", file}) {
        SCOPED_TRACE(target);
        fakes.shellOpen->ClearCalls();
        Edit()->setText(QString::fromStdString(target));
        QTest::keyClick(Edit(), Qt::Key_Return);

        ASSERT_EQ(ShellCalls().size(), 1u);
        EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen(target));
        EXPECT_FALSE(Results()->isVisible());
    }
    EXPECT_EQ(browser.created, 0);
}

TEST_F(SearchBoxTest, EnterOnAWordRunsTheWebSearchOnTheCommonPage) {
    Edit()->setText(QStringLiteral("a\"b"));
    QTest::keyClick(Edit(), Qt::Key_Return);

    EXPECT_EQ(browser.created, 1);
    ASSERT_EQ(browser.loads.size(), 1u);
    EXPECT_EQ(browser.loads[0], SearchBox::SearchPageAddress());
    EXPECT_EQ(browser.scripts, std::vector<QString>{QStringLiteral("SearchNow(\"a b\")")});
    EXPECT_EQ(Find<QTabWidget>("TVControl")->currentWidget(), Find<QWidget>("TsQVCommon"));
    EXPECT_EQ(Trees().VisibleTabIndex(), 4);
    EXPECT_EQ(pauses, std::vector<int>(5, 500));
    EXPECT_FALSE(Results()->isVisible());
    EXPECT_TRUE(ShellCalls().empty());
}

TEST_F(SearchBoxTest, WordsThatOnlyExistRelativeToTheWorkingFolderGoToTheWeb) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::create_directories(files.Path() + "/build");
    std::filesystem::current_path(files.Path());
    Edit()->setText(QStringLiteral("build"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    std::filesystem::current_path(before);

    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(browser.scripts, std::vector<QString>{QStringLiteral("SearchNow(\"build\")")});
}

TEST_F(SearchBoxTest, SecondSearchOnTheCommonPageReusesTheBrowserWithoutWaiting) {
    Edit()->setText(QStringLiteral("one"));
    Find<QToolButton>("BtnQVSearch")->click();
    pauses.clear();
    Find<QLabel>("PnlHint")->setText(QStringLiteral("kept"));
    Edit()->setText(QStringLiteral("two"));
    Find<QToolButton>("BtnQVSearch")->click();

    EXPECT_EQ(browser.created, 1);
    EXPECT_EQ(browser.loads.size(), 1u);
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(Find<QLabel>("PnlHint")->text(), QStringLiteral("kept"));
    EXPECT_EQ(browser.scripts.back(), QStringLiteral("SearchNow(\"two\")"));
}

TEST_F(SearchBoxTest, SwitchingToTheCommonPageEmptiesTheListAndTheHint) {
    Type(QStringLiteral("abc"));
    Find<QLabel>("PnlHint")->setText(QStringLiteral("http://abc.example/two"));
    Find<QToolButton>("BtnQVSearch")->click();
    EXPECT_EQ(Results()->count(), 0);
    EXPECT_TRUE(Find<QLabel>("PnlHint")->text().isEmpty());
}

TEST_F(SearchBoxTest, ScriptWaitsForAPageStillLoadingAfterTheTabSettles) {
    browser.answerAtOnce = false;
    // The page comes up during the third pause.
    onPause = [this] {
        if (pauses.size() == 3 && browser.pendingDone) {
            std::exchange(browser.pendingDone, nullptr)(true);
        }
    };
    Edit()->setText(QStringLiteral("late"));
    Find<QToolButton>("BtnQVSearch")->click();
    EXPECT_EQ(browser.scripts, std::vector<QString>{QStringLiteral("SearchNow(\"late\")")});
}

TEST_F(SearchBoxTest, WithoutABrowserTheKeywordGoesToTheDefaultBrowser) {
    browserAvailable = false;
    Edit()->setText(QStringLiteral("a b"));
    Find<QToolButton>("BtnQVSearch")->click();
    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen("https://duckduckgo.com/html/?q=a%20b"));

    // Nothing is tried again, and a blank keyword opens nothing.
    fakes.shellOpen->ClearCalls();
    Edit()->setText(QStringLiteral("  "));
    Find<QToolButton>("BtnQVSearch")->click();
    EXPECT_EQ(browser.created, 1);
    EXPECT_TRUE(ShellCalls().empty());
}

TEST_F(SearchBoxTest, PageThatFailsOrNeverLoadsFallsBackToTheDefaultBrowser) {
    struct Case {
        const char* name;
        bool answerAtOnce;
        bool loadsOk;
    };
    for (const Case& c : {Case{"fails", true, false}, Case{"never loads", false, true}}) {
        SCOPED_TRACE(c.name);
        Restart();
        SetUp();
        browser = BrowserLog{};
        browser.answerAtOnce = c.answerAtOnce;
        browser.loadsOk = c.loadsOk;
        Search().SetPageLoadLimitMs(0);
        Edit()->setText(QStringLiteral("x"));
        Find<QToolButton>("BtnQVSearch")->click();

        EXPECT_TRUE(browser.scripts.empty());
        ASSERT_EQ(ShellCalls().size(), 1u);
        EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen("https://duckduckgo.com/html/?q=x"));
        fakes.shellOpen->ClearCalls();
    }
}

TEST_F(SearchBoxTest, StartUpOnlyRemembersThatThePageIsWanted) {
    Search().LoadSearchPage();
    EXPECT_TRUE(Search().searchPageRequested());
    EXPECT_FALSE(Search().browserCreated());
    EXPECT_EQ(browser.created, 0);
    EXPECT_EQ(Find<QWidget>("WebBrowser1Host")->findChild<QWidget*>(QStringLiteral("WebBrowser1")),
              nullptr);
}

TEST_F(SearchBoxTest, PressOnALineOpensItAndBelowTheLastLineNothing) {
    Type(QStringLiteral("abc"));
    QWidget* viewport = Results()->viewport();
    const QRect second = Results()->visualItemRect(Results()->item(1));
    const QPoint below(second.center().x(), second.bottom() + 40);
    ASSERT_EQ(Results()->itemAt(below), nullptr);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, below);
    EXPECT_TRUE(Results()->isVisible());
    EXPECT_TRUE(ShellCalls().empty());

    QTest::mouseClick(viewport, Qt::RightButton, {}, second.center());
    EXPECT_FALSE(Results()->isVisible());
    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen("http://abc.example/two"));
}

TEST_F(SearchBoxTest, ClickOnTheFreeSearchAreaHidesTheList) {
    Type(QStringLiteral("abc"));
    QTest::mouseClick(Find<QWidget>("SbSearchText"), Qt::LeftButton, {}, QPoint(4, 12));
    EXPECT_FALSE(Results()->isVisible());
}

// Notes where the page sends the browser and keeps it there: no network is needed.
class NavigationRecorder : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame &&
            info.requestUrl().scheme().startsWith(QStringLiteral("http"))) {
            went.push_back(info.requestUrl().toString(QUrl::FullyEncoded));
            info.block(true);
        }
    }
    std::vector<QString> went;
};

// The real page in the real browser engine. The engine runs in a child process of its own
// (a death-test child), so that whatever it does at start or exit stays out of the other
// tests; the child reports where the page sent each keyword.
class SearchBoxRealPageTest : public SearchBoxFixture {
protected:
    [[noreturn]] void SearchAndReport(const std::vector<QString>& keywords) {
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
        }
        NavigationRecorder recorder;
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&recorder);
        Window().show();
        part->SetPause([](int) {});
        for (const QString& keyword : keywords) {
            const std::size_t before = recorder.went.size();
            Find<QLineEdit>("EdtSearch")->setText(keyword);
            Find<QToolButton>("BtnQVSearch")->click();
            // The script runs in the page on its own time: wait for its navigation.
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (recorder.went.size() > before) {
                    loop.quit();
                }
            });
            poll.start(10);
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);  // a bound, not a check
            loop.exec();
            std::fprintf(stderr, "went=[%s]\n",
                         recorder.went.size() > before ? recorder.went.back().toUtf8().constData()
                                                       : "nowhere");
        }
        std::fflush(stderr);
        std::_Exit(0);
    }
};

TEST_F(SearchBoxRealPageTest, PageSendsEachKeywordToTheSearchAddress) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(SearchAndReport({QStringLiteral("a\"b \\ 中文"), QStringLiteral("next")}),
                ::testing::ExitedWithCode(0),
                "went=\\[https://duckduckgo.com/html/\\?q=a%20b%20%5C%20%E4%B8%AD%E6%96%87\\]\n"
                "went=\\[https://duckduckgo.com/html/\\?q=next\\]");
}

}  // namespace
}  // namespace qarvex
