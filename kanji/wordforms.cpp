#include "kanji/wordforms.h"

#include "kanji/candidatecycle.h"
#include "kanji/history.h"

namespace kanji {

bool holdsKanji(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x309f) || (u >= 0x30a0 && u <= 0x30ff) || u == 0x30fc;
        if (!kana && c.isLetter())
            return true;
    }
    return false;
}

namespace {

bool isHiragana(QChar c)
{
    return (c.unicode() >= 0x3041 && c.unicode() <= 0x309f) || c == u'ー';
}

} // namespace

Forms formsOf(QList<Phrase> phrases, const QString &reading, bool afterWord)
{
    if (afterWord)
        leadWithPlain(phrases);
    QString joinedReading, whole;
    for (const Phrase &p : phrases) {
        joinedReading += p.reading;
        whole += p.candidates.isEmpty() ? p.reading : p.candidates.front();
        if (joinedReading.size() > reading.size())
            return {};
    }
    if (phrases.isEmpty() || joinedReading != reading)
        return {};
    Forms forms;
    const auto offer = [&forms](const QString &r, const QString &t) {
        const Form f{r, t};
        if (holdsKanji(t) && History::acceptable(r, t) && !forms.contains(f))
            forms << f;
    };
    offer(reading, whole);
    const Phrase &first = phrases.front();
    const QString firstText = first.candidates.isEmpty() ? first.reading : first.candidates.front();
    offer(first.reading, firstText);
    // The kana the phrase ends in (a particle, an ending) are the same in
    // its reading: without them the word alone remains.
    int kana = 0;
    while (kana < firstText.size() && kana < first.reading.size()
           && isHiragana(firstText[firstText.size() - 1 - kana])
           && firstText[firstText.size() - 1 - kana] == first.reading[first.reading.size() - 1 - kana])
        ++kana;
    if (kana > 0)
        offer(first.reading.chopped(kana), firstText.chopped(kana));
    return forms;
}

namespace {

// After a word, or as written, the same reading has other forms: kept apart.
QString keyOf(const QString &reading, bool afterWord, bool asWritten)
{
    return QString(QChar(u'\x01' + (afterWord ? 1 : 0) + (asWritten ? 2 : 0))) + reading;
}

// A word as the engine predicts it may be a whole saying with "！" or
// letters in it; a word of kanji and kana alone is offered.
bool isWord(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x3096) || (u >= 0x30a1 && u <= 0x30fa) || u == 0x30fc;
        const bool kanji = (u >= 0x4e00 && u <= 0x9fff) || (u >= 0x3400 && u <= 0x4dbf) || u == 0x3005;
        if (!kana && !kanji)
            return false;
    }
    return true;
}

bool isKana(const QString &reading)
{
    bool readable = !reading.isEmpty() && reading.size() <= History::kMaxPhraseLength;
    for (const QChar c : reading)
        readable = readable && isRunCharacter(c);
    return readable;
}

} // namespace

std::optional<Forms> WordForms::find(const QString &reading, bool afterWord, bool asWritten) const
{
    const auto it = m_forms.constFind(keyOf(reading, afterWord, asWritten));
    return it == m_forms.cend() ? std::nullopt : std::optional<Forms>(*it);
}

Forms WordForms::convert(Engine *engine, const QString &reading, bool afterWord, bool asWritten)
{
    if (const auto known = find(reading, afterWord, asWritten))
        return *known;
    // Only a reading conversion would take is given to the engine: kana and
    // "ー", of phrase length.
    const bool readable = engine && isKana(reading);
    Forms forms = readable ? formsOf(engine->convert(reading), reading, afterWord) : Forms();
    // What the engine predicts from the word as written: words whose reading
    // goes on from it. Not after a kanji word of the row, where the kana
    // written end that word rather than begin one.
    if (readable && asWritten && !afterWord) {
        int taken = 0;
        for (const Form &f : engine->suggest(reading)) {
            if (taken >= kMaxPredicted)
                break;
            if (!f.reading.startsWith(reading) || !isKana(f.reading) || !holdsKanji(f.text) || !isWord(f.text)
                || !History::acceptable(f.reading, f.text) || forms.contains(Form{f.reading, f.text}))
                continue;
            forms << Form{f.reading, f.text, true};
            ++taken;
        }
    }
    const QString key = keyOf(reading, afterWord, asWritten);
    m_forms.insert(key, forms);
    m_order << key;
    while (m_order.size() > kMaxKept)
        m_forms.remove(m_order.takeFirst());
    return forms;
}

void WordForms::clear()
{
    m_forms.clear();
    m_order.clear();
}

} // namespace kanji
