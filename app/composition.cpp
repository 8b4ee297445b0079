#include "app/composition.h"

#include "app/compositionrules.h"
#include "base/context.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "speech/voices.h"

#include <QTextCursor>

namespace composition {

void takeSteps(TextDisplay &display)
{
    const int h = display.characterHeight();
    display.bar().lineStep = lineStep(h);
    display.bar().charStep = charStep(h);
}

void Composer::press(int tag, const QString &caption)
{
    TextDisplay &display = m_text.display();

    m_text.beginEdit();
    takeSteps(display);
    const int p = textmodel::insertionPosition(&display);
    display.bar().follows = false;

    const QString before = textmodel::characterBefore(&display, p);
    const Entry entry = entryFor(tag, caption, lastKey, readings::table(), before);
    if (entry.kind == Entry::Refused) {
        // The mark has nothing it may voice: the text, the insertion point
        // and the bar stay as they are.
        m_keys.beep();
        m_voices.use(speech::Role::Decision);
        lastKey = tag;
        return;
    }
    m_voices.say(entry.spoken, speech::Role::Decision);

    // A selection is not replaced: the entry goes in at its start and the
    // selected text stays after it.
    QTextCursor cursor = display.textCursor();
    cursor.setPosition(p);
    if (entry.kind == Entry::ReplacePrevious)
        cursor.setPosition(p - int(before.size()), QTextCursor::KeepAnchor);
    cursor.insertText(entry.text);
    display.setTextCursor(cursor);
    m_text.recordBar();
    lastKey = tag;
}

void selectionChanged(TextDisplay &display)
{
    display.setBarShown(display.bar().follows);
}

void mouseReleased(context::Text &text)
{
    text.display().bar().follows = true;
    text.recordBar();
    // The click has already moved the insertion point; the bar shows there
    // now rather than at the next change.
    selectionChanged(text.display());
}

} // namespace composition
