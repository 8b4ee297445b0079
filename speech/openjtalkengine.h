#pragma once
#include "speech/processend.h"
#include "speech/synthengine.h"

#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Open JTalk through Debian's open_jtalk program, one child process per
// piece. A process is started ahead for each voice in use: it loads its
// dictionary and voice and then waits for its text, which saves the start-up
// on every key. The silence round each piece is cut by the timing file the
// process writes.
class OpenJTalkEngine : public SynthEngine
{
    Q_OBJECT

public:
    OpenJTalkEngine(voicecatalog::OpenJTalkInstall install, int rate, QObject *parent = nullptr);
    ~OpenJTalkEngine() override;

    int capacity() const override { return 2; }
    void start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text) override;
    void cancel(quint64 job) override;
    void prepare(const voicecatalog::Voice &voice, int speed) override;

    // The audio of one finished process: its WAV output cut by its timing
    // file (or by level when the timing is unusable) and brought to rate.
    static Samples trimmed(const QByteArray &wav, const QByteArray &trace, int rate);

private:
    struct Child
    {
        QProcess *process = nullptr;
        QString trace;
        QString key; // voice and speed it was started for
        voicecatalog::Voice voice;
        int speed = 100;
    };
    static QString keyOf(const voicecatalog::Voice &voice, int speed);
    Child spawn(const voicecatalog::Voice &voice, int speed);
    Child takeSpare(const QString &key);
    void finish(QProcess *process);
    void discard(Child child);
    void replaceSpare(const Child &used);

    voicecatalog::OpenJTalkInstall m_install;
    int m_rate;
    QTemporaryDir m_traces;
    int m_traceCount = 0;
    QHash<QString, Child> m_spares;  // one waiting process per voice in use
    QStringList m_wanted;            // the voices in use, most recent first
    QHash<quint64, Child> m_running; // by job
    ProcessEnd m_end;
};
