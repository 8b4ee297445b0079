#pragma once
#include "speech/pcm.h"

struct soxr;

namespace pcm {

// The samples converted from one rate to another with libsoxr (medium
// quality, enough for speech); unchanged when the rates agree.
Samples resample(const Samples &samples, int fromRate, int toRate);

// The same conversion for audio that comes in pieces, as it is made.
class Resampler
{
public:
    Resampler(int fromRate, int toRate);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    // The converted samples that are ready after these.
    Samples take(const Samples &samples);
    // The rest, once the last samples have been given.
    Samples finish();

private:
    Samples run(const qint16 *in, qsizetype count);
    soxr *m_soxr = nullptr; // null: the rates agree
    int m_from;
    int m_to;
};

} // namespace pcm
