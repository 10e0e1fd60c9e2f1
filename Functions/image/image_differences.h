// What differs between two parameter images, in the operator's words: which channels and which
// radio-wide settings, with both values. Used to check what a radio holds after a write.
#pragma once

#include <QStringList>

#include "parameter_image.h"

namespace belvan {

// One line per channel and per settings byte that differs: "канал 03: частота приёма 146025 →
// 146050 кГц". Empty when the images are the same.
QStringList ImageDifferences(const ParameterImage& expected, const ParameterImage& actual);
// The name of a settings byte ("время ожидания", "F1, функция 2").
QString SettingsByteName(int offset);

}  // namespace belvan
