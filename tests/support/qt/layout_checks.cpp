#include "support/qt/layout_checks.h"

namespace qarvex::test {

namespace {

QString Caption(const QWidget* w) {
    if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
        return box->title();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        return edit->text();
    }
    return {};
}

}  // namespace

void ExpectControls(const QWidget& form, const std::vector<Control>& controls) {
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        const auto found = form.findChildren<QWidget*>(QLatin1String(c.name));
        ASSERT_EQ(found.size(), 1) << "missing or duplicated";
        const QWidget* w = found.front();
        EXPECT_TRUE(w->inherits(c.cls)) << w->metaObject()->className();
        if (c.caption != kAny) {
            EXPECT_EQ(Caption(w), QString::fromUtf8(c.caption));
        }
        if (c.hint != kAny) {
            EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.hint));
        }
        EXPECT_EQ(!w->isHidden(), c.shown);
    }
}

void ExpectUniqueNames(const QWidget& form) {
    std::set<QString> seen;
    for (const QObject* child : form.findChildren<QObject*>()) {
        const QString name = child->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) {
            continue;
        }
        EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name.toStdString();
    }
}

}  // namespace qarvex::test
