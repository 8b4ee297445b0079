#include "speech/resample.h"

#include <soxr.h>

namespace pcm {

Samples resample(const Samples &samples, int fromRate, int toRate)
{
    if (fromRate == toRate || samples.isEmpty())
        return samples;
    Samples out(qsizetype(double(samples.size()) * toRate / fromRate) + 16);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    size_t done = 0;
    const soxr_error_t error = soxr_oneshot(fromRate, toRate, 1, samples.constData(), size_t(samples.size()),
                                            nullptr, out.data(), size_t(out.size()), &done, &io, &quality,
                                            nullptr);
    if (error)
        return {};
    out.resize(qsizetype(done));
    return out;
}

} // namespace pcm
