#include "app/apperror.h"
#include "app/mainform.h"
#include "app/messageboxes.h"
#include "app/profilefile.h"
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
    showChoice();
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
    showChoice();
    m_form.settings().writeString(kSection, kEngineKey, choiceName(choice));
    m_engine.reset();
    if (m_enabled && choice != EngineChoice::Anthy)
        m_engine = makeEngine(choice);
    const QString reason = MozcEngine::unavailableReason();
    if (choice == EngineChoice::Mozc && !reason.isEmpty()) {
        m_form.speakMessage(QStringLiteral("もずくは つかえません。あんしーで へんかんします"));
        boxes::notice(&m_form, reason + QStringLiteral("。Mozc は使えないので、Anthy で変換します。"));
    }
}

void Writing::recordChoice()
{
    // Switched on for the first time: the engine chosen for new users is kept.
    if (m_form.settings().readString(kSection, kEngineKey, {}).isEmpty())
        m_form.settings().writeString(kSection, kEngineKey, choiceName(m_choice));
}

void Writing::showChoice()
{
    const MenuItems &m = m_form.menus;
    m.EngineAnthy1->setChecked(m_choice == EngineChoice::Anthy);
    m.EngineMozc1->setChecked(m_choice == EngineChoice::Mozc);
    m.EngineAuto1->setChecked(m_choice == EngineChoice::Automatic);
}

} // namespace kanji
