#pragma once
#include "speech/synthengine.h"

#include <QMutex>
#include <QSet>
#include <QThread>

class ESpeakWorker;

// eSpeak NG in-process through libespeak-ng. The library keeps one global
// state, so every piece is made on one worker thread of its own, one after
// the other; its 22 050 Hz audio is resampled to the session's rate.
class ESpeakEngine : public SynthEngine
{
    Q_OBJECT

public:
    explicit ESpeakEngine(int rate, QObject *parent = nullptr);
    ~ESpeakEngine() override;

    // True when the library starts with its data and has a Japanese voice.
    static bool available();

    int capacity() const override { return 1; }
    void start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text) override;
    void cancel(quint64 job) override;

private:
    void done(quint64 job, const Samples &samples);

    QThread m_thread;
    ESpeakWorker *m_worker = nullptr;
    QSet<quint64> m_running;
};

// Makes the pieces on the worker thread. Cancelled jobs are skipped, or cut
// short from the library's callback.
class ESpeakWorker : public QObject
{
    Q_OBJECT

public:
    explicit ESpeakWorker(int rate) : m_rate(rate) {}
    void synthesise(quint64 job, const QByteArray &voice, int speed, const QString &text);
    void cancel(quint64 job);
    bool isCancelled(quint64 job);

signals:
    void done(quint64 job, const Samples &samples);

private:
    int m_rate;
    QMutex m_mutex;
    QSet<quint64> m_cancelled;
};
