#include "console.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace belvan::cli {

namespace {
void Write(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}
}  // namespace

void PrepareConsole() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void Out(const QString& text) {
    Write(stdout, text.toUtf8());
}

void OutBytes(const QByteArray& bytes) {
    Write(stdout, bytes);
}

void Err(const QString& text) {
    Write(stderr, text.toUtf8());
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

}  // namespace belvan::cli
