#include "input/switchinput.h"

#include "base/keybutton.h"
#include "input/call.h"
#include "input/methods.h"
#include "speech/voices.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

namespace input {

namespace {

// While a box, a dialog or a menu is open the scan looks again this often.
constexpr int kBlockedRetryMs = 200;

} // namespace

qint64 nowMs()
{
    return speech::Voices::now() / 1'000'000;
}

bool boardCovered()
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget() || callSounding();
}

SwitchInput::SwitchInput(const context::Context &ctx, Methods &methods, OrderSource &orders)
    : QObject(&methods), m_ctx(ctx), m_methods(methods), m_orders(*this, orders), m_access(ctx.window.widget())
{
    orders.setSettings(m_settings);
    m_scan.setOrderSource(&m_orders);
    for (QTimer *t : {&m_stepTimer, &m_holdTimer}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_stepTimer, &QTimer::timeout, this, [this] { m_ctx.window.guarded([this] { timerFired(); }); });
    connect(&m_holdTimer, &QTimer::timeout, this, [this] { m_ctx.window.guarded([this] { holdFired(); }); });
    connect(&m_ctx.speech, &speech::Voices::ended, this, [this] { m_ctx.window.guarded([this] { speechEnded(); }); });
}

ScanOrder SwitchInput::WithCallPlaces::next(const Reachable &scannable) const
{
    ScanOrder order = m_orders.next(scannable);
    if (m_input.callPlaces()) {
        order.push_back({QStringLiteral("やすむ"), {kRestPlace}, -1, true, {}});
        order.push_back({QStringLiteral("よぶ"), {kCallPlace}, -1, true, {}});
    }
    return order;
}

bool SwitchInput::callPlaces() const
{
    return m_methods.call().settings().used;
}

Reachable SwitchInput::scannable() const
{
    // A key without a caption is blank and does nothing: it is not offered.
    // Asked every time, so a key given a caption later is offered from then on.
    Reachable keys = m_methods.reachable();
    for (int t = 0; t < keys::kCount; ++t)
        if (keys.test(t) && m_ctx.keys.key(t)->text().trimmed().isEmpty())
            keys.reset(t);
    keys.set(kRestPlace, callPlaces());
    keys.set(kCallPlace, callPlaces());
    return keys;
}

void SwitchInput::setSettings(const SwitchSettings &settings)
{
    const bool changed = !(settings == m_settings);
    m_settings = settings;
    m_scan.setRules(settings.rules());
    m_filter.setTimes(settings.hold, settings.ignore);
    m_orders.setSettings(settings);
    if (changed && m_active)
        setActive(true); // begins again in the new style
}

void SwitchInput::setActive(bool active)
{
    m_stepTimer.stop();
    m_holdTimer.stop();
    m_scan.stop();
    frameGroup(-1);
    m_access.clear();
    m_pressed = -1;
    m_waiting = active;
    m_resting = false;
    const bool was = m_active;
    m_active = active;
    if (active) {
        if (!m_ctx.speech.speaking() && !m_ctx.speech.greetingPending())
            m_stepTimer.start(0);
        return;
    }
    // Back to a method without a scan: the focused key gets its frame again.
    if (KeyButton *key = m_ctx.keys.focusedKey(); was && key)
        m_ctx.keys.frameKey(key);
}

void SwitchInput::frameGroup(int group)
{
    // A board column is framed whole; any other group has a frame round each of its keys.
    const int column = group >= 0 ? m_scan.order()[group].column : -1;
    m_ctx.keys.setColumnFrame(column);
    const std::vector<int> *places = group >= 0 ? &m_scan.order()[group].places : nullptr;
    const bool callPlace = places && !places->empty() && places->front() >= kRestPlace;
    m_methods.call().showScanPlace(callPlace ? m_scan.order()[group].name : QString());
    m_ctx.keys.setKeyFrames(group >= 0 && column < 0 ? m_scan.keysOf(group, scannable()) : std::vector<int>());
}

