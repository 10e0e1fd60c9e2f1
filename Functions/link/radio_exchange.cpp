#include "radio_exchange.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "form/take_in_image.h"
#include "image/encoding.h"
#include "plan/channel_editing.h"
#include "program_state.h"
#include "radio_frame.h"
#include "serial_port.h"

namespace belvan {

namespace {
constexpr int kCommandReplyReads = 10;  // single-byte reads that may precede the 'O'
constexpr int kAcknowledgeReads = 31;   // single-byte reads of an acknowledgement wait
constexpr int kFramePauseMs = 1700;     // the radio sends its frame meanwhile
constexpr int kSingleReadMs = 101;

const QString kNoAnswer = QStringLiteral("Нет ответа от радиостанции");

// Tells the window (or a terminal) where an exchange stands while it waits.
class ExchangeProgress {
  public:
    explicit ExchangeProgress(ProgramState& p) : p_(p) {}

    // A stage covering `from`..`to` of 100, expected to take about `expectedMs`.
    void Stage(const QString& text, int from, int to, int expectedMs) {
        text_ = text;
        from_ = from;
        to_ = to;
        expectedMs_ = std::max(expectedMs, 1);
        clock_.start();
        Report();
    }
    void Report() const {
        if (!p_.progress) return;
        const qint64 elapsed = std::min<qint64>(clock_.elapsed(), expectedMs_);
        p_.progress({text_, from_ + static_cast<int>((to_ - from_) * elapsed / expectedMs_), 100});
    }
    IdleCallback Idle() const {
        return [this] { Report(); };
    }

  private:
    ProgramState& p_;
    QString text_;
    int from_ = 0;
    int to_ = 0;
    int expectedMs_ = 1;
    QElapsedTimer clock_;
};

SerialPort* Port(ProgramState& p) {
    return p.PortHandle && p.PortHandle->IsOpen() ? p.PortHandle.get() : nullptr;
}

void PurgeInput(ProgramState& p) {
    if (SerialPort* port = Port(p)) port->PurgeInput();
}

bool Send(ProgramState& p, const std::uint8_t* data, int count, const IdleCallback& idle) {
    SerialPort* port = Port(p);
    return port && port->Write(data, count, idle);
}

// One single-byte read; the byte, if any, lands in ReplyByte.
bool ReadReplyByte(ProgramState& p, const IdleCallback& idle) {
    SerialPort* port = Port(p);
    std::uint8_t byte = 0;
    if (!port || port->Read(&byte, 1, idle) != 1) return false;
    p.ReplyByte = byte;
    return true;
}

// Waits for the answer to a write frame: the first byte received decides. ReplyByte is cleared
// first, so silence fails instead of counting an earlier byte.
bool AwaitAcknowledge(ProgramState& p, const IdleCallback& idle) {
    p.ReplyByte = 0;
    for (int read = 0; read < kAcknowledgeReads; ++read)
        if (ReadReplyByte(p, idle)) break;
    return p.ReplyByte == kAcknowledge;
}

void Pause(int ms, const IdleCallback& idle) {
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 5)));
        if (idle) idle();
    }
}

void FailWithPurge(ProgramState& p, const QString& text) {
    ShowError(p.Operator(), text);
    PurgeInput(p);
}
}  // namespace

bool SendCommand(ProgramState& p, std::uint8_t first, std::uint8_t second,
                 const IdleCallback& idle) {
    const CommandFrame frame = BuildCommandFrame(first, second);
    Send(p, frame.data(), kCommandFrameSize, idle);
    p.ReplyByte = 0;
    for (int read = 0; read < kCommandReplyReads; ++read) {
        ReadReplyByte(p, idle);
        if (p.ReplyByte == kAcknowledge) return true;
    }
    return false;
}

