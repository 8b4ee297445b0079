#pragma once
#include "speech/directss.h"
#include "speech/pcm.h"
#include "speech/speechcache.h"
#include "speech/voicecatalog.h"

#include <QThread>
#include <QTimer>

class Speaker;

// The real speech control: Open JTalk and eSpeak NG behind the members of
// DirectSS. The members run on the user-interface thread and only record
// settings or post work; synthesis and sound run on the speech thread (and
// in the engines' own processes and threads), so the window never waits.
class SpeechControl : public DirectSS
{
    Q_OBJECT

public:
    struct Options
    {
        voicecatalog::OpenJTalkInstall openJTalk;
        // Open JTalk's voices made inside the program (the HTS engine
        // library); false: by an open_jtalk process for every piece.
        bool openJTalkInProgram = true;
        bool espeak = true;
        QString cacheDir; // empty: audio is cached in memory only
        // What the cache folder is cut back to once the start has settled.
        qint64 cacheBytes = SpeechCache::kDiskBytes;
        bool sound = true; // false: behave as on a machine without a sound device
        QByteArray device; // the sound device's id; empty: the system's default
    };
    // The engines installed here and the user's cache folder.
    static Options defaultOptions();

    // Throws AppError when no engine offers any voice.
    explicit SpeechControl(const Options &options, QObject *parent = nullptr);
    ~SpeechControl() override;

    void setCurrentMode(int mode) override;
    int currentMode() const override { return m_mode; }
    void setSpeed(int speed) override;
    int speed() const override { return m_speed; }
    int EngineModeCount() const override { return int(m_voices.size()); }
    int EngineModeLanguage(int mode) const override;
    QString EngineModeName(int mode) const override;
    void SpeakText(const QString &text) override;
    void StopSpeaking() override;
    bool readsKanji(int mode) const override;
    bool isSpeaking() const override { return m_endedId != m_lastId; }
    // When the last sound of what was last heard to its end was due to end
    // (AudioOut::now()); speechEnded() is told at that moment.
    qint64 endedAt() const { return m_endsAt; }

    // The warning tone, mixed over the speech without cutting it.
    void playTone();
    // The call for help's chime, through the same output at full scale.
    void playChime();
    // Fills the audio cache in the background with what the keys say when
    // reached, the further texts in the selection and decision voices, the
    // row's places at a sentence start (rowFirst, in the selection voice),
    // and then what a press says and the messages. All of it but rowFirst,
    // and `fixed` besides (made when first said), is what the program itself
    // says; everything else said is the user's own (forgetUserTexts).
    void warmUp(int selectionVoice, int decisionVoice, int focusedTag, const QStringList &more = {},
                const QStringList &moreDecision = {}, const QStringList &rowFirst = {},
                const QStringList &fixed = {});
    void forgetUserTexts() override;

    bool hasSound() const { return m_sound; }
    int sampleRate() const { return m_rate; }
    // The sound output's buffer: the longest any sound lasts after a stop.
    int bufferMs() const;
    const QList<voicecatalog::Voice> &voices() const { return m_voices; }
    // The number SpeakText gave the last text; sounding() carries it.
    quint64 lastUtterance() const { return m_lastId; }

signals:
    // A piece of an utterance has started to sound: its first sound was
    // handed to the sound server at `at` (AudioOut::now()). `samples` is
    // the piece's audio as far as it was made by then: a piece is heard
    // while it is still being made.
    void sounding(quint64 utterance, int mode, const QString &text, const Samples &samples, qint64 at);
    // All of that piece has been handed to the sound server: its audio.
    void completed(quint64 utterance, int mode, const QString &text, const Samples &samples);
    // StopSpeaking has taken effect: the output was silenced at `at`.
    void silenced(qint64 at);
    // Everything the warm-up was given is in the cache (found there or made).
    void warmedUp(qint64 at);

private:
    const voicecatalog::Voice &voice(int mode) const;

    QList<voicecatalog::Voice> m_voices;
    QThread m_thread;
    Speaker *m_speaker = nullptr;
    bool m_sound = false;
    int m_rate = 48000;
    int m_mode = 1;
    int m_prepared = 0; // the mode last made ready on the speech thread
    int m_speed = 100;
    quint64 m_lastId = 0;
    quint64 m_endedId = 0;   // the last utterance known to have been heard to its end
    quint64 m_endingId = 0;  // the utterance whose end m_endTimer waits for
    qint64 m_endsAt = 0;
    QTimer m_endTimer;
};
