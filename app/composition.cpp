#include "app/composition.h"

#include "app/compositionrules.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "speech/voices.h"

#include <QTextCursor>

namespace composition {

void takeSteps(TMain_form &form)
{
    const int h = form.Hyouji_edit->characterHeight();
    form.state.Line_step = lineStep(h);
    form.state.Char_step = charStep(h);
}

void pressEntryKey(TMain_form &form, int tag, const QString &caption)
{
    MainState &s = form.state;
    TextDisplay *display = form.Hyouji_edit;

    form.beginEdit();
    takeSteps(form);
    const int p = textmodel::insertionPosition(display);
    s.Saved_sel = p;
    s.Caret_shown = false;

    const QString before = textmodel::characterBefore(display, p);
    const Entry entry = entryFor(tag, caption, s.Last_key, form.Reading_table, before);
    if (entry.kind == Entry::Refused) {
        // The mark has nothing it may voice: the text, the insertion point
        // and the bar stay as they are.
        form.MessageBeep();
        form.voices.use(speech::Role::Decision);
        s.Last_key = tag;
        return;
    }
    form.voices.say(entry.spoken, speech::Role::Decision);

    // A selection is not replaced: the entry goes in at its start and the
    // selected text stays after it.
    QTextCursor cursor = display->textCursor();
    cursor.setPosition(p);
    if (entry.kind == Entry::ReplacePrevious)
        cursor.setPosition(p - int(before.size()), QTextCursor::KeepAnchor);
    cursor.insertText(entry.text);
    display->setTextCursor(cursor);
    s.Saved_sel = cursor.position();
    form.recordBar();
    s.Last_key = tag;
}

void selectionChanged(TMain_form &form)
{
    form.Hyouji_edit->setBarShown(form.state.Caret_shown);
}

void mouseReleased(TMain_form &form)
{
    form.state.Caret_shown = true;
    form.recordBar();
    // The click has already moved the insertion point; the bar shows there
    // now rather than at the next change.
    selectionChanged(form);
}

} // namespace composition
