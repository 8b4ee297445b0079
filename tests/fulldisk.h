// A small file system of the test's own that is nearly full: a tmpfs mounted
// on a folder and filled up to the room a test leaves free, so that writes
// meet a real full disk. Mounting needs the administrator (as in CI); a test
// skips with the reason when it cannot be had.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

class FullDisk
{
public:
    static constexpr qint64 kPage = 4096; // a tmpfs gives out whole pages

    // Mounts a tmpfs on a temporary folder of its own.
    FullDisk() : FullDisk(QString()) {}

    // Mounts a tmpfs of the given size on the folder, which must exist.
    explicit FullDisk(const QString &folder, qint64 size = 64 * kPage)
        : m_folder(folder.isEmpty() ? m_own.path() : folder)
    {
        if (::geteuid() != 0) {
            m_unavailable = "mounting a small file system needs the administrator";
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(size);
        if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", 0, options.constData()) != 0) {
            m_unavailable = QByteArray("a tmpfs cannot be mounted here: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // Why there is no such file system; empty when it is mounted.
    const QByteArray &unavailable() const { return m_unavailable; }

    const QString &folder() const { return m_folder; }
    QString filePath(const QString &name) const { return m_folder + u'/' + name; }

    // Writes a file of the given content, then fills the file system up so
    // that only `room` bytes are left free. False when that cannot be done.
    bool holding(const QString &path, const QByteArray &content, qint64 room)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size() || !f.flush())
            return false;
        return leaveRoom(room);
    }

    // Bytes that can still be written.
    qint64 room() const
    {
        struct statvfs s{};
        if (::statvfs(QFile::encodeName(m_folder).constData(), &s) != 0)
            return -1;
        return qint64(s.f_bavail) * qint64(s.f_frsize);
    }

    // Fills the file system with a hidden file until only `bytes` (whole
    // pages) are left free. False when that cannot be done.
    bool leaveRoom(qint64 bytes)
    {
        const qint64 fill = room() - bytes;
        QFile filler(m_folder + QStringLiteral("/.filler"));
        if (fill < 0 || !filler.open(QIODevice::WriteOnly | QIODevice::Append)
            || filler.write(QByteArray(fill, 'x')) != fill || !filler.flush())
            return false;
        return room() == bytes;
    }

    // The rows shared by the tables of writes on a full disk: the size of
    // the new file and the room left for it.
    static void addRows()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::addColumn<qint64>("freeRoom");
        QTest::newRow("full at the first byte") << qint64(6) << qint64(0);
        QTest::newRow("full in the middle") << 3 * kPage << kPage;
        QTest::newRow("full at the last byte") << 2 * kPage + 1 << 2 * kPage;
        QTest::newRow("just room for it") << 2 * kPage << 2 * kPage;
    }

private:
    QTemporaryDir m_own;
    QString m_folder;
    QByteArray m_unavailable;
    bool m_mounted = false;
};
