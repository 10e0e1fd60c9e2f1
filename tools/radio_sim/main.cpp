// belvan-radio-sim: a Belvan-T radio on a pseudo-terminal, for trying the programming tool and
// its tests without the radio. See Usage() below for the options and the stdin commands.
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "default_image.h"
#include "faults.h"
#include "files/settings_file.h"
#include "simulated_radio.h"

using namespace belvan;
using namespace belvan::sim;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitSystem = 1;
constexpr int kExitUsage = 2;  // also a bad --image file
constexpr int kExitHungUp = 3;

struct Options {
    std::string linkPath;
    std::string imageFile;
    std::string saveFile;
    FaultSetting fault;
    int latencyMs = 0;
    bool pacing = true;
    bool announce = true;
    bool help = false;
    bool version = false;
};

void Usage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: belvan-radio-sim [options]\n"
        "\n"
        "Simulates a Belvan-T radio on a pseudo-terminal. The first line on stdout is\n"
        "'PTY <device>'; open that device at 9600 baud as if it were the radio's port.\n"
        "Every byte goes out at the radio's line rate, 9600 baud with 10 bits a byte\n"
        "(about 1.04 ms a byte; the 'O' and the 260-byte frame of a read take 272 ms),\n"
        "and the radio answers what it receives only when that would have arrived at\n"
        "that rate (a write frame 271 ms after its first byte).\n"
        "\n"
        "options:\n"
        "  --link PATH         also make PATH a symbolic link to the device\n"
        "  --image FILE        start with the image of a .ctrch file (default: a demo plan)\n"
        "  --save FILE         write the held image to FILE after each write and on exit\n"
        "  --no-pacing         send each reply in one piece and answer at once instead\n"
        "                      (for quick tests)\n"
        "  --latency MS        silence between the 'O' to a read request and the frame\n"
        "                      (default 0)\n"
        "  --fault NAME        misbehave from the start (default none); see the faults below\n"
        "  --late-ms MS        delay of the 'O' under the late fault (default 1500)\n"
        "  --noise-count N     stray bytes before the 'O' under the noise fault (default 3)\n"
        "  --short-count N     bytes of the frame sent under short-frame (default 200)\n"
        "  --no-announce       no announcement at start-up or when a client opens the line\n"
        "  --help              this text\n"
        "  --version           the program's version\n"
        "\n"
        "faults:\n"
        "%s"
        "\n"
        "commands on stdin, one per line, each answered by a line starting 'ok' or 'error':\n"
        "  announce            send the 23-byte announcement, as a radio just plugged in\n"
        "                      does; also while a client holds the line open and after a\n"
        "                      write (waits for any exchange under way to end)\n"
        "  swap [FILE]         another radio plugged in instead, holding FILE's image (or\n"
        "                      the same image): what the one before was sending is cut\n"
        "                      off and the new one announces at once\n"
        "  fault NAME [N]      change the fault; N sets the late delay in ms, the noise\n"
        "                      count or the short-frame length\n"
        "  save FILE           write the held image as a .ctrch file\n"
        "  image FILE          load the held image from a .ctrch file\n"
        "  dump                print 'IMAGE <388 hex digits>' of the held image\n"
        "  quit                end the program\n"
        "SIGUSR1 announces as the announce command does; SIGTERM and SIGINT end the\n"
        "program. The log goes to stderr.\n"
        "Exit codes: 0 done, 1 system failure, 2 bad option or file, 3 hung up by fault.\n",
        FaultDescriptions().c_str());
}

