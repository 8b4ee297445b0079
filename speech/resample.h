#pragma once
#include "speech/pcm.h"

namespace pcm {

// The samples converted from one rate to another with libsoxr (medium
// quality, enough for speech); unchanged when the rates agree.
Samples resample(const Samples &samples, int fromRate, int toRate);

} // namespace pcm
