#pragma once
// Texts between the core (UTF-8 std::string) and Qt.
#include <QString>
#include <string>

namespace sorrel {

inline QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

inline std::string S(const QString& s) {
  return s.toStdString();
}

}  // namespace sorrel
