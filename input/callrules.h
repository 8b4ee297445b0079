#pragma once
#include <QtGlobal>
#include <optional>
#include <set>

// When the call for help starts and stops, as pure rules over the presses
// and releases the program receives (times in ms on one steady clock).
//
// A press of a call switch (the switch, or for other methods Enter or the
// pointer's left button) that is held for the hold time starts the call; the
// press itself has acted as it always does, and its release is taken so that
// the hold does not act again. While the call sounds every input is taken:
// any other key or click stops it, and so does the call switch pressed again
// once 2 s have passed since the call began (a press sooner is the same
// person still pressing). The release of what stopped the call is taken too.
namespace input {

class CallRules
{
public:
    static constexpr qint64 kStopAfterMs = 2000;

    enum class Effect {
        Pass,  // the event goes on as it always would
        Take,  // the event is taken: nothing else sees it
        Stop,  // the call stops; the event is taken
    };

    // 0: no call by holding.
    void setHold(int ms);
    int hold() const { return m_hold; }

    // `input` identifies a key or button (any stable number); `callSwitch`
    // whether it is a call switch for the method in use.
    Effect pressed(int input, bool callSwitch, qint64 now);
    Effect released(int input, qint64 now);
    // When the held switch reaches the hold time, if one is held.
    std::optional<qint64> due() const;
    // The time has come: true when the call starts now.
    bool reached(qint64 now);
    // Started another way ("よぶ"): the same as a hold reached.
    void start(qint64 now);
    // Stopped another way (the window closes).
    void stop();

    bool calling() const { return m_calling; }

private:
    int m_hold = 0;
    bool m_calling = false;
    qint64 m_startedAt = 0;
    std::optional<int> m_held;    // the call switch held now
    qint64 m_heldSince = 0;
    std::set<int> m_takeRelease;  // inputs whose release is taken
};

} // namespace input
