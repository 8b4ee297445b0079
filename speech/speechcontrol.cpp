#include "speech/speechcontrol.h"

#include "base/apperror.h"
#include "speech/audioout.h"
#include "speech/espeakengine.h"
#include "speech/speaker.h"
#include "speech/speechcache.h"

#include <QCoreApplication>
#include <QMediaDevices>

namespace {

// Open JTalk's own rate; other engines are resampled to it.
constexpr int kPreferredRate = 48000;

// The sound system's own complaints while the device is looked for (no
// server, no device) are not the user's business: the one line that says
// the program runs silently is printed by the speaker.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        previousHandler(type, context, message);
}

QAudioDevice findOutput(const QByteArray &id)
{
    previousHandler = qInstallMessageHandler(quietHandler);
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    for (const QAudioDevice &d : QMediaDevices::audioOutputs())
        if (!id.isEmpty() && d.id() == id)
            device = d;
    qInstallMessageHandler(previousHandler);
    return device;
}

QAudioFormat sessionFormat(const QAudioDevice &device)
{
    QAudioFormat f;
    f.setSampleRate(kPreferredRate);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    if (device.isNull() || device.isFormatSupported(f))
        return f;
    const QAudioFormat preferred = device.preferredFormat();
    f.setSampleRate(preferred.sampleRate());
    for (int channels : {1, preferred.channelCount()}) {
        f.setChannelCount(channels);
        for (auto format : {QAudioFormat::Int16, QAudioFormat::Float}) {
            f.setSampleFormat(format);
            if (device.isFormatSupported(f))
                return f;
        }
    }
    return preferred;
}

} // namespace

SpeechControl::Options SpeechControl::defaultOptions()
{
    Options o;
    o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    o.cacheDir = SpeechCache::defaultDiskDir();
    return o;
}

SpeechControl::SpeechControl(const Options &options, QObject *parent) : DirectSS(parent)
{
    m_voices = voicecatalog::openJTalkVoices(options.openJTalk);
    if (options.espeak && ESpeakEngine::available())
        m_voices += voicecatalog::espeakVoices();
    if (m_voices.isEmpty())
        throw AppError(QStringLiteral("音声エンジンが見つかりません。Open JTalk（open-jtalk、辞書 "
                                      "open-jtalk-mecab-naist-jdic、声 hts-voice-nitech-jp-atr503-m001）"
                                      "か eSpeak NG（libespeak-ng1）を入れてください"));

    Speaker::Config config;
    config.voices = m_voices;
    config.openJTalk = options.openJTalk;
    config.openJTalkInProgram = options.openJTalkInProgram;
    config.cacheDir = options.cacheDir;
    config.cacheBytes = options.cacheBytes;
    if (options.sound)
        config.device = findOutput(options.device);
    config.format = sessionFormat(config.device);
    m_rate = config.format.sampleRate();

    m_speaker = new Speaker(config);
    m_speaker->moveToThread(&m_thread);
    connect(m_speaker, &Speaker::sounding, this, &SpeechControl::sounding);
    connect(m_speaker, &Speaker::completed, this, &SpeechControl::completed);
    connect(m_speaker, &Speaker::silenced, this, &SpeechControl::silenced);
    connect(m_speaker, &Speaker::warmedUp, this, &SpeechControl::warmedUp);
    // The speaker says when the last sound has been handed over and when the
    // sound server will have played it; the end is told at that moment, and
    // only for the last text given (a newer one is still to be heard).
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(m_speaker, &Speaker::quiet, this, [this](quint64 utterance, qint64 endsAt) {
        if (utterance != m_lastId)
            return;
        m_endingId = utterance;
        m_endsAt = endsAt;
        m_endTimer.start(int(std::max<qint64>(0, (endsAt - AudioOut::now()) / 1'000'000)));
    });
    connect(&m_endTimer, &QTimer::timeout, this, [this] {
        if (m_endingId != m_lastId || m_endedId == m_lastId)
            return;
        m_endedId = m_endingId;
        emit speechEnded();
    });
    m_thread.setObjectName(QStringLiteral("speech"));
    m_thread.start();
    QMetaObject::invokeMethod(m_speaker, &Speaker::init, Qt::BlockingQueuedConnection, &m_sound);
}

SpeechControl::~SpeechControl()
{
    QMetaObject::invokeMethod(m_speaker, &Speaker::shutdown, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_speaker;
}

const voicecatalog::Voice &SpeechControl::voice(int mode) const
{
    if (mode < 1 || mode > m_voices.size())
        throw AppError(QStringLiteral("音声のモード %1 はありません").arg(mode));
    return m_voices[mode - 1];
}

void SpeechControl::setCurrentMode(int mode)
{
    // A mode this engine does not have is taken as mode 1.
    m_mode = (mode >= 1 && mode <= m_voices.size()) ? mode : 1;
    if (m_mode == m_prepared)
        return;
    // Open JTalk starts a process for this voice that waits for its text.
    m_prepared = m_mode;
    QMetaObject::invokeMethod(m_speaker, [s = m_speaker, m = m_mode, speed = m_speed] { s->prepare(m, speed); });
}

void SpeechControl::setSpeed(int speed)
{
    if (speed < 10 || speed > 1000)
        throw AppError(QStringLiteral("話す速さ %1 は使えません").arg(speed));
    m_speed = speed;
}

int SpeechControl::bufferMs() const
{
    int ms = 0;
    QMetaObject::invokeMethod(m_speaker, &Speaker::bufferMs, Qt::BlockingQueuedConnection, &ms);
    return ms;
}

int SpeechControl::EngineModeLanguage(int mode) const
{
    return voice(mode).language;
}

QString SpeechControl::EngineModeName(int mode) const
{
    return voice(mode).name;
}

void SpeechControl::SpeakText(const QString &text)
{
    const quint64 id = ++m_lastId;
    QMetaObject::invokeMethod(m_speaker, [s = m_speaker, id, mode = m_mode, speed = m_speed, text] {
        s->speak(id, mode, speed, text);
    });
}

bool SpeechControl::readsKanji(int mode) const
{
    return voice(mode).engine == voicecatalog::Engine::OpenJTalk;
}

void SpeechControl::StopSpeaking()
{
    QMetaObject::invokeMethod(m_speaker, &Speaker::stop);
}

void SpeechControl::playTone()
{
    QMetaObject::invokeMethod(m_speaker, &Speaker::tone);
}

void SpeechControl::playChime()
{
    QMetaObject::invokeMethod(m_speaker, &Speaker::chime);
}

void SpeechControl::warmUp(int selectionVoice, int decisionVoice, int focusedTag, const QStringList &more,
                          const QStringList &moreDecision, const QStringList &rowFirst, const QStringList &fixed)
{
    const auto valid = [this](int mode) { return (mode >= 1 && mode <= m_voices.size()) ? mode : 1; };
    const int selection = valid(selectionVoice);
    const int decision = valid(decisionVoice);
    const QList<warmup::Item> items = warmup::items(selection, decision, focusedTag, more, moreDecision, rowFirst);
    QStringList programs = fixed;
    for (const warmup::Item &item : warmup::items(selection, decision, focusedTag, more, moreDecision))
        programs << item.text;
    QMetaObject::invokeMethod(m_speaker, [s = m_speaker, items, programs, decision, selection] {
        s->prepare(decision, 100);
        s->prepare(selection, 100);
        s->warmUp(items, programs);
    });
}

void SpeechControl::forgetUserTexts()
{
    QMetaObject::invokeMethod(m_speaker, &Speaker::forgetOwnTexts);
}
