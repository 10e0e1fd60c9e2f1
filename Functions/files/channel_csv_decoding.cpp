#include "channel_csv_decoding.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <optional>

namespace belvan {

namespace {

// Bytes 0x80 to 0xBF of Windows-1251 as Unicode; 0xC0 to 0xFF are А to я in order. 0x98 is
// unassigned.
// clang-format off
constexpr char16_t kWindows1251From0x80[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87: Ђ Ѓ ‚ ѓ „ … † ‡
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88..8F: € ‰ Љ ‹ Њ Ќ Ћ Џ
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97: ђ ‘ ’ “ ” • – —
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98..9F: none ™ љ › њ ќ ћ џ
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0..A7: nbsp Ў ў Ј ¤ Ґ ¦ §
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8..AF: Ё © Є « ¬ shy ® Ї
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0..B7: ° ± І і ґ µ ¶ ·
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8..BF: ё № є » ј Ѕ ѕ ї
};
// clang-format on

// All 256 bytes, looked up rather than worked out byte by byte.
constexpr std::array<char16_t, 256> kWindows1251 = [] {
    std::array<char16_t, 256> units{};
    for (int b = 0; b < 256; ++b)
        units[static_cast<std::size_t>(b)] = b < 0x80    ? char16_t(b)
                                             : b >= 0xC0 ? char16_t(u'А' + (b - 0xC0))
                                                         : kWindows1251From0x80[b - 0x80];
    return units;
}();

// The text when all the bytes are UTF-8. Stateless: a sequence cut off by the end is an error.
std::optional<QString> FromUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

// The line of the first bytes that are not UTF-8, counting CR, LF and CRLF as line ends (they
// never occur inside a multi-byte sequence), or 0 when all of it is UTF-8.
int FirstNonUtf8Line(QByteArrayView bytes) {
    // The next CR and LF from `start` on, each searched for again only once passed.
    qsizetype cr = -1;
    qsizetype lf = -1;
    auto next = [&bytes](qsizetype& at, char ch, qsizetype from) {
        if (at < from) {
            at = bytes.indexOf(ch, from);
            if (at < 0) at = bytes.size();
        }
        return at;
    };
    int line = 1;
    for (qsizetype start = 0;;) {
        const qsizetype end = std::min(next(cr, '\r', start), next(lf, '\n', start));
        if (!bytes.sliced(start, end - start).isValidUtf8()) return line;
        if (end == bytes.size()) return 0;
        if (!(bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')) ++line;
        start = end + 1;
    }
}

CsvText Utf16(const QByteArray& data, CsvEncoding encoding) {
    CsvText result;
    result.encoding = encoding;
    QStringDecoder decoder(
        encoding == CsvEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
        QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(data).sliced(2));
    // The decoder lets an odd last byte and a lone surrogate through; neither is UTF-16.
    if (data.size() % 2 != 0 || decoder.hasError() || !QStringView(text).isValidUtf16()) {
        result.error =
            QStringLiteral("файл помечен как UTF-16, но его байты не образуют текста UTF-16");
        return result;
    }
    result.text = text;
    return result;
}

}  // namespace

QString DecodeWindows1251(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* unit = text.data();
    for (const char byte : bytes) *unit++ = QChar(kWindows1251[static_cast<unsigned char>(byte)]);
    return text;
}

CsvText DecodeCsvText(const QByteArray& data) {
    if (data.startsWith("\xFF\xFE")) return Utf16(data, CsvEncoding::Utf16LE);
    if (data.startsWith("\xFE\xFF")) return Utf16(data, CsvEncoding::Utf16BE);

    CsvText result;
    const bool marked = data.startsWith("\xEF\xBB\xBF");
    const QByteArrayView bytes = QByteArrayView(data).sliced(marked ? 3 : 0);
    // Qt's check goes first: it makes no text, which bytes that are not UTF-8 would only discard.
    if (bytes.isValidUtf8()) {
        if (auto text = FromUtf8(bytes)) {
            result.text = std::move(*text);
            return result;
        }
    }
    result.firstNonUtf8Line = FirstNonUtf8Line(bytes);
    if (marked) {
        result.error =
            QStringLiteral(
                "файл помечен как UTF-8, но в строке %1 байты, которых в UTF-8 не бывает")
                .arg(result.firstNonUtf8Line);
        return result;
    }
    result.encoding = CsvEncoding::Windows1251;
    result.text = DecodeWindows1251(bytes);
    return result;
}

}  // namespace belvan
