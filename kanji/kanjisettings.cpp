#include "kanji/kanjisettings.h"

#include "base/apperror.h"
#include "kanji/kanjiwriting.h"

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
}

void Writing::recordChoice()
{
    // Switched on for the first time: the engine chosen for new users is kept.
    const ProfileFile ini = m_ctx.window.settings();
    if (ini.text(schema::kEngine).isEmpty())
        ini.write(schema::kEngine, choiceName(m_choice));
}

} // namespace kanji
