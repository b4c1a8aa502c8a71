// The floor for the start-up benchmark: a Qt window program with nothing in it, built
// by the same build as Qarvex.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("BareWindow"));
    window.resize(620, 380);
    window.show();
    return QApplication::exec();
}
