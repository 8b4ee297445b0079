#include "input/dwellinput.h"

#include "base/keybutton.h"
#include "app/mainform.h"
#include "input/methodselection.h"
#include "input/switchinput.h"

#include <QCursor>

namespace input {

namespace {

// How often the progress is redrawn while a key fills.
constexpr int kFrameMs = 40;

} // namespace

DwellInput::DwellInput(TMain_form &form) : QObject(&form), m_form(form)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_form.guarded([this] { poll(); }); });
}

bool DwellInput::working() const
{
    return m_on && m_form.state.Input_mode == static_cast<int>(Method::Mouse) && !boardCovered();
}

void DwellInput::setOn(bool on)
{
    m_on = on;
    m_dwell.reset();
    showProgress(-1, 0);
    m_timer.stop();
}

void DwellInput::pointerMoved(KeyButton *key)
{
    if (!working()) {
        if (m_drawn >= 0 || m_timer.isActive())
            setOn(m_on); // forgets a rest begun before the method changed
        return;
    }
    m_dwell.moved(nowMs(), key->Tag(), QCursor::pos());
    poll();
}

void DwellInput::pointerLeft(KeyButton *)
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
        m_form.Key_table[s.press]->click();
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
        m_form.Key_table[m_drawn]->setDwellProgress(0);
    m_drawn = tag;
    if (tag >= 0)
        m_form.Key_table[tag]->setDwellProgress(progress);
}

} // namespace input
