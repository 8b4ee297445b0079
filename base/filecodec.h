#pragma once
#include <QByteArray>
#include <QString>

// The bytes of the text files the program writes and reads: diaries saved by
// the one-key save and under a chosen name, files opened into the display,
// the read-me. In memory a line break is one "\n"; on disk it is CR LF.
namespace filecodec {

// The plain text as file bytes: Shift-JIS with CR LF between lines, no
// byte-order mark, nothing added; the marks of bytes that could not be read
// (U+FFFD) are written as "?". Text that Shift-JIS cannot hold without loss
// (emoji, rare kanji, the wave dash of other systems) is written as UTF-8
// behind a byte-order mark instead, so that no character becomes "?".
QByteArray encode(QStringView text);

// File bytes as text: UTF-8, UTF-16 LE or UTF-16 BE when a byte-order mark
// says so. Unmarked bytes are Shift-JIS (as Windows reads code page 932),
// unless they are valid UTF-8 whose reading is plainly more Japanese text
// than the Shift-JIS one (kana and kanji rather than accented Latin
// letters). Then as cleaned() leaves it.
QString decode(QByteArrayView bytes);

// A text from outside (an opened file, the clipboard) as the display takes
// it: CR LF and lone CR become "\n"; control characters other than tab and
// line breaks (DEL and U+0080-U+009F among them), and halves of characters
// (a surrogate without its partner), become U+FFFD, so that a binary file
// opens as readable replacement characters and nothing invisible reaches a
// saved file or a mail.
QString cleaned(const QString &text);

// Files larger than this are refused by readFile: a diary is a few
// kilobytes, and the display could not take in a very long text at once
// without the window stalling.
inline constexpr qint64 kMaxOpenBytes = 1024 * 1024;

// What a write did to the file's form.
enum class Written {
    InItsForm, // Shift-JIS, or UTF-8 where the file was UTF-8 already
    NowUtf8,   // UTF-8 to keep every character, where the file was not (or was new)
};

// Writes the text to the file in the form of encode(), creating it or
// replacing it completely. The old file is replaced only once the new one is
// completely written and on the disk; a file or folder marked read-only is
// left alone, and so is the old file when the disk is full.
// Throws AppError("ファイル <path> を作成できません") when it cannot.
Written writeFile(const QString &path, QStringView text);

// Reads a text file as decode() does. Throws AppError("ファイル <path> は開けません")
// when the file is missing, is not a plain file, cannot be read, or is
// larger than kMaxOpenBytes.
QString readFile(const QString &path);

} // namespace filecodec
