#pragma once
#include <QSet>
#include <QtGlobal>
#include <optional>

namespace input {

// Tells the repeats of a held key from real presses and releases.
//
// While a key is held the window system sends pairs of a release and a
// press. The toolkit marks such a pair as repeated only when it finds the
// press already waiting behind the release; on a busy machine the press can
// arrive a moment later and the pair looks like the key let go and pressed
// again. So a key is taken as down from its first real press until a release
// after which the window system no longer has it down; presses in between
// are repeats.
//
// Keys are told apart by their hardware code; a code of 0 (an event made by
// the program or a test, not by a keyboard) is judged by the toolkit's mark
// alone.
class HeldKeys
{
public:
    // Whether a press of the key is a repeat; a real press marks it down.
    bool pressIsRepeat(quint32 code, bool markedRepeat);
    // The same question without marking anything, for the short-cut check
    // that comes before the press itself.
    bool wouldBeRepeat(quint32 code, bool markedRepeat) const;
    // Whether a release is a repeat's. stillDown is what the window system
    // says of the key now (none: it cannot tell); a real release marks the
    // key up.
    bool releaseIsRepeat(quint32 code, bool markedRepeat, std::optional<bool> stillDown);
    // Every key up: the program lost the keyboard and will not see the
    // releases of keys held meanwhile.
    void forget() { m_down.clear(); }

private:
    QSet<quint32> m_down;
};

} // namespace input
