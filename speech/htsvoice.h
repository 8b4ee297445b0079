#pragma once
#include "speech/pcm.h"
#include "speech/voicecatalog.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <memory>
#include <optional>

// Open JTalk's voices synthesised inside the program with the HTS engine
// library, the engine open_jtalk itself uses. From an utterance's
// full-context labels the library gives the durations and the speech
// parameters of the whole utterance exactly as open_jtalk computes them;
// the samples are then made frame by frame, only for the part that is kept
// (the speech with its short lead and tail), and can be heard while the
// rest is made. The same labels and voice give the same samples as
// open_jtalk followed by the same cut.
namespace hts {

// The frames of one utterance to turn into samples, with everything the
// library's vocoder needs for them.
struct Plan
{
    int rate = 0;           // samples a second
    int frameLength = 0;    // samples a frame
    qsizetype first = 0;    // the first frame to make
    qsizetype begin = 0;    // the samples kept, as positions in the utterance
    qsizetype end = 0;
    quint64 noiseDraws = 0; // noise values open_jtalk draws before the first frame made
    size_t order = 0;       // of the spectrum (its length less one)
    size_t lpfLength = 0;   // of the low-pass filter; 0: none
    size_t stage = 0;
    bool useLogGain = false;
    double alpha = 0;
    double beta = 0;
    double volume = 1;
    QList<double> spectrum; // frame by frame from the first: order + 1 values each
    QList<double> lf0;      // one a frame; HTS_NODATA where unvoiced
    QList<double> lpf;      // lpfLength values a frame

    qsizetype frames() const { return lf0.size(); }
};

// A voice file loaded into the library once; plans are made one at a time
// under its lock (the library keeps one utterance in the engine), from any
// thread.
class Voice
{
public:
    explicit Voice(const QString &voiceFile);
    ~Voice();
    Voice(const Voice &) = delete;
    Voice &operator=(const Voice &) = delete;

    // False when the library could not load the file as an Open JTalk voice.
    bool ok() const { return m_ok; }

    // The frames of the utterance that are kept; nothing when the labels
    // hold no voiced phoneme or the library refuses them.
    std::optional<Plan> plan(const QList<QByteArray> &labels, const voicecatalog::Synthesis &synthesis);

private:
    struct Engine;
    QMutex m_lock;
    std::unique_ptr<Engine> m_engine;
    bool m_ok = false;
    double m_alpha = 0; // the voice file's own all-pass constant
};

// Makes a plan's samples a frame at a time with the library's vocoder.
class Speech
{
public:
    explicit Speech(Plan plan);
    ~Speech();
    Speech(const Speech &) = delete;
    Speech &operator=(const Speech &) = delete;

    bool atEnd() const { return m_next >= m_plan.frames(); }
    // Position in the utterance of the next frame's first sample.
    qsizetype position() const { return (m_plan.first + m_next) * m_plan.frameLength; }
    // The samples of the next frame.
    Samples next();

private:
    Plan m_plan;
    qsizetype m_next = 0;
    struct State;
    std::unique_ptr<State> m_state;
};

// Frames made before the kept part so that the filter has settled into the
// state open_jtalk's has there.
constexpr int kSettleFrames = 8;

// True when the library's vocoder keeps its state as this program expects,
// so that the silence before the speech can be skipped (its noise drawn in
// advance); otherwise every frame from the start is made.
bool canSkipSilence();

} // namespace hts
