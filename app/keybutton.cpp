#include "app/keybutton.h"

#include <QKeyEvent>

KeyButton::KeyButton(int tag, const QString &caption, QWidget *parent)
    : QPushButton(caption, parent), m_tag(tag)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    setMouseTracking(true); // pointer movement without a button held
}

KeyButton::~KeyButton()
{
    if (s_lastEntered == this)
        s_lastEntered = nullptr;
}

KeyButton *KeyButton::s_lastEntered = nullptr;

void KeyButton::focusInEvent(QFocusEvent *event)
{
    QPushButton::focusInEvent(event);
    const bool returned = event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    if (returned && s_lastEntered == this)
        return;
    s_lastEntered = this;
    emit focusEntered(this);
}

void KeyButton::mouseMoveEvent(QMouseEvent *event)
{
    QPushButton::mouseMoveEvent(event);
    emit pointerMoved(this);
}

void KeyButton::keyPressEvent(QKeyEvent *event)
{
    // A plain push button outside a dialog ignores Enter; on the board Enter
    // (main or keypad) presses the reached key just as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
