#pragma once

class TMain_form;

// The editing commands of the main window. Each works on the display and the
// window state; the keys and menu items of the window call them.
namespace editing {

// Deletes the whole character before the insertion point (a line break, a
// one-byte character and a surrogate pair alike) and says it in whatever
// voice the speech control was last set to (Button57Click).
void deleteOne(TMain_form &form);

// Puts a line break in at the insertion point and says so; on the size
// item's line it scrolls the view two lines on (Button58Click).
void newLine(TMain_form &form);

// Clears the text if there is any, with an undo snapshot, and says what
// happened (BitBtn1Click); clearText is the clearing itself (all_dellClick).
void clearAll(TMain_form &form);
void clearText(TMain_form &form);

// Writes the undo snapshot back as a whole-text string (Undo1Click).
void undo(TMain_form &form);

// Selects the whole text, leaves it selected and puts its plain text on the
// clipboard (Copy1Click).
void copyAll(TMain_form &form);

// Replaces the text by the clipboard's, written as a whole-text string; an
// empty clipboard empties the display (N19Click).
void paste(TMain_form &form);

} // namespace editing
