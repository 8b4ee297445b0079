#pragma once
#include <QByteArrayView>
#include <QString>

// Replacing a file's content as a whole: the old file is replaced only once
// the new one is completely written, so a full disk, a refused write or a
// killed program never leaves a cut or empty file where a good one was.
namespace wholefile {

// Writes the bytes as the file's whole content, creating it when missing.
// Returns false, leaving any old file as it was, when the path names no
// plain file, the folder is missing, the file or folder is marked read-only
// (also for a user the system would let through, such as the administrator),
// or the write fails.
[[nodiscard]] bool replace(const QString &path, QByteArrayView bytes);

} // namespace wholefile
