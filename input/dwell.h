#pragma once
#include <QPoint>
#include <QtGlobal>

// Pressing a key by resting the pointer on it. The pointer comes to rest on
// a key; after 250 ms still the key is locked on and its progress is shown;
// when it has rested the dwell time (counted from coming to rest) the key is
// pressed. A tremor does not restart the count: movement within 10 pixels of
// where the pointer came to rest, or slipping off the locked key and back
// within 750 ms (the count waits meanwhile). After a press the pointer must
// leave the key before that key can be pressed again. Times in milliseconds.
namespace input {

class Dwell
{
public:
    static constexpr int kLockOn = 250;
    static constexpr int kTremor = 10;
    static constexpr int kSlip = 750;

    void setDwellTime(int ms) { m_dwell = ms; }
    int dwellTime() const { return m_dwell; }

    // The pointer is at `pos` (screen pixels), over the key `tag` (-1: over
    // no key).
    void moved(qint64 now, int tag, QPoint pos);
    // Forgets everything (the method changed, the window lost the pointer).
    void reset()
    {
        const int dwell = m_dwell;
        *this = Dwell();
        m_dwell = dwell;
    }

    struct State
    {
        int key = -1;         // the locked key whose progress is shown, -1 none
        double progress = 0;  // 0 to 1
        int press = -1;       // the key to press now, -1 none
        qint64 nextAt = -1;   // when to ask again, -1 no need until the pointer moves
    };
    State poll(qint64 now);

private:
    struct Rest
    {
        int key = -1;
        QPoint anchor;
        qint64 since = 0;
    };
    void restOn(Rest &rest, qint64 now, int tag, QPoint pos);

    int m_dwell = 1200;
    Rest m_rest;              // where the pointer rests (or the locked key it slipped off)
    Rest m_elsewhere;         // while slipped off: where it rests meanwhile
    qint64 m_offSince = -1;   // slipped off the locked key at, -1 on it
    int m_pressed = -1;       // pressed and not left since
};

} // namespace input
