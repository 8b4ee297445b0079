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

// After a word the same reading has other forms: kept apart.
QString keyOf(const QString &reading, bool afterWord)
{
    return afterWord ? QChar(u'\x01') + reading : reading;
}

} // namespace

std::optional<Forms> WordForms::find(const QString &reading, bool afterWord) const
{
    const auto it = m_forms.constFind(keyOf(reading, afterWord));
    return it == m_forms.cend() ? std::nullopt : std::optional<Forms>(*it);
}

Forms WordForms::convert(Engine *engine, const QString &reading, bool afterWord)
{
    if (const auto known = find(reading, afterWord))
        return *known;
    // Only a reading conversion would take is given to the engine: kana and
    // "ー", of phrase length.
    bool readable = !reading.isEmpty() && reading.size() <= History::kMaxPhraseLength;
    for (const QChar c : reading)
        readable = readable && isRunCharacter(c);
    const Forms forms = engine && readable ? formsOf(engine->convert(reading), reading, afterWord) : Forms();
    m_forms.insert(keyOf(reading, afterWord), forms);
    m_order << keyOf(reading, afterWord);
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
