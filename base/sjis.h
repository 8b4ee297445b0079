#pragma once
#include <QByteArray>
#include <QString>

// Shift-JIS (code page 932) exists only where bytes meet the disk.
namespace sjis {

// Encodes text as Shift-JIS, control characters as their own bytes. When a character has no Shift-JIS form,
// *lossless is set to false (the byte string then holds a substitute).
QByteArray encode(QStringView text, bool *lossless = nullptr);

// True when every character of the text has a Shift-JIS form.
bool canEncode(QStringView text);

// Decodes Shift-JIS bytes as Windows does; the control codes 0x00-0x1F and
// 0x7F stand for themselves. Bytes that make no sense become U+FFFD; an
// incomplete character at the end becomes one U+FFFD too. *clean, when
// given, tells whether every byte made sense.
QString decode(QByteArrayView bytes, bool *clean = nullptr);

} // namespace sjis
