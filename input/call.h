#pragma once
#include "base/context.h"
#include "input/callrules.h"
#include "input/callsettings.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QEvent;

// The call for help on the window: a switch held for the hold time (or
// "よぶ" chosen) starts it whatever is open; a chime of its own sounds again
// and again through the program's sound output, the window's frame flashes
// and speech waits, until another key, a click, or the switch pressed again
// after 2 s stops it ("よびだしを　とめました"). What the call sends beyond the
// room (mail/callsend) reports back through tell().
namespace input {

class Methods;
class CallFrame;

// The window's call sounds now (the scan and dwell wait meanwhile).
bool callSounding();

class Call : public QObject
{
    Q_OBJECT

public:
    // A chime is heard this long (pcm::chime) and begins again after a gap.
    static constexpr int kChimeEveryMs = 1200;
    static constexpr int kFlashEveryMs = 400;

    Call(const context::Context &ctx, const Methods &methods);
    ~Call() override;

    void setSettings(const CallSettings &settings);
    const CallSettings &settings() const { return m_settings; }
    // How the chime is played (the program's sound output); unset: silent.
    void setChimePlayer(std::function<void()> player) { m_chime = std::move(player); }

    // A key or mouse event where the window system hands it to one of the
    // program's windows (repeats already dropped); true when the call took it.
    bool filter(QObject *watched, QEvent *event);

    void start();
    void stop();
    // The scan highlights "やすむ" or "よぶ": its name across the window's top
    // in the scan's red (empty: none highlighted).
    void showScanPlace(const QString &name);
    // The chime once, for the helper's test.
    void chimeOnce() { if (m_chime) m_chime(); }
    bool calling() const { return m_rules.calling(); }

    // A result of what the call sent: said at once, or after the call
    // stopped while it sounds (speech waits); a failure is also shown.
    void tell(const QString &spoken, const QString &shown, bool failed);

signals:
    // The call began at `at` (its mail and command go out now).
    void started(const QDateTime &at);
    void chimed();
    void stopped();

private:
    bool isCallKey(int key, bool keypad) const;
    bool isCallButton(QObject *watched, int button, QPointF where) const;
    void judged(CallRules::Effect effect);
    void armHold();
    void holdReached();
    void chime();

    context::Context m_ctx;
    const Methods &m_methods;
    CallSettings m_settings;
    CallRules m_rules;
    std::function<void()> m_chime;
    QTimer m_holdTimer;
    QTimer m_chimeTimer;
    QTimer m_flashTimer;
    CallFrame *m_frame = nullptr;
    struct Told { QString spoken, shown; bool failed; };
    QList<Told> m_told;
};

} // namespace input
