#include "parameter_image.h"

#include <algorithm>

namespace belvan {

QString OperatingModeName(std::uint8_t mode) {
    switch (mode) {
        case OperatingMode::Working:
            return QStringLiteral("Рабочий режим");
        case OperatingMode::Adjustment:
            return QStringLiteral("Настройка");
        case OperatingMode::Test:
            return QStringLiteral("Тест");
        case OperatingMode::RunIn:
            return QStringLiteral("Прогон");
        default:
            return {};
    }
}

std::array<std::uint8_t, kImageSize> ParameterImage::Bytes() const {
    std::array<std::uint8_t, kImageSize> bytes{};
    std::copy(channels.begin(), channels.end(), bytes.begin());
    std::copy(settings.begin(), settings.end(), bytes.begin() + kChannelBlockSize);
    return bytes;
}

ParameterImage ParameterImage::FromBytes(const std::uint8_t* bytes) {
    ParameterImage image;
    std::copy(bytes, bytes + kChannelBlockSize, image.channels.begin());
    std::copy(bytes + kChannelBlockSize, bytes + kImageSize, image.settings.begin());
    return image;
}

ChannelEntry ParameterImage::Record(int index) const {
    return ChannelEntry::FromBytes(channels.data() + index * kChannelRecordSize);
}

void ParameterImage::SetRecord(int index, const ChannelEntry& entry) {
    const auto bytes = entry.ToBytes();
    std::copy(bytes.begin(), bytes.end(), channels.begin() + index * kChannelRecordSize);
}

std::uint16_t ParameterImage::SettingsWord(int offset) const {
    return static_cast<std::uint16_t>(settings[offset] | (settings[offset + 1] << 8));
}

void ParameterImage::SetSettingsWord(int offset, std::uint16_t value) {
    settings[offset] = static_cast<std::uint8_t>(value & 0xFF);
    settings[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace belvan
