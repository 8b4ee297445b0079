#pragma once
#include "input/heldkeys.h"

#include <QObject>

class QKeyEvent;
class QMessageBox;
class QMouseEvent;
class QWidget;
namespace context {
class Window;
}

namespace input {

class Methods;

// The one filter on the whole application that stands between the keyboard
// (and, with switch input, the mouse buttons) and the program's windows:
//  - a key held down acts once: every auto-repeated press, release and
//    short-cut check is dropped, in every window of the program;
//  - the four arrow keys move the walk on press, whatever the input method
//    and whatever Shift, Ctrl or Alt are held, and go no further (the
//    display's insertion point does not move, Tab order is not walked);
//  - every key release is handed to the input method in use before the
//    focused control sees it;
//  - with switch input, the switch keys and buttons go to the scan and no
//    further (a modifier key that is a switch never reaches the menu bar),
//    and a switch answers the program's boxes as Enter would; that press
//    counts for the time in which presses are ignored.
// The last two act only on keys meant for the main window: a dialog, a menu
// or the menu bar in keyboard mode keeps its own arrow keys.
class KeyFilter : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the application; removed with the window.
    KeyFilter(QWidget &window, Methods &methods, context::Window &reporter);
    ~KeyFilter() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool meantForMainWindow(const QObject *watched) const;
    bool arrowPressed(QKeyEvent *event);
    bool mouseButton(QObject *watched, QMouseEvent *event);
    QMessageBox *openBox(QObject *watched) const;
    bool answerBox(QObject *watched, QKeyEvent *event);
    bool answerBoxClick(QObject *watched, QMouseEvent *event);
    void noteBoxAnswer(QObject *watched, const QKeyEvent *event);
    bool isRepeat(QObject *watched, const QKeyEvent *event);

    QWidget &m_window;
    Methods &m_methods;
    context::Window &m_reporter;
    HeldKeys m_held;
    // The event last judged: one event passes the filter once for every
    // widget it travels through and is judged at the first.
    struct Judged {
        const QKeyEvent *event = nullptr;
        int type = 0;
        quint32 code = 0;
        quint64 time = 0;
        bool repeat = false;
    } m_last;
};

} // namespace input
