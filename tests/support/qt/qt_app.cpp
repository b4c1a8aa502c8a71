#include "support/qt/qt_app.h"

#include <cstdlib>

#include <QApplication>

namespace qarvex::test {

void EnsureQtApp() {
    if (QApplication::instance()) {
        return;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "qarvex-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = MakeTestApplication(argc, argv);
    (void)app;
}

}  // namespace qarvex::test
