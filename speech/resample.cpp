#include "speech/resample.h"

#include <soxr.h>

namespace pcm {

namespace {

const soxr_io_spec_t kIo = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
const soxr_quality_spec_t kQuality = soxr_quality_spec(SOXR_MQ, 0);

} // namespace

Samples resample(const Samples &samples, int fromRate, int toRate)
{
    if (fromRate == toRate || samples.isEmpty())
        return samples;
    Samples out(qsizetype(double(samples.size()) * toRate / fromRate) + 16);
    size_t done = 0;
    const soxr_error_t error = soxr_oneshot(fromRate, toRate, 1, samples.constData(), size_t(samples.size()),
                                            nullptr, out.data(), size_t(out.size()), &done, &kIo, &kQuality,
                                            nullptr);
    if (error)
        return {};
    out.resize(qsizetype(done));
    return out;
}

Resampler::Resampler(int fromRate, int toRate) : m_from(fromRate), m_to(toRate)
{
    if (fromRate == toRate)
        return;
    soxr_error_t error = nullptr;
    m_soxr = soxr_create(fromRate, toRate, 1, &error, &kIo, &kQuality, nullptr);
    if (error)
        m_soxr = nullptr;
}

Resampler::~Resampler()
{
    if (m_soxr)
        soxr_delete(m_soxr);
}

Samples Resampler::run(const qint16 *in, qsizetype count)
{
    Samples out;
    // With no input the converter gives out what it holds, a piece at a time.
    for (;;) {
        Samples piece(qsizetype(double(count) * m_to / m_from) + 256);
        size_t used = 0;
        size_t done = 0;
        if (soxr_process(m_soxr, in, size_t(count), &used, piece.data(), size_t(piece.size()), &done))
            return out;
        piece.resize(qsizetype(done));
        out += piece;
        if (!in) {
            if (done == 0)
                return out;
            continue;
        }
        in += used;
        count -= qsizetype(used);
        if (count == 0 || (used == 0 && done == 0))
            return out;
    }
}

Samples Resampler::take(const Samples &samples)
{
    if (m_from == m_to)
        return samples;
    if (!m_soxr || samples.isEmpty())
        return {};
    return run(samples.constData(), samples.size());
}

Samples Resampler::finish()
{
    return m_soxr ? run(nullptr, 0) : Samples{};
}

} // namespace pcm
