#include "input/methodselection.h"

#include "app/mainform.h"
#include "input/switchinput.h"

namespace input {

void selectMethod(TMain_form &form, Method method)
{
    MenuItems &m = form.menus;
    m.N11->setChecked(method == Method::ArrowKeys);
    m.N12->setChecked(method == Method::Mouse);
    m.N13->setChecked(method == Method::Keypad);
    m.Switch1->setChecked(method == Method::Switch);
    form.state.Input_mode = static_cast<int>(method);
    m.N1->setEnabled(method != Method::Keypad);
    if (method == Method::Switch || form.switchInput->isActive())
        form.switchInput->setActive(method == Method::Switch);
    if (method == Method::Mouse && form.state.Framed_key >= 0)
        form.unframeKey();
    form.settings().writeInteger(QStringLiteral("入力方法"), QStringLiteral("番号"), static_cast<int>(method) + 1);
}

} // namespace input
