#include "app/editing.h"

#include "app/compositionrules.h"
#include "base/keytable.h"
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

void Text::beginEdit()
{
    undoText = textmodel::wholeText(&m_display, textmodel::insertionPosition(&m_display), &lineBefore);
}

void Text::recordBar()
{
    m_display.bar().recorded = m_display.barRect().topLeft();
}

void deleteOne(Text &text, speech::Voices &voices)
{
    TextDisplay *display = &text.display();

    text.beginEdit();
    const int p = textmodel::insertionPosition(display);
    if (p == 0) {
        voices.sayInCurrentVoice(QStringLiteral("けすもじがありません"));
        return;
    }
    const QString deleted = textmodel::characterBefore(display, p);
    replaceAt(display, p - int(deleted.size()), int(deleted.size()), QString());

    if (deleted == QStringLiteral("\u3000"))
        voices.sayInCurrentVoice(QStringLiteral("くうはく"));
    else if (composition::isLineBreak(deleted))
        voices.sayInCurrentVoice(QStringLiteral("上の行へ"));
    voices.sayInCurrentVoice(readings::spokenWhenDeleted(deleted));

    text.lineMemory = textmodel::insertionLine(display);
    text.recordBar();
}

void newLine(Text &text, speech::Voices &voices, std::optional<display::Size> chosen)
{
    TextDisplay *display = &text.display();

    display->bar().follows = false;
    QScrollBar *bar = display->verticalScrollBar();
    int top = bar->value();
    replaceAt(display, textmodel::insertionPosition(display), 0, QStringLiteral("\n"));
    text.lineMemory = textmodel::insertionLine(display);

    // When the new line reaches the bottom lines of the view for the chosen
    // size, the view moves two lines on. lineBefore is the one left by the
    // last entry or deletion.
    if (chosen && text.lineBefore == chosen->scrollLine - 1 && text.lineMemory == chosen->scrollLine) {
        top += 2;
        bar->setValue(top);
        text.lineBefore = textmodel::insertionLine(display);
    }
    text.recordBar();
    voices.say(QStringLiteral("かいぎょうしました"), speech::Role::Decision);
}

void clearText(Text &text)
{
    text.undoText = textmodel::wholeText(&text.display());
    text.display().clear();
}

void clearAll(Text &text, speech::Voices &voices)
{
    QString message = QStringLiteral("もじはありませんよ。");
    if (!text.display().document()->isEmpty()) {
        clearText(text);
        message = QStringLiteral("ぜんぶけしました");
    }
    voices.say(message, speech::Role::Decision);
    text.recordBar();
}

void undo(Text &text)
{
    textmodel::writeWholeText(&text.display(), text.undoText);
}

void copyAll(TextDisplay &display)
{
    display.selectAll();
    QGuiApplication::clipboard()->setText(textmodel::plainText(&display));
}

void paste(TextDisplay &display)
{
    // Cleaned as an opened file is: a NUL or other control character would
    // stay invisible in the text and cut a mail short.
    textmodel::writeWholeText(&display, filecodec::cleaned(QGuiApplication::clipboard()->text()));
}

} // namespace editing
