#include "app/qarvex_application.h"

namespace qarvex {

QarvexApplication::QarvexApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QarvexApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ApplicationEvents1Exception();
        return false;
    }
}

void QarvexApplication::ApplicationEvents1Exception() {
    // Deliberately silent: the handler's work is abandoned and the program goes on.
    ++m_dropped;
}

}  // namespace qarvex
