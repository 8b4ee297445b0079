#include "input/methods.h"

#include "base/keybutton.h"
#include "base/keytable.h"
#include "input/dwellinput.h"
#include "input/switchinput.h"

namespace input {

// The arrow-key method: the walk is every method's; its own are the digits
// 8 2 4 6, which move the walk, and the keypad's "*", "-", "/", which read
// aloud, delete one character and end the program.
class ArrowKeys : public Method
{
public:
    explicit ArrowKeys(Methods &m) : m_methods(m) {}
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
        // The commands of the keypad leave the focus and Scan_pos where they are.
        switch (key) {
        case Qt::Key_Asterisk: m_methods.m_ctx.keys.operate(keys::kRead); break;
        case Qt::Key_Minus: m_methods.m_ctx.keys.operate(keys::kDelete); break;
        case Qt::Key_Slash: m_methods.m_ctx.keys.operate(keys::kEnd); break;
        default: break;
        }
    }

private:
    Methods &m_methods;
};

// Multi-tap on the numeric keypad; "+" reads aloud.
class Keypad : public Method
{
public:
    explicit Keypad(Methods &m) : m_methods(m) {}
    void keyReleased(int key, Qt::KeyboardModifiers modifiers) override
    {
        const TapKey tap = tapKeyFor(key, modifiers);
        if (tap.kind == TapKey::ReadAloud)
            m_methods.m_ctx.keys.operate(keys::kRead);
        if (tap.kind == TapKey::Words && m_methods.wordRow) {
            if (const std::optional<int> target = m_methods.multiTap.pressWords(m_methods.reachable()))
                m_methods.m_ctx.keys.key(*target)->setFocus(Qt::OtherFocusReason);
            else
                m_methods.m_ctx.keys.beep(); // the row holds nothing now
        }
        if (tap.kind != TapKey::Group)
            return;
        if (const std::optional<int> target = m_methods.multiTap.press(tap.first, m_methods.reachable()))
            m_methods.m_ctx.keys.key(*target)->setFocus(Qt::OtherFocusReason);
        else
            m_methods.m_ctx.keys.beep(); // a hidden key cannot be reached
    }

private:
    Methods &m_methods;
};

Methods::Methods(const context::Context &ctx, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    m_switch = new SwitchInput(ctx, *this);
    m_dwell = new DwellInput(ctx, this);
    m_arrows = std::make_unique<ArrowKeys>(*this);
    m_keypad = std::make_unique<Keypad>(*this);
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
    const int target = input::walk(Scan_pos, move, reachable());
    m_ctx.keys.key(target)->setFocus(Qt::OtherFocusReason);
    Scan_pos = target;
    method().reached(target);
}

} // namespace input
