#include "views/history_tree_model.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

#include "support/qt/qt_app.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// An application recorded by its desktop entry shows the entry's icon, not a generic one.
TEST(ProgramIconTest, ADesktopEntryShowsItsOwnIcon) {
    test::EnsureQtApp();
    test::TempDir dir;
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(QColor(Qt::red));
    const std::string png = dir.File("app.png");
    ASSERT_TRUE(red.save(QString::fromStdString(png)));
    const std::string entry = dir.Write("org.example.App.desktop",
                                        "[Desktop Entry]\nType=Application\nIcon=" + png + "\n");

    const QImage shown =
        TreeImageList::ProgramIcon(QString::fromStdString(entry)).pixmap(16, 16).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(8, 8), QColor(Qt::red));
}

}  // namespace
}  // namespace qarvex
