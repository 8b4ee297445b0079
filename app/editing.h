#pragma once
#include <QString>
#include <optional>

#include "app/displaysettings.h"
#include "base/context.h"

namespace speech {
class Voices;
}

// The text being written and the editing commands of the main window; the
// keys and menu items of the window call them.
namespace editing {

// The text as the window hands it to every feature, with what each edit
// leaves behind for undo and for the new line's scrolling.
class Text : public context::Text
{
public:
    explicit Text(TextDisplay &display) : m_display(display) {}
    TextDisplay &display() const override { return m_display; }
    // The undo snapshot and lineBefore.
    void beginEdit() override;
    // The display's bar().recorded.
    void recordBar() override;

    QString undoText;   // whole-text snapshot for undo
    int lineBefore = 0; // display line of the insertion point before the last edit
    int lineMemory = 0; // display line recorded by new line and delete

private:
    TextDisplay &m_display;
};

// Deletes the whole character before the insertion point (a line break, a
// one-byte character and a surrogate pair alike) and says it in whatever
// voice the speech control was last set to.
void deleteOne(Text &text, speech::Voices &voices);

// Puts a line break in at the insertion point and says so; at the chosen
// size's scrolling line (none when no size item is checked) it scrolls the
// view two lines on.
void newLine(Text &text, speech::Voices &voices, std::optional<display::Size> chosen);

// Clears the text if there is any, with an undo snapshot, and says what
// happened; clearText is the clearing itself.
void clearAll(Text &text, speech::Voices &voices);
void clearText(Text &text);

// Writes the undo snapshot back as a whole-text string.
void undo(Text &text);

// Selects the whole text, leaves it selected and puts its plain text on the
// clipboard.
void copyAll(TextDisplay &display);

// Replaces the text by the clipboard's, written as a whole-text string; an
// empty clipboard empties the display.
void paste(TextDisplay &display);

} // namespace editing
