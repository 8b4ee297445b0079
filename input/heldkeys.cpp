#include "input/heldkeys.h"

namespace input {

bool HeldKeys::wouldBeRepeat(quint32 code, bool markedRepeat) const
{
    return markedRepeat || (code != 0 && m_down.contains(code));
}

bool HeldKeys::pressIsRepeat(quint32 code, bool markedRepeat)
{
    if (wouldBeRepeat(code, markedRepeat))
        return true;
    if (code != 0)
        m_down.insert(code);
    return false;
}

bool HeldKeys::releaseIsRepeat(quint32 code, bool markedRepeat, std::optional<bool> stillDown)
{
    if (markedRepeat)
        return true;
    if (code == 0)
        return false;
    if (stillDown.value_or(false)) {
        // The press of the pair follows; it is a repeat as well, also for a
        // key that was already held when the program got the keyboard.
        m_down.insert(code);
        return true;
    }
    m_down.remove(code);
    return false;
}

} // namespace input
