#pragma once

#include <QByteArray>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QAbstractItemView;
class QTabWidget;
class QWidget;

namespace qarvex {

// Every tab of the main page control has the same fixed size, so that the painted tab strip
// ("monitorbtn") lines up with the clickable tabs. The skin generator paints with these too.
inline constexpr int kSkinTabWidth = 64;
inline constexpr int kSkinTabHeight = 24;

// Pages of TVControl whose tabs are never shown (the shell favourites and the empty "all"
// page); the favourites and the notes have tabs, so what the user keeps there can be seen.
inline constexpr int kHiddenTabPages[] = {3, 9};

// Decodes JPEG bytes with libjpeg. Corrupt, truncated, empty, non-JPEG or absurdly large
// input gives a null image; libjpeg's warnings count as errors and nothing is printed.
QImage DecodeJpeg(const QByteArray& bytes);

// The JPEG skin picture of that name ("toolbuttons", "monitorbtn", "ImgQVPCControl",
// "helpdoc"); a null image when the resource is missing or broken.
QImage LoadSkinJpeg(const QString& name);

// The button glyph of that name ("BtnQVSearch", "BtnClose", ...); a null pixmap when missing.
QPixmap LoadSkinBitmap(const QString& name);

// Names of every button glyph shipped with the program.
QStringList SkinBitmapNames();

// Gives each button below root whose objectName has a glyph its icon. Buttons without a
// glyph, or whose glyph can't be loaded, stay as designed.
void ApplySkinGlyphs(QWidget* root);

// Hides the tabs of the pages that are only reached from code; the pages keep their indexes.
void ApplyHiddenTabs(QTabWidget* tabs);

// 宋体 13 px, falling back to the CJK fonts a Linux desktop has.
QFont HistoryTreeFont();

// The shared look of the history trees that a layout file can't express: the font with its
// fallbacks, and a selection that stays drawn when the tree loses focus.
void ApplyHistoryTreeLook(QAbstractItemView* view);

// 宋体 15 px with the same fallbacks, for the search box.
QFont SearchEditFont();

// The font families tried in order for Chinese text.
QStringList CjkFontFamilies();

// Makes the CJK families the whole program's font, at the desktop's size. The texts are
// Chinese, so every widget then shapes them with one font instead of a Latin font falling
// back to a CJK one (which loads each CJK font twice, as a face of its own and as the
// fallback, and costs several megabytes for the life of the program).
void UseCjkApplicationFont();

// The program's icon (tray, windows).
QIcon AppIcon();

}  // namespace qarvex
