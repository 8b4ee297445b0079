#include "speech/htsengine.h"

#include "speech/htsvoice.h"
#include "speech/jtalklabels.h"
#include "speech/openjtalkengine.h"
#include "speech/resample.h"

#include <QMutex>

namespace {

// What is to be heard now goes ahead of the warm-up and of loading a voice.
constexpr int kNowPriority = 2;
constexpr int kBackgroundPriority = 1;
constexpr int kLoadPriority = 0;

} // namespace

// The voice files loaded so far, shared with the workers.
class HtsEngine::Voices
{
public:
    std::shared_ptr<hts::Voice> get(const QString &file)
    {
        QMutexLocker locker(&m_lock);
        std::shared_ptr<hts::Voice> &v = m_loaded[file];
        if (!v)
            v = std::make_shared<hts::Voice>(file);
        return v;
    }

private:
    QMutex m_lock;
    QHash<QString, std::shared_ptr<hts::Voice>> m_loaded;
};

HtsEngine::HtsEngine(voicecatalog::OpenJTalkInstall install, int rate, QObject *parent)
    : SynthEngine(parent), m_install(std::move(install)), m_rate(rate), m_voices(std::make_shared<Voices>())
{
    m_labels = new JTalkLabels(m_install, voicecatalog::findVoiceFiles(m_install.voiceDirs).value(0), this);
    connect(m_labels, &JTalkLabels::labels, this, &HtsEngine::labelled);
    m_pool.setMaxThreadCount(capacity());
}

HtsEngine::~HtsEngine()
{
    for (const Job &j : std::as_const(m_jobs))
        j.stop->store(true);
    m_pool.waitForDone();
}

void HtsEngine::prepare(const voicecatalog::Voice &voice, int speed)
{
    Q_UNUSED(speed);
    m_labels->prepare();
    if (m_loading.contains(voice.voiceFile))
        return;
    m_loading.insert(voice.voiceFile);
    m_pool.start([voices = m_voices, file = voice.voiceFile] { voices->get(file); }, kLoadPriority);
}

void HtsEngine::start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
{
    begin(job, voice, speed, text, false);
}

void HtsEngine::startInBackground(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
{
    begin(job, voice, speed, text, true);
}

void HtsEngine::begin(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text, bool background)
{
    m_jobs.insert(job, Job{voice, speed, text, background, std::make_shared<std::atomic_bool>(false)});
    m_labels->request(job, text, background);
}

void HtsEngine::cancel(quint64 job)
{
    const auto it = m_jobs.constFind(job);
    if (it == m_jobs.cend())
        return;
    it->stop->store(true);
    m_jobs.erase(it);
    m_labels->cancel(job);
    if (m_processes)
        m_processes->cancel(job);
    m_labels->prepare();
}

void HtsEngine::labelled(quint64 job, const QList<QByteArray> &labels)
{
    const auto it = m_jobs.constFind(job);
    if (it == m_jobs.cend())
        return;
    if (labels.isEmpty())
        return made(job, {});
    const Job j = *it;
    const voicecatalog::Synthesis synthesis = voicecatalog::synthesisFor(j.voice, j.speed);
    m_pool.start(
        [this, job, labels, synthesis, file = j.voice.voiceFile, stop = j.stop, voices = m_voices, rate = m_rate] {
            if (stop->load())
                return; // cancelled while it waited for a worker
            const std::shared_ptr<hts::Voice> voice = voices->get(file);
            if (!voice->ok()) {
                QMetaObject::invokeMethod(this, [this, job] { refused(job); });
                return;
            }
            std::optional<hts::Plan> plan = voice->plan(labels, synthesis);
            if (!plan) {
                QMetaObject::invokeMethod(this, [this, job] { made(job, {}); });
                return;
            }
            pcm::LeadCut cut(plan->begin, plan->end, plan->rate);
            pcm::Resampler resampler(plan->rate, rate);
            const qsizetype fade = pcm::samplesIn(pcm::kFadeMs, rate);
            qsizetype position = 0; // in what is handed out
            Samples whole;
            Samples waiting;
            int frames = 0;
            // The start fades in from the cut, as pcm::fadeIn does to a whole piece.
            const auto hand = [&](Samples s) {
                for (qsizetype i = 0; i < s.size() && position + i < fade; ++i)
                    s[i] = qint16(s[i] * double(position + i) / double(fade));
                position += s.size();
                whole += s;
                waiting += s;
            };
            hts::Speech speech(std::move(*plan));
            while (!speech.atEnd()) {
                if (stop->load())
                    return;
                const qsizetype at = speech.position();
                hand(resampler.take(cut.take(at, speech.next())));
                // The first samples go out at once, the rest every few frames.
                if (!waiting.isEmpty() && (whole.size() == waiting.size() || ++frames >= kFramesAPiece)) {
                    QMetaObject::invokeMethod(this, [this, job, s = waiting] { madeSome(job, s); });
                    waiting.clear();
                    frames = 0;
                }
            }
            hand(resampler.take(cut.finish()) + resampler.finish());
            QMetaObject::invokeMethod(this, [this, job, whole] { made(job, whole); });
        },
        j.background ? kBackgroundPriority : kNowPriority);
}

void HtsEngine::madeSome(quint64 job, const Samples &samples)
{
    if (m_jobs.contains(job))
        emit partial(job, samples);
}

void HtsEngine::made(quint64 job, const Samples &samples)
{
    if (!m_jobs.remove(job))
        return;
    m_labels->prepare();
    emit finished(job, samples);
}

void HtsEngine::refused(quint64 job)
{
    const auto it = m_jobs.constFind(job);
    if (it == m_jobs.cend())
        return;
    if (!m_processes) {
        m_processes = new OpenJTalkEngine(m_install, m_rate, this);
        connect(m_processes, &SynthEngine::finished, this, &HtsEngine::made);
    }
    m_processes->start(job, it->voice, it->speed, it->text);
}
