#pragma once
#include <QtGlobal>
#include <optional>

// When a switch press counts: it must be held at least the hold time, and a
// press that begins within the ignore time after a counted press (of either
// switch) is ignored, so that a tremor or a bounce of the switch does not
// act twice. Times in milliseconds on any steady clock.
namespace input {

class PressFilter
{
public:
    void setTimes(int hold, int ignore)
    {
        m_hold = hold;
        m_ignore = ignore;
    }

    // Switch `which` (0 or 1) went down. True when the press counts at once
    // (no hold time).
    bool down(int which, qint64 now);
    // Switch `which` was let go. True when its press counts now (held long
    // enough, but let go before the timer asked); a shorter press is dropped.
    bool up(int which, qint64 now);
    // A switch press went to something else than the scan (it answered a
    // box): it counts for the ignore time all the same.
    void countedElsewhere(qint64 now) { m_counted = now; }
    // When a held press will count, if one is waiting.
    std::optional<qint64> due() const;
    // The switch whose held press counts at `now`, if any.
    std::optional<int> held(qint64 now);

private:
    struct Switch
    {
        bool down = false;
        bool waiting = false; // down, not counted yet, not ignored
        qint64 since = 0;
    };
    bool ignored(qint64 now) const { return m_counted && now - *m_counted < m_ignore; }

    Switch m_switches[2];
    std::optional<qint64> m_counted; // time the last press counted
    int m_hold = 0;
    int m_ignore = 250;
};

} // namespace input
