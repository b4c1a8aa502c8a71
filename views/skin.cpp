#include "views/skin.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QColor>
#include <QFile>
#include <QPalette>
#include <QTabWidget>
#include <QWidget>

// The resources live in a static library; referencing the initialiser from here keeps the
// linker from dropping them from the program. Q_INIT_RESOURCE can't be used inside a namespace.
static void InitQarvexResources() {
    static bool registered = false;
    if (!registered) {
        registered = true;
        Q_INIT_RESOURCE(qarvex);
    }
}

namespace qarvex {

namespace {

// Skins are a few hundred pixels wide; anything near these limits is a broken or hostile file,
// and refusing it early keeps a bogus header from asking for gigabytes.
constexpr JDIMENSION kMaxJpegSide = 8192;
constexpr unsigned long long kMaxJpegPixels = 24ULL * 1024 * 1024;

const char* const kSkinBitmapNames[] = {
    "BtnQVStart",        "BtnQVPCStart",       "BtnQVSearch",     "BtnQVAddToFav",
    "BtnQVUpdateFav",    "BtnQVDeleteAllDocs", "BtnHelp",         "BtnAbout",
    "BtnClose",          "BtnQVPCRun",         "BtnQVAddPCStart", "BtnQVDeletePCStart",
    "BtnQVClearPCStart",
};

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// A warning means libjpeg is papering over damage (for example it invents an end marker
// for truncated data and shows grey); a half-grey skin is worse than the designed control.
void JpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        JpegFail(cinfo);
    }
}

void JpegSilent(j_common_ptr) {}

// Adobe writes CMYK inverted; libjpeg hands it over as stored.
void CmykRowToRgb32(uchar* row, JDIMENSION width) {
    auto* out = reinterpret_cast<QRgb*>(row);
    for (JDIMENSION x = 0; x < width; ++x) {
        const uchar* p = row + static_cast<std::size_t>(x) * 4;
        const int c = p[0];
        const int m = p[1];
        const int y = p[2];
        const int k = p[3];
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Everything that may jump back lives here: no object with a destructor is created after
// setjmp, and the caller only reads *out when this returns true.
bool DecodeInto(jpeg_decompress_struct* cinfo, JpegErrorManager* err, const QByteArray* bytes,
                QImage* out) {
    if (setjmp(err->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    if (cinfo->image_width == 0 || cinfo->image_height == 0 || cinfo->image_width > kMaxJpegSide ||
        cinfo->image_height > kMaxJpegSide ||
        static_cast<unsigned long long>(cinfo->image_width) * cinfo->image_height >
            kMaxJpegPixels) {
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(cinfo);
    const int expected = cmyk ? 4 : 3;
    if (cinfo->output_components != expected) {
        return false;
    }
    *out = QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height),
                  cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (out->isNull()) {
        return false;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* line = out->scanLine(static_cast<int>(cinfo->output_scanline));
        JSAMPROW row = line;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            return false;
        }
        if (cmyk) {
            CmykRowToRgb32(line, cinfo->output_width);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

QString SkinPath(const QString& name, const char* suffix) {
    InitQarvexResources();
    return QStringLiteral(":/skins/") + name + QLatin1String(suffix);
}

QFont CjkFont(int pixelSize) {
    QFont font;
    font.setFamilies(CjkFontFamilies());
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
    // The smallest possible JPEG (SOI, a frame header, a scan and EOI) is far above this.
    if (bytes.size() < 4) {
        return {};
    }
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegFail;
    err.pub.emit_message = JpegMessage;
    err.pub.output_message = JpegSilent;
    QImage image;
    const bool ok = DecodeInto(&cinfo, &err, &bytes, &image);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        return {};
    }
    return image;
}

QImage LoadSkinJpeg(const QString& name) {
    QFile file(SkinPath(name, ".jpg"));
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return DecodeJpeg(file.readAll());
}

QPixmap LoadSkinBitmap(const QString& name) {
    const QString path = SkinPath(name, ".png");
    if (name.isEmpty() || !QFile::exists(path)) {
        return {};
    }
    QImage image(path);
    if (image.isNull()) {
        return {};
    }
    return QPixmap::fromImage(image);
}

QStringList SkinBitmapNames() {
    QStringList names;
    for (const char* name : kSkinBitmapNames) {
        names << QLatin1String(name);
    }
    return names;
}

void ApplySkinGlyphs(QWidget* root) {
    if (root == nullptr) {
        return;
    }
    for (const QString& name : SkinBitmapNames()) {
        const auto buttons = root->findChildren<QAbstractButton*>(name);
        if (buttons.isEmpty()) {
            continue;
        }
        const QPixmap glyph = LoadSkinBitmap(name);
        if (glyph.isNull()) {
            continue;
        }
        for (QAbstractButton* button : buttons) {
            button->setIcon(QIcon(glyph));
            button->setIconSize(glyph.size());
        }
    }
}

void ApplyHiddenTabs(QTabWidget* tabs) {
    if (tabs == nullptr) {
        return;
    }
    for (int page : kHiddenTabPages) {
        if (page < tabs->count()) {
            tabs->setTabVisible(page, false);
        }
    }
}

QStringList CjkFontFamilies() {
    return {QStringLiteral("宋体"),
            QStringLiteral("SimSun"),
            QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("WenQuanYi Zen Hei"),
            QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Droid Sans Fallback"),
            QStringLiteral("sans-serif")};
}

void UseCjkApplicationFont() {
    QFont font = QApplication::font();
    font.setFamilies(CjkFontFamilies());
    QApplication::setFont(font);
}

QFont HistoryTreeFont() {
    return CjkFont(13);
}

void ApplyHistoryTreeLook(QAbstractItemView* view) {
    if (view == nullptr) {
        return;
    }
    view->setFont(HistoryTreeFont());
    QPalette palette = view->palette();
    const QColor background(0xF5, 0xFA, 0xFE);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Window, background);
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    view->setPalette(palette);
}

QFont SearchEditFont() {
    return CjkFont(15);
}

QIcon AppIcon() {
    InitQarvexResources();
    QIcon icon;
    for (const char* path :
         {":/icons/qarvex-48.png", ":/icons/qarvex.png", ":/icons/qarvex-128.png"}) {
        if (QFile::exists(QLatin1String(path))) {
            icon.addFile(QLatin1String(path));
        }
    }
    return icon;
}

}  // namespace qarvex
