#pragma once
#include <QByteArrayView>
#include <QByteArray>
#include <QString>
#include <optional>

// Replacing a file's content as a whole: the old file is replaced only once
// the new one is completely written and on the disk, so a full disk, a
// refused write, a killed program or a power cut never leaves a cut or empty
// file where a good one was.
namespace wholefile {

enum class Access {
    Kept,      // an existing file keeps its permissions; a new one gets the usual ones
    OwnerOnly, // readable and writable by the owner alone, from the first byte on
};

// Writes the bytes as the file's whole content, creating it when missing.
// Every write is checked, the new file is synchronised to the disk before it
// takes the old one's place, and the folder after that. Returns false,
// leaving any old file as it was, when the path names no plain file, the
// folder is missing, the file or folder is marked read-only (also for a user
// the system would let through, such as the administrator), or a write or
// synchronisation fails (a full disk among others).
[[nodiscard]] bool replace(const QString &path, QByteArrayView bytes, Access access = Access::Kept);

// A private file of the program's own (a learning history in the user's
// data folder), written whole and owner-only, its folder made when missing.
// A link at `path` is replaced by the file: what it points to is never
// written. False when anything other than a plain file or a link stands
// there, or the write failed.
[[nodiscard]] bool replacePrivate(const QString &path, QByteArrayView bytes);

// The last `maxBytes` of a plain file, read without following a link and
// without waiting (a pipe or a device gives nothing); of a larger file
// reading starts after its first line break within them, so that no line is
// cut. Empty when there is no such file or it cannot be read.
QByteArray readTail(const QString &path, qint64 maxBytes);

// The same, and of a larger file also the lines before those bytes that
// begin with `marker` (at most 4 KiB each; CR LF taken as LF), put in front
// of them: a line the file keeps at its head is not lost with the head. They
// are looked for a piece at a time in the file's first `scanBytes`; `whole`
// tells whether that reached the last byte before the tail.
struct Tail
{
    QByteArray bytes;
    bool whole = true;
};
Tail readTail(const QString &path, qint64 maxBytes, QByteArrayView marker, qint64 scanBytes);

// The whole of a plain file of at most `maxBytes`, read without following a
// link and without waiting (a pipe, a device or a folder is refused, as is a
// larger file: a link to /dev/zero never fills the memory). Nothing, with the
// reason in `why`, when there is no such file or it cannot be read whole.
std::optional<QByteArray> readPlain(const QString &path, qint64 maxBytes, QString *why = nullptr);

// The first `maxBytes` (fewer when the file is shorter) of a plain file, read
// as readPlain reads it: never through a link, never waiting. The file's
// whole size in `size`. Nothing when there is no such file or it cannot be read.
std::optional<QByteArray> readHead(const QString &path, qint64 maxBytes, qint64 *size = nullptr);

} // namespace wholefile
