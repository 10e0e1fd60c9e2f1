// The program-wide state: fixed-size, created zeroed at start, kept until exit. The window owns
// one instance and every operation receives it, so each test starts from a fresh program.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "image/parameter_image.h"
#include "operator_interface.h"
#include "plan/channel_entry.h"
#include "plan/controls.h"

namespace belvan {

class SerialPort;

inline constexpr int kFrameSize = 260;
inline constexpr int kFileSize = 255;

// Where a radio exchange stands, for a progress bar or line.
struct LinkProgress {
    QString stage;  // what the link is doing, in the operator's words
    int done = 0;   // 0..total
    int total = 100;
};
using ProgressCallback = std::function<void(const LinkProgress&)>;

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

    // The serial device; null until the first port is opened.
    std::unique_ptr<SerialPort> PortHandle;

    // The last names chosen in the two file dialogs.
    QString saveDialogName;
    QString openDialogName;
    // The last channel list chosen for a CSV export or import.
    QString csvDialogName;

    OperatorInterface* op = nullptr;  // set by the owner before any operation runs
    // Called during every wait of an exchange (every few ms), so the window can repaint.
    ProgressCallback progress;

    OperatorInterface& Operator() const { return *op; }
    ChannelEntry& Channel(int index) { return plan[static_cast<std::size_t>(index)]; }
};

}  // namespace belvan
