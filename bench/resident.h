#pragma once
#include <QFile>

// The memory the bench program (or another process) holds now, as the
// system counts it.
namespace bench {

// Resident set size (VmRSS) in KiB of this process or the one numbered;
// 0 when it cannot be read.
inline long residentKb(const QString &process = QStringLiteral("self"))
{
    QFile f(QStringLiteral("/proc/%1/status").arg(process));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace bench
