// libFuzzer target: arbitrary bytes as a channel-settings file, through the whole load (length
// and checksum checks, decoding into the plan and the controls), then encoded again.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <deque>

#include "Functions.h"

namespace {
class AcceptingOperator : public belvan::OperatorInterface {
  public:
    QString file;
    void ShowMessage(const QString&, const QString&, belvan::MessageIcon) override {}
    belvan::Answer AskYesNoCancel(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Yes;
    }
    belvan::Answer AskYesNo(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Yes;  // load a damaged file anyway
    }
    std::optional<QString> ChooseFileToOpen(const belvan::FileDialogRequest&) override {
        return file;
    }
    std::optional<QString> ChooseFileToSave(const belvan::FileDialogRequest&) override {
        return {};
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.ctrch"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    belvan::ProgramState p;
    AcceptingOperator op;
    op.file = path;
    p.op = &op;
    p.ctl.ComboBox1.SetText(QStringLiteral("/nonexistent/fuzz-port"));
    belvan::FormCreate(p);
    belvan::Button12Click(p);

    if (size == belvan::kSettingsFileSize) {
        // A file of the right length is always taken in, whatever its bytes.
        if (!p.ctl.caption.startsWith(belvan::kFileCaptionPrefix)) std::abort();
        // What was decoded encodes again without an error, and the carried bytes go out as
        // they came in.
        belvan::RefreshInUseFlags(p);
        belvan::EncodeSettings(p);
        belvan::CopyChannelsToImage(p);
        if (p.image.settings[belvan::SettingsOffset::carriedBytes] != data[160 + 32]) std::abort();
        for (int c = 0; c < belvan::kChannelCount; ++c)
            if (p.plan[c].flags & belvan::ChannelFlag::Unused || p.plan[c].spare != 0) std::abort();
    } else if (p.ctl.caption != QStringLiteral("Belvan-T")) {
        std::abort();  // a file of any other length changes nothing
    }
    return 0;
}
