#pragma once

class KeyButton;
class TMain_form;

namespace input {

// The pointer moved over a key. In the mouse method the key gets the focus,
// and with it its announcement and the frame, when it did not have it; there
// is no dwell and no click. Other methods, and Scan_pos and the multi-tap
// state in any method, are left alone.
void pointerMoved(TMain_form &form, KeyButton *key);

} // namespace input
