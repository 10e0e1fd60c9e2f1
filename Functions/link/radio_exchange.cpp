#include "radio_exchange.h"

#include <algorithm>

namespace belvan {

namespace {
// Before a write frame: whatever is still coming in (a stray or doubled acknowledgement, the rest
// of an announcement) ends before the frame goes out, so it can never be taken for the answer.
constexpr int kQuietBeforeFrameMs = 20;
// After a failed exchange: a frame the radio sends late, or the rest of a reply, is dropped
// until the line has been quiet this long, so none of it is later taken for an announcement.
constexpr int kQuietAfterFailureMs = 500;

QByteArray Bytes(const auto& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

// One single-byte read under the read rule; the byte, or nothing.
std::optional<std::uint8_t> ReadByte(Line& line) {
    const QByteArray got = line.Read(1);
    if (got.isEmpty()) return std::nullopt;
    return static_cast<std::uint8_t>(got[0]);
}

// Waits for the answer to a write frame: the first byte received decides, and silence fails.
std::uint8_t AwaitAcknowledge(Line& line) {
    for (int read = 0; read < kAcknowledgeReads && !line.Lost(); ++read)
        if (const auto byte = ReadByte(line)) return *byte;
    return 0;
}

// A line held low delivers a stream of zero bytes, which sums to valid checksums; a radio's
// frame never consists of zeros alone.
bool AllZero(const DataFrame& frame) {
    return std::all_of(frame.begin(), frame.end(), [](std::uint8_t b) { return b == 0; });
}

// Where an exchange stands, told to the progress callback; and how it ends when it fails: a line
// that went away is its own outcome, and what else arrives is dropped until the line is quiet.
class Steps {
  public:
    Steps(Line& line, const ProgressCallback& progress) : line_(line), progress_(progress) {}
    void Report(LinkStage kind, const QString& stage, int done) {
        done_ = done;
        if (progress_) progress_({kind, stage, done_, 100});
    }
    template <class Result>
    Result Fail(Result& result, ExchangeOutcome outcome) {
        result.outcome = line_.Lost() ? ExchangeOutcome::LineLost : outcome;
        if (line_.IsOpen() && !line_.Lost()) {
            Report(LinkStage::Quiet, QStringLiteral("Ожидание тишины на линии…"), done_);
            DiscardStrayInput(line_);
        }
        return result;
    }

  private:
    Line& line_;
    const ProgressCallback& progress_;
    int done_ = 0;
};
}  // namespace

void DiscardStrayInput(Line& line) {
    line.PurgeInput();
    line.DiscardUntilQuiet(kQuietAfterFailureMs, kQuietAfterFailureMaxMs);
}

bool Succeeded(ExchangeOutcome outcome) {
    return outcome == ExchangeOutcome::Read || outcome == ExchangeOutcome::Written;
}

QString OutcomeText(ExchangeOutcome outcome) {
    switch (outcome) {
        case ExchangeOutcome::Read:
            return QStringLiteral("Параметры прочитаны");
        case ExchangeOutcome::Written:
            return QStringLiteral("Параметры записаны");
        case ExchangeOutcome::NoAnswer:
            return QStringLiteral("Нет ответа от радиостанции");
        case ExchangeOutcome::ChecksumA:
            return QStringLiteral("Ошибка контрольной суммы.");
        case ExchangeOutcome::ChecksumB:
            return QStringLiteral("Ошибка контрольной суммы");
        case ExchangeOutcome::FirstFrameRefused:
            return QStringLiteral("Ошибка записи каналов радиостанции.");
        case ExchangeOutcome::SecondFrameRefused:
            return QStringLiteral("Ошибка записи в радиостанцию");
        case ExchangeOutcome::LineLost:
            return QStringLiteral("Связь с радиостанцией прервана: устройство отключено.");
    }
    return {};
}

Error ExchangeError(ExchangeOutcome outcome) {
    return {outcome == ExchangeOutcome::LineLost ? ErrorKind::LineLost : ErrorKind::Exchange,
            OutcomeText(outcome)};
}

CommandResult SendCommand(Line& line, std::uint8_t first, std::uint8_t second) {
    CommandResult result;
    line.Write(Bytes(BuildCommandFrame(first, second)));
    for (int read = 0; read < kCommandReplyReads && !line.Lost(); ++read) {
        if (const auto byte = ReadByte(line)) result.replyByte = *byte;
        if (result.replyByte == kAcknowledge) {
            result.acknowledged = true;
            break;
        }
    }
    return result;
}

ReadResult ReadParameters(Line& line, std::uint8_t second, const ProgressCallback& progress) {
    ReadResult result;
    Steps steps(line, progress);
    auto report = [&](LinkStage kind, const QString& stage, int at) {
        steps.Report(kind, stage, at);
    };
    auto fail = [&](ExchangeOutcome outcome) { return steps.Fail(result, outcome); };

    line.PurgeInput();
    report(LinkStage::Request, QStringLiteral("Запрос параметров…"), 0);
    const CommandResult command = SendCommand(line, kReadRequest, second);
    result.replyByte = command.replyByte;
    // A radio that answers late may still send its frame.
    if (!command.acknowledged) return fail(ExchangeOutcome::NoAnswer);

    // The progress bar follows the bytes received, from 5 to 100, and stays where they ended.
    const QString receiving = QStringLiteral("Приём параметров…");
    auto received = [](qint64 bytes) {
        return 5 + static_cast<int>(95 * std::min<qint64>(bytes, kDataFrameSize) / kDataFrameSize);
    };
    report(LinkStage::Receive, receiving, 5);
    line.WaitUntilWaiting(kDataFrameSize, kFramePauseMs, [&](qint64 waiting) {
        report(LinkStage::Receive, receiving, received(waiting));
    });
    const QByteArray got = line.Read(kDataFrameSize);
    result.frameBytes = static_cast<int>(got.size());
    std::copy(got.begin(), got.end(), result.frame.begin());
    report(LinkStage::Receive, receiving, received(got.size()));

    // A short reply never reaches the checksums.
    if (result.frameBytes < kDataFrameSize || AllZero(result.frame))
        return fail(ExchangeOutcome::NoAnswer);
    if (ChecksumA(result.frame) != result.frame[FrameOffset::checksumA])
        return fail(ExchangeOutcome::ChecksumA);
    if (ChecksumB(result.frame) != result.frame[FrameOffset::checksumB])
        return fail(ExchangeOutcome::ChecksumB);
    result.image = ImageFromFrame(result.frame);
    line.PurgeInput();
    result.outcome = ExchangeOutcome::Read;
    return result;
}

WriteResult WriteParameters(Line& line, const ParameterImage& image,
                            const ProgressCallback& progress) {
    WriteResult result;
    Steps steps(line, progress);
    auto report = [&](LinkStage kind, const QString& stage, int at) {
        steps.Report(kind, stage, at);
    };
    auto fail = [&](ExchangeOutcome outcome) { return steps.Fail(result, outcome); };
    // What arrived before a frame went out cannot be its acknowledgement.
    auto send = [&](const DataFrame& frame) {
        result.replyByte = 0;
        line.PurgeInput();
        line.DiscardUntilQuiet(kQuietBeforeFrameMs, kQuietBeforeFrameMaxMs);
        return line.Write(Bytes(frame));
    };

    result.frame = BuildDataFrame(image, kFirstWriteFrame);
    report(LinkStage::WriteChannels, QStringLiteral("Запись каналов…"), 0);
    if (!send(result.frame)) return fail(ExchangeOutcome::FirstFrameRefused);
    report(LinkStage::Acknowledge, QStringLiteral("Ожидание подтверждения…"), 40);
    result.replyByte = AwaitAcknowledge(line);
    if (result.replyByte != kAcknowledge) return fail(ExchangeOutcome::FirstFrameRefused);

    result.frame[FrameOffset::header2] = 0x00;
    result.frame[FrameOffset::sequence] = kSecondWriteFrame;
    result.frame[FrameOffset::checksumB] = ChecksumB(result.frame);
    report(LinkStage::WriteSettings, QStringLiteral("Запись параметров…"), 50);
    if (!send(result.frame)) return fail(ExchangeOutcome::SecondFrameRefused);
    report(LinkStage::Acknowledge, QStringLiteral("Ожидание подтверждения…"), 90);
    result.replyByte = AwaitAcknowledge(line);
    if (result.replyByte != kAcknowledge) return fail(ExchangeOutcome::SecondFrameRefused);
    report(LinkStage::WriteSettings, QStringLiteral("Запись параметров…"), 100);
    result.outcome = ExchangeOutcome::Written;
    return result;
}

}  // namespace belvan