bool ReadParameters(ProgramState& p, std::uint8_t second) {
    ExchangeProgress progress(p);
    PurgeInput(p);
    progress.Stage(QStringLiteral("Запрос параметров…"), 0, 10, kCommandReplyReads * kSingleReadMs);
    if (!SendCommand(p, kReadRequest, second, progress.Idle())) {
        ShowError(p.Operator(), kNoAnswer);
        return false;
    }
    progress.Stage(QStringLiteral("Радиостанция передаёт параметры…"), 10, 90, kFramePauseMs);
    Pause(kFramePauseMs, progress.Idle());
    progress.Stage(QStringLiteral("Приём параметров…"), 90, 100, 100 + kDataFrameSize);

    SerialPort* port = Port(p);
    const int got = port ? port->Read(p.FrameBuffer.data(), kDataFrameSize, progress.Idle()) : 0;
    // A short reply never reaches the checksums: the rest of the buffer is an older frame.
    if (got < kDataFrameSize) {
        FailWithPurge(p, kNoAnswer);
        return false;
    }
    if (ChecksumA(p.FrameBuffer) != p.FrameBuffer[FrameOffset::checksumA]) {
        FailWithPurge(p, QStringLiteral("Ошибка контрольной суммы."));
        return false;
    }
    if (ChecksumB(p.FrameBuffer) != p.FrameBuffer[FrameOffset::checksumB]) {
        FailWithPurge(p, QStringLiteral("Ошибка контрольной суммы"));
        return false;
    }
    p.image = ImageFromFrame(p.FrameBuffer);
    PurgeInput(p);
    ShowInformation(p.Operator(), QStringLiteral("Параметры прочитаны"));
    return true;
}

bool WriteParameters(ProgramState& p) {
    ExchangeProgress progress(p);
    RefreshInUseFlags(p);
    PurgeInput(p);
    EncodeSettings(p);
    CopyChannelsToImage(p);

    p.FrameBuffer = BuildDataFrame(p.image, kFirstWriteFrame);
    progress.Stage(QStringLiteral("Запись каналов…"), 0, 50, 300 + kAcknowledgeReads * 20);
    Send(p, p.FrameBuffer.data(), kDataFrameSize, progress.Idle());
    if (!AwaitAcknowledge(p, progress.Idle())) {
        FailWithPurge(p, QStringLiteral("Ошибка записи каналов радиостанции."));
        return false;
    }

    p.FrameBuffer[FrameOffset::header2] = 0x00;
    p.FrameBuffer[FrameOffset::sequence] = kSecondWriteFrame;
    p.FrameBuffer[FrameOffset::checksumB] = ChecksumB(p.FrameBuffer);
    progress.Stage(QStringLiteral("Запись параметров…"), 50, 100, 300 + kAcknowledgeReads * 20);
    Send(p, p.FrameBuffer.data(), kDataFrameSize, progress.Idle());
    if (!AwaitAcknowledge(p, progress.Idle())) {
        FailWithPurge(p, QStringLiteral("Ошибка записи в радиостанцию"));
        return false;
    }
    ShowInformation(p.Operator(), QStringLiteral("Параметры записаны"));
    return true;
}

void Button5Click(ProgramState& p) {
    Controls& ctl = p.ctl;
    ctl.Timer1 = false;
    p.BulkUpdateGuard = true;
    const int selected = ctl.ListBox1.index;
    ctl.ListBox1.index = -1;
    ctl.Button6Visible = false;
    ctl.Button5Visible = false;

    if (!ReadParameters(p, 0)) {
        // Nothing of the operator's plan was touched: it stays as it was, and so does the window.
        ctl.ListBox1.index = selected;
        p.BulkUpdateGuard = false;
        ctl.Button6Visible = true;
        ctl.Button5Visible = true;
        ctl.Timer1 = true;
        return;
    }

    ctl.Button6Visible = true;
    ctl.Button5Visible = true;
    ctl.Timer1 = true;
    TakeInImage(p, AfterTakeIn::SelectFirstChannel);
}

void Button6Click(ProgramState& p) {
    Controls& ctl = p.ctl;
    ctl.Timer1 = false;
    ctl.Button6Visible = false;
    ctl.Button5Visible = false;
    struct Restore {
        Controls& ctl;
        ~Restore() {
            ctl.Button6Visible = true;
            ctl.Button5Visible = true;
            ctl.Timer1 = true;
        }
    } restore{ctl};
    WriteParameters(p);
}

}  // namespace belvan
