// Paints the program's skin pictures, button glyphs and icons, and writes them into
// resources/images. Run through scripts/make-skins.sh; the generated files are committed so
// that a normal build needs neither this tool nor a CJK font.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QStringList>

#include "views/skin.h"

namespace {

const QColor kAccent(0x33, 0x66, 0x99);
const QColor kAccentLight(0x5B, 0x8F, 0xC7);
const QColor kInk(0x1F, 0x3F, 0x5F);
const QColor kPaper(0xF5, 0xFA, 0xFE);
const QColor kLine(0xC9, 0xD9, 0xEA);
const QColor kWarm(0xE8, 0x8A, 0x2E);
const QColor kAlert(0xC8, 0x3C, 0x3C);
const QColor kGood(0x3C, 0x9A, 0x5F);

QString g_outDir;

QFont UiFont(int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("sans-serif")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

bool WriteJpeg(const QImage& source, const QString& name, int quality) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // Full-resolution chroma keeps small coloured text and thin lines crisp.
    cinfo.comp_info[0].h_samp_factor = 1;
    cinfo.comp_info[0].v_samp_factor = 1;
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QFile file(g_outDir + QLatin1Char('/') + name + QStringLiteral(".jpg"));
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(reinterpret_cast<const char*>(buffer), static_cast<qint64>(size)) ==
                        static_cast<qint64>(size);
    std::free(buffer);
    std::printf("%s.jpg %lu bytes\n", qPrintable(name), size);
    return ok;
}

bool WritePng(const QImage& image, const QString& name) {
    const QString path = g_outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = image.save(path, "PNG", 9);
    std::printf("%s.png %s\n", qPrintable(name), ok ? "ok" : "FAILED");
    return ok;
}

QImage Canvas(int w, int h, QColor fill = Qt::transparent) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// ---------------------------------------------------------------- pictures

QImage PaintTabStrip() {
    const QStringList labels = {QStringLiteral("网页"),   QStringLiteral("软件启"),
                                QStringLiteral("文件夹"), QStringLiteral("收藏"),
                                QStringLiteral("系统"),   QStringLiteral("常用"),
                                QStringLiteral("笔记"),   QStringLiteral("设置")};
    const int w = qarvex::kSkinTabWidth;
    const int h = qarvex::kSkinTabHeight;
    QImage image = Canvas(w * static_cast<int>(labels.size()), h, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (int i = 0; i < labels.size(); ++i) {
        const QRectF tab(i * w + 1, 1, w - 2, h - 2);
        QLinearGradient g(tab.topLeft(), tab.bottomLeft());
        g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
        g.setColorAt(1, QColor(0xDC, 0xE8, 0xF5));
        QPainterPath path;
        path.addRoundedRect(tab.adjusted(0, 0, 0, 4), 4, 4);
        p.fillPath(path, g);
        p.setPen(QPen(kLine, 1));
        p.drawPath(path);
        p.setPen(kInk);
        p.setFont(UiFont(12));
        p.drawText(tab, Qt::AlignCenter, labels[i]);
    }
    p.setPen(QPen(kLine, 1));
    p.drawLine(0, h - 1, image.width(), h - 1);
    return image;
}

QImage PaintTopBar() {
    QImage image = Canvas(800, 25, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 25);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0xE4, 0xEE, 0xF8));
    p.fillRect(image.rect(), g);
    // A faint wave at the right keeps the bar from looking empty behind short captions.
    QPainterPath wave;
    wave.moveTo(520, 25);
    wave.cubicTo(600, 5, 700, 30, 800, 8);
    wave.lineTo(800, 25);
    wave.closeSubpath();
    p.fillPath(wave, QColor(0x33, 0x66, 0x99, 28));
    p.setPen(kLine);
    p.drawLine(0, 24, 800, 24);
    return image;
}

