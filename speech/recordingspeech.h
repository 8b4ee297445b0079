#pragma once
#include "speech/directss.h"

#include <QList>
#include <QStringList>

// A speech control that makes no sound and records every call in order, so
// tests can check which text was spoken in which voice. Its modes are given
// at construction (language id and name each).
class RecordingSpeech : public DirectSS
{
    Q_OBJECT

public:
    struct Mode
    {
        int language;
        QString name;
    };
    struct Event
    {
        enum Kind { Speak, Stop } kind;
        int mode;    // CurrentMode at the time of the call
        int speed;   // Speed at the time of the call
        QString text;
    };

    explicit RecordingSpeech(QList<Mode> modes = defaultModes(), QObject *parent = nullptr);
    static QList<Mode> defaultModes();

    void setCurrentMode(int mode) override;
    int currentMode() const override { return m_mode; }
    void setSpeed(int speed) override { m_speed = speed; }
    int speed() const override { return m_speed; }
    int EngineModeCount() const override { return int(m_modes.size()); }
    int EngineModeLanguage(int mode) const override;
    QString EngineModeName(int mode) const override;
    void SpeakText(const QString &text) override;
    void StopSpeaking() override;
    bool isSpeaking() const override { return m_speaking; }
    void forgetUserTexts() override { ++m_forgotten; }
    // How often the user's own texts were forgotten.
    int forgotten() const { return m_forgotten; }

    // The texts "heard" to their end: at once (each text ends as soon as the
    // program gets back to its event loop), or only when finishSpeaking() says.
    void setEndsAtOnce(bool atOnce) { m_endsAtOnce = atOnce; }
    void finishSpeaking();

    const QList<Event> &events() const { return m_events; }
    // The texts passed to SpeakText, in order.
    QStringList spokenTexts() const;
    void clear() { m_events.clear(); }

private:
    QList<Mode> m_modes;
    QList<Event> m_events;
    int m_mode = 0;
    int m_speed = 0;
    bool m_speaking = false;
    bool m_endsAtOnce = false;
    int m_forgotten = 0;
};
