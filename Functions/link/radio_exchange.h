// The read and the write of the parameter image over a line, and the command handshake they
// start with. Each returns what happened; none shows anything.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "line.h"
#include "radio_frame.h"

namespace belvan {

// How an exchange ended: each failure is one row of the table of messages below.
enum class ExchangeOutcome {
    Read,                // "Параметры прочитаны"
    Written,             // "Параметры записаны"
    NoAnswer,            // no 'O' to the read request, a reply cut short, or no frame at all
    ChecksumA,           // "Ошибка контрольной суммы."
    ChecksumB,           // "Ошибка контрольной суммы"
    FirstFrameRefused,   // "Ошибка записи каналов радиостанции."
    SecondFrameRefused,  // "Ошибка записи в радиостанцию"
    LineLost,            // the device went away during the exchange
};

bool Succeeded(ExchangeOutcome outcome);
// What the operator is told, exactly.
QString OutcomeText(ExchangeOutcome outcome);
// A failed exchange as an error: LineLost when the device went away, else Exchange; the text is
// OutcomeText.
Error ExchangeError(ExchangeOutcome outcome);

// The stages of an exchange, in the order they come.
enum class LinkStage {
    Request,        // the read request sent, its 'O' awaited
    Receive,        // the radio's frame coming in
    WriteChannels,  // the first write frame going out
    Acknowledge,    // a write frame's 'O' awaited
    WriteSettings,  // the second write frame going out
    Quiet,          // after a failure: waiting for the line to fall quiet
};

// Where an exchange stands, for a progress bar or line.
struct LinkProgress {
    LinkStage kind = LinkStage::Request;
    QString stage;  // what the link is doing, in the operator's words
    int done = 0;   // 0..total
    int total = 100;
};
using ProgressCallback = std::function<void(const LinkProgress&)>;

struct ReadResult {
    ExchangeOutcome outcome = ExchangeOutcome::NoAnswer;
    ParameterImage image{};  // what the radio sent; only when the read succeeded
    DataFrame frame{};       // the bytes received (zeros beyond what came)
    int frameBytes = 0;      // how many of them came
    std::uint8_t replyByte = 0;
};

struct WriteResult {
    ExchangeOutcome outcome = ExchangeOutcome::FirstFrameRefused;
    DataFrame frame{};  // the last frame sent
    std::uint8_t replyByte = 0;
};

struct CommandResult {
    bool acknowledged = false;
    std::uint8_t replyByte = 0;  // the last byte received, 0 when none came
};

inline constexpr int kCommandReplyReads = 10;  // single-byte reads that may precede the 'O'
inline constexpr int kAcknowledgeReads = 31;   // single-byte reads of an acknowledgement wait
inline constexpr int kFramePauseMs = 1700;     // the radio sends its frame meanwhile
// The longest that input is dropped before a write frame, and after a failure, on a line that
// never falls quiet.
inline constexpr int kQuietBeforeFrameMaxMs = 300;
inline constexpr int kQuietAfterFailureMaxMs = 3000;
// The longest a read or a write can hold the line, whatever the other end does.
inline constexpr int kLongestReadMs = kCommandReplyReads * (kReadBaseMs + 1) + kFramePauseMs +
                                      kReadBaseMs + kDataFrameSize + kQuietAfterFailureMaxMs;
inline constexpr int kLongestWriteMs =
    2 * (kQuietBeforeFrameMaxMs + kAcknowledgeReads * (kReadBaseMs + 1)) + kQuietAfterFailureMaxMs;

// Sends the command frame and waits for the radio's 'O' (at most ten single-byte reads).
CommandResult SendCommand(Line& line, std::uint8_t first, std::uint8_t second);
// The read request; the pause while the radio sends, which ends as soon as the whole frame is in
// and lasts at most 1700 ms; the 260-byte frame and its two checksums.
ReadResult ReadParameters(Line& line, std::uint8_t second, const ProgressCallback& progress = {});
// Drops what arrives until the line has been quiet for half a second (at most 3 s in all): after a
// failure, the rest of a late or broken reply must not be taken for anything later.
void DiscardStrayInput(Line& line);
// The image in two frames, each acknowledged by 'O'.
WriteResult WriteParameters(Line& line, const ParameterImage& image,
                            const ProgressCallback& progress = {});

}  // namespace belvan
