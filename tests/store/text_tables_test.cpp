#include "store/text_tables.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "store/strings.h"

namespace qarvex {
namespace {

struct DialogRow {
    int number;
    const char* simplified;
    const char* english;
};

// Every entry as the program has always shown it, typos included. Entry 16 holds our own
// link captions and is checked apart.
const DialogRow kDialogRows[] = {
    {1, "文件重命名", "rename"},
    {2, "文件夹选择", "select dir"},
    {3, "当前路径", "cur path"},
    {4, "请选择一个路径", "Please select a path"},
    {5, "请输入一个文件夹", "Please enter a path"},
    {6, "文件夹名称", "cur path"},
    {7, "修改文件名称", "updte file name"},
    {8, "名称", "name"},
    {9, "新增文件夹", "Add path"},
    {10, "请选择一个合法的文件夹名称", "Please Choose a valid path"},
    {11, "磁盘%s不存在，请重选择一个路径。", "Not exist disk:%s ,please reselect a path."},
    {12, "请选择一个文件", "Select a path"},
    {13, "当前文件：%s", "Current File：%s"},
    {14, "文件恢复", "File recovery"},
    {15, "请选择一个或多个文件", "Please select one or more pictures"},
    {17, "此路径不存在：%s", "Not exists path ：%s"},
    {18, "要删除文件夹吗", "Sure you want to delte the path"},
    {19, "不合法路径:%s,请重输入一个路径", "Illegal path: %s, please re-enter a path"},
    {20, "保存失败%s", "Save image failed: %s"},
    {21, "鼠标右键有更多功能", "Right click mouse to have more features"},
    {22, "要退出系统吗?", "Confirm to exit system?"},
    {23, "自动保存为：%s", "saved to %s"},
    {24, "关于", "About"},
    {25, "鼠标右键有更多功能", "Right click mouse right button for more ..."},
    {26, "直接输入文件夹名称后，单击『Enter』将自动生成子文件夹",
     "Direct input file name，press enter key,the new path wile automatically generated"},
    {27, "你确定要删除吗？", "Sure you want to delte it？"},
    {28, "提醒", "Riminder"},
};

const char* const kTraditional[kDialogTextCount] = {
    "文件重命名",
    "文件夾選擇",
    "當前路徑",
    "請選擇一個路徑",
    "請輸入一個文件夾",
    "文件夾名稱",
    "修改文件名稱",
    "名稱",
    "新增文件夾",
    "請選擇一個合法的文件夾名稱",
    "磁盤%s不存在，請重選擇一個路徑。",
    "請選擇一個文件",
    "當前文件：%s",
    "文件恢復",
    "請選擇一個或多個文件",
    nullptr,
    "此路徑不存在：%s",
    "要刪除文件夾嗎",
    "不合法路徑:%s,請重輸入一個路徑",
    "保存失敗%s",
    "鼠標右鍵有更多功能",
    "要退出系統嗎?",
    "自動保存為：%s",
    "關於",
    "鼠標右鍵有更多功能",
    "直接輸入文件夾名稱後，單擊『Enter』將自動生成子文件夾",
    "你確定要刪除嗎？",
    "提醒",
};

TEST(DialogTextsTest, EveryLanguageHoldsItsExactTexts) {
    const DialogTexts simplified = MakeDialogTexts(kLanguageSimplifiedChinese);
    const DialogTexts traditional = MakeDialogTexts(kLanguageTraditionalChinese);
    const DialogTexts english = MakeDialogTexts(kLanguageEnglish);
    ASSERT_EQ(std::size(kDialogRows), kDialogTextCount - 1);
    for (const DialogRow& row : kDialogRows) {
        SCOPED_TRACE(row.number);
        const std::size_t i = static_cast<std::size_t>(row.number - 1);
        EXPECT_EQ(simplified.Entries()[i], row.simplified);
        EXPECT_EQ(english.Entries()[i], row.english);
        EXPECT_EQ(traditional.Entries()[i], kTraditional[i]);
    }
}

// A simplified form left in the traditional table is the easiest slip to make and the
// hardest to see.
TEST(DialogTextsTest, TraditionalTableHasNoSimplifiedForms) {
    const std::vector<std::string_view> simplifiedOnly = {
        "夹", "选", "择",   "当", "径", "请", "个", "输", "称", "盘", "复", "删", "吗", "败",
        "标", "键", "系统", "动", "为", "关", "后", "单", "击", "将", "确", "网", "线"};
    const DialogTexts traditional = MakeDialogTexts(kLanguageTraditionalChinese);
    for (const std::string_view entry : traditional.Entries()) {
        for (const std::string_view form : simplifiedOnly) {
            EXPECT_FALSE(Contains(entry, form)) << entry << " holds " << form;
        }
    }
}

TEST(DialogTextsTest, NamedEntriesAreTheOnesTheProgramShows) {
    const DialogTexts texts = MakeDialogTexts(kLanguageSimplifiedChinese);
    EXPECT_EQ(texts.TextCurrentPath, "当前路径");
    EXPECT_EQ(texts.TextPathMissing, "此路径不存在：%s");
    EXPECT_EQ(texts.TextConfirmExit, "要退出系统吗?");
    EXPECT_EQ(texts.TextAbout, "关于");
    EXPECT_EQ(FormatText(texts.TextPathMissing, "/home/u/x"), "此路径不存在：/home/u/x");
}

TEST(DialogTextsTest, LinkEntryPairsCaptionsWithOurAddresses) {
    for (const int code :
         {kLanguageSimplifiedChinese, kLanguageTraditionalChinese, kLanguageEnglish}) {
        SCOPED_TRACE(code);
        const std::string links = MakeDialogTexts(code).TextLinks;
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t comma = links.find(','); comma != std::string::npos;
             comma = links.find(',', start)) {
            parts.push_back(links.substr(start, comma - start));
            start = comma + 1;
        }
        parts.push_back(links.substr(start));
        ASSERT_EQ(parts.size(), 4u) << links;
        EXPECT_FALSE(parts[0].empty());
        EXPECT_EQ(parts[1], kHomePageUrl);
        EXPECT_FALSE(parts[2].empty());
        EXPECT_EQ(parts[3], kDemoPageUrl);
    }
}

TEST(DialogTextsTest, LanguageCodeSelectsTheTable) {
    struct Case {
        int code;
        int language;
        const char* confirmExit;
    };
    const Case cases[] = {
        {0, kLanguageSimplifiedChinese, "要退出系统吗?"},
        {1, kLanguageTraditionalChinese, "要退出系統嗎?"},
        {2, kLanguageEnglish, "Confirm to exit system?"},
        {3, kLanguageSimplifiedChinese, "要退出系统吗?"},
        {-1, kLanguageSimplifiedChinese, "要退出系统吗?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        SelectLanguage(c.code);
        EXPECT_EQ(DialogTable().Language, c.language);
        EXPECT_EQ(DialogTable().TextConfirmExit, c.confirmExit);
    }
    InitTexts();
    EXPECT_EQ(DialogTable().Language, kLanguageSimplifiedChinese);
    EXPECT_EQ(DialogTable().TextReminder, "提醒");
    EXPECT_EQ(MainTable().ProductName, "Qarvex");
}

TEST(DialogTextsTest, EveryEntryIsFilled) {
    for (const int code : {0, 1, 2}) {
        for (const std::string_view entry : MakeDialogTexts(code).Entries()) {
            EXPECT_FALSE(entry.empty()) << "language " << code;
        }
    }
}

TEST(MainTextsTest, CaptionsAreAppliedInTheirOrder) {
    const std::vector<CaptionText> expected = {
        {"CbFavEdit", "显示收藏夹编辑栏", -1},
        {"GbQVFavEdit", "收藏夹编辑", -1},
        {"LblQVFavName", "名称", -1},
        {"LblQVFavPath", "路径", -1},
        {"GbQVFavList", "收藏夹", -1},
        {"CbQVOnTop", "窗体总在最上方", -1},
        {"MnQVAutoRun", "开机时启动", -1},
        {"GBQVNavSet", "导航已打开文档", -1},
        {"CbQVRefresh", "刷新", -1},
        {"LbQVCheckTime", "每15秒刷新一次", -1},
        {"GbQVAutoRundDoc", "设置启动文档", -1},
        {"CbQueryAutoRunDoc", "自动启动文档时询问", -1},
        {"CbAutoRunDocs", "自动启动历史文档", -1},
        {"RgAutorOpenType", "启动后自动打开", -1},
        {"RgAutorOpenType", "上一次所有文档", 0},
        {"RgAutorOpenType", "收藏中的文档", 1},
        {"RgAutorOpenType", "所有历史文档", 2},
        {"MyMyLove", "加入到『收藏』中", -1},
        {"MnAddToRunList", "加入到『启动』中", -1},
        {"MnExpandAll", "展开全部(&E)", -1},
        {"MnOpenDIr", "打开所在的文件夹", -1},
        {"MnRefresh", "刷新", -1},
        {"MnDeleteAllDocs", "删除所有(&D)", -1},
        {"MnDeleteSelected", "删除所选(&D)", -1},
        {"MnOpenMyFavDoc", "打开", -1},
        {"MyDeleteFav", "删除所选", -1},
        {"MnQVAddToRun", "加入到『启动』", -1},
        {"MnQVDeleteNotExistsDoc", "删除已不存在文档", -1},
        {"MnNewToFav", "新增到收藏夹", -1},
        {"MnUpdateFav", "修改收藏夹", -1},
        {"MnShowFavEdit", "显示收藏夹编辑栏", -1},
        {"MnOpenQarvex", "打开Qarvex(&S)", -1},
        {"MnQVWeb", "网页", -1},
        {"MnQVDir", "文件夹", -1},
        {"MnSoftware", "软件", -1},
        {"MnDayCalify", "按日期分类", -1},
        {"MnToday", "今天", -1},
        {"MnYesday", "昨天", -1},
        {"MnPre3days", "前三天", -1},
        {"MnPreWeek", "前一周", -1},
        {"MnQVAll", "所有", -1},
        {"PmAutoRun", "自动启动", -1},
        {"MnSystemUse", "系统常用", -1},
        {"MnMyComputer", "我的电脑", -1},
        {"MnQVMyDoc", "我的文档", -1},
        {"MnMyDesk", "我的桌面", -1},
        {"MnQVControl", "控制面板", -1},
        {"MnQVRecycle", "垃圾回收站", -1},
        {"MnQVTask", "任务管理器", -1},
        {"MnQVRecent", "最近使用", -1},
        {"MnQVRun", "启动", -1},
        {"PmRecent", "最近使用", -1},
        {"PmMyDocs", "我的收藏", -1},
        {"MnQVExit", "退出(&E)", -1},
    };
    const MainTexts texts = MakeMainTexts();
    ASSERT_EQ(texts.Captions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].Control);
        EXPECT_EQ(texts.Captions[i].Control, expected[i].Control);
        EXPECT_EQ(texts.Captions[i].Text, expected[i].Text);
        EXPECT_EQ(texts.Captions[i].Item, expected[i].Item);
    }
}

