#pragma once
#include "input/dwell.h"

#include <QObject>
#include <QTimer>

class KeyButton;
class TMain_form;

// Dwell on the main window: with the mouse method and "マウスでとどまっておす"
// ticked, resting the pointer on a key presses it (input/dwell has the
// rules); the progress is drawn on the key.
namespace input {

class DwellInput : public QObject
{
    Q_OBJECT

public:
    explicit DwellInput(TMain_form &form);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    void setDwellTime(int ms) { m_dwell.setDwellTime(ms); }

    // The pointer moved over a key, or left it.
    void pointerMoved(KeyButton *key);
    void pointerLeft(KeyButton *key);

signals:
    // A key was pressed by resting on it; `restedMs` since it came to rest.
    void pressedByDwell(int tag);

private:
    bool working() const;
    void poll();
    void showProgress(int tag, double progress);

    TMain_form &m_form;
    Dwell m_dwell;
    QTimer m_timer;
    bool m_on = false;
    int m_drawn = -1; // the key whose progress is drawn
};

} // namespace input
