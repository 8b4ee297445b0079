#include "speech/voices.h"

#include "base/keytable.h"

#include "speech/announcements.h"
#include "speech/directss.h"

namespace speech {

void Voices::use(Role role)
{
    m_engine.setCurrentMode(role == Role::Selection ? Selection_voice : Decision_voice);
    m_engine.setSpeed(100);
}

void Voices::say(const QString &text, Role role, When when)
{
    m_text = text;
    if (when == When::Cutting)
        m_engine.StopSpeaking();
    use(role);
    m_engine.SpeakText(m_text);
}

void Voices::sayInCurrentVoice(const QString &text)
{
    m_text = text;
    m_engine.SpeakText(m_text);
}

bool Voices::announceKey(int tag, const QString &caption)
{
    const QString text = announcements::forKey(tag, caption, m_greetingPending);
    const bool greeting = m_greetingPending && tag == keys::kRead;
    m_greetingPending = m_greetingPending && !greeting;
    if (greeting)
        say(text, Role::Selection, When::Cutting);
    else
        sayName(text);
    return greeting;
}

void Voices::forgetUserTexts()
{
    m_engine.forgetUserTexts();
}

bool Voices::sayName(const QString &text, Role role)
{
    if (namesToScreenReader)
        return false;
    say(text, role, When::Cutting);
    return true;
}

} // namespace speech
