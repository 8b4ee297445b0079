#pragma once
#include "base/context.h"
#include "input/dwell.h"
#include "input/method.h"

#include <QObject>
#include <QTimer>

// The pointer method: a key the pointer moves over gets the focus, and with
// it its announcement and the frame, when it did not have it; no click is
// needed. With "マウスでとどまっておす" ticked (dwell), resting the pointer on a
// key presses it (input/dwell has the rules); the progress is drawn on the key.
namespace input {

class DwellInput : public QObject, public Method
{
    Q_OBJECT

public:
    DwellInput(const context::Context &ctx, QObject *parent);

    void setOn(bool on);
    void setDwellTime(int ms) { m_dwell.setDwellTime(ms); }

    // The pointer method was chosen or left.
    void setActive(bool active) override;
    // The pointer moved over a key, or left it.
    void pointerMoved(int tag) override;
    void pointerLeft(int tag) override;

signals:
    // A key was pressed by resting on it; `restedMs` since it came to rest.
    void pressedByDwell(int tag);

private:
    bool working() const;
    void poll();
    void showProgress(int tag, double progress);

    context::Context m_ctx;
    Dwell m_dwell;
    QTimer m_timer;
    bool m_on = false;
    bool m_active = false; // the pointer method is in use
    int m_drawn = -1; // the key whose progress is drawn
};

} // namespace input
