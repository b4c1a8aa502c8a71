#include <QApplication>

#include "support/qt/qt_app.h"

namespace qarvex::test {

// A part's tests run without the program's application object: a handler that lets a
// failure escape ends the test program, where it shows.
QApplication* MakeTestApplication(int& argc, char** argv) {
    return new QApplication(argc, argv);
}

}  // namespace qarvex::test
