#pragma once

namespace qarvex::test {

// Makes the one QApplication of a widget test program (offscreen), once.
void EnsureQtApp();

}  // namespace qarvex::test