bool ParseNumber(std::string_view text, int low, int high, int* value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

// Sets the number that goes with a fault; names the range on failure.
bool SetFaultNumber(const std::string& option, std::string_view text, FaultSetting* setting,
                    std::string* error) {
    struct Range {
        const char* option;
        int low, high;
        int FaultSetting::*field;
    };
    static const Range kRanges[] = {
        {"--late-ms", 0, 60000, &FaultSetting::lateMs},
        {"--noise-count", 1, 4096, &FaultSetting::noiseCount},
        {"--short-count", 0, kDataFrameSize - 1, &FaultSetting::shortCount}};
    for (const auto& range : kRanges) {
        if (option != range.option) continue;
        if (ParseNumber(text, range.low, range.high, &(setting->*range.field))) return true;
        *error = option + " takes a whole number from " + std::to_string(range.low) + " to " +
                 std::to_string(range.high);
        return false;
    }
    *error = "unknown option " + option;
    return false;
}

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        bool hasValue = false;
        if (const auto equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        if (option == "--help" || option == "-h") {
            options->help = true;
            continue;
        }
        if (option == "--version") {
            options->version = true;
            continue;
        }
        if (option == "--no-announce") {
            options->announce = false;
            continue;
        }
        if (option == "--no-pacing") {
            options->pacing = false;
            continue;
        }
        static const char* const kWithValue[] = {"--link",        "--image",   "--save",
                                                 "--fault",       "--late-ms", "--noise-count",
                                                 "--short-count", "--latency"};
        if (std::find_if(std::begin(kWithValue), std::end(kWithValue), [&](const char* name) {
                return option == name;
            }) == std::end(kWithValue)) {
            *error = "unknown option " + option;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                *error = option + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (option == "--link") {
            options->linkPath = value;
        } else if (option == "--image") {
            options->imageFile = value;
        } else if (option == "--save") {
            options->saveFile = value;
        } else if (option == "--fault") {
            const auto fault = FaultFromName(value);
            if (!fault) {
                *error = "unknown fault '" + value + "'; known: " + AllFaultNames();
                return false;
            }
            options->fault.fault = *fault;
        } else if (option == "--latency") {
            if (!ParseNumber(value, 0, 60000, &options->latencyMs)) {
                *error = "--latency takes a whole number of ms from 0 to 60000";
                return false;
            }
        } else if (!SetFaultNumber(option, value, &options->fault, error)) {
            return false;
        }
    }
    return true;
}

void Log(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

void Say(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

// Reads a .ctrch file; returns the empty text or why the file is no good.
std::string LoadImageFile(const std::string& path, ParameterImage* image) {
    const Result<FileBytes> result = ReadSettingsFile(QString::fromStdString(path));
    if (!result) return path + ": " + result.error().text.toStdString();
    if (!FileChecksumMatches(*result)) return path + ": the file checksum does not match";
    *image = ImageFromFileBytes(*result);
    return {};
}

std::string SaveImageFile(const std::string& path, const ParameterImage& image) {
    const Status saved = WriteSettingsFile(QString::fromStdString(path), BuildFileBytes(image));
    return saved ? std::string() : path + ": " + saved.error().text.toStdString();
}

std::string ImageHex(const ParameterImage& image) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : image.Bytes()) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

bool MakeLink(const std::string& linkPath, const std::string& device, std::string* error) {
    struct stat info {};
    if (::lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            *error = linkPath + " exists and is not a symbolic link; not replacing it";
            return false;
        }
        ::unlink(linkPath.c_str());  // left behind by an earlier run
    }
    if (::symlink(device.c_str(), linkPath.c_str()) != 0) {
        *error = linkPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RemoveLink(const std::string& linkPath, const std::string& device) {
    char target[4096];
    const ssize_t length = ::readlink(linkPath.c_str(), target, sizeof target - 1);
    if (length < 0) return;
    if (std::string(target, static_cast<std::size_t>(length)) == device) ::unlink(linkPath.c_str());
}

class Program {
  public:
    Program(Options options, SimulatedRadio& radio) : options_(std::move(options)), radio_(radio) {}

    // Answers one stdin line; sets quit_ on "quit".
    void Command(std::string line, Clock::time_point now) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const auto start = line.find_first_not_of(' ');
        if (start == std::string::npos) return;
        line.erase(0, start);
        const auto space = line.find(' ');
        const std::string word = line.substr(0, space);
        std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        rest.erase(0, std::min(rest.size(), rest.find_first_not_of(' ')));

        if (word == "announce") {
            Say(radio_.RequestAnnouncement(now, true) ? "ok announced"
                                                      : "ok announcing when the exchange ends");
        } else if (word == "swap") {
            std::optional<ParameterImage> image;
            if (!rest.empty()) {
                ParameterImage loaded;
                const std::string error = LoadImageFile(rest, &loaded);
                if (!error.empty()) return Say("error " + error);
                image = loaded;
            }
            radio_.Swap(now, image);
            Say("ok swapped");
        } else if (word == "fault") {
            SetFault(rest);
        } else if (word == "save") {
            if (rest.empty()) return Say("error save needs a file name");
            const std::string error = SaveImageFile(rest, radio_.Image());
            Say(error.empty() ? "ok saved " + rest : "error " + error);
        } else if (word == "image") {
            if (rest.empty()) return Say("error image needs a file name");
            ParameterImage image;
            const std::string error = LoadImageFile(rest, &image);
            if (!error.empty()) return Say("error " + error);
            radio_.SetImage(image);
            Log("IMAGE loaded from " + rest);
            Say("ok loaded " + rest);
        } else if (word == "dump") {
            Say("IMAGE " + ImageHex(radio_.Image()));
            Say("ok");
        } else if (word == "quit") {
            Say("ok");
            quit_ = true;
        } else {
            Say("error unknown command '" + word + "'");
        }
    }

    void SaveOnExit() {
        if (options_.saveFile.empty()) return;
        const std::string error = SaveImageFile(options_.saveFile, radio_.Image());
        Log(error.empty() ? "SAVED " + options_.saveFile : "SAVE failed: " + error);
    }

    bool quit_ = false;

  private:
    void SetFault(const std::string& arguments) {
        const auto space = arguments.find(' ');
        const std::string name = arguments.substr(0, space);
        const auto fault = FaultFromName(name);
        if (!fault) return Say("error unknown fault '" + name + "'; known: " + AllFaultNames());
        FaultSetting setting = radio_.CurrentFault();
        setting.fault = *fault;
        if (space != std::string::npos) {
            const char* option = *fault == Fault::Late         ? "--late-ms"
                                 : *fault == Fault::Noise      ? "--noise-count"
                                 : *fault == Fault::ShortFrame ? "--short-count"
                                                               : nullptr;
            if (option == nullptr) return Say("error fault " + name + " takes no number");
            std::string error;
            if (!SetFaultNumber(option, arguments.substr(space + 1), &setting, &error))
                return Say("error " + error);
        }
        radio_.SetFault(setting);
        Log("FAULT " + name);
        Say("ok fault " + name);
    }

    Options options_;
    SimulatedRadio& radio_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "belvan-radio-sim: %s (try --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        Usage(stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("belvan-radio-sim %s\n", BELVAN_VERSION);
        return kExitOk;
    }

    ParameterImage image = DefaultImage();
    if (!options.imageFile.empty()) {
        error = LoadImageFile(options.imageFile, &image);
        if (!error.empty()) {
            std::fprintf(stderr, "belvan-radio-sim: cannot use --image %s\n", error.c_str());
            return kExitUsage;
        }
    }

    // Signals arrive through a descriptor so that the poll loop sees them in turn.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t handled;
    sigemptyset(&handled);
    for (const int number : {SIGUSR1, SIGTERM, SIGINT, SIGHUP}) sigaddset(&handled, number);
    sigprocmask(SIG_BLOCK, &handled, nullptr);
    const int signalFd = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::fprintf(stderr, "belvan-radio-sim: signalfd: %s\n", std::strerror(errno));
        return kExitSystem;
    }

    auto radio = SimulatedRadio::Open(Log, &error);
    if (!radio) {
        std::fprintf(stderr, "belvan-radio-sim: %s\n", error.c_str());
        return kExitSystem;
    }
    radio->SetImage(image);
    radio->SetFault(options.fault);
    radio->SetPacing(options.pacing);
    radio->SetLatency(std::chrono::milliseconds(options.latencyMs));
    radio->SetAutomaticAnnouncements(options.announce);
    const std::string saveFile = options.saveFile;
    radio->OnImageKept([&saveFile](const ParameterImage& kept) {
        if (saveFile.empty()) return;
        const std::string failure = SaveImageFile(saveFile, kept);
        Log(failure.empty() ? "SAVED " + saveFile : "SAVE failed: " + failure);
    });

    const std::string device = radio->DevicePath();
    const std::string linkPath = options.linkPath;
    if (!linkPath.empty() && !MakeLink(linkPath, device, &error)) {
        std::fprintf(stderr, "belvan-radio-sim: --link %s\n", error.c_str());
        return kExitUsage;
    }
    Say("PTY " + device);
    Log("READY " + device + " fault " + std::string(FaultName(options.fault.fault)) +
        (options.pacing ? " paced" : " unpaced") + " latency " + std::to_string(options.latencyMs) +
        " ms");

    Program program(options, *radio);
    if (options.announce) radio->RequestAnnouncement(Clock::now(), false);

    int exitCode = kExitOk;
    bool stdinOpen = true;
    std::string input;
    while (!program.quit_) {
        auto now = Clock::now();
        radio->OnTimer(now);
        if (radio->HungUp()) {
            exitCode = kExitHungUp;
            break;
        }
        // Paced output wakes the loop for each byte, so the wait is kept finer than a ms.
        const auto wait = std::clamp<std::chrono::nanoseconds>(radio->NextWakeUp(now) - now,
                                                               std::chrono::nanoseconds(0),
                                                               std::chrono::milliseconds(50));
        const timespec timeout{0, static_cast<long>(wait.count())};
        pollfd fds[3] = {{radio->MasterFd(), POLLIN, 0},
                         {signalFd, POLLIN, 0},
                         {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::ppoll(fds, 3, &timeout, nullptr) < 0) {
            if (errno == EINTR) continue;
            Log(std::string("poll: ") + std::strerror(errno));
            exitCode = kExitSystem;
            break;
        }
        now = Clock::now();
        if (fds[0].revents & POLLIN) radio->OnReadable(now);
        if (radio->HungUp()) {
            exitCode = kExitHungUp;
            break;
        }
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            while (::read(signalFd, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGUSR1) {
                    Log("SIGNAL USR1");
                    radio->RequestAnnouncement(now, true);
                } else {
                    Log("SIGNAL " + std::string(strsignal(static_cast<int>(info.ssi_signo))));
                    program.quit_ = true;
                }
            }
        }
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (count <= 0) {
                // The end of stdin is not a quit: the simulator may run in the background.
                stdinOpen = false;
            } else {
                input.append(buffer, static_cast<std::size_t>(count));
                std::size_t end;
                while (!program.quit_ && (end = input.find('\n')) != std::string::npos) {
                    const std::string line = input.substr(0, end);
                    input.erase(0, end + 1);
                    program.Command(line, now);
                }
            }
        }
    }

    program.SaveOnExit();
    if (!linkPath.empty()) RemoveLink(linkPath, device);
    Log(exitCode == kExitHungUp ? "EXIT hung up" : "EXIT");
    return exitCode;
}
