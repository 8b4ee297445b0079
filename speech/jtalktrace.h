#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// The timing file Open JTalk writes beside its audio (option -ot): the
// "[Output label]" section lists every phoneme with its start and end in
// units of 100 ns. From it the silence Open JTalk puts before and after
// every utterance is cut away exactly, without guessing from the samples.
namespace jtalktrace {

struct Segment
{
    qint64 start = 0; // 100 ns units
    qint64 end = 0;
    QString phoneme;  // "sil" and "pau" are pauses
    bool isPause() const { return phoneme == u"sil" || phoneme == u"pau"; }
};

QList<Segment> parse(QByteArrayView trace);
// The full-context labels of the section alone, in order, without times:
// what the synthesis engine takes to make the same utterance.
QList<QByteArray> labels(QByteArrayView trace);
// The phoneme a label stands for: "xx^xx-sil+a=sil/A:..." gives "sil".
QString phonemeOf(QByteArrayView label);

struct Range
{
    qsizetype begin = 0; // first sample kept
    qsizetype end = 0;   // one past the last sample kept
};

// The samples to keep of an utterance of total samples at rate: from the
// end of the first pause less pcm::kLeadMs to the start of the last pause
// plus pcm::kTailMs. Nothing when the timing holds no voiced segment.
std::optional<Range> speechRange(const QList<Segment> &segments, int rate, qsizetype total);

} // namespace jtalktrace
