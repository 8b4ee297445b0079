#include "speech/jtalklabels.h"

#include "speech/jtalktrace.h"

#include <QProcess>

JTalkLabels::JTalkLabels(voicecatalog::OpenJTalkInstall install, QString voiceFile, QObject *parent)
    : QObject(parent), m_install(std::move(install)), m_voiceFile(std::move(voiceFile))
{
}

JTalkLabels::~JTalkLabels()
{
    if (m_spare)
        discard(m_spare);
    for (QProcess *p : std::as_const(m_running))
        discard(p);
    for (QProcess *p : std::as_const(m_dying)) {
        p->disconnect();
        p->waitForFinished(1000);
        delete p;
    }
}

QStringList JTalkLabels::arguments(const voicecatalog::OpenJTalkInstall &install, const QString &voiceFile)
{
    return {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voiceFile,
            QStringLiteral("-ow"), QStringLiteral("/dev/null"), QStringLiteral("-ot"), QStringLiteral("/dev/stdout"),
            QStringLiteral("-s"), QStringLiteral("1000"), QStringLiteral("-p"), QStringLiteral("1"),
            QStringLiteral("-r"), QStringLiteral("10")};
}

QProcess *JTalkLabels::spawn()
{
    auto *p = new QProcess(this);
    p->setProgram(m_install.program);
    p->setArguments(arguments(m_install, m_voiceFile));
    // It warns that the frames are short; nobody needs to know.
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(QIODevice::ReadWrite);
    return p;
}

void JTalkLabels::prepare()
{
    if (m_spare && m_spare->state() == QProcess::NotRunning) {
        discard(m_spare);
        m_spare = nullptr;
    }
    if (!m_spare)
        m_spare = spawn();
}

void JTalkLabels::request(quint64 job, const QString &text, bool background)
{
    QProcess *p = nullptr;
    if (!background && m_spare && m_spare->state() != QProcess::NotRunning)
        p = std::exchange(m_spare, nullptr);
    if (!p)
        p = spawn();
    connect(p, &QProcess::finished, this, [this, p] { finish(p); });
    connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish(p);
    });
    m_running.insert(job, p);
    p->write(voicecatalog::openJTalkInput(text));
    p->closeWriteChannel();
}

void JTalkLabels::finish(QProcess *process)
{
    const quint64 job = m_running.key(process, 0);
    if (!m_running.remove(job))
        return;
    QList<QByteArray> found;
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        found = jtalktrace::labels(process->readAllStandardOutput());
    discard(process);
    emit labels(job, found);
}

void JTalkLabels::cancel(quint64 job)
{
    if (QProcess *p = m_running.take(job))
        discard(p);
}

void JTalkLabels::discard(QProcess *p)
{
    p->disconnect(this);
    if (p->state() == QProcess::NotRunning) {
        p->deleteLater();
        return;
    }
    // Deleted once the system has ended it, so nothing here waits for it.
    m_dying.append(p);
    connect(p, &QProcess::finished, this, [this, p] {
        m_dying.removeOne(p);
        p->deleteLater();
    });
    p->kill();
}
