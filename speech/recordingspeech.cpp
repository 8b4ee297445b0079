#include "speech/recordingspeech.h"

RecordingSpeech::RecordingSpeech(QList<Mode> modes, QObject *parent)
    : DirectSS(parent), m_modes(std::move(modes))
{
}

QList<RecordingSpeech::Mode> RecordingSpeech::defaultModes()
{
    return {{1041, QStringLiteral("記録 男性")}, {1041, QStringLiteral("記録 女性")}};
}

void RecordingSpeech::setCurrentMode(int mode)
{
    m_mode = (mode >= 1 && mode <= m_modes.size()) ? mode : 1;
}

int RecordingSpeech::EngineModeLanguage(int mode) const
{
    return (mode >= 1 && mode <= m_modes.size()) ? m_modes[mode - 1].language : 0;
}

QString RecordingSpeech::EngineModeName(int mode) const
{
    return (mode >= 1 && mode <= m_modes.size()) ? m_modes[mode - 1].name : QString();
}

void RecordingSpeech::SpeakText(const QString &text)
{
    m_events.append({Event::Speak, m_mode, m_speed, text});
    m_speaking = true;
    if (m_endsAtOnce) {
        const qsizetype count = m_events.size();
        QMetaObject::invokeMethod(this, [this, count] {
            if (m_events.size() == count) // nothing said since
                finishSpeaking();
        }, Qt::QueuedConnection);
    }
}

void RecordingSpeech::StopSpeaking()
{
    m_events.append({Event::Stop, m_mode, m_speed, QString()});
    if (!m_speaking)
        return;
    m_speaking = false;
    QMetaObject::invokeMethod(this, [this] {
        if (!m_speaking)
            emit speechEnded();
    }, Qt::QueuedConnection);
}

void RecordingSpeech::finishSpeaking()
{
    if (!m_speaking)
        return;
    m_speaking = false;
    emit speechEnded();
}

QStringList RecordingSpeech::spokenTexts() const
{
    QStringList texts;
    for (const Event &e : m_events)
        if (e.kind == Event::Speak)
            texts.append(e.text);
    return texts;
}
