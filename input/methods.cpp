#include "input/methods.h"

#include "base/keybutton.h"
#include "base/keytable.h"
#include "input/call.h"
#include "input/dwellinput.h"
#include "input/switchinput.h"

namespace input {

// The arrow-key method: the walk is every method's; its own are the digits
// 8 2 4 6, which move the walk, and the keypad's "*", "-", "/", which read
// aloud, delete one character and end the program.
class ArrowKeys : public Method
{
public:
    ArrowKeys(Methods &m, context::Keys &keys) : m_methods(m), m_keys(keys) {}
    void keyReleased(int key, Qt::KeyboardModifiers modifiers) override
    {
        switch (key) {
        case Qt::Key_8: return m_methods.walk(Move::Up);
        case Qt::Key_2: return m_methods.walk(Move::Down);
        case Qt::Key_4: return m_methods.walk(Move::Left);
        case Qt::Key_6: return m_methods.walk(Move::Right);
        default: break;
        }
        if (!(modifiers & Qt::KeypadModifier))
            return;
        // The commands of the keypad leave the focus and the walk where they are.
        switch (key) {
        case Qt::Key_Asterisk: m_keys.operate(keys::kRead); break;
        case Qt::Key_Minus: m_keys.operate(keys::kDelete); break;
        case Qt::Key_Slash: m_keys.operate(keys::kEnd); break;
        default: break;
        }
    }

private:
    Methods &m_methods;
    context::Keys &m_keys;
};

// Multi-tap on the numeric keypad; "+" reads aloud.
class Keypad : public Method
{
public:
    Keypad(const Methods &m, MultiTap &tap, context::Keys &keys) : m_methods(m), m_tap(tap), m_keys(keys) {}
    void keyReleased(int key, Qt::KeyboardModifiers modifiers) override
    {
        const TapKey tap = tapKeyFor(key, modifiers);
        if (tap.kind == TapKey::ReadAloud)
            m_keys.operate(keys::kRead);
        if (tap.kind == TapKey::Words && m_methods.wordRowShown()) {
            if (const std::optional<int> target = m_tap.pressWords(m_methods.reachable()))
                m_keys.key(*target)->setFocus(Qt::OtherFocusReason);
            else
                m_keys.beep(); // the row holds nothing now
        }
        if (tap.kind != TapKey::Group)
            return;
        if (const std::optional<int> target = m_tap.press(tap.first, m_methods.reachable()))
            m_keys.key(*target)->setFocus(Qt::OtherFocusReason);
        else
            m_keys.beep(); // a hidden key cannot be reached
    }

private:
    const Methods &m_methods;
    MultiTap &m_tap;
    context::Keys &m_keys;
};

Methods::Methods(const context::Context &ctx, OrderSource &orders, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    m_switch = new SwitchInput(ctx, *this, orders);
    m_switch->loadPace(SwitchPace::defaultPath());
    m_dwell = new DwellInput(ctx, this);
    m_call = new Call(ctx, *this);
    m_arrows = std::make_unique<ArrowKeys>(*this, ctx.keys);
    m_keypad = std::make_unique<Keypad>(*this, m_multiTap, ctx.keys);
}

Methods::~Methods() = default;

Method &Methods::method() const
{
    switch (m_active) {
    case MethodId::Mouse: return *m_dwell;
    case MethodId::Keypad: return *m_keypad;
    case MethodId::Switch: return *m_switch;
    case MethodId::ArrowKeys: break;
    }
    return *m_arrows;
}

void Methods::select(MethodId id)
{
    emit selected(id);
    Method &before = method();
    m_active = id;
    if (&before != &method())
        before.setActive(false);
    method().setActive(true); // the switch scan begins again even when chosen again
    if (id == MethodId::Mouse)
        m_ctx.keys.unframe();
    const ProfileFile ini = m_ctx.window.settings();
    ini.write(schema::kMethod, static_cast<int>(id) + 1);
    if (id == MethodId::Switch) // its order and names stay as they were first given
        m_switch->settings().recordOrder(ini);
}

Reachable Methods::reachable() const
{
    Reachable shown;
    for (int t = 0; t < kPlaceCount; ++t) {
        const KeyButton *key = m_ctx.keys.key(t);
        // A place beside the board counts only while it holds something.
        const bool blank = t >= kFirstOffBoard && key && key->text().isEmpty();
        shown.set(t, key && !key->isHidden() && key->isEnabled() && !blank);
    }
    return shown;
}

void Methods::walk(Move move)
{
    const int target = input::walk(m_scanPos, move, reachable());
    m_ctx.keys.key(target)->setFocus(Qt::OtherFocusReason);
    m_scanPos = target;
    method().reached(target);
}

void Methods::applySwitchSettings(const SwitchSettings &settings)
{
    m_switch->setSettings(settings);
    m_dwell->setDwellTime(settings.dwellTime);
    m_dwell->setOn(settings.dwell);
}

const SwitchSettings &Methods::switchSettings() const { return m_switch->settings(); }
void Methods::setDwell(bool on) { m_dwell->setOn(on); }
void Methods::resetSwitchPace() { m_switch->resetPace(); }

void Methods::switchAnsweredBox() { m_switch->answeredBox(); }

} // namespace input
