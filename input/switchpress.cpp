#include "input/switchpress.h"

namespace input {

bool PressFilter::down(int which, qint64 now)
{
    // A second press without a release between (the release went to
    // another window) is a new press: the key filter has dropped repeats.
    Switch &s = m_switches[which & 1];
    s = {true, !ignored(now), now};
    if (!s.waiting || m_hold > 0)
        return false;
    s.waiting = false;
    m_counted = now;
    return true;
}

bool PressFilter::up(int which, qint64 now)
{
    Switch &s = m_switches[which & 1];
    const bool counts = s.waiting && now - s.since >= m_hold;
    if (counts)
        m_counted = now;
    s.down = false;
    s.waiting = false;
    return counts;
}

std::optional<qint64> PressFilter::due() const
{
    std::optional<qint64> at;
    for (const Switch &s : m_switches)
        if (s.waiting && (!at || s.since + m_hold < *at))
            at = s.since + m_hold;
    return at;
}

std::optional<int> PressFilter::held(qint64 now)
{
    for (int i = 0; i < 2; ++i) {
        Switch &s = m_switches[i];
        if (s.waiting && now - s.since >= m_hold) {
            s.waiting = false;
            m_counted = now;
            return i;
        }
    }
    return std::nullopt;
}

} // namespace input
