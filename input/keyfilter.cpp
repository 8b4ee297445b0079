#include "input/keyfilter.h"

#include "app/mainform.h"
#include "input/scanning.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>

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

std::optional<bool> KeyFilter::stillDown(quint32 code) const
{
    // The X server's own view of the keyboard; one short round trip.
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || code > 255)
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    xcb_query_keymap_reply_t *reply = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!reply)
        return std::nullopt;
    const bool down = reply->keys[code / 8] & (1u << (code % 8));
    std::free(reply);
    return down;
}

bool KeyFilter::isRepeat(const QKeyEvent *key)
{
    const int type = key->type();
    const quint32 code = key->nativeScanCode();
    if (code != 0 && m_last.type == type && m_last.code == code && m_last.time == key->timestamp())
        return m_last.repeat;
    if (type == QEvent::ShortcutOverride)
        return m_held.wouldBeRepeat(code, key->isAutoRepeat());
    const bool repeat = type == QEvent::KeyPress
        ? m_held.pressIsRepeat(code, key->isAutoRepeat())
        : m_held.releaseIsRepeat(code, key->isAutoRepeat(),
                                 key->isAutoRepeat() || code == 0 ? std::nullopt : stillDown(code));
    m_last = {type, code, key->timestamp(), repeat};
    return repeat;
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ApplicationDeactivate) {
        // Keys let go while another program has the keyboard are not seen.
        m_held.forget();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (isRepeat(key)) {
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
