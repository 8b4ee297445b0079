#include "speech/jtalktrace.h"

#include "speech/pcm.h"

#include <algorithm>

namespace jtalktrace {

namespace {

// Calls visit(start, end, label) for each line of the "[Output label]"
// section; a line that is no label ends it.
template<typename Visit>
void forEachLabel(QByteArrayView trace, Visit visit)
{
    const qsizetype from = trace.indexOf("[Output label]");
    if (from < 0)
        return;
    const QByteArrayView body = trace.sliced(from);
    qsizetype pos = body.indexOf('\n');
    bool any = false;
    while (pos >= 0 && pos + 1 < body.size()) {
        qsizetype eol = body.indexOf('\n', pos + 1);
        const QByteArrayView line = body.sliced(pos + 1, (eol < 0 ? body.size() : eol) - pos - 1).trimmed();
        pos = eol;
        if (line.isEmpty()) {
            if (any)
                return; // the section ends at its first blank line
            continue;
        }
        const QList<QByteArray> fields = line.toByteArray().split(' ');
        if (fields.size() < 3)
            return;
        bool okStart = false;
        bool okEnd = false;
        const qint64 start = fields[0].toLongLong(&okStart);
        const qint64 end = fields[1].toLongLong(&okEnd);
        if (!okStart || !okEnd || fields[2].isEmpty())
            return;
        any = true;
        visit(start, end, fields[2]);
    }
}

} // namespace

QString phonemeOf(QByteArrayView label)
{
    const qsizetype minus = label.indexOf('-');
    const qsizetype plus = minus < 0 ? -1 : label.sliced(minus + 1).indexOf('+');
    if (plus < 0)
        return QString();
    return QString::fromLatin1(label.sliced(minus + 1, plus));
}

QList<Segment> parse(QByteArrayView trace)
{
    QList<Segment> segments;
    forEachLabel(trace, [&](qint64 start, qint64 end, const QByteArray &label) {
        segments.append({start, end, phonemeOf(label)});
    });
    return segments;
}

QList<QByteArray> labels(QByteArrayView trace)
{
    QList<QByteArray> list;
    forEachLabel(trace, [&](qint64, qint64, const QByteArray &label) { list.append(label); });
    return list;
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
