#pragma once
#include <QString>
#include <QStringView>
#include <array>

#include "base/keytable.h"

// What a press of an entry key (Tag 1 to 56) does to the text and what it
// says, worked out without a window. The voicing marks look only at the key
// last entered (lastKey), never at the text, except to refuse a character
// that cannot be replaced whole.
namespace composition {

struct Entry
{
    enum Kind {
        Insert,          // put `text` in at the insertion point
        ReplacePrevious, // a voicing mark: the character before the insertion point becomes `text`
        Refused          // a mark that cannot apply: beep, change nothing, say nothing
    };
    Kind kind = Refused;
    QString text;   // what goes into the text
    QString spoken; // what is said in the decision voice (empty when refused)
};

// The voiced (mark = 49, "゛") or half-voiced (mark = 50, "゜") form of the kana
// of the key with Tag lastKey, from the voiced-form entries of the reading
// table; empty when the mark cannot apply to that key.
QString voicedForm(int mark, int lastKey, const std::array<QString, readings::kCount> &readingTable);

// The press of the entry key `tag` with caption `caption`. `before` is the
// whole character standing before the insertion point (empty at the start of
// the text); a mark refuses to replace a missing or single-byte character.
Entry entryFor(int tag, const QString &caption, int lastKey,
               const std::array<QString, readings::kCount> &readingTable, QStringView before);

// What the press of an entry key says for the text it enters.
QString spokenFor(int tag, const QString &entered, const std::array<QString, readings::kCount> &readingTable);

// Characters. A position counts UTF-16 units; a character outside the Basic
// Multilingual Plane is two units and is never split.

// Start of the whole character that ends at `pos` (pos itself when pos is 0).
int previousCharacterStart(QStringView text, int pos);

// The whole character that ends at `pos`; empty at the start.
QStringView characterBefore(QStringView text, int pos);

// True for a character that takes one byte in the files' encoding (ASCII,
// tab and the other control characters, half-width katakana); a line break,
// written as CR LF, is not one.
bool isSingleByte(QStringView character);

// True for a line break character of the text ("\n", a lone CR, the Unicode
// line and paragraph separators).
bool isLineBreak(QStringView character);

} // namespace composition
