#include "base/apperror.h"
#include "base/profilefile.h"
#include "kanji/kanjiwriting.h"
#include "kanji/mozcengine.h"

// The engine of conversion on the window: from the settings file at start,
// and from the menu "文字" → "変換エンジン".
namespace kanji {

namespace {
const QString kSection = QStringLiteral("文字");
const QString kKey = QStringLiteral("漢字");
const QString kEngineKey = QStringLiteral("エンジン");
} // namespace

void Writing::readSettings(const ProfileFile &ini)
{
    const QString engine = ini.readString(kSection, kEngineKey, {});
    const QString option = ini.readString(kSection, kKey, {});
    m_choice = choiceOf(engine, option);
    emit engineChosen(m_choice);
    setEnabled(ini.readBool(kSection, kKey, false));
    // A file that had conversion before there was a choice keeps Anthy, and
    // says so from now on. (A file that cannot be written comes to the same
    // choice next time: nothing more is said about it here.)
    if (engine.isEmpty() && !option.isEmpty()) {
        try {
            ini.writeString(kSection, kEngineKey, choiceName(m_choice));
        } catch (const AppError &) {
        }
    }
}

void Writing::chooseEngine(EngineChoice choice)
{
    commitAll();
    m_choice = choice;
    emit engineChosen(m_choice);
    m_ctx.window.settings().writeString(kSection, kEngineKey, choiceName(choice));
    m_engine.reset();
    if (m_enabled && choice != EngineChoice::Anthy)
        m_engine = makeEngine(choice);
    const QString reason = MozcEngine::unavailableReason();
    if (choice == EngineChoice::Mozc && !reason.isEmpty()) {
        say(QStringLiteral("もずくは つかえません。あんしーで へんかんします"));
        m_ctx.window.notice(reason + QStringLiteral("。Mozc は使えないので、Anthy で変換します。"));
    }
}

void Writing::recordChoice()
{
    // Switched on for the first time: the engine chosen for new users is kept.
    const ProfileFile ini = m_ctx.window.settings();
    if (ini.readString(kSection, kEngineKey, {}).isEmpty())
        ini.writeString(kSection, kEngineKey, choiceName(m_choice));
}

} // namespace kanji
