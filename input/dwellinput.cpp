#include "input/dwellinput.h"

#include "base/keybutton.h"
#include "input/switchinput.h"

#include <QCursor>

namespace input {

namespace {

// How often the progress is redrawn while a key fills.
constexpr int kFrameMs = 40;

} // namespace

DwellInput::DwellInput(const context::Context &ctx, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_ctx.window.guarded([this] { poll(); }); });
}

bool DwellInput::working() const
{
    return m_on && m_active && !boardCovered();
}

void DwellInput::setActive(bool active)
{
    m_active = active;
    setOn(m_on); // forgets a rest begun before the method changed
}

void DwellInput::setOn(bool on)
{
    m_on = on;
    m_dwell.reset();
    showProgress(-1, 0);
    m_timer.stop();
}

void DwellInput::pointerMoved(int tag)
{
    m_ctx.keys.key(tag)->setFocus(Qt::MouseFocusReason); // nothing happens when it has it
    if (!working()) {
        if (m_drawn >= 0 || m_timer.isActive())
            setOn(m_on); // forgets a rest begun before the method changed
        return;
    }
    m_dwell.moved(nowMs(), tag, QCursor::pos());
    poll();
}

void DwellInput::pointerLeft(int)
{
    if (!working())
        return;
    m_dwell.moved(nowMs(), -1, QCursor::pos());
    poll();
}

void DwellInput::poll()
{
    if (!working())
        return setOn(m_on);
    const qint64 now = nowMs();
    const Dwell::State s = m_dwell.poll(now);
    showProgress(s.key, s.progress);
    if (s.press >= 0) {
        emit pressedByDwell(s.press);
        m_ctx.keys.key(s.press)->click();
        return;
    }
    if (s.nextAt < 0)
        return m_timer.stop();
    qint64 wait = s.nextAt - now;
    if (s.key >= 0)
        wait = std::min<qint64>(wait, kFrameMs);
    m_timer.start(int(std::max<qint64>(0, wait)));
}

void DwellInput::showProgress(int tag, double progress)
{
    if (m_drawn >= 0 && m_drawn != tag)
        m_ctx.keys.key(m_drawn)->setDwellProgress(0);
    m_drawn = tag;
    if (tag >= 0)
        m_ctx.keys.key(tag)->setDwellProgress(progress);
}

} // namespace input
