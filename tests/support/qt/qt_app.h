#pragma once

class QApplication;

namespace qarvex::test {

// Makes the one QApplication of a widget test program (offscreen), once.
void EnsureQtApp();

// The program's kind of application object; each test program links one (support/parts or
// support/app).
QApplication* MakeTestApplication(int& argc, char** argv);

}  // namespace qarvex::test
