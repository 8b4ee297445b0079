#include "input/call.h"

#include "input/methods.h"
#include "input/switchinput.h"
#include "speech/voices.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

namespace input {

// The flashing frame round the window and the call's words across its top,
// over everything in the window and transparent to the pointer.
class CallFrame : public QWidget
{
public:
    explicit CallFrame(QWidget *window) : QWidget(window)
    {
        setObjectName(QStringLiteral("callFrame"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    void showCall()
    {
        m_place = false;
        m_lit = true;
        m_lines = {QStringLiteral("よびだしています")};
        setGeometry(parentWidget()->rect());
        raise();
        show();
    }
    // A scan place of the call ("やすむ", "よぶ") highlighted: its name in a
    // steady red frame, as the scan frames a column; empty: hidden.
    void showPlace(const QString &name)
    {
        if (m_place && name.isEmpty())
            hide();
        if (name.isEmpty() || (isVisible() && !m_place))
            return;
        m_place = true;
        m_lit = true;
        m_lines = {name};
        setGeometry(parentWidget()->rect());
        raise();
        show();
        update();
    }
    void flash()
    {
        m_lit = !m_lit;
        setGeometry(parentWidget()->rect());
        update();
    }
    void addLine(const QString &line)
    {
        m_lines << line;
        update();
    }
    bool lit() const { return m_lit; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const int pen = std::max(m_place ? 6 : 12, width() / (m_place ? 150 : 60));
        const QColor colour = m_lit ? QColor(255, 0, 0) : QColor(255, 220, 0);
        p.fillRect(QRect(0, 0, width(), pen), colour);
        p.fillRect(QRect(0, height() - pen, width(), pen), colour);
        p.fillRect(QRect(0, 0, pen, height()), colour);
        p.fillRect(QRect(width() - pen, 0, pen, height()), colour);
        QFont f = font();
        f.setPixelSize(std::max(24, height() / 16));
        p.setFont(f);
        const QRect banner(pen, pen, width() - 2 * pen, (f.pixelSize() + 8) * int(m_lines.size()) + 8);
        p.fillRect(banner, colour);
        p.setPen(m_place ? Qt::white : Qt::black);
        p.drawText(banner, Qt::AlignCenter, m_lines.join(u'\n'));
    }

private:
    bool m_lit = true;
    bool m_place = false; // a scan place shown, not the call
    QStringList m_lines;
};

namespace {

const Call *sounding = nullptr; // the call whose chime repeats now

// An input's identity for the rules: a key's code (with the keypad flag) or
// a mouse button as a negative number.
int keyInput(const QKeyEvent *e)
{
    return e->key() | ((e->modifiers() & Qt::KeypadModifier) ? kKeypad : 0);
}

} // namespace

Call::Call(const context::Context &ctx, const Methods &methods)
    : QObject(ctx.window.widget()), m_ctx(ctx), m_methods(methods), m_frame(new CallFrame(ctx.window.widget()))
{
    for (QTimer *t : {&m_holdTimer, &m_chimeTimer, &m_flashTimer})
        t->setTimerType(Qt::PreciseTimer);
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, &Call::holdReached);
    connect(&m_chimeTimer, &QTimer::timeout, this, &Call::chime);
    connect(&m_flashTimer, &QTimer::timeout, m_frame, &CallFrame::flash);
}

Call::~Call()
{
    if (sounding == this)
        sounding = nullptr;
}

bool callSounding()
{
    return sounding != nullptr;
}

void Call::setSettings(const CallSettings &settings)
{
    m_settings = settings;
    m_rules.setHold(settings.hold);
    armHold();
}

bool Call::isCallKey(int key, bool keypad) const
{
    if (m_methods.active() == MethodId::Switch)
        return roleOfKey(m_methods.switchSettings(), key, keypad) != SwitchRole::None;
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool Call::isCallButton(QObject *watched, int button, QPointF where) const
{
    if (m_methods.active() == MethodId::Switch)
        return roleOfButton(m_methods.switchSettings(), buttonSwitch(button)) != SwitchRole::None;
    // The pointer's left button held on the window (not on its menu bar).
    QWidget *window = m_ctx.window.widget();
    if (m_methods.active() != MethodId::Mouse || button != Qt::LeftButton || watched != window->windowHandle())
        return false;
    for (const QWidget *w = window->childAt(where.toPoint()); w; w = w->parentWidget())
        if (qobject_cast<const QMenuBar *>(w))
            return false;
    return true;
}

bool Call::filter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride) {
        // While the call sounds no short-cut takes a key: the key stops the call.
        if (!calling())
            return false;
        event->accept();
        return true;
    }
    if (!qobject_cast<QWindow *>(watched))
        return false; // judged once, where the window system hands it over
    if (calling() && (type == QEvent::MouseMove || type == QEvent::Enter))
        return true; // the pointer reaches no key meanwhile: speech waits
    CallRules::Effect effect = CallRules::Effect::Pass;
    const qint64 now = nowMs();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        effect = type == QEvent::KeyPress
                     ? m_rules.pressed(keyInput(key), isCallKey(key->key(), key->modifiers() & Qt::KeypadModifier), now)
                     : m_rules.released(keyInput(key), now);
    } else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        effect = m_rules.pressed(-int(mouse->button()), isCallButton(watched, mouse->button(), mouse->position()), now);
    } else if (type == QEvent::MouseButtonRelease) {
        effect = m_rules.released(-int(static_cast<QMouseEvent *>(event)->button()), now);
        // The pointer's click is made by its release, and the key it went
        // down on must see it to come up again: the release goes on (the
        // click that started the call was taken back when it began).
        if (m_methods.active() == MethodId::Mouse)
            effect = CallRules::Effect::Pass;
    } else {
        return false;
    }
    judged(effect);
    if (effect == CallRules::Effect::Pass)
        return false;
    event->accept();
    return true;
}

