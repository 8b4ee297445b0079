#include "speech/openjtalkengine.h"

#include "speech/jtalktrace.h"
#include "speech/resample.h"

#include <QFile>
#include <algorithm>

namespace {

// Voices kept ready with a waiting process: the selection and the decision
// voice in ordinary use.
constexpr int kReadyVoices = 2;

} // namespace

OpenJTalkEngine::OpenJTalkEngine(voicecatalog::OpenJTalkInstall install, int rate, QObject *parent)
    : SynthEngine(parent), m_install(std::move(install)), m_rate(rate)
{
}

OpenJTalkEngine::~OpenJTalkEngine()
{
    const QList<Child> children = m_spares.values() + m_running.values();
    for (const Child &c : children)
        discard(c);
}

QString OpenJTalkEngine::keyOf(const voicecatalog::Voice &voice, int speed)
{
    return voice.id + u'|' + QString::number(speed);
}

OpenJTalkEngine::Child OpenJTalkEngine::spawn(const voicecatalog::Voice &voice, int speed)
{
    Child c;
    c.key = keyOf(voice, speed);
    c.voice = voice;
    c.speed = speed;
    c.trace = m_traces.filePath(QStringLiteral("trace%1.txt").arg(++m_traceCount));
    c.process = new QProcess(this);
    c.process->setProgram(m_install.program);
    c.process->setArguments(voicecatalog::openJTalkArguments(m_install, voice, speed, c.trace));
    c.process->setStandardErrorFile(QProcess::nullDevice());
    c.process->start(QIODevice::ReadWrite);
    return c;
}

OpenJTalkEngine::Child OpenJTalkEngine::takeSpare(const QString &key)
{
    Child c = m_spares.take(key);
    if (c.process && c.process->state() == QProcess::NotRunning) {
        discard(c);
        c = Child{};
    }
    return c;
}

void OpenJTalkEngine::prepare(const voicecatalog::Voice &voice, int speed)
{
    const QString key = keyOf(voice, speed);
    m_wanted.removeAll(key);
    m_wanted.prepend(key);
    while (m_wanted.size() > kReadyVoices) {
        const QString old = m_wanted.takeLast();
        if (m_spares.contains(old))
            discard(m_spares.take(old));
    }
    if (!m_spares.contains(key))
        m_spares.insert(key, spawn(voice, speed));
}

void OpenJTalkEngine::start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
{
    const QString key = keyOf(voice, speed);
    Child c = takeSpare(key);
    if (!c.process)
        c = spawn(voice, speed);
    QProcess *p = c.process;
    connect(p, &QProcess::finished, this, [this, p] { finish(p); });
    connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish(p);
    });
    m_running.insert(job, c);
    p->write(voicecatalog::openJTalkInput(text));
    p->closeWriteChannel();
}

void OpenJTalkEngine::replaceSpare(const Child &used)
{
    // Started once the piece is made, so that loading the next process does
    // not take the processor from this one.
    if (m_wanted.contains(used.key) && !m_spares.contains(used.key))
        m_spares.insert(used.key, spawn(used.voice, used.speed));
}

void OpenJTalkEngine::finish(QProcess *process)
{
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it->process != process)
            continue;
        const quint64 job = it.key();
        const Child c = *it;
        m_running.erase(it);
        Samples samples;
        if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0) {
            QFile trace(c.trace);
            trace.open(QIODevice::ReadOnly);
            samples = trimmed(process->readAllStandardOutput(), trace.readAll(), m_rate);
        }
        discard(c);
        replaceSpare(c);
        emit finished(job, samples);
        return;
    }
}

void OpenJTalkEngine::cancel(quint64 job)
{
    if (!m_running.contains(job))
        return;
    const Child c = m_running.take(job);
    discard(c);
    replaceSpare(c);
}

void OpenJTalkEngine::discard(Child child)
{
    QFile::remove(child.trace);
    if (child.process)
        m_end.end(child.process, this);
}

Samples OpenJTalkEngine::trimmed(const QByteArray &wav, const QByteArray &trace, int rate)
{
    const auto wave = pcm::fromWav(wav);
    if (!wave)
        return {};
    const auto range = jtalktrace::speechRange(jtalktrace::parse(trace), wave->rate, wave->samples.size());
    if (!range)
        return pcm::trimSilence(pcm::resample(wave->samples, wave->rate, rate), rate, pcm::kLeadMs, pcm::kTailMs);
    pcm::LeadCut cut(range->begin, range->end, wave->rate);
    Samples voiced = cut.take(0, wave->samples) + cut.finish();
    voiced = pcm::resample(voiced, wave->rate, rate);
    pcm::fadeIn(voiced, pcm::samplesIn(pcm::kFadeMs, rate));
    return voiced;
}
