#include "input/switchinput.h"

#include "base/apperror.h"
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
// The pace is kept after so many measured presses, and 間隔 written when it
// has moved this far from the file's value.
constexpr int kKeepEvery = 20;
constexpr int kWriteStepMs = 50;

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

SwitchInput::~SwitchInput()
{
    if (m_unsaved > 0 && !m_pacePath.isEmpty())
        (void)m_pace.save(m_pacePath); // what was learned since it was last kept
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
    m_pace.setInterval(settings.interval); // the helper's 間隔 is where learning stands
    m_pace.setCatchesLate(settings.latePress);
    m_savedInterval = settings.interval;
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
    m_shownAt = m_lastPress = -1;
    const bool was = m_active;
    if (was && !active)
        savePace();
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
    m_leftShownAt = std::exchange(m_shownAt, nowMs());
    m_leftIntervalFrom = std::exchange(m_intervalFrom, -1);
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
    // With both off ("はやさ" = 0, "おそいおし" = 0) nothing is noted, as before.
    if (role == SwitchRole::Select && m_settings.style == SwitchStyle::OneSwitch
        && (m_settings.learnPace || m_settings.latePress))
        return apply(selectTimed());
    apply(role == SwitchRole::Select ? m_scan.select(scannable()) : m_scan.step(scannable()));
}

ScanStep SwitchInput::selectTimed()
{
    const qint64 now = nowMs();
    const std::optional<ScanPlace> left = m_scan.left();
    // Sooner after the highlight moved on than this person reacts to a new
    // place: the press was meant for the place just left. It is measured so
    // whether or not it is taken for it ("おそいおし"): counted from the new
    // place it would look quick and shorten the interval still more.
    const bool quick = left && m_shownAt >= 0 && now - m_shownAt < m_pace.lateBound();
    const bool late = quick && m_settings.latePress;
    const ScanPlace chosen = late ? *left : m_scan.place();
    const bool measured = (quick ? left->level : chosen.level) != ScanPlace::None
                          && (quick ? m_leftShownAt : m_shownAt) >= 0 && !boardCovered();
    const ScanStep step = late ? m_scan.selectLeft(scannable()) : m_scan.select(scannable());
    if (measured)
        measure(chosen, step, quick);
    return step;
}

void SwitchInput::measure(const ScanPlace &chosen, const ScanStep &step, bool late)
{
    const qint64 now = nowMs();
    const qint64 shownAt = late ? m_leftShownAt : m_shownAt;
    const qint64 from = late ? m_leftIntervalFrom : m_intervalFrom;
    PacePress p;
    p.reaction = int(std::min<qint64>(now - shownAt, 600'000));
    p.intoInterval = from >= 0 ? int(std::clamp<qint64>(now - from, -600'000, 600'000)) : -1; // during the name
    p.choice = step.pressed >= 0 ? step.pressed
               : chosen.level == ScanPlace::Key && chosen.tag == kBack ? kBack
                                                                        : kGroupEntered;
    p.late = late;
    p.sincePrevious = m_lastPress >= 0 ? now - m_lastPress : 0;
    p.day = QDate::currentDate();
    m_lastPress = now;
    if (!m_settings.learnPace)
        m_pace.setInterval(m_settings.interval); // 手動: the helper's 間隔 stays
    if (m_pace.press(p) && m_settings.learnPace)
        learned();
    if (++m_unsaved >= kKeepEvery || std::abs(m_settings.interval - m_savedInterval) >= kWriteStepMs)
        keepSoon();
}

void SwitchInput::keepSoon()
{
    // After the press has taken effect and its speech has begun: writing
    // the files never holds up what the press says.
    if (!std::exchange(m_keepQueued, true))
        QTimer::singleShot(0, this, [this] {
            m_keepQueued = false;
            savePace();
        });
}

void SwitchInput::learned()
{
    const int before = m_settings.interval;
    m_settings.interval = m_pace.interval();
    m_settings.firstWait = SwitchPace::scaled(m_settings.firstWait, before, m_settings.interval);
    m_orders.setSettings(m_settings);
}

void SwitchInput::savePace()
{
    // Only what is new: a file nobody taught is never written.
    if (std::exchange(m_unsaved, 0) > 0 && !m_pacePath.isEmpty())
        (void)m_pace.save(m_pacePath); // a refused write keeps what was learned for this run
    if (m_settings.interval == m_savedInterval)
        return;
    try {
        const ProfileFile ini = m_ctx.window.settings();
        ini.write(schema::kInterval, m_settings.interval);
        ini.write(schema::kFirstWait, m_settings.firstWait);
        m_savedInterval = m_settings.interval;
    } catch (const AppError &) {
        // The learned 間隔 stays in effect; the next step tries again.
    }
}

void SwitchInput::loadPace(const QString &pacePath)
{
    m_pacePath = pacePath;
    m_pace = SwitchPace::load(pacePath);
    m_pace.setInterval(m_settings.interval);
    m_pace.setCatchesLate(m_settings.latePress);
}

void SwitchInput::resetPace()
{
    m_pace.reset(m_settings.interval);
    m_unsaved = 0;
    if (!m_pacePath.isEmpty())
        (void)m_pace.save(m_pacePath);
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
    if (m_intervalFrom < 0) // the place's name has been said: its interval begins
        m_intervalFrom = nowMs() + (m_first ? m_settings.firstWait : 0);
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
    m_shownAt = -1; // the arrow keys' place is not a place the scan showed
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
