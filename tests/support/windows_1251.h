// Russian text as a Windows spreadsheet saves it in Windows-1251, for tests of the CSV import:
// ASCII as it is, А..я from 0xC0 on, Ё and ё. Any other character fails the test.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

namespace belvan::test {

inline QByteArray ToWindows1251(const QString& text) {
    QByteArray bytes;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80)
            bytes += static_cast<char>(u);
        else if (u >= u'А' && u <= u'я')
            bytes += static_cast<char>(0xC0 + (u - u'А'));
        else if (u == u'Ё')
            bytes += '\xA8';
        else if (u == u'ё')
            bytes += '\xB8';
        else
            ADD_FAILURE() << "no Windows-1251 byte for U+" << std::hex << int(u);
    }
    return bytes;
}

}  // namespace belvan::test