TEST(MainTextsTest, CaptionsCanBeFoundByControlAndItem) {
    const MainTexts texts = MakeMainTexts();
    ASSERT_NE(texts.FindCaption("MnQVExit"), nullptr);
    EXPECT_EQ(texts.FindCaption("MnQVExit")->Text, "退出(&E)");
    ASSERT_NE(texts.FindCaption("RgAutorOpenType", 2), nullptr);
    EXPECT_EQ(texts.FindCaption("RgAutorOpenType", 2)->Text, "所有历史文档");
    EXPECT_EQ(texts.FindCaption("RgAutorOpenType")->Text, "启动后自动打开");
    EXPECT_EQ(texts.FindCaption("RgAutorOpenType", 3), nullptr);
    EXPECT_EQ(texts.FindCaption("mnqvexit"), nullptr);  // control names match exactly
    EXPECT_EQ(texts.FindCaption("NoSuchControl"), nullptr);
}

TEST(MainTextsTest, EveryCaptionNamesADifferentTarget) {
    std::set<std::pair<std::string, int>> seen;
    for (const CaptionText& caption : MakeMainTexts().Captions) {
        EXPECT_TRUE(seen.insert({caption.Control, caption.Item}).second) << caption.Control;
    }
}

TEST(MainTextsTest, OtherTextsAreExact) {
    const MainTexts t = MakeMainTexts();
    const std::pair<const std::string*, const char*> cases[] = {
        {&t.ProductName, "Qarvex"},
        {&t.HomePage, "https://qarvex.org/"},
        {&t.DemoPage, "https://qarvex.org/demo/"},
        {&t.TextFavMenuPathPrefix, "所在路径:"},
        {&t.TextMyComputer, "我的电脑"},
        {&t.TextNetworkPlaces, "网上邻居"},
        {&t.TextControlPanel, "控制面板"},
        {&t.TextPerformance, "性能和维护"},
        {&t.TextDesktop, "桌面"},
        {&t.TextMyDocuments, "我的文档"},
        {&t.TextHint, "提示"},
        {&t.TextScanPeriod, "每%d秒刷新一次"},
        {&t.TextFavHintPath, "所在路径『"},
        {&t.TextFavHintName, "』 文档名称『"},
        {&t.TextFavEditHidden,
         "收藏夹编辑栏已被隐藏，你可以把鼠标移动『收藏列表』中，单击鼠标右键，在弹出框中选择『显示"
         "收藏编辑栏』，重新显示。"},
        {&t.TextAutoRunKind, "启动的类型"},
        {&t.TextAutoRunRecent, "最近打开的文档"},
        {&t.TextAutoRunFavourites, "我的收藏夹"},
        {&t.TextAutoRunNone, "不启动任何文档"},
        {&t.TextAutoRunSetCaption, "自动启动选择"},
        {&t.TextRunCaption, "开机启动"},
        {&t.TextRunColumnName, "名称"},
        {&t.TextRunColumnPath, "所在路径"},
        {&t.TextRunStartName, "启动名称"},
        {&t.TextRunStartPath, "所在路径"},
        {&t.TextRunNeedName, "请输入一个启动名称"},
        {&t.TextRunNeedPath, "请输入一个启动路径"},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(*actual, expected);
    }
    EXPECT_EQ(FormatText(t.TextScanPeriod, 120), "每120秒刷新一次");
    EXPECT_EQ(t.TextFavHintPath + "C:\\x" + t.TextFavHintName + "X" + "』",
              "所在路径『C:\\x』 文档名称『X』");
}

}  // namespace
}  // namespace qarvex
