#pragma once
#include <QFile>

// The memory the bench program holds now, as the system counts it.
namespace bench {

// Resident set size (VmRSS) in KiB; 0 when it cannot be read.
inline long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace bench
