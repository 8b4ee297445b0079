#pragma once
#include "speech/processend.h"
#include "speech/voicecatalog.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QTemporaryDir>

class QProcess;

// The full-context labels of texts, from Open JTalk's text analysis. The
// analysis has no library of its own, so the open_jtalk program makes them:
// a process started ahead (its dictionary loaded) is given the text and
// writes its timing file, which holds the labels, to standard output. The
// labels do not depend on the voice, so it is given a voice of our own that
// has one state and one value for everything: it loads at once, and the
// audio open_jtalk then makes, which nobody hears, costs nothing (one frame
// a phoneme, one sample a frame).
class JTalkLabels : public QObject
{
    Q_OBJECT

public:
    // voiceFile: a voice open_jtalk loads, for when ours cannot be written.
    JTalkLabels(voicecatalog::OpenJTalkInstall install, QString voiceFile, QObject *parent = nullptr);
    ~JTalkLabels() override;

    // Keeps one process waiting, so that the next text is analysed at once.
    void prepare();
    // Starts the analysis of a text; labels(job, ...) follows unless
    // cancelled. A background request leaves the waiting process to texts
    // that are to be heard now and starts one of its own.
    void request(quint64 job, const QString &text, bool background = false);
    void cancel(quint64 job);

    static QStringList arguments(const voicecatalog::OpenJTalkInstall &install, const QString &voiceFile);
    // The voice file of one state the analysis runs with.
    static QByteArray analysisVoice();

signals:
    // Empty when the text holds nothing to say or open_jtalk failed.
    void labels(quint64 job, const QList<QByteArray> &labels);

private:
    QProcess *spawn();
    void finish(QProcess *process);
    void discard(QProcess *process);

    voicecatalog::OpenJTalkInstall m_install;
    QTemporaryDir m_dir;
    QString m_voiceFile;
    QProcess *m_spare = nullptr;
    QHash<quint64, QProcess *> m_running; // by job
    ProcessEnd m_end;
};
