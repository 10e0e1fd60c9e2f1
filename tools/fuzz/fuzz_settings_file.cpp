// libFuzzer target: arbitrary bytes as the content of a channel-settings file, through the whole
// load in memory (length and checksum checks, decoding into the plan and the controls), then
// encoded again.
#include <cstdint>
#include <cstdlib>

#include "all_functions.h"

namespace {
class AcceptingOperator : public belvan::OperatorInterface {
  public:
    void ShowMessage(const QString&, const QString&, belvan::MessageIcon) override {}
    belvan::Answer AskYesNoCancel(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Yes;
    }
    belvan::Answer AskYesNo(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Yes;  // load a damaged file anyway
    }
    std::optional<QString> ChooseFileToOpen(const belvan::FileDialogRequest&) override {
        return {};
    }
    std::optional<QString> ChooseFileToSave(const belvan::FileDialogRequest&) override {
        return {};
    }
};

// The program as it stands after start-up, made once; every input starts from a copy of it.
struct StartedProgram {
    StartedProgram() {
        p.op = &op;
        p.ctl.ComboBox1.SetText(QStringLiteral("/nonexistent/fuzz-port"));
        belvan::FormCreate(p);
        controls = p.ctl;
        plan = p.plan;
    }
    void Restart() {
        p.ctl = controls;
        p.plan = plan;
        p.image = {};
        p.BulkUpdateGuard = false;
    }
    AcceptingOperator op;
    belvan::ProgramState p;
    belvan::Controls controls;
    belvan::ChannelPlan plan;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static StartedProgram program;
    program.Restart();
    belvan::ProgramState& p = program.p;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool loaded = belvan::TakeInSettingsFile(p, belvan::SettingsFileFromBytes(bytes),
                                                   QStringLiteral("input.ctrch"))
                            .Succeeded();
    belvan::UpdateToneBoxes(p);

    if (size == belvan::kSettingsFileSize) {
        // A file of the right length is always taken in, whatever its bytes.
        if (!loaded || !p.ctl.caption.startsWith(belvan::kFileCaptionPrefix)) std::abort();
        // What was decoded encodes again without an error, and the carried bytes go out as
        // they came in.
        p.image = belvan::MakeImage(p.plan, p.ctl, p.image)->image;
        if (p.image.settings[belvan::SettingsOffset::carriedBytes] != data[160 + 32]) std::abort();
        for (int c = 0; c < belvan::kChannelCount; ++c)
            if (p.plan[c].flags & belvan::ChannelFlag::Unused || p.plan[c].spare != 0) std::abort();
    } else if (loaded || p.ctl.caption != QStringLiteral("Belvan-T")) {
        std::abort();  // a file of any other length changes nothing
    }
    return 0;
}
