#include "app/compositionrules.h"

namespace composition {

QString voicedForm(int mark, int lastKey, const std::array<QString, readings::kCount> &readingTable)
{
    // か to と (6–20) find their voiced forms at their own Tags; the は row
    // (26–30) finds its voiced forms five places lower and its half-voiced
    // forms at its own Tags.
    if (mark == keys::kVoicedMark) {
        if (lastKey >= 6 && lastKey <= 20)
            return readingTable[lastKey];
        if (lastKey >= 26 && lastKey <= 30)
            return readingTable[lastKey - 5];
    } else if (mark == keys::kSemiVoicedMark) {
        if (lastKey >= 26 && lastKey <= 30)
            return readingTable[lastKey];
    }
    return {};
}

QString spokenFor(int tag, const QString &entered, const std::array<QString, readings::kCount> &readingTable)
{
    switch (tag) {
    case keys::kHa:
        return QStringLiteral("\u30CF"); // the katakana letter, which engines read as "ha"
    case keys::kComma:
    case keys::kFullStop:
    case keys::kLongVowel:
        return readingTable[tag];
    case keys::kSpace:
        return QStringLiteral("くうはく");
    default:
        return entered;
    }
}

Entry entryFor(int tag, const QString &caption, int lastKey,
               const std::array<QString, readings::kCount> &readingTable, QStringView before)
{
    Entry e;
    if (tag == keys::kVoicedMark || tag == keys::kSemiVoicedMark) {
        const QString form = voicedForm(tag, lastKey, readingTable);
        // Nothing before the insertion point, or a one-byte character there,
        // cannot be replaced whole: the mark is refused like an unvoiceable kana.
        if (form.isEmpty() || before.isEmpty() || isSingleByte(before))
            return e;
        e.kind = Entry::ReplacePrevious;
        e.text = form;
    } else {
        e.kind = Entry::Insert;
        e.text = tag == keys::kSpace ? QStringLiteral("\u3000") : caption;
    }
    e.spoken = spokenFor(tag, e.text, readingTable);
    return e;
}

int previousCharacterStart(QStringView text, int pos)
{
    if (pos <= 0)
        return 0;
    pos = qMin(pos, int(text.size()));
    if (pos >= 2 && text[pos - 1].isLowSurrogate() && text[pos - 2].isHighSurrogate())
        return pos - 2;
    return pos - 1;
}

QStringView characterBefore(QStringView text, int pos)
{
    pos = qBound(0, pos, int(text.size()));
    const int start = previousCharacterStart(text, pos);
    return text.mid(start, pos - start);
}

bool isSingleByte(QStringView character)
{
    // A line break is written as CR LF, two bytes like a kana.
    if (character.size() != 1 || isLineBreak(character))
        return false;
    const char16_t c = character[0].unicode();
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

bool isLineBreak(QStringView character)
{
    if (character.size() != 1)
        return false;
    const char16_t c = character[0].unicode();
    return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
}

} // namespace composition
