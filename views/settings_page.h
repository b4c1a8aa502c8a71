#pragma once

class QWidget;

namespace qarvex {

// Puts a group of controls made in code on the "设置" page, above the spacer that closes
// the page, so the page keeps its look.
void AddToSettingsPage(QWidget* settingsPage, QWidget* group);

}  // namespace qarvex
