// Text to the terminal: UTF-8 on stdout and stderr whatever the console's code page, and a
// progress line on stderr that is drawn only when stderr is a terminal.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/error.h"

namespace belvan::cli {

// Makes the console take UTF-8 (Windows); elsewhere nothing to do.
void PrepareConsole();

// Writes the text as it is, UTF-8 encoded, and flushes.
void Out(const QString& text);
void OutBytes(const QByteArray& bytes);
void Err(const QString& text);

// One line each, the line end added.
inline void OutLine(const QString& text) {
    Out(text + QLatin1Char('\n'));
}
inline void ErrLine(const QString& text) {
    Err(text + QLatin1Char('\n'));
}

bool StderrIsTerminal();

// Success while everything written to stdout got out, else why not (a full disk, a closed pipe;
// kind File). A command whose output was lost has failed, whatever it did else.
Status StdoutWritten();

// The line "stage  NN%" redrawn in place on stderr while an exchange runs. Messages printed
// while it is shown first end the line, so they never mix with it.
class ProgressLine {
  public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    ~ProgressLine() { Finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Update(const QString& stage, int done, int total);
    // Ends the line if one is shown.
    void Finish();

  private:
    bool enabled_;
    bool shown_ = false;
    QString stage_;
    int percent_ = -1;
};

// One line per radio, each "name  stage  NN%", redrawn in place on stderr (terminals only).
class ProgressLines {
  public:
    ProgressLines(const QStringList& names, bool enabled);
    ~ProgressLines() { Finish(); }
    ProgressLines(const ProgressLines&) = delete;
    ProgressLines& operator=(const ProgressLines&) = delete;

    void Update(int index, const QString& text);
    // Leaves the lines as they are and moves below them.
    void Finish();

  private:
    void Draw();

    QStringList names_;
    QStringList texts_;
    bool enabled_;
    bool shown_ = false;
};

}  // namespace belvan::cli
