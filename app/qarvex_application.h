#pragma once

#include <QApplication>

namespace qarvex {

// The application object. An exception that escapes an event handler is caught here
// and dropped, so one failing handler never ends the program.
class QarvexApplication : public QApplication {
    Q_OBJECT

public:
    QarvexApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Counts the exceptions dropped so far (tests read it).
    int droppedExceptions() const { return m_dropped; }

private:
    void ApplicationEvents1Exception();

    int m_dropped = 0;
};

}  // namespace qarvex
