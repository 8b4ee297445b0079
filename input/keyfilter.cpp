#include "input/keyfilter.h"

#include "base/context.h"
#include "input/call.h"
#include "input/methods.h"
#include "input/switchinput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
// The keyboard extension's header names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

namespace input {

namespace {

xcb_connection_t *xConnection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Asks the X server to send no release for a held key's repeats, only
// presses: then a quick second press can never be taken for a repeat.
void askForDetectableRepeat()
{
    xcb_connection_t *connection = xConnection();
    if (!connection)
        return;
    constexpr uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    std::free(xcb_xkb_per_client_flags_reply(
        connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr));
}

// The keys the X server has down now; one short round trip.
QSet<quint32> keysDownNow()
{
    QSet<quint32> down;
    xcb_connection_t *connection = xConnection();
    if (!connection)
        return down;
    xcb_query_keymap_reply_t *reply = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!reply)
        return down;
    for (quint32 code = 8; code < 256; ++code) {
        if (reply->keys[code / 8] & (1u << (code % 8)))
            down.insert(code);
    }
    std::free(reply);
    return down;
}

// Keys that are also modifiers: the menu bar takes a lone Alt (or Meta) as
// the way into its menus unless the key is taken before it sees it.
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

} // namespace

KeyFilter::KeyFilter(QWidget &window, Methods &methods, context::Window &reporter)
    : QObject(&window), m_window(window), m_methods(methods), m_reporter(reporter)
{
    askForDetectableRepeat();
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
    if (!widget || widget->window() != &m_window)
        return false;
    const QWidget *focused = m_window.focusWidget();
    if (qobject_cast<const QMenuBar *>(focused))
        return false;
    return widget == (focused ? focused : &m_window);
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
    m_reporter.guarded([&] { m_methods.walk(move); });
    return true;
}

bool KeyFilter::isRepeat(QObject *watched, const QKeyEvent *key)
{
    const int type = key->type();
    const quint32 code = key->nativeScanCode();
    const quint64 time = key->timestamp();
    // Every key event from the window system comes first to a window handle,
    // then to the focused control and its parents; it is judged at its first
    // step and keeps that judgement on the way. (Events passed on by the
    // accessibility bridge all carry time 0, so the time alone cannot tell
    // one event from the next.)
    const bool firstStep = qobject_cast<const QWindow *>(watched) != nullptr;
    if (!firstStep && code != 0 && m_last.event == key && m_last.type == type && m_last.code == code
        && m_last.time == time)
        return m_last.repeat;
    if (type == QEvent::ShortcutOverride)
        return m_held.wouldBeRepeat(code, key->isAutoRepeat(), time);
    const bool repeat = type == QEvent::KeyPress ? m_held.pressIsRepeat(code, key->isAutoRepeat(), time)
                                                 : m_held.releaseIsRepeat(code, key->isAutoRepeat(), time);
    m_last = {key, type, code, time, repeat};
    return repeat;
}

bool KeyFilter::mouseButton(QObject *watched, QMouseEvent *event)
{
    // Taken where the window system hands the event to the window, before
    // any control sees it; the menu bar keeps its clicks.
    if (!m_methods.switches().isActive() || watched != m_window.windowHandle())
        return answerBoxClick(watched, event);
    const QWidget *target = m_window.childAt(event->position().toPoint());
    for (const QWidget *w = target; w; w = w->parentWidget())
        if (qobject_cast<const QMenuBar *>(w))
            return false;
    return m_methods.method().mouseEvent(event);
}

QMessageBox *KeyFilter::openBox(QObject *watched) const
{
    // The program's notice and error boxes, open over the main window.
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !m_methods.switches().isActive() || box->parentWidget() != &m_window)
        return nullptr;
    if (auto *w = qobject_cast<QWidget *>(watched); w && w->window() == box)
        return box;
    if (auto *window = qobject_cast<QWindow *>(watched); window && window == box->windowHandle())
        return box;
    return nullptr;
}

bool KeyFilter::answerBox(QObject *watched, QKeyEvent *event)
{
    // A switch that is not Enter or Space answers a box as Enter would:
    // a switch user cannot reach any other key.
    QMessageBox *box = openBox(watched);
    if (!box || !box->defaultButton() || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        || event->key() == Qt::Key_Space)
        return false;
    if (input::roleOfKey(m_methods.switches().settings(), event->key(), event->modifiers() & Qt::KeypadModifier)
        != input::SwitchRole::Select)
        return false;
    box->defaultButton()->click();
    return true;
}

bool KeyFilter::answerBoxClick(QObject *watched, QMouseEvent *event)
{
    QMessageBox *box = openBox(watched);
    if (!box || !box->defaultButton() || !qobject_cast<QWindow *>(watched)
        || input::roleOfButton(m_methods.switches().settings(), input::buttonSwitch(event->button())) != input::SwitchRole::Select)
        return false;
    if (event->type() != QEvent::MouseButtonRelease) {
        m_methods.switchAnsweredBox();
        box->defaultButton()->click();
    }
    return true;
}

void KeyFilter::noteBoxAnswer(QObject *watched, const QKeyEvent *event)
{
    // Once per press, where the window system hands it to the box's window,
    // whichever way the box then takes it (Enter and Space as its own keys).
    if (event->type() == QEvent::KeyPress && qobject_cast<QWindow *>(watched) && openBox(watched)
        && input::roleOfKey(m_methods.switches().settings(), event->key(), event->modifiers() & Qt::KeypadModifier)
               != input::SwitchRole::None)
        m_methods.switchAnsweredBox();
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ApplicationActivate
        || (type == QEvent::WindowActivate && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())) {
        // Keys let go while another program had the keyboard were not seen,
        // nor the release of a key that opened a box before it was let go
        // (the toolkit drops key events for a window behind a modal box).
        // Whoever has the keyboard now starts from what is really down: a
        // key still held acts only when pressed again.
        m_held.resetDown(keysDownNow());
        return false;
    }
    if (type == QEvent::MouseMove || type == QEvent::Enter)
        return m_methods.call().filter(watched, event);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonRelease)
        return m_methods.call().filter(watched, event) || mouseButton(watched, static_cast<QMouseEvent *>(event));
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (isRepeat(watched, key)) {
        // Taken before any window, short-cut or control sees it.
        key->accept();
        return true;
    }
    // The call for help is started and stopped from every window of the program.
    if (m_methods.call().filter(watched, event))
        return true;
    if (!meantForMainWindow(watched)) {
        noteBoxAnswer(watched, key);
        return type == QEvent::KeyPress && answerBox(watched, key);
    }
    if (type == QEvent::ShortcutOverride) {
        // A switch key is the switch's alone: no short-cut takes it, nor the
        // menu bar a modifier key that is a switch.
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) || isModifierKey(key->key());
        if (!plain || !m_methods.switches().isActive()
            || input::roleOfKey(m_methods.switches().settings(), key->key(), key->modifiers() & Qt::KeypadModifier)
                   == input::SwitchRole::None)
            return false;
        key->accept();
        return true;
    }
    // With switch input the switches act as switches only: the focused key
    // does not also take its Enter or Space.
    if (m_methods.method().keyEvent(key))
        return true;
    if (type == QEvent::KeyPress)
        return arrowPressed(key);
    m_reporter.guarded([&] { m_methods.method().keyReleased(key->key(), key->modifiers()); });
    return false; // the focused control then handles the release as usual
}

} // namespace input
