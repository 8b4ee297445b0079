#include "input/keyfilter.h"

#include "app/mainform.h"
#include "input/scanning.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>

namespace input {

KeyFilter::KeyFilter(TMain_form &form) : QObject(&form), m_form(form)
{
    qApp->installEventFilter(this);
}

KeyFilter::~KeyFilter()
{
    qApp->removeEventFilter(this);
}

bool KeyFilter::meantForMainWindow(const QObject *watched) const
{
    // A key event travels from the window system's window to the focused
    // widget and then, unless taken, up its parents; each step passes this
    // filter. Only the step at the focused widget of the main window counts,
    // so that every key acts once.
    const auto *widget = qobject_cast<const QWidget *>(watched);
    if (!widget || widget->window() != &m_form)
        return false;
    const QWidget *focused = m_form.focusWidget();
    if (qobject_cast<const QMenuBar *>(focused))
        return false;
    return widget == (focused ? focused : &m_form);
}

bool KeyFilter::arrowPressed(QKeyEvent *event)
{
    Move move;
    switch (event->key()) {
    case Qt::Key_Left: move = Move::Left; break;
    case Qt::Key_Right: move = Move::Right; break;
    case Qt::Key_Up: move = Move::Up; break;
    case Qt::Key_Down: move = Move::Down; break;
    default: return false;
    }
    event->accept();
    m_form.guarded([&] { moveScan(m_form, move); });
    return true;
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->isAutoRepeat()) {
        // Taken before any window, short-cut or control sees it.
        key->accept();
        return true;
    }
    if (type == QEvent::ShortcutOverride || !meantForMainWindow(watched))
        return false;
    if (type == QEvent::KeyPress)
        return arrowPressed(key);
    m_form.TenKeyUp(key->key(), key->modifiers());
    return false; // the focused control then handles the release as usual
}

} // namespace input
