#pragma once

class TMain_form;

namespace input {

enum class Method { ArrowKeys = 0, Mouse = 1, Keypad = 2, Switch = 3 };

// Selects an input method: sets the four ticks, Input_mode, whether the
// practice-mode menu is available, removes the focus frame for the mouse
// (until the next focus change), starts or ends switch scanning, and writes
// the choice to the settings file
// as the last step (a refused write throws after the switch took effect).
void selectMethod(TMain_form &form, Method method);

} // namespace input
