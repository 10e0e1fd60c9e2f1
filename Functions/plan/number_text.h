// Reading the numbers the operator typed or the tool wrote, with the comma as decimal separator
// whatever the system locale says.
#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

namespace belvan {

// Whole-number reading: leading blanks skipped, then an optional sign and decimal digits with
// nothing after them; the value must fit a 32-bit signed integer. Anything else, the empty
// text included, gives nothing.
std::optional<int> ReadWholeNumber(const QString& text);

// The error raised when a text the operator entered is not a whole number; the window's
// general error handling shows its message.
class ConversionError : public std::runtime_error {
  public:
    explicit ConversionError(const QString& text);
};

// ReadWholeNumber, or ConversionError naming the text.
int ReadWholeNumberOrThrow(const QString& text);

// An entered value the radio cannot hold (a time that does not fit its field, a tone the table
// has no entry for); raised before anything leaves the tool.
class RangeError : public std::runtime_error {
  public:
    explicit RangeError(const QString& message);
};

}  // namespace belvan
