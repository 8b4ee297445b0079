#include "input/hover.h"

#include "base/keybutton.h"
#include "app/mainform.h"
#include "input/methodselection.h"

namespace input {

void pointerMoved(TMain_form &form, KeyButton *key)
{
    if (form.state.Input_mode != static_cast<int>(Method::Mouse))
        return;
    // The board draws a single frame, round the key that was reached last, so
    // there is no stale frame round "よむ" to paint over here.
    key->setFocus(Qt::MouseFocusReason); // no focus change, no announcement, when it has it
}

} // namespace input
