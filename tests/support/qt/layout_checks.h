#pragma once

#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "support/qt/qt_app.h"

// Checks of a window's layout: the controls the program's code looks up by name, with the
// captions, hints and visibility the user is meant to see.
namespace qarvex::test {

inline constexpr const char* kAny = nullptr;  // caption or hint not fixed

struct Control {
    const char* name;
    const char* cls;
    const char* caption;  // text of buttons and labels, title of group boxes
    const char* hint;     // tool tip
    bool shown;           // not explicitly hidden
};

void ExpectControls(const QWidget& form, const std::vector<Control>& controls);
// Names are how the code finds controls; a copy-pasted name would silently pick the wrong one.
void ExpectUniqueNames(const QWidget& form);

template <typename Ui, typename Base>
struct Form {
    Form() { ui.setupUi(&widget); }
    Base widget;
    Ui ui;
};

class LayoutsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureQtApp(); }
};

}  // namespace qarvex::test
