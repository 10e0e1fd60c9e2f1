// The image the simulated radio holds when it is not given a file: a small, plausible plan.
#pragma once

#include "image/parameter_image.h"

namespace belvan::sim {

// Channel 1 receives 150.000 MHz and transmits 150.025 MHz on the 25 kHz grid with CTCSS tone 7;
// channels 2..6 mix scanning, masking, carrier detection and 12.5 kHz half-kHz frequencies;
// channels 7..16 are empty. Wait time 2 s, longest transmission 3 min, transmit-off time 30 s.
ParameterImage DefaultImage();

}  // namespace belvan::sim