// Icons of the system page tiles, drawn into a 32 x 32 box.
using TileIcon = std::function<void(QPainter&, const QRectF&)>;

void Monitor(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kAccent, 2));
    p.setBrush(QColor(0xDC, 0xE8, 0xF5));
    p.drawRoundedRect(r.adjusted(2, 3, -2, -10), 2, 2);
    p.drawLine(QPointF(r.center().x(), r.bottom() - 10), QPointF(r.center().x(), r.bottom() - 4));
    p.drawLine(QPointF(r.center().x() - 7, r.bottom() - 3),
               QPointF(r.center().x() + 7, r.bottom() - 3));
}

void Folder(QPainter& p, const QRectF& r, QColor tint = QColor(0xF2, 0xC1, 0x4E)) {
    QPainterPath path;
    path.moveTo(r.left() + 2, r.top() + 8);
    path.lineTo(r.left() + 12, r.top() + 8);
    path.lineTo(r.left() + 15, r.top() + 11);
    path.lineTo(r.right() - 2, r.top() + 11);
    path.lineTo(r.right() - 2, r.bottom() - 3);
    path.lineTo(r.left() + 2, r.bottom() - 3);
    path.closeSubpath();
    p.setPen(QPen(tint.darker(140), 1.5));
    p.setBrush(tint);
    p.drawPath(path);
}

void Page(QPainter& p, const QRectF& r) {
    const QRectF sheet = r.adjusted(7, 2, -7, -2);
    p.setPen(QPen(kAccent, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    for (int i = 0; i < 4; ++i) {
        const qreal y = sheet.top() + 7 + i * 5;
        p.drawLine(QPointF(sheet.left() + 4, y), QPointF(sheet.right() - 4, y));
    }
}

void Star(QPainter& p, const QRectF& r, QColor fill) {
    QPolygonF star;
    const QPointF c = r.center();
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2 == 0) ? r.width() / 2 - 2 : r.width() / 4.6;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
    }
    p.setPen(QPen(fill.darker(140), 1.2));
    p.setBrush(fill);
    p.drawPolygon(star);
}

void Grid(QPainter& p, const QRectF& r, int n) {
    const qreal cell = (r.width() - 6) / n;
    p.setPen(Qt::NoPen);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            p.setBrush((x + y) % 2 == 0 ? kAccent : kAccentLight);
            p.drawRoundedRect(
                QRectF(r.left() + 3 + x * cell + 1, r.top() + 3 + y * cell + 1, cell - 2, cell - 2),
                2, 2);
        }
    }
}

void Clock(QPainter& p, const QRectF& r) {
    const QRectF face = r.adjusted(3, 3, -3, -3);
    p.setPen(QPen(kAccent, 2));
    p.setBrush(Qt::white);
    p.drawEllipse(face);
    p.drawLine(face.center(), face.center() + QPointF(0, -9));
    p.drawLine(face.center(), face.center() + QPointF(7, 3));
}

void Power(QPainter& p, const QRectF& r, QColor color) {
    const QRectF ring = r.adjusted(5, 6, -5, -4);
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(ring, 120 * 16, -300 * 16);
    p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.center().y() + 1));
}

void Network(QPainter& p, const QRectF& r) {
    const QPointF top(r.center().x(), r.top() + 7);
    const QPointF left(r.left() + 7, r.bottom() - 7);
    const QPointF right(r.right() - 7, r.bottom() - 7);
    p.setPen(QPen(kAccent, 2));
    p.drawLine(top, left);
    p.drawLine(top, right);
    p.drawLine(left, right);
    p.setBrush(kAccentLight);
    for (const QPointF& node : {top, left, right}) {
        p.drawEllipse(node, 5, 5);
    }
}

