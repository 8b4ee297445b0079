#pragma once
#include <QObject>
#include <QString>

#include "base/profilefile.h"

class DirectSS;

// Speaking by role: the one way the window's features speak. Each text is
// said in the voice of its role at the natural rate, either cutting what is
// being said (a key or a scan place reached) or queued behind it.
namespace speech {

enum class Role { Selection, Decision };
enum class When { Queued, Cutting };

// The keys the voices and the screen-reader choice are kept in.
namespace schema {
inline const settings::IntKey kSelectionVoice{QStringLiteral("音声"), QStringLiteral("男性"), 1};
inline const settings::IntKey kDecisionVoice{QStringLiteral("音声"), QStringLiteral("女性"), 2};
inline const settings::BoolKey kScreenReader{QStringLiteral("読み"), QStringLiteral("スクリーンリーダー"), false};
} // namespace schema

class Voices : public QObject
{
    Q_OBJECT

public:
    explicit Voices(DirectSS &engine, QObject *parent = nullptr);
    // The engine behind the roles, for speech/ itself (the voice dialog lists
    // its modes) and the program's start-up.
    DirectSS &engine() const { return m_engine; }

    // The engine mode of a role: the voice heard when a key is reached, and
    // the voice of everything that follows a decision.
    int voice(Role role) const { return role == Role::Selection ? m_selection : m_decision; }
    void setVoice(Role role, int mode) { (role == Role::Selection ? m_selection : m_decision) = mode; }
    // Whether the voice of a role reads kanji as they are written (else a
    // word is best said from its reading).
    bool readsKanji(Role role) const;

    void say(const QString &text, Role role, When when = When::Queued);
    // Silences what is being said and drops what is queued.
    void stop();
    // Whether something said may still be heard; ended() follows its end.
    bool speaking() const;
    // With a screen reader following the accessible focus ("スクリーンリーダーがよむ"),
    // the names of reached keys and scan places are its to say.
    bool namesToScreenReader() const { return m_namesToScreenReader; }
    void setNamesToScreenReader(bool on) { m_namesToScreenReader = on; }
    // A reached place's name in the selection voice (or the decision voice,
    // for a scan group's short name), cutting what is said; false when it is
    // left to the screen reader (nothing is said).
    bool sayName(const QString &text, Role role = Role::Selection);
    // The delete command sets no voice of its own: the text is said in the
    // voice set last.
    void sayInCurrentVoice(const QString &text);
    // The voice of a role set for what follows, nothing said.
    void use(Role role);
    // A reached key's announcement (sayName); the greeting, always said, the
    // first time "よむ" is reached. True when that was the greeting.
    bool announceKey(int tag, const QString &caption);
    bool greetingPending() const { return m_greetingPending; }
    // The text last handed to the engine.
    const QString &lastText() const { return m_text; }
    // The audio kept of the user's own texts is forgotten ("よそくの学習を忘れる").
    void forgetUserTexts();

    // The clock the sound is played by, in nanoseconds: what waits on the
    // speech (the switch scan's steps) is timed by it.
    static qint64 now();

signals:
    // Everything said has been heard, or dropped by stop(): the output has
    // fallen silent.
    void ended();

private:
    DirectSS &m_engine;
    int m_selection = 0;
    int m_decision = 0;
    bool m_namesToScreenReader = false;
    QString m_text;
    bool m_greetingPending = true;
};

} // namespace speech
