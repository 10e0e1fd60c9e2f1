#include "console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "files/file_io.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace belvan::cli {

namespace {
QString stdoutFailure;

// False when the bytes did not all reach the stream's file; `error` is the system's reason.
bool Write(std::FILE* stream, const QByteArray& bytes, int& error) {
    errno = 0;
    const std::size_t size = static_cast<std::size_t>(bytes.size());
    const bool written = std::fwrite(bytes.constData(), 1, size, stream) == size;
    const bool flushed = std::fflush(stream) == 0;
    error = errno;
    return written && flushed;
}

void WriteOut(const QByteArray& bytes) {
    int error = 0;
    if (!Write(stdout, bytes, error) && stdoutFailure.isEmpty())
        stdoutFailure = SystemErrorReason(error);
}
}  // namespace

void PrepareConsole() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    // The progress lines of several radios move the cursor with the usual escape sequences.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#endif
}

void Out(const QString& text) {
    WriteOut(text.toUtf8());
}

void OutBytes(const QByteArray& bytes) {
    WriteOut(bytes);
}

void Err(const QString& text) {
    // Nowhere is left to say that the error stream failed.
    int error = 0;
    Write(stderr, text.toUtf8(), error);
}

Status StdoutWritten() {
    if (stdoutFailure.isEmpty()) return {};
    return Error{ErrorKind::File, stdoutFailure};
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void ProgressLine::Update(const QString& stage, int done, int total) {
    if (!enabled_) return;
    const int percent = total > 0 ? qBound(0, done * 100 / total, 100) : 0;
    if (shown_ && stage == stage_ && percent == percent_) return;
    const QString text = QStringLiteral("%1 %2%").arg(stage, -40).arg(percent, 3);
    // The padding covers the rest of a longer stage text drawn before.
    Err(QLatin1Char('\r') + text);
    stage_ = stage;
    percent_ = percent;
    shown_ = true;
}

void ProgressLine::Finish() {
    if (!shown_) return;
    Err(QStringLiteral("\n"));
    shown_ = false;
    percent_ = -1;
}

ProgressLines::ProgressLines(const QStringList& names, bool enabled)
    : names_(names), enabled_(enabled) {
    for (qsizetype i = 0; i < names.size(); ++i) texts_ << QString();
}

void ProgressLines::Update(int index, const QString& text) {
    if (!enabled_ || index < 0 || index >= texts_.size() || texts_[index] == text) return;
    texts_[index] = text;
    Draw();
}

void ProgressLines::Draw() {
    int width = 0;
    for (const QString& name : names_) width = std::max(width, static_cast<int>(name.size()));
    QString out;
    // Back to the first of the lines drawn before, then each line anew.
    if (shown_) out += QStringLiteral("\x1b[%1F").arg(names_.size());
    for (qsizetype i = 0; i < names_.size(); ++i)
        out += QStringLiteral("%1  %2\x1b[K\n").arg(names_[i], -width).arg(texts_[i]);
    Err(out);
    shown_ = true;
}

void ProgressLines::Finish() {
    shown_ = false;
}

}  // namespace belvan::cli
