#pragma once
#include <QString>

class TextDisplay;
namespace context {
class Keys;
class Text;
}
namespace speech {
class Voices;
}

// Kana entry on the main window: the press of an entry key (Tag 1 to 56),
// and the display's two handlers that decide whether the insertion bar shows.
namespace composition {

// The entry keys' presses on the text, and the key last entered, which the
// voicing marks look at.
class Composer
{
public:
    Composer(context::Text &text, context::Keys &keys, speech::Voices &voices)
        : m_text(text), m_keys(keys), m_voices(voices)
    {
    }

    // The press of the entry key `tag` with caption `caption`: takes the undo
    // snapshot, enters the key's character or, for "゛" and "゜", turns the
    // character before the insertion point into the voiced form of the last
    // key entered, and says it in the decision voice. A mark that cannot
    // apply beeps, selects the decision voice, says nothing and changes
    // nothing.
    void press(int tag, const QString &caption);

    int lastKey = 0; // Tag of the key last entered (a word written from the row sets it too)

private:
    context::Text &m_text;
    context::Keys &m_keys;
    speech::Voices &m_voices;
};

// The bar's steps from the display font's character height.
inline int charStep(int characterHeight) { return characterHeight + 2; }
inline int lineStep(int characterHeight) { return characterHeight + 25; }
// The bar's steps from the display's font as it is now.
void takeSteps(TextDisplay &display);

// After every change of the display's selection or insertion point: the bar
// shows there when bar().follows says so.
void selectionChanged(TextDisplay &display);

// A mouse button released over the display: the bar shows from now on at
// the insertion point the click placed.
void mouseReleased(context::Text &text);

} // namespace composition
