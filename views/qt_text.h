#pragma once

#include <string>

#include <QString>

namespace qarvex {

// The core keeps its texts as UTF-8 std::string; these cross to Qt's strings and back.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace qarvex
