#include "input/dwell.h"

#include <algorithm>

namespace input {

void Dwell::restOn(Rest &rest, qint64 now, int tag, QPoint pos)
{
    const QPoint d = pos - rest.anchor;
    if (rest.key == tag && d.x() * d.x() + d.y() * d.y() <= kTremor * kTremor)
        return;
    rest = {tag, pos, now};
}

void Dwell::moved(qint64 now, int tag, QPoint pos)
{
    if (m_pressed >= 0) {
        if (tag == m_pressed)
            return; // still on the key just pressed
        m_pressed = -1;
    }
    if (m_offSince >= 0) {
        if (tag == m_rest.key) { // back on the locked key: the count goes on
            m_rest.since += now - m_offSince;
            m_offSince = -1;
        } else {
            restOn(m_elsewhere, now, tag, pos);
        }
        return;
    }
    const bool locked = m_rest.key >= 0 && now - m_rest.since >= kLockOn;
    if (tag != m_rest.key && locked) {
        m_offSince = now;
        m_elsewhere = {tag, pos, now};
        return;
    }
    restOn(m_rest, now, tag, pos);
}

Dwell::State Dwell::poll(qint64 now)
{
    State st;
    if (m_offSince >= 0 && now - m_offSince > kSlip) {
        m_rest = m_elsewhere; // gone for good: the count starts where it rests now
        m_offSince = -1;
    }
    if (m_offSince >= 0) {
        st.key = m_rest.key;
        st.progress = std::clamp(double(m_offSince - m_rest.since) / m_dwell, 0.0, 1.0);
        st.nextAt = m_offSince + kSlip + 1;
        return st;
    }
    if (m_rest.key < 0)
        return st;
    const qint64 rested = now - m_rest.since;
    if (rested >= m_dwell) {
        st.press = m_rest.key;
        m_pressed = m_rest.key;
        m_rest = {};
        return st;
    }
    if (rested >= kLockOn) {
        st.key = m_rest.key;
        st.progress = double(rested) / m_dwell;
    }
    st.nextAt = m_rest.since + (rested < kLockOn ? kLockOn : m_dwell);
    return st;
}

} // namespace input
