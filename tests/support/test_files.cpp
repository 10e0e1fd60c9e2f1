#include "test_files.h"

#include <gtest/gtest.h>

#include <QFile>

#include "test_text.h"

namespace belvan::testing {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Text(path);
    ASSERT_EQ(file.write(bytes), bytes.size()) << Text(path);
}

QByteArray Bytes(const FileBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QString TestFolder::WriteFile(const QString& name, const QByteArray& content) {
    const QString path = Path(name);
    WriteAll(path, content);
    return path;
}

QString TestFolder::WriteImage(const QString& name, const ParameterImage& image) {
    return WriteFile(name, Bytes(BuildFileBytes(image)));
}

}  // namespace belvan::testing
