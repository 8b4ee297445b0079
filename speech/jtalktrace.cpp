#include "speech/jtalktrace.h"

#include "speech/pcm.h"

#include <algorithm>

namespace jtalktrace {

QList<Segment> parse(QByteArrayView trace)
{
    QList<Segment> segments;
    const qsizetype from = trace.indexOf("[Output label]");
    if (from < 0)
        return segments;
    const QByteArrayView body = trace.sliced(from);
    qsizetype pos = body.indexOf('\n');
    while (pos >= 0 && pos + 1 < body.size()) {
        qsizetype eol = body.indexOf('\n', pos + 1);
        const QByteArrayView line = body.sliced(pos + 1, (eol < 0 ? body.size() : eol) - pos - 1).trimmed();
        pos = eol;
        if (line.isEmpty()) {
            if (!segments.isEmpty())
                break; // the section ends at its first blank line
            continue;
        }
        const QList<QByteArray> fields = line.toByteArray().split(' ');
        if (fields.size() < 3)
            break;
        bool okStart = false;
        bool okEnd = false;
        Segment s;
        s.start = fields[0].toLongLong(&okStart);
        s.end = fields[1].toLongLong(&okEnd);
        if (!okStart || !okEnd)
            break;
        // "xx^xx-sil+a=sil/A:...": the phoneme sits between '-' and '+'.
        const QByteArray &label = fields[2];
        const qsizetype minus = label.indexOf('-');
        const qsizetype plus = label.indexOf('+', minus + 1);
        if (minus >= 0 && plus > minus)
            s.phoneme = QString::fromLatin1(label.mid(minus + 1, plus - minus - 1));
        segments.append(s);
    }
    return segments;
}

std::optional<Range> speechRange(const QList<Segment> &segments, int rate, qsizetype total)
{
    const auto firstVoiced = std::find_if(segments.cbegin(), segments.cend(),
                                          [](const Segment &s) { return !s.isPause(); });
    if (firstVoiced == segments.cend() || rate <= 0)
        return std::nullopt;
    const auto lastVoiced = std::find_if(segments.crbegin(), segments.crend(),
                                         [](const Segment &s) { return !s.isPause(); });
    const auto toSample = [rate](qint64 units) { return qsizetype(units * rate / 10'000'000); };
    Range r;
    r.begin = std::max<qsizetype>(0, toSample(firstVoiced->start) - pcm::samplesIn(pcm::kLeadMs, rate));
    r.end = std::min<qsizetype>(total, toSample(lastVoiced->end) + pcm::samplesIn(pcm::kTailMs, rate));
    if (r.end <= r.begin)
        return std::nullopt;
    return r;
}

} // namespace jtalktrace
