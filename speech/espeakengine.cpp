#include "speech/espeakengine.h"

#include "speech/resample.h"

#include <espeak-ng/speak_lib.h>

#include <QMutexLocker>
#include <algorithm>
#include <cstring>

namespace {

// The library's one state: started once, used under this lock.
QMutex &libraryLock()
{
    static QMutex lock;
    return lock;
}

int libraryRate()
{
    static const int rate = [] {
        QMutexLocker locker(&libraryLock());
        return espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    }();
    return rate;
}

struct Collect
{
    ESpeakWorker *worker;
    quint64 job;
    Samples samples;
};

int collect(short *wave, int count, espeak_EVENT *events)
{
    auto *c = static_cast<Collect *>(events->user_data);
    if (!c)
        return 0;
    if (wave && count > 0)
        c->samples.append(QList<qint16>(wave, wave + count));
    return c->worker->isCancelled(c->job) ? 1 : 0;
}

} // namespace

bool ESpeakEngine::available()
{
    if (libraryRate() <= 0)
        return false;
    QMutexLocker locker(&libraryLock());
    espeak_VOICE wanted{};
    wanted.languages = "ja";
    const espeak_VOICE **voices = espeak_ListVoices(&wanted);
    return voices && voices[0];
}

ESpeakEngine::ESpeakEngine(int rate, QObject *parent) : SynthEngine(parent)
{
    m_worker = new ESpeakWorker(rate);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ESpeakWorker::done, this, &ESpeakEngine::done);
    m_thread.setObjectName(QStringLiteral("espeak"));
    m_thread.start();
}

ESpeakEngine::~ESpeakEngine()
{
    for (quint64 job : std::as_const(m_running))
        m_worker->cancel(job);
    m_thread.quit();
    m_thread.wait();
}

void ESpeakEngine::start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
{
    m_running.insert(job);
    QMetaObject::invokeMethod(m_worker, [w = m_worker, job, name = voice.espeakName, speed, text] {
        w->synthesise(job, name, speed, text);
    });
}

void ESpeakEngine::cancel(quint64 job)
{
    if (m_running.remove(job))
        m_worker->cancel(job);
}

void ESpeakEngine::done(quint64 job, const Samples &samples)
{
    if (m_running.remove(job))
        emit finished(job, samples);
}

void ESpeakWorker::cancel(quint64 job)
{
    QMutexLocker locker(&m_mutex);
    m_cancelled.insert(job);
}

bool ESpeakWorker::isCancelled(quint64 job)
{
    QMutexLocker locker(&m_mutex);
    return m_cancelled.contains(job);
}

void ESpeakWorker::synthesise(quint64 job, const QByteArray &voice, int speed, const QString &text)
{
    {
        // Jobs come in the order they were started: marks of earlier ones
        // are stale.
        QMutexLocker locker(&m_mutex);
        m_cancelled.removeIf([job](quint64 j) { return j < job; });
        if (m_cancelled.remove(job))
            return;
    }
    const int sourceRate = libraryRate();
    Collect c{this, job, {}};
    {
        QMutexLocker locker(&libraryLock());
        espeak_SetSynthCallback(collect);
        espeak_SetVoiceByName(voice.constData());
        espeak_SetParameter(espeakRATE, std::clamp(espeakRATE_NORMAL * speed / 100, 80, 450), 0);
        const QByteArray utf8 = text.toUtf8();
        espeak_Synth(utf8.constData(), size_t(utf8.size() + 1), 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &c);
    }
    if (isCancelled(job)) {
        QMutexLocker locker(&m_mutex);
        m_cancelled.remove(job);
        return;
    }
    // Resampled first, so that the fade at the cut is the last touch.
    emit done(job, pcm::trimSilence(pcm::resample(c.samples, sourceRate, m_rate), m_rate, pcm::kLeadMs, pcm::kTailMs));
}
