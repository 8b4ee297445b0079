#include "input/scanning.h"

#include "base/keybutton.h"
#include "app/mainform.h"
#include "input/multitap.h"

namespace input {

namespace {

void arrowMethodRelease(TMain_form &form, int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_8: moveScan(form, Move::Up); return;
    case Qt::Key_2: moveScan(form, Move::Down); return;
    case Qt::Key_4: moveScan(form, Move::Left); return;
    case Qt::Key_6: moveScan(form, Move::Right); return;
    default: break;
    }
    if (!(modifiers & Qt::KeypadModifier))
        return;
    // The commands of the keypad leave the focus and Scan_pos where they are.
    switch (key) {
    case Qt::Key_Asterisk: form.Button0Click(); break;
    case Qt::Key_Minus: form.Button57Click(); break; // the operation of "けす"
    case Qt::Key_Slash: form.Button61Click(); break; // the operation of "おわり"
    default: break;
    }
}

void keypadMethodRelease(TMain_form &form, int key, Qt::KeyboardModifiers modifiers)
{
    const TapKey tap = tapKeyFor(key, modifiers);
    switch (tap.kind) {
    case TapKey::None:
        return;
    case TapKey::ReadAloud:
        form.Button0Click();
        return;
    case TapKey::Group:
        if (const std::optional<int> target = form.multiTap.press(tap.first, shownKeys(form)))
            form.Key_table[*target]->setFocus(Qt::OtherFocusReason);
        else
            form.MessageBeep(); // a hidden key cannot be reached
        return;
    }
}

} // namespace

ShownKeys shownKeys(const TMain_form &form)
{
    ShownKeys shown;
    for (int t = 0; t < keys::kCount; ++t) {
        const KeyButton *key = form.Key_table[t];
        shown.set(t, key && !key->isHidden() && key->isEnabled());
    }
    return shown;
}

void moveScan(TMain_form &form, Move move)
{
    const int target = walk(form.state.Scan_pos, move, shownKeys(form));
    form.Key_table[target]->setFocus(Qt::OtherFocusReason);
    form.state.Scan_pos = target;
}

void tenKeyUp(TMain_form &form, int key, Qt::KeyboardModifiers modifiers)
{
    if (form.menus.N11->isChecked())
        arrowMethodRelease(form, key, modifiers);
    if (form.menus.N13->isChecked())
        keypadMethodRelease(form, key, modifiers);
}

} // namespace input
