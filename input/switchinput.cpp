#include "input/switchinput.h"

#include "app/board.h"
#include "app/keybutton.h"
#include "app/mainform.h"
#include "app/messageboxes.h"
#include "input/scanning.h"
#include "speech/audioout.h"
#include "speech/directss.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace input {

namespace {

// While a box, a dialog or a menu is open the scan looks again this often.
constexpr int kBlockedRetryMs = 200;

} // namespace

void applyStoredSettings(TMain_form &form)
{
    const ProfileFile ini = form.settings();
    bool clashed = false;
    const SwitchSettings s = SwitchSettings::read(ini, &clashed);
    form.applySwitchSettings(s);
    if (!clashed)
        return;
    QTimer::singleShot(0, &form, [&form] {
        form.speakMessage(QStringLiteral("いどうと けっていが おなじ スイッチだったので、はじめの スイッチに もどしました"));
        boxes::notice(&form, QStringLiteral("スイッチの設定で　移動と決定が　おなじ　スイッチだったので、"
                                            "はじめの　スイッチ（移動は　スペース、決定は　エンター）に　もどしました"));
    });
    s.write(ini); // said once: the file now holds keys that work
}

qint64 nowMs()
{
    return AudioOut::now() / 1'000'000;
}

bool boardCovered()
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

SwitchInput::SwitchInput(TMain_form &form) : QObject(&form), m_form(form)
{
    for (QTimer *t : {&m_stepTimer, &m_holdTimer}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_stepTimer, &QTimer::timeout, this, [this] { m_form.guarded([this] { timerFired(); }); });
    connect(&m_holdTimer, &QTimer::timeout, this, [this] { m_form.guarded([this] { holdFired(); }); });
    connect(m_form.DirectSS1, &DirectSS::speechEnded, this, [this] { m_form.guarded([this] { speechEnded(); }); });
}

QString SwitchInput::groupName(int group)
{
    static const char *const names[kGroupCount] = {
        "よむ",     "あぎょう", "かぎょう", "さぎょう", "たぎょう",     "なぎょう",     "はぎょう",
        "まぎょう", "やぎょう", "らぎょう", "わぎょう", "ちいさいもじ", "くうはくのれつ", "けすのれつ"};
    return group >= 0 && group < kGroupCount ? QString::fromUtf8(names[group]) : QString();
}

ShownKeys SwitchInput::scannable() const
{
    // A key without a caption is blank and does nothing: it is not offered.
    // Asked every time, so a key given a caption later is offered from then on.
    ShownKeys keys = shownKeys(m_form);
    for (int t = 0; t < keys::kCount; ++t)
        if (keys.test(t) && m_form.Key_table[t]->text().trimmed().isEmpty())
            keys.reset(t);
    return keys;
}

void SwitchInput::setSettings(const SwitchSettings &settings)
{
    const bool changed = !(settings == m_settings);
    m_settings = settings;
    m_scan.setRules(settings.rules());
    m_filter.setTimes(settings.hold, settings.ignore);
    if (changed && m_active)
        setActive(true); // begins again in the new style
}

void SwitchInput::setActive(bool active)
{
    m_stepTimer.stop();
    m_holdTimer.stop();
    m_scan.stop();
    m_form.board()->setColumnFrame(-1);
    m_pending = {};
    m_waiting = active;
    const bool was = m_active;
    m_active = active;
    if (active) {
        if (!m_form.DirectSS1->isSpeaking() && !m_form.state.Greeting_pending)
            m_stepTimer.start(0);
        return;
    }
    // Back to a method without a scan: the focused key gets its frame again.
    if (auto *key = qobject_cast<KeyButton *>(m_form.focusWidget()); was && key)
        m_form.frameKey(key);
}

void SwitchInput::say(const QString &text)
{
    m_form.state.Speech_text = text;
    DirectSS *speech = m_form.DirectSS1;
    speech->StopSpeaking();
    speech->setCurrentMode(m_form.state.Selection_voice);
    speech->setSpeed(100);
    speech->SpeakText(text);
}

