#include "views/skin.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include "support/qt/qt_app.h"
#include "views/skin_tab_bar.h"

namespace qarvex {
namespace {

QByteArray ReadResource(const QString& path) {
    LoadSkinJpeg(QStringLiteral("monitorbtn"));  // makes sure the resources are registered
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QByteArray SkinBytes(const char* name) {
    return ReadResource(QStringLiteral(":/skins/") + QLatin1String(name) + QStringLiteral(".jpg"));
}

// Encodes a solid colour in the given JPEG colour space, so decoding can be checked against
// known pixels (gray and CMYK files exist in the wild even if our own skins are RGB).
QByteArray EncodeSolid(int width, int height, J_COLOR_SPACE space, const std::vector<uchar>& px,
                       bool progressive = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = static_cast<int>(px.size());
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uchar> row;
    for (int x = 0; x < width; ++x) {
        row.insert(row.end(), px.begin(), px.end());
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

// Offset of the first baseline or progressive frame header's height field.
qsizetype FrameSizeOffset(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<uchar>(jpeg[i + 1]);
        if (static_cast<uchar>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            return i + 5;
        }
    }
    return -1;
}

QByteArray WithFrameSize(QByteArray jpeg, int width, int height) {
    const qsizetype at = FrameSizeOffset(jpeg);
    if (at < 0) {
        return {};
    }
    jpeg[at] = static_cast<char>(height >> 8);
    jpeg[at + 1] = static_cast<char>(height & 0xFF);
    jpeg[at + 2] = static_cast<char>(width >> 8);
    jpeg[at + 3] = static_cast<char>(width & 0xFF);
    return jpeg;
}

class SkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureQtApp(); }
};

TEST_F(SkinTest, EachSkinPictureDecodesAtItsDesignedSize) {
    struct Case {
        const char* name;
        QSize size;
    };
    const Case cases[] = {
        {"monitorbtn", {8 * kSkinTabWidth, kSkinTabHeight}},
        {"toolbuttons", {800, 25}},
        {"ImgQVPCControl", {540, 250}},
        {"helpdoc", {360, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = SkinBytes(c.name);
        ASSERT_FALSE(bytes.isEmpty());
        // Committed pictures must stay small.
        EXPECT_LT(bytes.size(), 64 * 1024);
        const QImage direct = DecodeJpeg(bytes);
        EXPECT_EQ(direct.size(), c.size);
        EXPECT_EQ(LoadSkinJpeg(QLatin1String(c.name)).size(), c.size);
    }
}

TEST_F(SkinTest, DecodesColourSpacesToTheRightColours) {
    struct Case {
        const char* label;
        J_COLOR_SPACE space;
        std::vector<uchar> pixel;
        QColor expected;
        bool progressive = false;
    };
    const Case cases[] = {
        {"rgb", JCS_RGB, {200, 40, 90}, QColor(200, 40, 90)},
        {"progressive rgb", JCS_RGB, {20, 140, 230}, QColor(20, 140, 230), true},
        {"gray", JCS_GRAYSCALE, {77}, QColor(77, 77, 77)},
        // Adobe-style inverted CMYK: 255 means no ink.
        {"cmyk", JCS_CMYK, {255, 0, 255, 255}, QColor(255, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QImage image = DecodeJpeg(EncodeSolid(24, 16, c.space, c.pixel, c.progressive));
        ASSERT_EQ(image.size(), QSize(24, 16));
        const QColor got = image.pixelColor(12, 8);
        EXPECT_NEAR(got.red(), c.expected.red(), 4);
        EXPECT_NEAR(got.green(), c.expected.green(), 4);
        EXPECT_NEAR(got.blue(), c.expected.blue(), 4);
    }
}

TEST_F(SkinTest, BadBytesGiveANullImage) {
    const QByteArray good = SkinBytes("monitorbtn");
    ASSERT_FALSE(DecodeJpeg(good).isNull());

    QByteArray rstInScan = good;
    // An unexpected restart marker in the middle of the entropy-coded data.
    for (qsizetype i = good.size() / 2; i < good.size() / 2 + 16; i += 2) {
        rstInScan[i] = static_cast<char>(0xFF);
        rstInScan[i + 1] = static_cast<char>(0xD3);
    }
    QByteArray bigGarbage(4 * 1024 * 1024, '\x5A');
    bigGarbage[0] = static_cast<char>(0xFF);
    bigGarbage[1] = static_cast<char>(0xD8);
    QByteArray noEoi = good;
    noEoi.chop(2);

    struct Case {
        const char* label;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"one byte", QByteArray("\xFF", 1)},
        {"start marker only", QByteArray("\xFF\xD8\xFF", 3)},
        {"text", QByteArray("this is not a picture at all")},
        {"png", ReadResource(QStringLiteral(":/skins/BtnClose.png"))},
        {"header only", good.left(200)},
        {"truncated", good.left(good.size() / 2)},
        {"missing end marker", noEoi},
        {"restart marker in scan", rstInScan},
        {"zero width", WithFrameSize(good, 0, 24)},
        {"huge dimensions", WithFrameSize(good, 65000, 65000)},
        {"many pixels", WithFrameSize(good, 8000, 8000)},
        {"start marker and megabytes of garbage", bigGarbage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_TRUE(DecodeJpeg(c.bytes).isNull());
    }
}

// The size guard is for bogus headers; a real photo-sized picture must still come through.
TEST_F(SkinTest, PhotoSizedPicturesStillDecode) {
    const QImage image = DecodeJpeg(EncodeSolid(3000, 2000, JCS_RGB, {90, 120, 150}));
    EXPECT_EQ(image.size(), QSize(3000, 2000));
}

TEST_F(SkinTest, EveryTruncationOfAPictureIsRejectedQuietly) {
    const QByteArray good = SkinBytes("monitorbtn");
    ASSERT_FALSE(good.isEmpty());
    for (qsizetype n = 0; n < good.size(); n += 37) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(DecodeJpeg(good.left(n)).isNull());
    }
}

TEST_F(SkinTest, MissingResourcesGiveNullPicturesAndLeaveButtonsAlone) {
    EXPECT_TRUE(LoadSkinJpeg(QStringLiteral("no-such-skin")).isNull());
    EXPECT_TRUE(LoadSkinJpeg(QString()).isNull());
    // A glyph name is not a JPEG skin, and the other way round.
    EXPECT_TRUE(LoadSkinJpeg(QStringLiteral("BtnClose")).isNull());
    EXPECT_TRUE(LoadSkinBitmap(QStringLiteral("monitorbtn")).isNull());
    EXPECT_TRUE(LoadSkinBitmap(QStringLiteral("../images/qarvex")).isNull());

    QWidget root;
    auto* skinned = new QToolButton(&root);
    skinned->setObjectName(QStringLiteral("BtnClose"));
    auto* plain = new QToolButton(&root);
    plain->setObjectName(QStringLiteral("BtnSomethingElse"));
    ApplySkinGlyphs(&root);
    ApplySkinGlyphs(nullptr);
    EXPECT_FALSE(skinned->icon().isNull());
    EXPECT_TRUE(plain->icon().isNull());
}

TEST_F(SkinTest, EveryButtonGlyphAndTheAppIconLoad) {
    const QStringList names = SkinBitmapNames();
    EXPECT_EQ(names.size(), 13);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QPixmap glyph = LoadSkinBitmap(name);
        ASSERT_FALSE(glyph.isNull());
        EXPECT_EQ(glyph.size(), QSize(20, 20));
    }
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(48, 48).isNull());
}

class SkinTabBarTest : public SkinTest {
protected:
    void SetUp() override {
        const char* captions[] = {"网页",    "软件启",  "文件夹  ", "网页收藏 ", "收藏   ",
                                  "系统   ", "常用   ", "笔记   ",  "设置  ",    "全部   "};
        for (const char* caption : captions) {
            m_tabs.addTab(new QWidget, QString::fromUtf8(caption));
        }
        ApplyHiddenTabs(&m_tabs);
        m_tabs.resize(700, 300);
        m_picture = LoadSkinJpeg(QStringLiteral("monitorbtn"));
        ASSERT_FALSE(m_picture.isNull());
        m_tabs.SkinBar()->SetSkin(QPixmap::fromImage(m_picture));
        m_tabs.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_tabs));
    }

