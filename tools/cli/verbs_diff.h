// The command that compares: two channel-settings files, or what a radio holds with a file.
#pragma once

#include <QStringList>

namespace belvan::cli {

// The exit codes of diff, which answers a question instead of doing a job.
namespace DiffExit {
inline constexpr int Same = 0;
inline constexpr int Different = 1;
inline constexpr int Trouble = 2;  // a file, the port or the radio let the comparison down
}  // namespace DiffExit

int RunDiff(const QStringList& arguments);

}  // namespace belvan::cli
