// What differs between two parameter images, in the operator's words: which channels and which
// radio-wide settings, with both values as the window names them. Used to check what a radio
// holds after a write, to compare the plan on screen with the radio, and by `belvan-cli diff`.
#pragma once

#include <QStringList>

#include "parameter_image.h"

namespace belvan {

// One line per channel that differs, its settings joined by commas ("канал 03: шаг: 12,5 →
// 25 кГц, сканирование: нет → да"), then one line per radio-wide setting ("время ожидания: 5 →
// 10 с", "F1, функция 1: нет функции → ШП"). Empty when the images are the same.
QStringList ImageDifferences(const ParameterImage& expected, const ParameterImage& actual);

}  // namespace belvan