void Call::judged(CallRules::Effect effect)
{
    if (effect == CallRules::Effect::Stop)
        m_ctx.window.guarded([this] { stop(); });
    armHold();
}

void Call::armHold()
{
    if (const auto due = m_rules.due())
        m_holdTimer.start(int(std::max<qint64>(0, *due - nowMs())));
    else
        m_holdTimer.stop();
}

void Call::holdReached()
{
    if (m_rules.reached(nowMs()))
        m_ctx.window.guarded([this] { start(); });
    armHold();
}

void Call::start()
{
    if (!calling())
        m_rules.start(nowMs());
    if (m_chimeTimer.isActive())
        return; // already sounding
    // A key held down by the pointer's button that started the call is
    // let up without a click: it writes nothing and says nothing over the chime.
    for (QAbstractButton *b : m_ctx.window.widget()->findChildren<QAbstractButton *>())
        if (b->isDown())
            b->setDown(false);
    m_ctx.speech.stop(); // speech waits while the call sounds
    m_told.clear();
    chime();
    m_chimeTimer.start(kChimeEveryMs);
    sounding = this;
    m_frame->showCall();
    m_flashTimer.start(kFlashEveryMs);
    emit started(QDateTime::currentDateTime());
}

void Call::showScanPlace(const QString &name)
{
    m_frame->showPlace(name);
}

void Call::chime()
{
    if (m_chime)
        m_chime();
    emit chimed();
}

void Call::stop()
{
    m_rules.stop();
    if (!m_chimeTimer.isActive())
        return;
    m_chimeTimer.stop();
    sounding = nullptr;
    m_flashTimer.stop();
    m_frame->hide();
    m_ctx.speech.say(QStringLiteral("よびだしを　とめました"), speech::Role::Decision);
    // What the call's mail and command reported while it sounded, after the
    // event that stopped it has been handled.
    QTimer::singleShot(0, this, [this, told = std::exchange(m_told, {})] {
        for (const Told &t : told)
            m_ctx.window.guarded([&] { tell(t.spoken, t.shown, t.failed); });
    });
    emit stopped();
}

void Call::tell(const QString &spoken, const QString &shown, bool failed)
{
    if (calling()) {
        m_told.append({spoken, shown, failed});
        m_frame->addLine(shown);
        return;
    }
    m_ctx.speech.say(spoken, speech::Role::Decision);
    if (failed)
        m_ctx.window.notice(shown);
}

} // namespace input
