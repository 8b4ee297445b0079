#include "speech/pcm.h"

#include <vector>

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pcm {

namespace {

quint32 le32(QByteArrayView b, qsizetype at) { return qFromLittleEndian<quint32>(b.data() + at); }
quint16 le16(QByteArrayView b, qsizetype at) { return qFromLittleEndian<quint16>(b.data() + at); }

} // namespace

std::optional<Wave> fromWav(QByteArrayView bytes)
{
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return std::nullopt;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const qsizetype size = le32(bytes, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
            if (le16(bytes, body) != 1) // PCM only
                return std::nullopt;
            channels = le16(bytes, body + 2);
            rate = int(le32(bytes, body + 4));
            bits = le16(bytes, body + 14);
        } else if (id == "data") {
            if (channels < 1 || bits != 16 || rate <= 0)
                return std::nullopt;
            const qsizetype available = std::min(size, bytes.size() - body);
            const qsizetype frames = available / (2 * channels);
            Wave wave;
            wave.rate = rate;
            wave.samples.resize(frames);
            for (qsizetype i = 0; i < frames; ++i)
                wave.samples[i] = qint16(le16(bytes, body + i * 2 * channels));
            return wave;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

qsizetype firstSound(const Samples &samples)
{
    const auto it = std::find_if(samples.cbegin(), samples.cend(),
                                 [](qint16 s) { return std::abs(int(s)) > kSilenceLevel; });
    return it - samples.cbegin();
}

qsizetype endOfSound(const Samples &samples)
{
    for (qsizetype i = samples.size(); i > 0; --i)
        if (std::abs(int(samples[i - 1])) > kSilenceLevel)
            return i;
    return 0;
}

bool hasSound(const Samples &samples)
{
    return firstSound(samples) < samples.size();
}

Samples slice(const Samples &samples, qsizetype begin, qsizetype end)
{
    begin = std::clamp<qsizetype>(begin, 0, samples.size());
    end = std::clamp<qsizetype>(end, begin, samples.size());
    return samples.mid(begin, end - begin);
}

void fadeIn(Samples &samples, qsizetype count)
{
    count = std::min(count, samples.size());
    for (qsizetype i = 0; i < count; ++i)
        samples[i] = qint16(samples[i] * double(i) / double(count));
}

void fadeOut(Samples &samples, qsizetype count)
{
    count = std::min(count, samples.size());
    const qsizetype start = samples.size() - count;
    for (qsizetype i = 0; i < count; ++i)
        samples[start + i] = qint16(samples[start + i] * double(count - i) / double(count));
}

Samples cut(const Samples &samples, qsizetype begin, qsizetype end, int rate)
{
    Samples out = slice(samples, begin, end);
    fadeIn(out, samplesIn(kFadeMs, rate));
    return out;
}

Samples trimSilence(const Samples &samples, int rate, int leadMs, int tailMs)
{
    const qsizetype first = firstSound(samples);
    if (first >= samples.size())
        return {};
    return cut(samples, first - samplesIn(leadMs, rate), endOfSound(samples) + samplesIn(tailMs, rate), rate);
}

LeadCut::LeadCut(qsizetype begin, qsizetype end, int rate)
    : m_begin(begin), m_end(end), m_lead(samplesIn(kLeadMs, rate))
{
}

Samples LeadCut::take(qsizetype at, const Samples &samples)
{
    const qsizetype from = std::clamp<qsizetype>(m_begin - at, 0, samples.size());
    const qsizetype to = std::clamp<qsizetype>(m_end - at, from, samples.size());
    if (m_sounding)
        return samples.mid(from, to - from);
    for (qsizetype i = from; i < to; ++i) {
        if (std::abs(int(samples[i])) > kSilenceLevel) {
            m_sounding = true;
            m_held += samples.mid(from, i - from);
            Samples out = m_held.mid(std::max<qsizetype>(0, m_held.size() - m_lead));
            m_held.clear();
            return out + samples.mid(i, to - i);
        }
    }
    m_held += samples.mid(from, to - from);
    if (m_held.size() > 2 * m_lead)
        m_held = m_held.mid(m_held.size() - m_lead);
    return {};
}

Samples LeadCut::finish()
{
    Samples out = m_held.mid(std::max<qsizetype>(0, m_held.size() - m_lead));
    m_held.clear();
    return out;
}

Samples tone(int rate, int frequency, int milliseconds)
{
    Samples s(samplesIn(milliseconds, rate));
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = qint16(6000.0 * std::sin(2.0 * M_PI * frequency * double(i) / rate));
    const qsizetype edge = samplesIn(8, rate);
    fadeIn(s, edge);
    fadeOut(s, edge);
    return s;
}

Samples chime(int rate)
{
    constexpr double strokes[] = {1318.5, 1046.5, 784.0};
    constexpr int strokeMs = 300;
    const qsizetype step = samplesIn(strokeMs, rate);
    const qsizetype ring = samplesIn(strokeMs * 2, rate);
    std::vector<double> mix(size_t(step * 2 + ring), 0.0);
    for (int n = 0; n < 3; ++n)
        for (qsizetype i = 0; i < ring; ++i) {
            const double t = double(i) / rate;
            const double f = strokes[n];
            const double v = std::sin(2 * M_PI * f * t) + 0.5 * std::sin(2 * M_PI * 2 * f * t) * std::exp(-t * 8)
                             + 0.25 * std::sin(2 * M_PI * 3.01 * f * t) * std::exp(-t * 14);
            mix[size_t(n * step + i)] += v * std::exp(-t * 4.5);
        }
    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::abs(v));
    Samples s(qsizetype(mix.size()));
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = qint16(std::lround(mix[size_t(i)] / peak * 30000.0));
    fadeIn(s, samplesIn(2, rate));
    fadeOut(s, samplesIn(20, rate));
    return s;
}

void mixInto(qint16 *samples, qsizetype count, const qint16 *other)
{
    for (qsizetype i = 0; i < count; ++i)
        samples[i] = qint16(std::clamp(int(samples[i]) + int(other[i]), -32768, 32767));
}

} // namespace pcm
