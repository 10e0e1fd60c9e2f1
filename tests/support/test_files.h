// Files for tests: whole reads and writes, the bytes of a settings file, and a folder of the
// test's own.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "files/settings_file.h"
#include "image/parameter_image.h"

namespace belvan::testing {

// The whole content of a file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
// Writes the file whole; a write that fails fails the test.
void WriteAll(const QString& path, const QByteArray& bytes);
// The bytes of a settings file as Qt holds bytes.
QByteArray Bytes(const FileBytes& bytes);

// A folder that lives as long as the test, and files in it.
class TestFolder {
  public:
    bool IsValid() const { return dir_.isValid(); }
    QString Folder() const { return dir_.path(); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // Writes the named file of the folder whole (a write that fails fails the test); its path.
    QString WriteFile(const QString& name, const QByteArray& content);
    // Writes the image as a settings file; its path.
    QString WriteImage(const QString& name, const ParameterImage& image);

  private:
    QTemporaryDir dir_;
};

}  // namespace belvan::testing
