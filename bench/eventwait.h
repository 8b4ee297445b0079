#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Waiting in the benches while the program's event loop runs.
namespace bench {

// Runs the event loop for a time.
inline void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() or the timeout; true when done. The
// thread sleeps between events (a millisecond's timer wakes it for
// conditions no event announces), so that the bench does not take a core
// from what it measures.
inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer t;
    t.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(1);
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace bench
