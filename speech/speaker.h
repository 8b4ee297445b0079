#pragma once
#include "speech/pcm.h"
#include "speech/speechcache.h"
#include "speech/voicecatalog.h"
#include "speech/warmup.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QHash>
#include <QSet>
#include <QObject>
#include <deque>
#include <memory>

class AudioOut;
class SynthEngine;

// The speech control's worker, living on the speech thread: its own queue
// of utterances, the engines, the audio cache and the sound output. Each
// utterance is cut into pieces; pieces are taken from the cache or made by
// their engine (the first piece first, the rest while it plays) and handed
// to the output strictly in order. Background warm-up fills the cache with
// what keys will say, and always gives way to what is to be spoken now.
class Speaker : public QObject
{
    Q_OBJECT

public:
    struct Config
    {
        QList<voicecatalog::Voice> voices; // engine mode n is voices[n - 1]
        voicecatalog::OpenJTalkInstall openJTalk;
        bool openJTalkInProgram = true;    // false: open_jtalk makes every piece
        QString cacheDir;                  // empty: memory only
        qint64 cacheBytes = SpeechCache::kDiskBytes; // the folder's cut-back
        QAudioDevice device;               // null: no sound device
        QAudioFormat format;
    };

    explicit Speaker(Config config);
    ~Speaker() override;

    // On the speech thread: engines and output. False when there is no
    // sound; the speaker then drops every text.
    bool init();
    void shutdown();
    // The output's buffer in milliseconds as the server grants it now.
    int bufferMs() const;

    void speak(quint64 id, int mode, int speed, const QString &text);
    void stop();
    void prepare(int mode, int speed);
    // `fixed`: the texts the program itself says (whatever else is said is
    // the user's own, and kept as such in the cache).
    void warmUp(const QList<warmup::Item> &items, const QStringList &fixed);
    void tone();
    // The call's chime (pcm::chime), mixed over whatever plays like the tone.
    void chime();
    // The audio kept of the user's own texts is forgotten, also of those
    // being made now.
    void forgetOwnTexts();

signals:
    // The first sound of a piece has been handed to the sound server, with
    // the piece's audio as far as it was made by then.
    void sounding(quint64 utterance, int mode, const QString &text, const Samples &samples, qint64 at);
    // All of a piece has been handed to the sound server (after sounding()).
    void completed(quint64 utterance, int mode, const QString &text, const Samples &samples);
    // A stop has silenced the output (the server's copy is dropped).
    void silenced(qint64 at);
    // Everything the warm-up was given is in the cache (found or made).
    void warmedUp(qint64 at);
    // Every utterance up to `utterance` has been handed to the sound server
    // (or dropped) and nothing is queued; the last sound ends at `endsAt`.
    void quiet(quint64 utterance, qint64 endsAt);

private:
    struct Piece
    {
        enum State { Waiting, Making, Ready, Empty } state = Waiting;
        QString text;
        QByteArray key;
        Samples audio;      // while Making: what the engine has handed out so far
        qsizetype sent = 0; // how much of it is with the output
        quint64 tag = 0;    // the output's block, once sent to it
    };
    struct Utterance
    {
        quint64 id = 0;
        int mode = 1;
        int speed = 100;
        QList<Piece> pieces;
        qsizetype next = 0; // first piece not yet handed to the output
    };
    struct Job
    {
        SynthEngine *engine = nullptr;
        QByteArray key;
        QString text;
        quint64 generation = 0; // of forgetting, when it was started
        bool warm = false;
        warmup::Item item; // for warm jobs, to queue again when pushed aside
        Samples made;      // what the engine has handed out so far
    };
    struct Handed
    {
        quint64 utterance;
        int mode;
        QString text;
        Samples samples;
        bool complete = true;
        bool sounded = false;
    };

    const voicecatalog::Voice &voice(int mode) const { return m_config.voices[mode - 1]; }
    SynthEngine *engineFor(int mode) const;
    QByteArray keyOf(int mode, int speed, const QString &text) const;
    void schedule();
    void handReadyPieces();
    void startWaitingPieces();
    void startWarmPieces();
    bool freeSlot(SynthEngine *engine, int capacity);
    bool pushAsideWarmJob(SynthEngine *engine);
    quint64 startJob(int mode, int speed, const QString &text, const QByteArray &key, bool warm);
    Piece *pieceMaking(const QByteArray &key);
    void finished(quint64 job, const Samples &samples);
    void partial(quint64 job, const Samples &samples);
    void send(const Utterance &u, Piece &p, bool complete);
    void onSounding(quint64 tag, qint64 at);
    void checkQuiet(qint64 endsAt);
    bool roomAhead();
    void cutBackWhenSettled();

    Config m_config;
    int m_rate = 0;
    std::unique_ptr<SpeechCache> m_cache;
    AudioOut *m_out = nullptr;
    Samples m_chime; // the call's chime, made when the output opens
    SynthEngine *m_openJTalk = nullptr;
    SynthEngine *m_espeak = nullptr;
    bool m_sound = false;
    std::deque<Utterance> m_queue;
    QList<warmup::Item> m_warm; // pieces, in the selection or decision voice at speed 100
    QSet<QString> m_fixed;      // pieces the program itself says
    quint64 m_generation = 0;   // counts the times the user's own texts were forgotten
    bool m_warmGiven = false;   // warmUp() was called (or it is too late for one)
    bool m_cutBack = false;     // the cache's cut-back has been asked for
    bool m_warmTurnDue = false; // the warm-up goes on at the next turn of the event loop
    bool m_warmTelling = false; // warmedUp() is due once the warm-up is done
    QHash<quint64, Job> m_jobs;
    QHash<QByteArray, quint64> m_making; // key → job making it
    QHash<quint64, Handed> m_handed;     // output tag → piece, until it is complete and has sounded
    quint64 m_lastJob = 0;
    quint64 m_lastTag = 0;
    quint64 m_lastReceived = 0; // the last utterance given to speak()
    quint64 m_toldQuiet = 0;    // the last utterance quiet() was told for
};
