#pragma once
#include "speech/synthengine.h"

#include <QHash>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <memory>

class JTalkLabels;
class OpenJTalkEngine;

// Open JTalk inside the program. The text's full-context labels come from
// a waiting open_jtalk process (JTalkLabels); the samples from the HTS
// engine library, each voice file loaded once (hts::Voice), made on two
// worker threads and handed out as they are made: the first piece as soon
// as the voice begins, then every few frames. A voice file the library
// refuses is spoken by open_jtalk itself (OpenJTalkEngine).
class HtsEngine : public SynthEngine
{
    Q_OBJECT

public:
    HtsEngine(voicecatalog::OpenJTalkInstall install, int rate, QObject *parent = nullptr);
    ~HtsEngine() override;

    int capacity() const override { return 2; }
    // A piece waits for its labels before it needs a worker: two more are
    // labelled while the workers make the others.
    int aheadCapacity() const override { return capacity() + 2; }
    void start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text) override;
    void startInBackground(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text) override;
    void cancel(quint64 job) override;
    void prepare(const voicecatalog::Voice &voice, int speed) override;

    // Frames made between two pieces handed out (5 ms each).
    static constexpr int kFramesAPiece = 4;

private:
    class Voices;
    struct Job
    {
        voicecatalog::Voice voice;
        int speed = 100;
        QString text;
        bool background = false;
        std::shared_ptr<std::atomic_bool> stop;
    };
    void begin(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text, bool background);
    void labelled(quint64 job, const QList<QByteArray> &labels);
    void madeSome(quint64 job, const Samples &samples);
    void made(quint64 job, const Samples &samples);
    void refused(quint64 job);

    voicecatalog::OpenJTalkInstall m_install;
    int m_rate;
    JTalkLabels *m_labels = nullptr;
    std::shared_ptr<Voices> m_voices;
    QThreadPool m_pool;
    QHash<quint64, Job> m_jobs;
    QSet<QString> m_loading; // voice files asked for ahead
    OpenJTalkEngine *m_processes = nullptr; // made when a voice file is refused
};
