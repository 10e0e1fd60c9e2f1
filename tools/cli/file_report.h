// A parameter image in the operator's words: the channel table and the radio-wide settings as
// text, or every value as JSON.
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

#include "files/settings_file.h"
#include "image/parameter_image.h"

namespace belvan::cli {

// The 16 channels, one row each; an empty channel shows only its number.
QString ChannelTable(const ParameterImage& image);
// The radio-wide settings, one "name: value" line each.
QString SettingsText(const ParameterImage& image);
// The raw numbers of every record and setting, with the readable texts beside them.
QJsonObject FileJson(const FileBytes& bytes);

// The offset of the first filler byte (194..253) that is not 0xFF, if any.
std::optional<int> FirstFillerFault(const FileBytes& bytes);

// Text helpers, shared with the verbs.
QString OperatingModeText(std::uint8_t mode);
QString KeyFunctionText(std::uint8_t code);
QString DetectionText(const ChannelEntry& entry);
// A duration of `count` units of `unitMs`, in whole `per`-ms units when exact, else to three
// decimals with the raw number beside it: "2 с", "2,005 с (401)".
QString DurationText(unsigned count, unsigned unitMs, unsigned per, const QString& unitName);
QString HexByte(std::uint8_t byte);

}  // namespace belvan::cli
