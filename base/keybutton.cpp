#include "base/keybutton.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

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

void KeyButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    emit pointerLeft(this);
}

void KeyButton::setDwellProgress(double progress)
{
    progress = std::clamp(progress, 0.0, 1.0);
    if (progress == m_progress)
        return;
    m_progress = progress;
    update();
}

void KeyButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    if (m_progress <= 0)
        return;
    // A black trough with a red bar in it, a quarter of the key high: it
    // shows on the key's face at every size and in inverted colours.
    QPainter p(this);
    const int h = std::max(4, height() / 4);
    const QRect trough(0, height() - h, width(), h);
    p.fillRect(trough, Qt::black);
    const int inset = std::max(1, h / 5);
    const QRect inner = trough.adjusted(inset, inset, -inset, -inset);
    p.fillRect(QRect(inner.left(), inner.top(), int(inner.width() * m_progress), inner.height()), QColor(255, 0, 0));
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
