#include "store/text_tables.h"

#include <exception>

namespace qarvex {

namespace {

// Entry 16 names the maker's two pages; they are the addresses the about window opens.
constexpr std::array<std::string_view, kDialogTextCount> kSimplified = {
    "文件重命名",
    "文件夹选择",
    "当前路径",
    "请选择一个路径",
    "请输入一个文件夹",
    "文件夹名称",
    "修改文件名称",
    "名称",
    "新增文件夹",
    "请选择一个合法的文件夹名称",
    "磁盘%s不存在，请重选择一个路径。",
    "请选择一个文件",
    "当前文件：%s",
    "文件恢复",
    "请选择一个或多个文件",
    "官方网站,https://qarvex.org/,在线演示,https://qarvex.org/demo/",
    "此路径不存在：%s",
    "要删除文件夹吗",
    "不合法路径:%s,请重输入一个路径",
    "保存失败%s",
    "鼠标右键有更多功能",
    "要退出系统吗?",
    "自动保存为：%s",
    "关于",
    "鼠标右键有更多功能",
    "直接输入文件夹名称后，单击『Enter』将自动生成子文件夹",
    "你确定要删除吗？",
    "提醒",
};

constexpr std::array<std::string_view, kDialogTextCount> kTraditional = {
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
    "官方網站,https://qarvex.org/,在線演示,https://qarvex.org/demo/",
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

constexpr std::array<std::string_view, kDialogTextCount> kEnglish = {
    "rename",
    "select dir",
    "cur path",
    "Please select a path",
    "Please enter a path",
    "cur path",
    "updte file name",
    "name",
    "Add path",
    "Please Choose a valid path",
    "Not exist disk:%s ,please reselect a path.",
    "Select a path",
    "Current File：%s",
    "File recovery",
    "Please select one or more pictures",
    "Home page,https://qarvex.org/,Online demo,https://qarvex.org/demo/",
    "Not exists path ：%s",
    "Sure you want to delte the path",
    "Illegal path: %s, please re-enter a path",
    "Save image failed: %s",
    "Right click mouse to have more features",
    "Confirm to exit system?",
    "saved to %s",
    "About",
    "Right click mouse right button for more ...",
    "Direct input file name，press enter key,the new path wile automatically generated",
    "Sure you want to delte it？",
    "Riminder",
};

// Entry n of every language table fills the n-th of these fields.
constexpr std::array<std::string DialogTexts::*, kDialogTextCount> kDialogFields = {
    &DialogTexts::TextRename,          &DialogTexts::TextSelectDir,
    &DialogTexts::TextCurrentPath,     &DialogTexts::TextSelectPath,
    &DialogTexts::TextEnterFolder,     &DialogTexts::TextFolderName,
    &DialogTexts::TextChangeFileName,  &DialogTexts::TextName,
    &DialogTexts::TextAddFolder,       &DialogTexts::TextChooseValidFolder,
    &DialogTexts::TextDiskMissing,     &DialogTexts::TextSelectFile,
    &DialogTexts::TextCurrentFile,     &DialogTexts::TextFileRecovery,
    &DialogTexts::TextSelectFiles,     &DialogTexts::TextLinks,
    &DialogTexts::TextPathMissing,     &DialogTexts::TextConfirmDeleteFolder,
    &DialogTexts::TextIllegalPath,     &DialogTexts::TextSaveFailed,
    &DialogTexts::TextRightClickMore,  &DialogTexts::TextConfirmExit,
    &DialogTexts::TextSavedTo,         &DialogTexts::TextAbout,
    &DialogTexts::TextRightClickMore2, &DialogTexts::TextSubfolderHint,
    &DialogTexts::TextConfirmDelete,   &DialogTexts::TextReminder,
};

const std::vector<CaptionText>& StartCaptions() {
    static const std::vector<CaptionText> captions = {
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
    return captions;
}

struct Tables {
    DialogTexts dialog;
    MainTexts main;
    bool dialogFilled = false;
    bool mainFilled = false;
};

Tables& GlobalTables() {
    static Tables tables;
    return tables;
}

}  // namespace

std::array<std::string_view, kDialogTextCount> DialogTexts::Entries() const {
    std::array<std::string_view, kDialogTextCount> entries;
    for (std::size_t i = 0; i < kDialogTextCount; ++i) {
        entries[i] = this->*kDialogFields[i];
    }
    return entries;
}

const CaptionText* MainTexts::FindCaption(std::string_view control, int item) const {
    for (const CaptionText& caption : Captions) {
        if (caption.Control == control && caption.Item == item) {
            return &caption;
        }
    }
    return nullptr;
}

DialogTexts MakeDialogTexts(int code) {
    const auto& source = code == kLanguageTraditionalChinese ? kTraditional
                         : code == kLanguageEnglish          ? kEnglish
                                                             : kSimplified;
    DialogTexts texts;
    texts.Language = (code == kLanguageTraditionalChinese || code == kLanguageEnglish)
                         ? code
                         : kLanguageSimplifiedChinese;
    for (std::size_t i = 0; i < kDialogTextCount; ++i) {
        texts.*kDialogFields[i] = std::string(source[i]);
    }
    return texts;
}

MainTexts MakeMainTexts() {
    MainTexts texts;
    texts.ProductName = std::string(kProductName);
    texts.HomePage = std::string(kHomePageUrl);
    texts.DemoPage = std::string(kDemoPageUrl);
    texts.Captions = StartCaptions();
    texts.TextFavMenuPathPrefix = "所在路径:";
    texts.TextMyComputer = "我的电脑";
    texts.TextNetworkPlaces = "网上邻居";
    texts.TextControlPanel = "控制面板";
    texts.TextPerformance = "性能和维护";
    texts.TextDesktop = "桌面";
    texts.TextMyDocuments = "我的文档";
    texts.TextHint = "提示";
    texts.TextScanPeriod = "每%d秒刷新一次";
    texts.TextFavHintPath = "所在路径『";
    texts.TextFavHintName = "』 文档名称『";
    texts.TextFavEditHidden =
        "收藏夹编辑栏已被隐藏，你可以把鼠标移动『收藏列表』中，单击鼠标右键，在弹出框中选择『"
        "显示收藏编辑栏』，重新显示。";
    texts.TextAutoRunKind = "启动的类型";
    texts.TextAutoRunRecent = "最近打开的文档";
    texts.TextAutoRunFavourites = "我的收藏夹";
    texts.TextAutoRunNone = "不启动任何文档";
    texts.TextAutoRunSetCaption = "自动启动选择";
    texts.TextRunCaption = "开机启动";
    texts.TextRunColumnName = "名称";
    texts.TextRunColumnPath = "所在路径";
    texts.TextRunStartName = "启动名称";
    texts.TextRunStartPath = "所在路径";
    texts.TextRunNeedName = "请输入一个启动名称";
    texts.TextRunNeedPath = "请输入一个启动路径";
    return texts;
}

void SelectLanguage(int code) {
    Tables& tables = GlobalTables();
    tables.dialog = MakeDialogTexts(code);
    tables.dialogFilled = true;
}

void LoadMainTexts() {
    Tables& tables = GlobalTables();
    tables.main = MakeMainTexts();
    tables.mainFilled = true;
}

void InitTexts() {
    try {
        SelectLanguage(kLanguageSimplifiedChinese);
        LoadMainTexts();
    } catch (const std::exception&) {
        // Entries not filled stay empty; a missing caption is no reason to stop starting.
    }
}

const DialogTexts& DialogTable() {
    Tables& tables = GlobalTables();
    if (!tables.dialogFilled) {
        InitTexts();
    }
    return tables.dialog;
}

const MainTexts& MainTable() {
    Tables& tables = GlobalTables();
    if (!tables.mainFilled) {
        InitTexts();
    }
    return tables.main;
}

}  // namespace qarvex
