#include "number_text.h"

#include <limits>

namespace belvan {

std::optional<int> ReadWholeNumber(const QString& text) {
    int at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    if (at == text.size()) return std::nullopt;
    long long value = 0;
    for (; at < text.size(); ++at) {
        const QChar ch = text[at];
        if (ch < u'0' || ch > u'9') return std::nullopt;
        value = value * 10 + (ch.unicode() - u'0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString()) {}

int ReadWholeNumberOrThrow(const QString& text) {
    if (auto value = ReadWholeNumber(text)) return *value;
    throw ConversionError(text);
}

RangeError::RangeError(const QString& message) : std::runtime_error(message.toStdString()) {}

}  // namespace belvan