void SwitchInput::show(const ScanStep &step)
{
    m_waiting = false;
    m_stepTimer.stop();
    m_first = step.first;
    const ScanPlace &p = step.place;
    m_access.clear();
    if (p.level == ScanPlace::Key && p.tag != kBack) {
        frameGroup(-1);
        KeyButton *key = m_ctx.keys.key(p.tag);
        m_methods.walkFrom(p.tag);
        const bool had = key->hasFocus();
        key->setFocus(Qt::OtherFocusReason); // announced and framed as every key reached
        if (m_ctx.keys.framedKey() != key)   // it had the focus already
            m_ctx.keys.announce(key);
        if (had && QAccessible::isActive()) { // assistive tools hear of it all the same
            QAccessibleEvent focus(key, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
    } else if (p.level != ScanPlace::None) {
        const ScanGroup &group = m_scan.order()[p.group];
        frameGroup(p.group);
        m_ctx.keys.unframe();
        if (p.level == ScanPlace::Key)
            m_ctx.speech.sayName(QStringLiteral("もどる"));
        else if (const QString s = spokenName(group); s != group.name)
            m_ctx.speech.sayName(s, speech::Role::Decision);
        else
            m_ctx.speech.sayName(group.name);
        m_access.highlight(p.level == ScanPlace::Group ? group.name : QStringLiteral("もどる"));
    } else {
        frameGroup(-1); // paused, silently
    }
    const qint64 due = m_due;
    m_due = -1;
    emit placeShown(p, due);
    if (m_active && p.level != ScanPlace::None && !m_ctx.speech.speaking())
        speechEnded(); // nothing was said (the screen reader says the names): the count starts now
}

QString SwitchInput::spokenName(const ScanGroup &group) const
{
    // A short name is heard apart from the keys' names by its voice only.
    const bool apart = m_ctx.speech.voice(speech::Role::Selection) != m_ctx.speech.voice(speech::Role::Decision);
    return m_settings.shortNames && apart && !group.shortName.isEmpty() ? group.shortName : group.name;
}

void SwitchInput::apply(const ScanStep &step)
{
    if (step.pressed < 0) {
        if (step.changed)
            show(step);
        return;
    }
    // The scan starts again once what the press says is heard, from the text
    // as the press left it.
    m_stepTimer.stop();
    if (step.pressed == kRestPlace)
        return rest();
    m_pressed = step.pressed == kCallPlace ? -1 : step.pressed;
    m_waiting = true;
    frameGroup(-1);
    if (step.pressed == kCallPlace)
        m_methods.call().start(); // the scan starts again at its first group once the call is stopped
    else
        m_ctx.keys.key(step.pressed)->click(); // the operation of Enter on that key
    if (m_active && m_waiting && !m_ctx.speech.speaking() && !m_stepTimer.isActive())
        m_stepTimer.start(0);
}

void SwitchInput::showWaiting()
{
    const int pressed = std::exchange(m_pressed, -1);
    show(pressed >= 0 ? m_scan.restart(scannable(), pressed) : m_scan.start(scannable()));
}

void SwitchInput::rest()
{
    m_resting = true;
    m_waiting = false;
    m_scan.stop();
    frameGroup(-1);
    m_access.clear();
    m_ctx.speech.say(QStringLiteral("やすみます"), speech::Role::Decision);
}

void SwitchInput::counted(SwitchRole role)
{
    if (!m_active || role == SwitchRole::None)
        return;
    if (m_resting) { // the next press starts the scan again at its first group, once this is heard
        m_resting = false;
        m_waiting = true;
        m_pressed = -1;
        m_ctx.speech.say(QStringLiteral("はじめます"), speech::Role::Decision);
        if (!m_ctx.speech.speaking())
            m_stepTimer.start(0);
        return;
    }
    if (m_waiting) // the wait is cut short: the place waited for is shown now
        return showWaiting();
    apply(role == SwitchRole::Select ? m_scan.select(scannable()) : m_scan.step(scannable()));
}

void SwitchInput::speechEnded()
{
    if (!m_active || m_resting || m_stepTimer.isActive())
        return;
    if (m_waiting) {
        if (!m_ctx.speech.greetingPending())
            m_stepTimer.start(0);
        return;
    }
    if (m_settings.style != SwitchStyle::OneSwitch || m_scan.paused())
        return;
    const int wait = m_settings.interval + (m_first ? m_settings.firstWait : 0);
    m_due = speech::Voices::now() + qint64(wait) * 1'000'000;
    m_stepTimer.start(wait);
}

void SwitchInput::timerFired()
{
    if (!m_active || m_resting)
        return;
    if (boardCovered()) {
        m_stepTimer.start(kBlockedRetryMs);
        return;
    }
    if (m_ctx.speech.speaking())
        return; // its end starts the count again
    if (m_waiting)
        return showWaiting();
    if (m_settings.style == SwitchStyle::OneSwitch)
        apply(m_scan.tick(scannable()));
}

void SwitchInput::reached(int tag)
{
    if (!m_active)
        return;
    m_stepTimer.stop();
    m_waiting = false;
    m_scan.reachedElsewhere(tag);
    frameGroup(-1);
    m_first = true;
    if (!m_ctx.speech.speaking())
        speechEnded();
}

void SwitchInput::answeredBox()
{
    m_filter.countedElsewhere(nowMs());
}

bool SwitchInput::switched(SwitchRole role, bool down)
{
    const int which = role == SwitchRole::Move ? 0 : 1;
    if (down ? m_filter.down(which, nowMs()) : m_filter.up(which, nowMs()))
        m_ctx.window.guarded([&] { counted(role); });
    armHold();
    return true;
}

void SwitchInput::armHold()
{
    if (const auto due = m_filter.due())
        m_holdTimer.start(int(std::max<qint64>(0, *due - nowMs())));
    else
        m_holdTimer.stop();
}

void SwitchInput::holdFired()
{
    if (const auto which = m_filter.held(nowMs()))
        counted(*which == 0 ? SwitchRole::Move : SwitchRole::Select);
    armHold();
}

bool SwitchInput::keyEvent(const QKeyEvent *event)
{
    if (!m_active)
        return false;
    const SwitchRole role = roleOfKey(m_settings, event->key(), event->modifiers() & Qt::KeypadModifier);
    if (role == SwitchRole::None)
        return false;
    return switched(role, event->type() != QEvent::KeyRelease);
}

bool SwitchInput::mouseEvent(const QMouseEvent *event)
{
    if (!m_active)
        return false;
    const SwitchRole role = roleOfButton(m_settings, buttonSwitch(event->button()));
    if (role == SwitchRole::None)
        return false;
    return switched(role, event->type() != QEvent::MouseButtonRelease);
}

} // namespace input
