#pragma once
#include <QList>
#include <QObject>

class QProcess;

// Ends child processes without waiting for them: a running one is killed
// and deleted once the system has reaped it, so the thread that ends it
// never waits. Those still dying when this goes are waited for briefly.
class ProcessEnd : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ProcessEnd() override;

    // Cuts the process off from `owner`'s slots and ends it.
    void end(QProcess *process, QObject *owner);

private:
    QList<QProcess *> m_dying; // killed, not yet reaped
};
