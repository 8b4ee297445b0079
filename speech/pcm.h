#pragma once
#include <QByteArray>
#include <QList>
#include <optional>

// Speech audio as it travels inside the program: 16-bit signed samples, one
// channel, at the session's sample rate.
using Samples = QList<qint16>;

namespace pcm {

// A sample louder than this counts as sound; quieter ones as silence.
constexpr int kSilenceLevel = 256;
// How much silence is kept before the voice starts, and after it ends (so
// queued texts flow without a gap).
constexpr int kLeadMs = 15;
constexpr int kTailMs = 150;
// The fade-in at a cut.
constexpr int kFadeMs = 5;

struct Wave
{
    int rate = 0;
    Samples samples;
};

// The samples of a RIFF/WAVE file of 16-bit PCM; a file with several
// channels gives its first channel. Nothing for anything else.
std::optional<Wave> fromWav(QByteArrayView bytes);

// Index of the first sample louder than kSilenceLevel, or size() when none.
qsizetype firstSound(const Samples &samples);
// One past the last sample louder than kSilenceLevel, or 0 when none.
qsizetype endOfSound(const Samples &samples);
bool hasSound(const Samples &samples);

// The samples from begin to end (clamped to the audio).
Samples slice(const Samples &samples, qsizetype begin, qsizetype end);
// Linear ramps over the first or last count samples, so a cut starts and
// ends without a click.
void fadeIn(Samples &samples, qsizetype count);
void fadeOut(Samples &samples, qsizetype count);

// Number of samples in the given milliseconds at a rate.
constexpr qsizetype samplesIn(int milliseconds, int rate) { return qsizetype(rate) * milliseconds / 1000; }

// The samples from begin to end with a kFadeMs fade-in at the cut.
Samples cut(const Samples &samples, qsizetype begin, qsizetype end, int rate);
// Cut by level: from the first sound less leadMs to the last sound plus
// tailMs; empty when there is no sound at all.
Samples trimSilence(const Samples &samples, int rate, int leadMs, int tailMs);

// Cuts an utterance to its speech as it is made, piece by piece, exactly as
// the whole would be cut: the samples from begin to end (positions in the
// utterance), less the silence before the first sound beyond kLeadMs (a
// stop's closure: at the start of an utterance only a delay). Without any
// sound, the last kLeadMs before end.
class LeadCut
{
public:
    LeadCut(qsizetype begin, qsizetype end, int rate);
    // The samples from position `at` on, following those given before: the
    // part of them to be heard, perhaps none yet.
    Samples take(qsizetype at, const Samples &samples);
    // What is still held back once the utterance is complete.
    Samples finish();

private:
    qsizetype m_begin;
    qsizetype m_end;
    qsizetype m_lead;
    bool m_sounding = false;
    Samples m_held; // the last lead samples before the first sound
};

// The warning tone: a short sine with soft edges, quiet enough to sit over
// speech.
Samples tone(int rate, int frequency = 880, int milliseconds = 110);

// The call's chime: three bell strokes falling (E6, C6, G5), each a struck
// tone with its overtones dying away, loud (peaks near full scale) and
// unlike the warning tone or any voice; about 900 ms.
Samples chime(int rate);

// Adds other into samples from the given offset, saturating.
void mixInto(qint16 *samples, qsizetype count, const qint16 *other);

} // namespace pcm
