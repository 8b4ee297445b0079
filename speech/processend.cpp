#include "speech/processend.h"

#include <QProcess>

ProcessEnd::~ProcessEnd()
{
    for (QProcess *p : std::as_const(m_dying)) {
        p->disconnect();
        p->waitForFinished(1000);
        delete p;
    }
}

void ProcessEnd::end(QProcess *process, QObject *owner)
{
    process->disconnect(owner);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    m_dying.append(process);
    connect(process, &QProcess::finished, this, [this, process] {
        m_dying.removeOne(process);
        process->deleteLater();
    });
    process->kill();
}
