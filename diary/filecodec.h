#pragma once
#include <QByteArray>
#include <QString>

// The bytes of the text files the program writes and reads: diaries saved by
// the one-key save and under a chosen name, files opened into the display,
// the read-me. In memory a line break is one "\n"; on disk it is CR LF.
namespace filecodec {

// The plain text as file bytes: Shift-JIS with CR LF between lines, no
// byte-order mark, nothing added. Text that Shift-JIS cannot hold without
// loss (emoji, rare kanji, the wave dash of other systems) is written as
// UTF-8 behind a byte-order mark instead, so that no character becomes "?".
QByteArray encode(QStringView text);

// File bytes as text: UTF-8, UTF-16 LE or UTF-16 BE when a byte-order mark
// says so; UTF-8 when the bytes are valid UTF-8 and not plain ASCII;
// otherwise Shift-JIS. CR LF and lone CR become "\n". Bytes that make no
// sense, and control characters other than tab and line breaks, become
// U+FFFD, so that a binary file opens as readable replacement characters.
QString decode(QByteArrayView bytes);

// Files larger than this are refused by readFile: a diary is a few
// kilobytes, and the display could not take in a very long text at once
// without the window stalling.
inline constexpr qint64 kMaxOpenBytes = 1024 * 1024;

// Writes the text to the file in the form of encode(), creating it or
// replacing it completely. The old file is replaced only once the new one is
// completely written; a file or folder marked read-only is left alone.
// Throws AppError("ファイル <path> を作成できません") when it cannot.
void writeFile(const QString &path, QStringView text);

// Reads a text file as decode() does. Throws AppError("ファイル <path> は開けません")
// when the file is missing, is not a plain file, cannot be read, or is
// larger than kMaxOpenBytes.
QString readFile(const QString &path);

} // namespace filecodec
