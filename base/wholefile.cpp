#include "base/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wholefile {

namespace {

bool readOnly(const QFileInfo &info)
{
    return !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner);
}

// Asks the system to put what was written to an open file, or a folder's
// list of names, on the disk. Some file systems cannot do it for a folder
// and say so: nothing is lost by that.
bool syncToDisk(int fd, bool folder)
{
#ifdef Q_OS_UNIX
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return folder && (errno == EINVAL || errno == ENOTSUP);
    }
#else
    Q_UNUSED(fd);
    Q_UNUSED(folder);
#endif
    return true;
}

bool syncFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = syncToDisk(fd, true);
    ::close(fd);
    return ok;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

} // namespace

bool replace(const QString &path, QByteArrayView bytes, Access access)
{
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || readOnly(info)))
        return false;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || readOnly(folder))
        return false;

    // Unbuffered, so that a full disk fails the write that meets it and not
    // a later flush whose failure the commit would not notice.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const bool written = (access != Access::OwnerOnly
                          || file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        && file.write(bytes.data(), bytes.size()) == bytes.size() && syncToDisk(file.handle(), false);
    if (!written)
        return false; // the new file goes with `file`, the old one stays
    // A link is followed: the file it names is replaced, in its own folder.
    return file.commit() && syncFolder(QFileInfo(QFileInfo(path).canonicalFilePath()).absolutePath());
}

bool replacePrivate(const QString &path, QByteArrayView bytes)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (info.isSymLink() && !QFile::remove(path))
        return false;
    return replace(path, bytes, Access::OwnerOnly);
}

namespace {

// Opens a plain file for reading, not through a link and without waiting
// for a writer: a pipe opens at once and is then refused with anything else
// that is not a plain file.
bool openPlain(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

} // namespace

namespace {

// The lines of the file's first `end` bytes that begin with `marker`, each
// followed by a line break. Only a line's first bytes are kept while it may
// still be one of them, so that a line of any length costs no memory.
QByteArray markedLines(QFile &file, qint64 end, QByteArrayView marker)
{
    constexpr qint64 kPiece = 1024 * 1024;
    constexpr qsizetype kLongest = 4096;
    QByteArray out, line;
    bool other = false; // the line read is not a marked one
    for (qint64 at = 0; at < end;) {
        const QByteArray piece = file.read(std::min(kPiece, end - at));
        if (piece.isEmpty())
            break;
        at += piece.size();
        for (qsizetype from = 0; from < piece.size();) {
            const qsizetype lf = piece.indexOf('\n', from);
            const qsizetype stop = lf < 0 ? piece.size() : lf;
            if (!other) {
                line.append(piece.constData() + from, std::min(stop - from, kLongest + 1 - line.size()));
                other = line.size() > kLongest
                    || !(line.size() < marker.size() ? marker.startsWith(line) : line.startsWith(marker));
            }
            if (lf < 0)
                break;
            if (!other && line.size() >= marker.size())
                out += (line.endsWith('\r') ? line.chopped(1) : line) + '\n';
            line.clear();
            other = false;
            from = lf + 1;
        }
    }
    return out;
}

} // namespace

Tail readTail(const QString &path, qint64 maxBytes, QByteArrayView marker, qint64 scanBytes)
{
    QFile file;
    if (!openPlain(file, path))
        return {};
    const qint64 size = file.size();
    const bool tail = size > maxBytes;
    if (tail && !file.seek(size - maxBytes))
        return {};
    Tail out{file.read(maxBytes), true};
    if (!tail)
        return out;
    // The first line read is likely cut: reading starts after the first line
    // break, and the lines before it are looked through for the marked ones.
    const qsizetype whole = out.bytes.indexOf('\n');
    const qsizetype cut = whole < 0 ? out.bytes.size() : whole + 1;
    out.bytes.remove(0, cut);
    const qint64 before = size - maxBytes + cut;
    out.whole = scanBytes >= before;
    if (!marker.isEmpty() && file.seek(0))
        out.bytes.prepend(markedLines(file, std::min(before, scanBytes), marker));
    return out;
}

QByteArray readTail(const QString &path, qint64 maxBytes)
{
    return readTail(path, maxBytes, {}, 0).bytes;
}

std::optional<QByteArray> readPlain(const QString &path, qint64 maxBytes, QString *why)
{
    const auto fail = [why](const QString &reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QFile file;
    if (!openPlain(file, path))
        return fail(QStringLiteral("not a plain file that can be read"));
    const qint64 size = file.size();
    if (size > maxBytes)
        return fail(QStringLiteral("larger than %1 bytes").arg(maxBytes));
    QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        return fail(file.errorString());
    return bytes;
}

std::optional<QByteArray> readHead(const QString &path, qint64 maxBytes, qint64 *size)
{
    QFile file;
    if (!openPlain(file, path))
        return std::nullopt;
    const qint64 whole = file.size();
    if (size)
        *size = whole;
    QByteArray bytes = file.read(std::min(whole, maxBytes));
    if (bytes.size() != std::min(whole, maxBytes))
        return std::nullopt;
    return bytes;
}

} // namespace wholefile
