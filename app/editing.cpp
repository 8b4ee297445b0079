#include "app/editing.h"

#include "app/composition.h"
#include "app/compositionrules.h"
#include "base/keytable.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "base/filecodec.h"
#include "speech/voices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTextCursor>

namespace editing {

namespace {

// Replaces `length` characters at `position` by `text` and leaves the
// insertion point after it; any selection is gone.
void replaceAt(TextDisplay *display, int position, int length, const QString &text)
{
    QTextCursor cursor = display->textCursor();
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    display->setTextCursor(cursor);
}

} // namespace

void deleteOne(TMain_form &form)
{
    MainState &s = form.state;
    TextDisplay *display = form.Hyouji_edit;

    form.beginEdit();
    const int p = textmodel::insertionPosition(display);
    s.Saved_sel = p;
    if (p == 0) {
        form.voices.sayInCurrentVoice(QStringLiteral("けすもじがありません"));
        return;
    }
    const QString deleted = textmodel::characterBefore(display, p);
    replaceAt(display, p - int(deleted.size()), int(deleted.size()), QString());

    if (deleted == QStringLiteral("\u3000"))
        form.voices.sayInCurrentVoice(QStringLiteral("くうはく"));
    else if (composition::isLineBreak(deleted))
        form.voices.sayInCurrentVoice(QStringLiteral("上の行へ"));
    form.voices.sayInCurrentVoice(readings::spokenWhenDeleted(deleted));

    s.Line_memory = textmodel::insertionLine(display);
    form.recordBar();
}

void newLine(TMain_form &form)
{
    MainState &s = form.state;
    TextDisplay *display = form.Hyouji_edit;

    s.Caret_shown = false;
    QScrollBar *bar = display->verticalScrollBar();
    int top = bar->value();
    replaceAt(display, textmodel::insertionPosition(display), 0, QStringLiteral("\n"));
    s.Line_memory = textmodel::insertionLine(display);

    // When the new line reaches the bottom lines of the view for the chosen
    // size, the view moves two lines on. Line_before is the one left by the
    // last entry or deletion; each test sees the result of the one before.
    const struct
    {
        const QAction *size;
        int before, after;
    } rules[] = {{form.menus.N16, 2, 3}, {form.menus.N17, 4, 5}, {form.menus.N18, 5, 6}};
    for (const auto &rule : rules) {
        if (rule.size->isChecked() && s.Line_before == rule.before && s.Line_memory == rule.after) {
            top += 2;
            bar->setValue(top);
            s.Line_before = textmodel::insertionLine(display);
        }
    }
    form.recordBar();
    form.voices.say(QStringLiteral("かいぎょうしました"), speech::Role::Decision);
}

void clearText(TMain_form &form)
{
    form.state.Undo_text = textmodel::wholeText(form.Hyouji_edit);
    form.Hyouji_edit->clear();
}

void clearAll(TMain_form &form)
{
    QString message = QStringLiteral("もじはありませんよ。");
    if (!form.Hyouji_edit->document()->isEmpty()) {
        form.all_dellClick();
        message = QStringLiteral("ぜんぶけしました");
    }
    form.voices.say(message, speech::Role::Decision);
    form.recordBar();
}

void undo(TMain_form &form)
{
    textmodel::writeWholeText(form.Hyouji_edit, form.state.Undo_text);
}

void copyAll(TMain_form &form)
{
    form.Hyouji_edit->selectAll();
    QGuiApplication::clipboard()->setText(textmodel::plainText(form.Hyouji_edit));
}

void paste(TMain_form &form)
{
    // Cleaned as an opened file is: a NUL or other control character would
    // stay invisible in the text and cut a mail short.
    textmodel::writeWholeText(form.Hyouji_edit, filecodec::cleaned(QGuiApplication::clipboard()->text()));
}

} // namespace editing