void Bin(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kAccent, 2));
    p.setBrush(QColor(0xDC, 0xE8, 0xF5));
    QPolygonF body;
    body << QPointF(r.left() + 8, r.top() + 9) << QPointF(r.right() - 8, r.top() + 9)
         << QPointF(r.right() - 10, r.bottom() - 2) << QPointF(r.left() + 10, r.bottom() - 2);
    p.drawPolygon(body);
    p.drawLine(QPointF(r.left() + 5, r.top() + 6), QPointF(r.right() - 5, r.top() + 6));
    p.drawLine(QPointF(r.center().x() - 3, r.top() + 3), QPointF(r.center().x() + 3, r.top() + 3));
    p.setPen(QPen(kGood, 2));
    p.drawLine(QPointF(r.center().x() - 3, r.top() + 14),
               QPointF(r.center().x() - 3, r.bottom() - 6));
    p.drawLine(QPointF(r.center().x() + 3, r.top() + 14),
               QPointF(r.center().x() + 3, r.bottom() - 6));
}

void Sliders(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
    const qreal knobs[] = {0.3, 0.7, 0.45};
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + 8 + i * 8;
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 4, y));
        p.setBrush(i == 1 ? kWarm : Qt::white);
        p.drawEllipse(QPointF(r.left() + 4 + knobs[i] * (r.width() - 8), y), 3.5, 3.5);
    }
}

void Bars(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kAccent, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(3, 4, -3, -4));
    p.setPen(Qt::NoPen);
    const qreal heights[] = {8, 14, 6, 18};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i == 3 ? kGood : kAccentLight);
        p.drawRect(QRectF(r.left() + 7 + i * 5, r.bottom() - 6 - heights[i], 3.5, heights[i]));
    }
}

void Dots(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    for (int i = -1; i <= 1; ++i) {
        p.drawEllipse(r.center() + QPointF(i * 9, 0), 3.5, 3.5);
    }
}

void DesktopIcon(QPainter& p, const QRectF& r) {
    Monitor(p, r);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentLight);
    p.drawRect(QRectF(r.left() + 6, r.top() + 7, 5, 4));
    p.drawRect(QRectF(r.left() + 6, r.top() + 13, 5, 4));
    p.setBrush(kWarm);
    p.drawRect(QRectF(r.left() + 13, r.top() + 7, 5, 4));
}

QImage PaintSystemPage() {
    QImage image = Canvas(540, 250, kPaper);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, image.height());
    bg.setColorAt(0, kPaper);
    bg.setColorAt(1, QColor(0xE3, 0xED, 0xF7));
    p.fillRect(image.rect(), bg);

    // Same order and grid as the buttons laid over the picture.
    const std::vector<TileIcon> icons = {
        Monitor,
        Page,
        DesktopIcon,
        [](QPainter& q, const QRectF& r) { Folder(q, r, kAccentLight); },
        Sliders,
        Clock,
        [](QPainter& q, const QRectF& r) { Grid(q, r, 2); },
        [](QPainter& q, const QRectF& r) { Grid(q, r, 3); },
        [](QPainter& q, const QRectF& r) { Power(q, r, kGood); },
        [](QPainter& q, const QRectF& r) { Star(q, r, QColor(0xF2, 0xC1, 0x4E)); },
        Network,
        Bin,
        [](QPainter& q, const QRectF& r) { Folder(q, r); },
        Bars,
        Dots,
    };
    for (int i = 0; i < static_cast<int>(icons.size()); ++i) {
        const QRectF tile(12 + (i % 5) * 104 + 0.5, 12 + (i / 5) * 78 + 0.5, 97, 71);
        QPainterPath path;
        path.addRoundedRect(tile, 6, 6);
        QLinearGradient g(tile.topLeft(), tile.bottomLeft());
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, QColor(0xEE, 0xF4, 0xFB));
        p.fillPath(path, g);
        p.setPen(QPen(kLine, 1));
        p.drawPath(path);
        const QRectF iconBox(tile.center().x() - 16, tile.top() + 6, 32, 32);
        p.save();
        icons[static_cast<std::size_t>(i)](p, iconBox);
        p.restore();
    }
    return image;
}

