#pragma once
#include <QString>

class DirectSS;

// Speaking by role: the one way the window's features speak. Each text is
// said in the voice of its role at the natural rate, either cutting what is
// being said (a key or a scan place reached) or queued behind it.
namespace speech {

enum class Role { Selection, Decision };
enum class When { Queued, Cutting };

class Voices
{
public:
    explicit Voices(DirectSS &engine) : m_engine(engine) {}
    DirectSS &engine() const { return m_engine; }

    // The engine modes of the two roles: the voice heard when a key is
    // reached, and the voice of everything that follows a decision.
    int Selection_voice = 0;
    int Decision_voice = 0;

    void say(const QString &text, Role role, When when = When::Queued);
    // With a screen reader following the accessible focus ("スクリーンリーダーがよむ"),
    // the names of reached keys and scan places are its to say.
    bool namesToScreenReader = false;
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

private:
    DirectSS &m_engine;
    QString m_text;
    bool m_greetingPending = true;
};

} // namespace speech
