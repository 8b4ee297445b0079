#pragma once
#include <Qt>

#include "input/arrowwalk.h"

class TMain_form;

// The walk and the keypad as they act on the main window.
namespace input {

// Which keys of the window can take the focus now (practice mode hides some).
ShownKeys shownKeys(const TMain_form &form);

// Makes one move of the walk from Scan_pos: the key reached gets the focus
// (and is announced, unless it had it already), then Scan_pos names it.
void moveScan(TMain_form &form, Move move);

// The key-release handler's work, by the ticked method: with the arrow keys,
// 8 2 4 6 move the walk and the keypad's "*", "-", "/" read aloud, delete one
// character and end the program; with the keypad, multi-tap and "+" reading
// aloud; with the mouse nothing.
void tenKeyUp(TMain_form &form, int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace input
