#include "views/settings_page.h"

#include <QBoxLayout>
#include <QWidget>

namespace qarvex {

void AddToSettingsPage(QWidget* settingsPage, QWidget* group) {
    if (auto* layout = qobject_cast<QBoxLayout*>(settingsPage->layout())) {
        int at = layout->count();
        if (at > 0 && layout->itemAt(at - 1)->spacerItem() != nullptr) {
            --at;
        }
        layout->insertWidget(at, group);
    } else if (settingsPage->layout() != nullptr) {
        settingsPage->layout()->addWidget(group);
    }
}

}  // namespace qarvex
