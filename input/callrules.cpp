#include "input/callrules.h"

namespace input {

void CallRules::setHold(int ms)
{
    m_hold = ms > 0 ? ms : 0;
    if (!m_hold)
        m_held.reset();
}

CallRules::Effect CallRules::pressed(int input, bool callSwitch, qint64 now)
{
    if (m_calling) {
        m_takeRelease.insert(input);
        if (callSwitch && now - m_startedAt < kStopAfterMs)
            return Effect::Take;
        m_calling = false;
        return Effect::Stop;
    }
    if (callSwitch && m_hold > 0 && !m_held) {
        m_held = input;
        m_heldSince = now;
    }
    return Effect::Pass;
}

CallRules::Effect CallRules::released(int input, qint64 /*now*/)
{
    if (m_held == input)
        m_held.reset();
    return m_takeRelease.erase(input) ? Effect::Take : Effect::Pass;
}

std::optional<qint64> CallRules::due() const
{
    if (!m_held || m_calling)
        return std::nullopt;
    return m_heldSince + m_hold;
}

bool CallRules::reached(qint64 now)
{
    const auto when = due();
    if (!when || now < *when)
        return false;
    m_takeRelease.insert(*m_held); // the hold does not act again
    m_held.reset();
    start(now);
    return true;
}

void CallRules::start(qint64 now)
{
    m_calling = true;
    m_startedAt = now;
}

void CallRules::stop()
{
    m_calling = false;
}

} // namespace input
