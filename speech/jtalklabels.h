#pragma once
#include "speech/voicecatalog.h"

#include <QHash>
#include <QList>
#include <QObject>

class QProcess;

// The full-context labels of texts, from Open JTalk's text analysis. The
// analysis has no library of its own, so the open_jtalk program makes them:
// a process started ahead (its dictionary and a voice loaded) is given the
// text and writes its timing file, which holds the labels, to standard
// output. It is told to synthesise at 1000 samples a second, one sample a
// frame and ten times the speed, so that its own audio, which nobody hears,
// costs almost nothing; the labels do not depend on it.
class JTalkLabels : public QObject
{
    Q_OBJECT

public:
    // voiceFile: any voice open_jtalk loads (the labels are the same for all).
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

signals:
    // Empty when the text holds nothing to say or open_jtalk failed.
    void labels(quint64 job, const QList<QByteArray> &labels);

private:
    QProcess *spawn();
    void finish(QProcess *process);
    void discard(QProcess *process);

    voicecatalog::OpenJTalkInstall m_install;
    QString m_voiceFile;
    QProcess *m_spare = nullptr;
    QHash<quint64, QProcess *> m_running; // by job
    QList<QProcess *> m_dying;            // killed, not yet reaped
};