    SkinTabWidget m_tabs;
    QImage m_picture;
};

TEST_F(SkinTabBarTest, PaintsThePictureAtTheTopLeftCorner) {
    SkinTabBar* bar = m_tabs.SkinBar();
    // The keyboard's mark is drawn over the picture; here the keyboard is elsewhere.
    bar->clearFocus();
    const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = m_picture.convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shot.width(), picture.width());
    ASSERT_GE(shot.height(), picture.height() - 2);
    // The bottom rows carry the current-tab mark; everything above is the picture, 1:1.
    int mismatches = 0;
    for (int y = 0; y < picture.height() - 2; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (shot.pixel(x, y) != picture.pixel(x, y)) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(SkinTabBarTest, VisibleTabsLineUpWithThePictureLabels) {
    SkinTabBar* bar = m_tabs.SkinBar();
    const int visiblePages[] = {0, 1, 2, 4, 5, 6, 7, 8};
    for (int slot = 0; slot < 8; ++slot) {
        const int page = visiblePages[slot];
        SCOPED_TRACE(page);
        EXPECT_TRUE(bar->isTabVisible(page));
        EXPECT_EQ(bar->tabRect(page),
                  QRect(slot * kSkinTabWidth, 0, kSkinTabWidth, kSkinTabHeight));
    }
    for (int page : kHiddenTabPages) {
        EXPECT_FALSE(bar->isTabVisible(page));
    }

    // A click in the picture's fifth label ("系统") reaches the system page, index 5.
    QSignalSpy pressed(bar, &SkinTabBar::TabStripPressed);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(4 * kSkinTabWidth + 10, kSkinTabHeight / 2));
    EXPECT_EQ(m_tabs.currentIndex(), 5);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
}

TEST_F(SkinTabBarTest, WithoutAPictureTheBarStillPaintsItsTabs) {
    SkinTabBar* bar = m_tabs.SkinBar();
    bar->SetSkin(QPixmap());
    const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(bar->tabRect(1).left(), kSkinTabWidth);
    // Every visible tab shows a label or frame of its own, not a blank strip.
    for (int page : {0, 1, 2, 5, 6, 8}) {
        SCOPED_TRACE(page);
        const QRect tab = bar->tabRect(page).intersected(shot.rect());
        ASSERT_FALSE(tab.isEmpty());
        bool drawn = false;
        for (int y = tab.top(); y <= tab.bottom() && !drawn; ++y) {
            for (int x = tab.left(); x <= tab.right() && !drawn; ++x) {
                drawn = shot.pixel(x, y) != shot.pixel(tab.left() + tab.width() / 2, tab.top());
            }
        }
        EXPECT_TRUE(drawn);
    }
}

}  // namespace
}  // namespace qarvex
