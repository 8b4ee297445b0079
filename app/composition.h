#pragma once
#include <QString>

class TMain_form;

// Kana entry on the main window: the press of an entry key (Tag 1 to 56),
// the bookkeeping every edit shares, and the display's two handlers that
// decide whether the insertion bar shows.
namespace composition {

// The press of the entry key `tag` with caption `caption` (ButtonClick):
// takes the undo snapshot, enters the key's character or, for "゛" and "゜",
// turns the character before the insertion point into the voiced form of the
// last key entered, and says it in the decision voice. A mark that cannot
// apply beeps, selects the decision voice, says nothing and changes nothing.
void pressEntryKey(TMain_form &form, int tag, const QString &caption);

// The bar's steps from the display font's character height: Char_step,
// Line_step.
inline int charStep(int characterHeight) { return characterHeight + 2; }
inline int lineStep(int characterHeight) { return characterHeight + 25; }
// Char_step and Line_step from the display's font as it is now.
void takeSteps(TMain_form &form);

// After every change of the display's selection or insertion point: the bar
// shows there when Caret_shown says so (Hyouji_editSelectionChange).
void selectionChanged(TMain_form &form);

// A mouse button released over the display: the bar shows from now on at
// the insertion point the click placed (Hyouji_editMouseUp).
void mouseReleased(TMain_form &form);

} // namespace composition
