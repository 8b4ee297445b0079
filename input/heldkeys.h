#pragma once
#include <QHash>
#include <QSet>
#include <QtGlobal>

namespace input {

// Tells the repeats of a held key from real presses and releases, by the
// order and the times of the events the window system reports, never by
// asking it afterwards what is down (by then a quick second press may have
// put the key down again, and a real press would be lost).
//
//  - With detectable repeat (the window system's keyboard extension, turned
//    on at start), a held key sends presses only: a press of a key that is
//    already down is a repeat, and every release is real.
//  - Without it, a held key sends pairs of a release and a press that carry
//    the same time. The toolkit marks such a pair when it finds the press
//    already waiting; a press with the time of the key's last release is a
//    repeat as well.
//
// Keys are told apart by their hardware code; a code of 0 (an event made by
// the program or a test, not by a keyboard) is judged by the toolkit's mark
// alone.
class HeldKeys
{
public:
    // Whether a press of the key is a repeat; a real press marks it down.
    bool pressIsRepeat(quint32 code, bool markedRepeat, quint64 time);
    // The same question without marking anything, for the short-cut check
    // that comes before the press itself.
    bool wouldBeRepeat(quint32 code, bool markedRepeat, quint64 time) const;
    // Whether a release is a repeat's; a real release marks the key up.
    bool releaseIsRepeat(quint32 code, bool markedRepeat, quint64 time);
    // The keys down when the program gets the keyboard: held from before,
    // their presses are repeats until they are let go.
    void resetDown(const QSet<quint32> &down) { m_down = down; }

private:
    QSet<quint32> m_down;
    QHash<quint32, quint64> m_lastRelease;
};

} // namespace input
