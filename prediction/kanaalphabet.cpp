#include "prediction/kanaalphabet.h"

#include "base/keytable.h"

#include <QHash>

namespace prediction {

namespace {

// Captions of the kana and mark keys (Tags 1 to 55) by character.
const QHash<char16_t, Symbol> &captionSymbols()
{
    static const QHash<char16_t, Symbol> map = [] {
        QHash<char16_t, Symbol> m;
        for (int tag = 1; tag <= keys::kLongVowel; ++tag)
            m.insert(keys::table()[tag].caption.at(0).unicode(), Symbol(tag - 1));
        return m;
    }();
    return map;
}

// Kana the board has no key for, and the kana written in their place.
char16_t stand_in(char16_t c)
{
    switch (c) {
    case u'ぁ': return u'あ';
    case u'ぃ': return u'い';
    case u'ぅ': return u'う';
    case u'ぇ': return u'え';
    case u'ぉ': return u'お';
    case u'ゎ': return u'わ';
    case u'ゕ': return u'か';
    case u'ゖ': return u'け';
    case u'ゐ': return u'い';
    case u'ゑ': return u'え';
    case u'〜': case u'～': return u'ー';
    case u'，': case u',': return u'、';
    case u'．': case u'.': case u'！': case u'!': case u'？': case u'?': return u'。';
    default: return c;
    }
}

// Half-width katakana as full-width katakana (a half-width voicing mark as
// the combining mark), full-width katakana as hiragana.
QString asHiragana(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0xFF61 && c <= 0xFF9F) {
            const QString wide = QString(ch).normalized(QString::NormalizationForm_KC);
            for (QChar w : wide) {
                const char16_t k = w.unicode();
                out += (k >= 0x30A1 && k <= 0x30F6) ? QChar(char16_t(k - 0x60)) : w;
            }
            continue;
        }
        if (c >= 0x30A1 && c <= 0x30F6)
            c = char16_t(c - 0x60);
        else if (c >= 0x30F7 && c <= 0x30FA) // ヷ ヸ ヹ ヺ: the board cannot voice わ い え を
            c = u"わいえを"[c - 0x30F7];
        out += QChar(c);
    }
    return out;
}

} // namespace

QString symbolText(Symbol s)
{
    if (s == kSpace)
        return QStringLiteral("\u3000");
    if (s == kNewLine)
        return QStringLiteral("\n");
    return s < kSymbolCount ? keys::table()[tagOf(s)].caption : QString();
}

bool takesMark(Symbol mark, Symbol previous)
{
    const int tag = tagOf(previous);
    if (mark == kVoiced)
        return (tag >= 6 && tag <= 20) || (tag >= 26 && tag <= 30);
    if (mark == kSemiVoiced)
        return tag >= 26 && tag <= 30;
    return false;
}

std::vector<Symbol> reduce(QStringView text)
{
    const QString plain = asHiragana(text).normalized(QString::NormalizationForm_D);
    std::vector<Symbol> out;
    out.reserve(plain.size());
    const auto push = [&out](Symbol s) {
        if (s == kBreak && (out.empty() || out.back() == kBreak))
            return;
        if (s == kSpace && !out.empty() && out.back() == kSpace)
            return;
        out.push_back(s);
    };
    bool afterCr = false;
    for (const QChar ch : plain) {
        const char16_t c = stand_in(ch.unicode());
        const bool lfOfCrLf = afterCr && c == u'\n';
        afterCr = c == u'\r';
        if (lfOfCrLf)
            continue;
        Symbol mark = kBreak;
        if (c == 0x3099 || c == 0x309B)
            mark = kVoiced;
        else if (c == 0x309A || c == 0x309C)
            mark = kSemiVoiced;
        if (mark != kBreak) {
            // Only where the board's mark key could have put it.
            if (!out.empty() && takesMark(mark, out.back()))
                out.push_back(mark);
            continue;
        }
        if (c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029) {
            out.push_back(kNewLine);
            continue;
        }
        if (c == u' ' || c == u'\t' || c == 0x3000) {
            push(kSpace);
            continue;
        }
        const auto found = captionSymbols().constFind(c);
        push(found == captionSymbols().cend() ? kBreak : found.value());
    }
    return out;
}

History historyOf(QStringView before, int length)
{
    // Every character the alphabet lacks is a break and every other gives at
    // least one symbol (runs of spaces excepted), so a short tail suffices.
    qsizetype from = qMax<qsizetype>(0, before.size() - (2 * length + 32));
    if (from > 0 && before[from].isLowSurrogate())
        --from;
    const std::vector<Symbol> tail = reduce(before.mid(from));
    History h;
    auto phraseStart = tail.begin();
    bool startKnown = from == 0;
    for (auto it = tail.begin(); it != tail.end(); ++it) {
        if (*it == kBreak) {
            phraseStart = it + 1;
            startKnown = true;
        }
    }
    const qsizetype available = tail.end() - phraseStart;
    const qsizetype kept = qMin<qsizetype>(available, length);
    h.symbols.assign(tail.end() - kept, tail.end());
    h.atStart = startKnown && kept == available;
    return h;
}

} // namespace prediction
