#include "speech/voices.h"

#include "base/keytable.h"

#include "speech/announcements.h"
#include "speech/audioout.h"
#include "speech/directss.h"

namespace speech {

Voices::Voices(DirectSS &engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    connect(&m_engine, &DirectSS::speechEnded, this, &Voices::ended);
}

bool Voices::readsKanji(Role role) const
{
    return m_engine.readsKanji(voice(role));
}

void Voices::stop()
{
    m_engine.StopSpeaking();
}

bool Voices::speaking() const
{
    return m_engine.isSpeaking();
}

qint64 Voices::now()
{
    return AudioOut::now();
}

void Voices::use(Role role)
{
    m_engine.setCurrentMode(voice(role));
    m_engine.setSpeed(100);
}

void Voices::say(const QString &text, Role role, When when)
{
    m_text = text;
    if (when == When::Cutting)
        stop();
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
    if (m_namesToScreenReader)
        return false;
    say(text, role, When::Cutting);
    return true;
}

} // namespace speech
