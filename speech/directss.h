#pragma once
#include <QObject>
#include <QString>

// The speech control owned by the main window. Voices are engine modes
// numbered from 1 to EngineModeCount(); each has a name and a Windows
// language identifier (1041 Japanese, 1033 English).
//
// Every member is called from the user-interface thread and returns at once:
// SpeakText queues the text behind whatever is being spoken, StopSpeaking
// silences what is speaking and drops what is queued. A member that fails
// throws AppError; the operation that called it ends and shows the message.
class DirectSS : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int CurrentMode READ currentMode WRITE setCurrentMode)
    Q_PROPERTY(int Speed READ speed WRITE setSpeed)

public:
    using QObject::QObject;

    // Voice of the texts that follow. A mode the engine does not have is
    // taken as mode 1.
    virtual void setCurrentMode(int mode) = 0;
    virtual int currentMode() const = 0;
    // Rate of the texts that follow; 100 is the voice's natural rate.
    virtual void setSpeed(int speed) = 0;
    virtual int speed() const = 0;

    virtual int EngineModeCount() const = 0;
    virtual int EngineModeLanguage(int mode) const = 0;
    virtual QString EngineModeName(int mode) const = 0;
    virtual void SpeakText(const QString &text) = 0;
    // Whether a voice reads kanji (Open JTalk does; eSpeak NG reads kana only).
    virtual bool readsKanji(int mode) const { return !EngineModeName(mode).startsWith(QStringLiteral("eSpeak")); }
    virtual void StopSpeaking() = 0;

    // Whether something given to SpeakText may still be heard.
    virtual bool isSpeaking() const = 0;

    // Forgets the audio kept of the user's own texts (what was read aloud,
    // the row's words, candidates), keeping what the program itself says.
    virtual void forgetUserTexts() {}

signals:
    // Everything given to SpeakText has been heard, or dropped by
    // StopSpeaking: the output has fallen silent.
    void speechEnded();
};
