#include "input/heldkeys.h"

namespace input {

bool HeldKeys::wouldBeRepeat(quint32 code, bool markedRepeat, quint64 time) const
{
    if (markedRepeat)
        return true;
    if (code == 0)
        return false;
    if (m_down.contains(code))
        return true;
    // A time of 0 is no time (events passed on by the accessibility bridge
    // lose theirs): such a press is judged by the keys down and the mark.
    if (time == 0)
        return false;
    const auto last = m_lastRelease.constFind(code);
    return last != m_lastRelease.cend() && *last == time;
}

bool HeldKeys::pressIsRepeat(quint32 code, bool markedRepeat, quint64 time)
{
    if (wouldBeRepeat(code, markedRepeat, time))
        return true;
    if (code != 0)
        m_down.insert(code);
    return false;
}

bool HeldKeys::releaseIsRepeat(quint32 code, bool markedRepeat, quint64 time)
{
    if (markedRepeat)
        return true;
    if (code != 0) {
        m_down.remove(code);
        m_lastRelease.insert(code, time);
    }
    return false;
}

} // namespace input
