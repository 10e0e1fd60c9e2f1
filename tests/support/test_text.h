// QString in test failures: printed as text, and turned into the standard string gtest prints.
#pragma once

#include <QString>
#include <ostream>
#include <string>

// Readable QString values in test failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace belvan::testing {

// A QString as the standard string test failures print.
inline std::string Text(const QString& text) {
    return text.toStdString();
}

}  // namespace belvan::testing
