#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

inline constexpr std::string_view kProductName = "Qarvex";
inline constexpr std::string_view kHomePageUrl = "https://qarvex.org/";
inline constexpr std::string_view kDemoPageUrl = "https://qarvex.org/demo/";

inline constexpr std::size_t kDialogTextCount = 28;

// Language codes of SelectLanguage; every other code means simplified Chinese.
inline constexpr int kLanguageSimplifiedChinese = 0;
inline constexpr int kLanguageTraditionalChinese = 1;
inline constexpr int kLanguageEnglish = 2;

// The texts dialogs show from code, in one language. Only four are shown by this program
// (current path, missing path, exit confirmation, about); the rest are kept so the three
// language tables stay complete.
struct DialogTexts {
    int Language = kLanguageSimplifiedChinese;
    std::string TextRename;
    std::string TextSelectDir;
    std::string TextCurrentPath;  // hint prefix in the tray's recent and start-up menus
    std::string TextSelectPath;
    std::string TextEnterFolder;
    std::string TextFolderName;
    std::string TextChangeFileName;
    std::string TextName;
    std::string TextAddFolder;
    std::string TextChooseValidFolder;
    std::string TextDiskMissing;  // "%s": the disk
    std::string TextSelectFile;
    std::string TextCurrentFile;  // "%s": the file
    std::string TextFileRecovery;
    std::string TextSelectFiles;
    std::string TextLinks;        // "caption,address,caption,address"
    std::string TextPathMissing;  // "%s": the path that could not be opened
    std::string TextConfirmDeleteFolder;
    std::string TextIllegalPath;  // "%s": the path
    std::string TextSaveFailed;   // "%s": the file
    std::string TextRightClickMore;
    std::string TextConfirmExit;
    std::string TextSavedTo;  // "%s": the file
    std::string TextAbout;
    std::string TextRightClickMore2;
    std::string TextSubfolderHint;
    std::string TextConfirmDelete;
    std::string TextReminder;

    // All entries in table order (entry n of the table is element n - 1).
    std::array<std::string_view, kDialogTextCount> Entries() const;
};

// One caption applied to the main window at start. Item is the index of an entry of a
// control that has several (a radio group's buttons), -1 for the control's own caption.
struct CaptionText {
    std::string Control;
    std::string Text;
    int Item = -1;
};

// The main window's texts (simplified Chinese only).
struct MainTexts {
    std::string ProductName;  // window caption and start-up entry name
    std::string HomePage;
    std::string DemoPage;

    // In the order they are applied.
    std::vector<CaptionText> Captions;

    std::string TextFavMenuPathPrefix;  // hint prefix in the tray's favourites menu

    // Shell places the scan recognises by window title.
    std::string TextMyComputer;
    std::string TextNetworkPlaces;
    std::string TextControlPanel;
    std::string TextPerformance;
    std::string TextDesktop;
    std::string TextMyDocuments;  // selects a fixed program icon only

    std::string TextHint;        // caption of the exit confirmation
    std::string TextScanPeriod;  // "%d": seconds
    std::string TextFavHintPath;
    std::string TextFavHintName;
    std::string TextFavEditHidden;

    // TFrmAutoRunSet
    std::string TextAutoRunKind;
    std::string TextAutoRunRecent;
    std::string TextAutoRunFavourites;
    std::string TextAutoRunNone;
    std::string TextAutoRunSetCaption;

    // TfrmRun
    std::string TextRunCaption;
    std::string TextRunColumnName;
    std::string TextRunColumnPath;
    std::string TextRunStartName;
    std::string TextRunStartPath;
    std::string TextRunNeedName;
    std::string TextRunNeedPath;

    // The caption for a control (and item), or nullptr when none is applied to it.
    const CaptionText* FindCaption(std::string_view control, int item = -1) const;
};

// The tables themselves, for any language code (1 traditional Chinese, 2 English, any
// other simplified Chinese).
DialogTexts MakeDialogTexts(int code);
MainTexts MakeMainTexts();

// Fill the global tables. InitTexts selects simplified Chinese, as the program always has.
void SelectLanguage(int code);
void LoadMainTexts();
void InitTexts();

// The global tables; a table read before it was filled is filled by InitTexts first.
const DialogTexts& DialogTable();
const MainTexts& MainTable();

}  // namespace qarvex
