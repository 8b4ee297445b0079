#include "speech/htsvoice.h"

#include "speech/jtalktrace.h"

#include <HTS_engine.h>

#include <QFile>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

// The library's vocoder: exported by it, declared only in its own private
// header. Its state lives in storage of ours (Speech::State).
extern "C" {
void HTS_Vocoder_initialize(void *v, size_t m, size_t stage, HTS_Boolean use_log_gain, size_t rate, size_t fperiod);
void HTS_Vocoder_synthesize(void *v, size_t m, double lf0, double *spectrum, size_t nlpf, double *lpf, double alpha,
                            double beta, double volume, double *rawdata, HTS_Audio *audio);
void HTS_Vocoder_clear(void *v);
}

namespace hts {

namespace {

// The vocoder's state as version 1.10 of the library lays it out. Only its
// noise generator is touched, and only after canSkipSilence() has found
// this layout in the state the library itself set up.
struct VocoderLayout
{
    HTS_Boolean is_first;
    size_t stage;
    double gamma;
    HTS_Boolean use_log_gain;
    size_t fprd;
    unsigned long next; // the noise generator
    HTS_Boolean gauss;
    double rate;
    double pitch_of_curr_point;
    double pitch_counter;
    double pitch_inc_per_point;
    double *excite_ring_buff;
    size_t excite_buff_size;
    size_t excite_buff_index;
    unsigned char sw; // the noise generator's second value is pending
    int x;
    double *freqt_buff;
    size_t freqt_size;
    double *spectrum2en_buff;
    size_t spectrum2en_size;
    double r1, r2, s; // the noise generator's pair
    double *postfilter_buff;
    size_t postfilter_size;
    double *c, *cc, *cinc, *d1;
    double *lsp2lpc_buff;
    size_t lsp2lpc_size;
    double *gc2gc_buff;
    size_t gc2gc_size;
};

// Room for the state: far more than the library uses.
constexpr size_t kStateBytes = 4096;
constexpr unsigned char kUntouched = 0xA5;

// The library's uniform and Gaussian noise, step for step, so that the
// noise of the skipped silence can be drawn without making its samples.
double uniform(unsigned long *next)
{
    *next = *next * 1103515245L + 12345;
    const double r = double((*next / 65536L) % 32768L);
    return r / 32767;
}

void drawNoise(VocoderLayout &v, quint64 count)
{
    double s = 0;
    bool drew = false;
    for (; count > 0; --count) {
        if (v.sw == 0) {
            v.sw = 1;
            drew = true;
            do {
                v.r1 = 2 * uniform(&v.next) - 1;
                v.r2 = 2 * uniform(&v.next) - 1;
                s = v.r1 * v.r1 + v.r2 * v.r2;
            } while (s > 1 || s == 0);
        } else {
            v.sw = 0;
        }
    }
    // Only the second value of a pair still pending is used again; a new
    // pair replaces everything else.
    if (drew && v.sw == 1)
        v.s = std::sqrt(-2 * std::log(s) / s);
}

bool layoutAsExpected()
{
    alignas(std::max_align_t) unsigned char state[kStateBytes];
    std::memset(state, kUntouched, sizeof state);
    constexpr size_t order = 24;
    HTS_Vocoder_initialize(state, order, 0, FALSE, 48000, 240);
    const auto *v = reinterpret_cast<const VocoderLayout *>(state);
    bool ok = v->is_first == TRUE && v->stage == 0 && v->gamma == 0.0 && v->use_log_gain == FALSE && v->fprd == 240
              && v->next == 1 && v->gauss == TRUE && v->rate == 48000.0 && v->pitch_of_curr_point == 0.0
              && !v->excite_ring_buff && v->excite_buff_size == 0 && v->sw == 0 && v->x == 0x55555555
              && !v->freqt_buff && !v->postfilter_buff && v->c && v->cc == v->c + order + 1
              && v->cinc == v->cc + order + 1 && v->d1 == v->cinc + order + 1 && !v->gc2gc_buff;
    for (size_t i = sizeof(VocoderLayout); i < kStateBytes; ++i)
        ok = ok && state[i] == kUntouched;
    HTS_Vocoder_clear(state);
    return ok;
}

} // namespace

bool canSkipSilence()
{
    static const bool known = layoutAsExpected();
    return known;
}

struct Voice::Engine
{
    HTS_Engine engine;
};

Voice::Voice(const QString &voiceFile) : m_engine(std::make_unique<Engine>())
{
    HTS_Engine &e = m_engine->engine;
    HTS_Engine_initialize(&e);
    QByteArray path = QFile::encodeName(voiceFile);
    char *files[] = {path.data()};
    if (!QFile::exists(voiceFile) || HTS_Engine_load(&e, files, 1) != TRUE)
        return;
    const char *format = HTS_Engine_get_fullcontext_label_format(&e);
    const size_t streams = HTS_Engine_get_nstream(&e);
    m_ok = format && std::strcmp(format, "HTS_TTS_JPN") == 0 && (streams == 2 || streams == 3);
    m_alpha = HTS_Engine_get_alpha(&e);
}

Voice::~Voice()
{
    HTS_Engine_clear(&m_engine->engine);
}

std::optional<Plan> Voice::plan(const QList<QByteArray> &labels, const voicecatalog::Synthesis &synthesis)
{
    if (!m_ok || labels.isEmpty())
        return std::nullopt;
    QMutexLocker locker(&m_lock);
    HTS_Engine &e = m_engine->engine;
    HTS_Engine_set_speed(&e, synthesis.speed);
    HTS_Engine_add_half_tone(&e, synthesis.halfTones);
    HTS_Engine_set_alpha(&e, synthesis.alpha >= 0 ? synthesis.alpha : m_alpha);
    QList<QByteArray> copies = labels;
    std::vector<char *> lines;
    for (QByteArray &l : copies)
        lines.push_back(l.data());
    // The utterance is let go of whatever happens below.
    struct Refresh
    {
        HTS_Engine *e;
        ~Refresh() { HTS_Engine_refresh(e); }
    } refresh{&e};
    if (HTS_Engine_generate_state_sequence_from_strings(&e, lines.data(), lines.size()) != TRUE
        || HTS_Engine_generate_parameter_sequence(&e) != TRUE)
        return std::nullopt;

    const HTS_Condition &c = e.condition;
    const HTS_PStreamSet &pss = e.pss;
    const size_t states = HTS_Engine_get_nstate(&e);
    if (states == 0 || HTS_Engine_get_total_state(&e) != states * size_t(labels.size())
        || (pss.nstream != 2 && pss.nstream != 3) || pss.pstream[1].vector_length != 1 || !pss.pstream[1].msd_flag
        || (pss.nstream == 3 && pss.pstream[2].vector_length % 2 == 0))
        return std::nullopt;

    // Every label's time as open_jtalk writes it in its timing file, so that
    // the utterance is cut exactly as open_jtalk's audio is.
    const double unit = double(c.fperiod) * 1.0e7 / double(c.sampling_frequency);
    QList<jtalktrace::Segment> segments;
    size_t frame = 0;
    size_t state = 0;
    for (const QByteArray &label : labels) {
        size_t duration = 0;
        for (size_t k = 0; k < states; ++k)
            duration += HTS_Engine_get_state_duration(&e, state++);
        segments.append({qint64(static_cast<unsigned long>(double(frame) * unit)),
                         qint64(static_cast<unsigned long>(double(frame + duration) * unit)),
                         jtalktrace::phonemeOf(label)});
        frame += duration;
    }
    const qsizetype total = qsizetype(pss.total_frame);
    const int frameLength = int(c.fperiod);
    const auto range = jtalktrace::speechRange(segments, int(c.sampling_frequency), total * frameLength);
    if (!range)
        return std::nullopt;

    // Row of each frame in a stream: streams with voiced and unvoiced
    // frames hold rows for the voiced ones only.
    const auto rows = [&](size_t stream) {
        std::vector<qsizetype> row(size_t(total), -1);
        const HTS_Boolean *flags = pss.pstream[stream].msd_flag;
        for (qsizetype f = 0, next = 0; f < total; ++f)
            if (!flags || flags[f])
                row[size_t(f)] = next++;
        return row;
    };
    const std::vector<qsizetype> spectrumRow = rows(0);
    const std::vector<qsizetype> pitchRow = rows(1);
    const std::vector<qsizetype> lpfRow = pss.nstream == 3 ? rows(2) : std::vector<qsizetype>{};

    Plan p;
    p.rate = int(c.sampling_frequency);
    p.frameLength = frameLength;
    p.begin = range->begin;
    p.end = range->end;
    p.order = pss.pstream[0].vector_length - 1;
    p.lpfLength = pss.nstream == 3 ? pss.pstream[2].vector_length : 0;
    p.stage = c.stage;
    p.useLogGain = c.use_log_gain;
    p.alpha = c.alpha;
    p.beta = c.beta;
    p.volume = c.volume;
    // The silence before the kept part is skipped when it is all unvoiced:
    // its only lasting effects are the noise it draws, one value a sample,
    // and the filter's memory, which the settling frames make up.
    if (canSkipSilence()) {
        const qsizetype first = range->begin / frameLength - kSettleFrames;
        bool silent = first > 0;
        for (qsizetype f = 0; silent && f < first; ++f)
            silent = pitchRow[size_t(f)] < 0;
        if (silent) {
            p.first = first;
            p.noiseDraws = quint64(first) * quint64(frameLength);
        }
    }
    const qsizetype last = std::min(total, (range->end + frameLength - 1) / frameLength);
    const auto value = [&](size_t stream, const std::vector<qsizetype> &row, qsizetype f, size_t k) {
        return row[size_t(f)] < 0 ? HTS_NODATA : pss.pstream[stream].par[row[size_t(f)]][k];
    };
    for (qsizetype f = p.first; f < last; ++f) {
        for (size_t k = 0; k <= p.order; ++k)
            p.spectrum.append(value(0, spectrumRow, f, k));
        p.lf0.append(value(1, pitchRow, f, 0));
        for (size_t k = 0; k < p.lpfLength; ++k)
            p.lpf.append(value(2, lpfRow, f, k));
    }
    return p;
}

struct Speech::State
{
    alignas(std::max_align_t) unsigned char bytes[kStateBytes];
};

Speech::Speech(Plan plan) : m_plan(std::move(plan)), m_state(std::make_unique<State>())
{
    HTS_Vocoder_initialize(m_state->bytes, m_plan.order, m_plan.stage, m_plan.useLogGain, size_t(m_plan.rate),
                           size_t(m_plan.frameLength));
    if (m_plan.noiseDraws > 0)
        drawNoise(*reinterpret_cast<VocoderLayout *>(m_state->bytes), m_plan.noiseDraws);
}

Speech::~Speech()
{
    HTS_Vocoder_clear(m_state->bytes);
}

Samples Speech::next()
{
    if (atEnd())
        return {};
    const qsizetype f = m_next++;
    std::vector<double> raw(size_t(m_plan.frameLength));
    HTS_Vocoder_synthesize(m_state->bytes, m_plan.order, m_plan.lf0[f], m_plan.spectrum.data() + f * qsizetype(m_plan.order + 1),
                           m_plan.lpfLength, m_plan.lpfLength ? m_plan.lpf.data() + f * qsizetype(m_plan.lpfLength) : nullptr,
                           m_plan.alpha, m_plan.beta, m_plan.volume, raw.data(), nullptr);
    // As open_jtalk writes its samples: clipped, then cut towards zero.
    Samples out(m_plan.frameLength);
    for (int i = 0; i < m_plan.frameLength; ++i) {
        const double x = raw[size_t(i)];
        out[i] = x > 32767.0 ? qint16(32767) : x < -32768.0 ? qint16(-32768) : qint16(x);
    }
    return out;
}

} // namespace hts
