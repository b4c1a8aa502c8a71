#include "support/qt/qt_app.h"

#include <cstdlib>

#include "app/qarvex_application.h"

namespace qarvex::test {

void EnsureQtApp() {
    if (QApplication::instance()) {
        return;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "qarvex-tests";
    static char* argv[] = {name, nullptr};
    // The program's own application object: what it does with a failing handler holds here
    // too.
    static QApplication* app = new QarvexApplication(argc, argv);
    (void)app;
}

}  // namespace qarvex::test
