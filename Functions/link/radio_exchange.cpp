#include "radio_exchange.h"

#include <algorithm>

namespace belvan {

namespace {
constexpr int kCommandReplyReads = 10;  // single-byte reads that may precede the 'O'
constexpr int kAcknowledgeReads = 31;   // single-byte reads of an acknowledgement wait
constexpr int kFramePauseMs = 1700;     // the radio sends its frame meanwhile

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
}  // namespace

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
    auto report = [&](const QString& stage, int done) {
        if (progress) progress({stage, done, 100});
    };
    auto fail = [&](ExchangeOutcome outcome) {
        result.outcome = line.Lost() ? ExchangeOutcome::LineLost : outcome;
        line.PurgeInput();
        return result;
    };

    line.PurgeInput();
    report(QStringLiteral("Запрос параметров…"), 0);
    const CommandResult command = SendCommand(line, kReadRequest, second);
    result.replyByte = command.replyByte;
    if (!command.acknowledged) {
        // The input is left as it is on this path.
        result.outcome = line.Lost() ? ExchangeOutcome::LineLost : ExchangeOutcome::NoAnswer;
        return result;
    }

    // The progress bar follows the bytes received, from 5 to 100.
    const QString receiving = QStringLiteral("Приём параметров…");
    report(receiving, 5);
    line.WaitUntilWaiting(kDataFrameSize, kFramePauseMs, [&](qint64 waiting) {
        report(receiving, 5 + static_cast<int>(95 * std::min<qint64>(waiting, kDataFrameSize) /
                                               kDataFrameSize));
    });
    const QByteArray got = line.Read(kDataFrameSize);
    result.frameBytes = static_cast<int>(got.size());
    std::copy(got.begin(), got.end(), result.frame.begin());
    report(receiving, 100);

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
    auto fail = [&](ExchangeOutcome outcome) {
        result.outcome = line.Lost() ? ExchangeOutcome::LineLost : outcome;
        line.PurgeInput();
        return result;
    };
    line.PurgeInput();

    result.frame = BuildDataFrame(image, kFirstWriteFrame);
    if (progress) progress({QStringLiteral("Запись каналов…"), 0, 100});
    if (!line.Write(Bytes(result.frame))) return fail(ExchangeOutcome::FirstFrameRefused);
    if (progress) progress({QStringLiteral("Ожидание подтверждения…"), 40, 100});
    result.replyByte = AwaitAcknowledge(line);
    if (result.replyByte != kAcknowledge) return fail(ExchangeOutcome::FirstFrameRefused);

    result.frame[FrameOffset::header2] = 0x00;
    result.frame[FrameOffset::sequence] = kSecondWriteFrame;
    result.frame[FrameOffset::checksumB] = ChecksumB(result.frame);
    if (progress) progress({QStringLiteral("Запись параметров…"), 50, 100});
    if (!line.Write(Bytes(result.frame))) return fail(ExchangeOutcome::SecondFrameRefused);
    if (progress) progress({QStringLiteral("Ожидание подтверждения…"), 90, 100});
    result.replyByte = AwaitAcknowledge(line);
    if (result.replyByte != kAcknowledge) return fail(ExchangeOutcome::SecondFrameRefused);
    if (progress) progress({QStringLiteral("Запись параметров…"), 100, 100});
    result.outcome = ExchangeOutcome::Written;
    return result;
}

}  // namespace belvan
