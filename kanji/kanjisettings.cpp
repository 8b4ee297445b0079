#include "kanji/kanjisettings.h"

#include "base/apperror.h"
#include "kanji/kanjiwriting.h"

#include <algorithm>

// The option and the engine of conversion as the settings file keeps them.
namespace kanji {

void Writing::readSettings(const ProfileFile &ini)
{
    const QString engine = ini.read(schema::kEngine);
    const QString option = ini.text(schema::kOption);
    m_choice = choiceOf(engine, option);
    emit engineChosen(m_choice);
    setEnabled(ini.read(schema::kOption));
    // A file that had conversion before there was a choice keeps Anthy, and
    // says so from now on. (A file that cannot be written comes to the same
    // choice next time: nothing more is said about it here.)
    if (engine.isEmpty() && !option.isEmpty()) {
        try {
            ini.write(schema::kEngine, choiceName(m_choice));
        } catch (const AppError &) {
        }
    }
    // The same for the kanji words of the row: kept off where conversion
    // was known before them.
    m_odds.setCounts({ini.read(schema::kAskedNext), ini.read(schema::kTookShown), ini.read(schema::kConverted),
                      ini.read(schema::kUnconverted)});
    const bool wordsKnown = !ini.text(schema::kWords).isEmpty();
    setWordsOffered(wordsKnown ? ini.read(schema::kWords) : option.isEmpty());
    if (!wordsKnown && !option.isEmpty()) {
        try {
            ini.write(schema::kWords, false);
        } catch (const AppError &) {
        }
    }
}

void Writing::setWordsOffered(bool on)
{
    m_wordsOffered = on;
    emit wordsOfferedChanged(on);
}

void Writing::saveOdds(const ConversionOdds::Counts &before)
{
    // A help, not the user's writing: a file that cannot be written keeps
    // what was learnt for the session.
    const ConversionOdds::Counts &now = m_odds.counts();
    const std::pair<const settings::RangeKey *, int> changed[] = {
        {&schema::kAskedNext, now.next != before.next ? now.next : -1},
        {&schema::kTookShown, now.took != before.took ? now.took : -1},
        {&schema::kConverted, now.converted != before.converted ? now.converted : -1},
        {&schema::kUnconverted, now.unconverted != before.unconverted ? now.unconverted : -1}};
    try {
        for (const auto &[key, value] : changed)
            if (value >= 0)
                m_ctx.window.settings().write(*key, std::min(value, key->standard.high));
    } catch (const AppError &) {
    }
}

void Writing::toggleWordsOffered()
{
    setWordsOffered(!m_wordsOffered);
    m_ctx.window.settings().write(schema::kWords, m_wordsOffered);
}

void Writing::recordChoice()
{
    // Switched on for the first time: the engine chosen for new users is kept.
    const ProfileFile ini = m_ctx.window.settings();
    if (ini.text(schema::kEngine).isEmpty())
        ini.write(schema::kEngine, choiceName(m_choice));
    if (ini.text(schema::kWords).isEmpty())
        ini.write(schema::kWords, m_wordsOffered);
}

} // namespace kanji
