// The program-wide state: fixed-size, created zeroed at start, kept until exit. The window owns
// one instance and every operation receives it, so each test starts from a fresh program.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "image/parameter_image.h"
#include "operator_interface.h"
#include "plan/channel_entry.h"
#include "plan/controls.h"

namespace belvan {

class LinkRequests;

inline constexpr int kFrameSize = 260;
inline constexpr int kFileSize = 255;

// The exchange with the radio under way, if any.
enum class Exchange { None, Reading, Writing, Verifying };

struct ProgramState {
    ProgramState();
    ~ProgramState();
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    ChannelPlan plan{};  // the 16 channel records; all zero until start-up clears them
    ParameterImage image{};
    std::array<std::uint8_t, kFrameSize> FrameBuffer{};
    std::uint8_t ReplyByte = 0;
    std::array<std::uint8_t, kFileSize> FileBuffer{};
    bool BulkUpdateGuard = false;
    QString CellPrefix = QStringLiteral("    ");
    Controls ctl = DesignControls();

    // The radio link: the port, the watch's polls and the exchanges are asked of it.
    LinkRequests* link = nullptr;
    Exchange exchange = Exchange::None;
    quint64 pollTicket = 0;        // the number of the last poll asked for
    bool pollAwaited = false;      // its answer is still wanted
    int selectionBeforeRead = -1;  // the channel list's selection, given back by a failed read
    bool verifyAfterWrite = false;  // "Проверять после записи": a write is read back and compared
    QString backupFolder;  // where reads are kept; the user's data folder when empty
    QString statusLine;    // the window's status line: the last backup, or why none

    // The last names chosen in the two file dialogs.
    QString saveDialogName;
    QString openDialogName;
    // The last channel list chosen for a CSV export or import.
    QString csvDialogName;

    OperatorInterface* op = nullptr;  // set by the owner before any operation runs

    OperatorInterface& Operator() const { return *op; }
    ChannelEntry& Channel(int index) { return plan[static_cast<std::size_t>(index)]; }
};

}  // namespace belvan