void SwitchInput::show(const ScanStep &step)
{
    m_waiting = false;
    m_stepTimer.stop();
    m_first = step.first;
    const ScanPlace &p = step.place;
    Board *board = m_form.board();
    if (p.level == ScanPlace::Key && p.tag != kBack) {
        board->setColumnFrame(-1);
        KeyButton *key = m_form.Key_table[p.tag];
        m_form.state.Scan_pos = p.tag;
        key->setFocus(Qt::OtherFocusReason); // announced and framed as every key reached
        if (board->framedKey() != key)       // it had the focus already
            m_form.speak(key);
    } else if (p.level != ScanPlace::None) {
        board->setColumnFrame(p.group);
        m_form.unframeKey();
        say(p.level == ScanPlace::Group ? groupName(p.group) : QStringLiteral("もどる"));
    } else {
        board->setColumnFrame(-1); // paused, silently
    }
    const qint64 due = m_due;
    m_due = -1;
    emit placeShown(p, due);
}

void SwitchInput::apply(const ScanStep &step)
{
    if (step.pressed < 0) {
        if (step.changed)
            show(step);
        return;
    }
    // The place after the press is shown once what the press says is heard.
    m_stepTimer.stop();
    m_pending = step;
    m_waiting = true;
    m_form.board()->setColumnFrame(-1);
    m_form.Key_table[step.pressed]->click(); // the operation of Enter on that key
    if (m_active && m_waiting && !m_form.DirectSS1->isSpeaking() && !m_stepTimer.isActive())
        m_stepTimer.start(0);
}

void SwitchInput::showWaiting()
{
    if (m_pending.place.level == ScanPlace::None)
        show(m_scan.start(scannable()));
    else
        show(m_pending);
}

void SwitchInput::counted(SwitchRole role)
{
    if (!m_active || role == SwitchRole::None)
        return;
    if (m_waiting) // the wait is cut short: the place waited for is shown now
        return showWaiting();
    apply(role == SwitchRole::Select ? m_scan.select(scannable()) : m_scan.step(scannable()));
}

void SwitchInput::speechEnded()
{
    if (!m_active || m_stepTimer.isActive())
        return;
    if (m_waiting) {
        if (!m_form.state.Greeting_pending)
            m_stepTimer.start(0);
        return;
    }
    if (m_settings.style != SwitchStyle::OneSwitch || m_scan.paused())
        return;
    const int wait = m_settings.interval + (m_first ? m_settings.firstWait : 0);
    m_due = AudioOut::now() + qint64(wait) * 1'000'000;
    m_stepTimer.start(wait);
}

void SwitchInput::timerFired()
{
    if (!m_active)
        return;
    if (boardCovered()) {
        m_stepTimer.start(kBlockedRetryMs);
        return;
    }
    if (m_form.DirectSS1->isSpeaking())
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
    m_form.board()->setColumnFrame(-1);
    m_first = true;
    if (!m_form.DirectSS1->isSpeaking())
        speechEnded();
}

void SwitchInput::answeredBox()
{
    m_filter.countedElsewhere(nowMs());
}

bool SwitchInput::switchDown(SwitchRole role)
{
    if (m_filter.down(role == SwitchRole::Move ? 0 : 1, nowMs()))
        m_form.guarded([&] { counted(role); });
    armHold();
    return true;
}

bool SwitchInput::switchUp(SwitchRole role)
{
    if (m_filter.up(role == SwitchRole::Move ? 0 : 1, nowMs()))
        m_form.guarded([&] { counted(role); });
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
    return event->type() == QEvent::KeyRelease ? switchUp(role) : switchDown(role);
}

bool SwitchInput::mouseEvent(const QMouseEvent *event)
{
    if (!m_active)
        return false;
    const SwitchRole role = roleOfButton(m_settings, buttonSwitch(event->button()));
    if (role == SwitchRole::None)
        return false;
    return event->type() == QEvent::MouseButtonRelease ? switchUp(role) : switchDown(role);
}

} // namespace input
