#include "app/qarvex_application.h"
#include "support/qt/qt_app.h"

namespace qarvex::test {

// The program's own application object: what it does with a failing handler holds in the
// whole window's tests too.
QApplication* MakeTestApplication(int& argc, char** argv) {
    return new QarvexApplication(argc, argv);
}

}  // namespace qarvex::test