QImage PaintAboutPicture() {
    QImage image = Canvas(360, 200, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bg(0, 0, 360, 200);
    bg.setColorAt(0, QColor(0x2B, 0x57, 0x86));
    bg.setColorAt(1, QColor(0x5B, 0x8F, 0xC7));
    p.fillRect(image.rect(), bg);
    QRadialGradient glow(QPointF(300, 30), 180);
    glow.setColorAt(0, QColor(255, 255, 255, 70));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    // The mark: a ring with a clock hand, for "what you opened, and when".
    const QRectF ring(36, 50, 92, 92);
    p.setPen(QPen(Qt::white, 9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    p.drawLine(ring.center() + QPointF(22, 22), ring.center() + QPointF(46, 46));
    p.setPen(QPen(QColor(0xF2, 0xC1, 0x4E), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(ring.center(), ring.center() + QPointF(0, -26));
    p.drawLine(ring.center(), ring.center() + QPointF(18, 0));

    p.setPen(Qt::white);
    p.setFont(UiFont(40, true));
    p.drawText(QRectF(150, 48, 200, 56), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Qarvex"));
    p.setFont(UiFont(15));
    p.drawText(QRectF(152, 104, 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("记录 · 查找 · 重新打开"));
    p.setPen(QColor(255, 255, 255, 190));
    p.setFont(UiFont(12));
    p.drawText(QRectF(152, 130, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("网页、软件、文件夹，一键直达"));
    return image;
}

// ---------------------------------------------------------------- glyphs

using Glyph = std::function<void(QPainter&)>;

QImage PaintGlyph(const Glyph& draw) {
    QImage image = Canvas(20, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

void Plus(QPainter& p, QPointF c, qreal arm, QColor color) {
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c - QPointF(arm, 0), c + QPointF(arm, 0));
    p.drawLine(c - QPointF(0, arm), c + QPointF(0, arm));
}

void Cross(QPainter& p, QPointF c, qreal arm, QColor color) {
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(-arm, arm), c + QPointF(arm, -arm));
}

void Play(QPainter& p, QColor color) {
    QPolygonF tri;
    tri << QPointF(6, 3.5) << QPointF(16.5, 10) << QPointF(6, 16.5);
    p.setPen(QPen(color.darker(130), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    p.drawPolygon(tri);
}

void Disc(QPainter& p, QColor color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(1.5, 1.5, 17, 17));
}

void Letter(QPainter& p, const QString& text) {
    p.setPen(Qt::white);
    p.setFont(UiFont(13, true));
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, text);
}

std::vector<std::pair<QString, Glyph>> Glyphs() {
    return {
        {QStringLiteral("BtnQVStart"), [](QPainter& p) { Play(p, kGood); }},
        {QStringLiteral("BtnQVPCStart"),
         [](QPainter& p) { Power(p, QRectF(0, 0, 20, 20), kAccent); }},
        {QStringLiteral("BtnQVSearch"),
         [](QPainter& p) {
             p.setPen(QPen(kAccent, 2.2));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(2.5, 2.5, 10, 10));
             p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(11.5, 11.5), QPointF(17, 17));
         }},
        {QStringLiteral("BtnQVAddToFav"),
         [](QPainter& p) {
             Star(p, QRectF(0, 0, 17, 17), QColor(0xF2, 0xC1, 0x4E));
             Plus(p, QPointF(15, 15), 3.5, kGood);
         }},
        {QStringLiteral("BtnQVUpdateFav"),
         [](QPainter& p) {
             Star(p, QRectF(0, 0, 17, 17), QColor(0xF2, 0xC1, 0x4E));
             p.setPen(QPen(kAccent, 2.6, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(11, 18), QPointF(18, 11));
         }},
        {QStringLiteral("BtnQVDeleteAllDocs"),
         [](QPainter& p) {
             p.setPen(QPen(kAlert, 1.6));
             p.setBrush(QColor(0xF6, 0xDE, 0xDE));
             QPolygonF body;
             body << QPointF(5, 6) << QPointF(15, 6) << QPointF(14, 18) << QPointF(6, 18);
             p.drawPolygon(body);
             p.drawLine(QPointF(3, 4), QPointF(17, 4));
             p.drawLine(QPointF(8, 2), QPointF(12, 2));
         }},
        {QStringLiteral("BtnHelp"),
         [](QPainter& p) {
             Disc(p, kAccent);
             Letter(p, QStringLiteral("?"));
         }},
        {QStringLiteral("BtnAbout"),
         [](QPainter& p) {
             Disc(p, kAccentLight);
             Letter(p, QStringLiteral("i"));
         }},
        {QStringLiteral("BtnClose"), [](QPainter& p) { Cross(p, QPointF(10, 10), 5.5, kAlert); }},
        {QStringLiteral("BtnQVPCRun"), [](QPainter& p) { Play(p, kAccent); }},
        {QStringLiteral("BtnQVAddPCStart"),
         [](QPainter& p) { Plus(p, QPointF(10, 10), 6.5, kGood); }},
        {QStringLiteral("BtnQVDeletePCStart"),
         [](QPainter& p) {
             p.setPen(QPen(kAlert, 2.4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(3.5, 10), QPointF(16.5, 10));
         }},
        {QStringLiteral("BtnQVClearPCStart"),
         [](QPainter& p) {
             // An eraser: a tilted block over a base line.
             p.save();
             p.translate(10, 9);
             p.rotate(-35);
             p.setPen(QPen(kAccent, 1.4));
             p.setBrush(QColor(0xF4, 0xB6, 0xC2));
             p.drawRoundedRect(QRectF(-7, -4, 14, 8), 1.5, 1.5);
             p.setBrush(Qt::white);
             p.drawRoundedRect(QRectF(-7, -4, 5, 8), 1.5, 1.5);
             p.restore();
             p.setPen(QPen(kAccent, 1.4));
             p.drawLine(QPointF(3, 18), QPointF(17, 18));
         }},
    };
}

QImage PaintAppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient bg(0, 0, 0, 64);
    bg.setColorAt(0, QColor(0x5B, 0x8F, 0xC7));
    bg.setColorAt(1, QColor(0x2B, 0x57, 0x86));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(3, 3, 58, 58), 13, 13);
    p.fillPath(tile, bg);
    const QRectF ring(13, 12, 36, 36);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    p.drawLine(ring.center() + QPointF(10, 10), ring.center() + QPointF(21, 21));
    p.setPen(QPen(QColor(0xF2, 0xC1, 0x4E), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(ring.center(), ring.center() + QPointF(0, -10));
    p.drawLine(ring.center(), ring.center() + QPointF(7, 0));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skins OUTPUT_DIR\n");
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_outDir);

    bool ok = WriteJpeg(PaintTabStrip(), QStringLiteral("monitorbtn"), 92);
    ok = WriteJpeg(PaintTopBar(), QStringLiteral("toolbuttons"), 88) && ok;
    ok = WriteJpeg(PaintSystemPage(), QStringLiteral("ImgQVPCControl"), 88) && ok;
    ok = WriteJpeg(PaintAboutPicture(), QStringLiteral("helpdoc"), 88) && ok;
    for (const auto& [name, draw] : Glyphs()) {
        ok = WritePng(PaintGlyph(draw), name) && ok;
    }
    ok = WritePng(PaintAppIcon(64), QStringLiteral("qarvex")) && ok;
    ok = WritePng(PaintAppIcon(48), QStringLiteral("qarvex-48")) && ok;
    ok = WritePng(PaintAppIcon(128), QStringLiteral("qarvex-128")) && ok;
    return ok ? 0 : 1;
}
