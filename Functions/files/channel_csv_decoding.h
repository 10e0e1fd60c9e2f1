// The text of a CSV channel list from its bytes, in whichever encoding the program that saved it
// chose: UTF-8 with or without a byte-order mark (this tool, CHIRP, most editors), UTF-16 with
// one (Windows editors, "Unicode text"), or else Windows-1251, in which a spreadsheet on a
// Russian Windows saves CSV.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace belvan {

enum class CsvEncoding { Utf8, Utf16LE, Utf16BE, Windows1251 };

struct CsvText {
    QString text;  // without the byte-order mark
    CsvEncoding encoding = CsvEncoding::Utf8;
    // Windows1251: the first line (from 1, as the reader counts them) with bytes UTF-8 cannot
    // have; and with `error`, the line of a file marked as UTF-8 that is not.
    int firstNonUtf8Line = 0;
    QString error;  // a byte-order mark the bytes after it belie; `text` is then empty
};

// A byte-order mark decides; without one, valid UTF-8 is UTF-8 and anything else Windows-1251.
CsvText DecodeCsvText(const QByteArray& data);

// Windows-1251 as it is on Windows: ASCII below 0x80, Cyrillic and typography above; the one
// byte the code page leaves unassigned (0x98) becomes U+FFFD.
QString DecodeWindows1251(QByteArrayView bytes);

}  // namespace belvan
