#include "app/heaplog.h"

#include <QObject>

#if defined(__SANITIZE_ADDRESS__)
#define MOJIPOT_HEAP_COUNTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOJIPOT_HEAP_COUNTS 1
#endif
#endif

#ifdef MOJIPOT_HEAP_COUNTS
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstddef>

// The sanitizer runtime's allocator counts (not every compiler ships the
// header that declares them).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
extern "C" std::size_t __sanitizer_get_heap_size();
#endif

namespace heaplog {

void start(QObject *owner)
{
#ifdef MOJIPOT_HEAP_COUNTS
    const QString path = qEnvironmentVariable("MOJIPOT_HEAP_LOG");
    if (path.isEmpty())
        return;
    auto *timer = new QTimer(owner);
    auto *clock = new QElapsedTimer;
    clock->start();
    const auto write = [path, clock] {
        QFile f(path);
        if (f.open(QIODevice::Append))
            f.write(QByteArray::number(clock->elapsed() / 1000) + ' '
                    + QByteArray::number(qulonglong(__sanitizer_get_current_allocated_bytes())) + ' '
                    + QByteArray::number(qulonglong(__sanitizer_get_heap_size())) + '\n');
    };
    QObject::connect(timer, &QTimer::timeout, owner, write);
    QObject::connect(timer, &QObject::destroyed, [clock] { delete clock; });
    timer->start(10'000);
    write();
#else
    Q_UNUSED(owner);
#endif
}

} // namespace heaplog
