#include "base/textmodel.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>

namespace textmodel {

namespace {

// Lays out the blocks from the first up to and including `last` that the
// display has not laid out yet (it lays out only what it shows); afterwards
// the line numbers up to `last` are exact.
void layOutUpTo(const QPlainTextEdit *display, const QTextBlock &last)
{
    const QTextDocument *doc = display->document();
    const auto *layout = qobject_cast<const QPlainTextDocumentLayout *>(doc->documentLayout());
    if (!layout)
        return;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.layout()->lineCount() == 0)
            layout->ensureBlockLayout(b);
        if (b == last)
            break;
    }
}

bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// The document's characters with "\n" for the break between two blocks and
// nothing else changed (no space for a no-break space).
QString rawText(const QTextDocument *doc)
{
    QString raw = doc->toRawText();
    if (raw.size() >= doc->characterCount())
        raw.truncate(doc->characterCount() - 1); // the document's closing separator
    for (QChar &c : raw) {
        if (c == QChar::ParagraphSeparator)
            c = u'\n';
    }
    return raw;
}

} // namespace

QString plainText(const QPlainTextEdit *display)
{
    return display->toPlainText();
}

QString wholeText(const QPlainTextEdit *display)
{
    return wholeText(display, 0, nullptr);
}

QString wholeText(const QPlainTextEdit *display, int position, int *lineOfPosition)
{
    const QTextDocument *doc = display->document();
    if (lineOfPosition)
        *lineOfPosition = 0;
    if (doc->isEmpty())
        return {};
    const auto *layouts = qobject_cast<const QPlainTextDocumentLayout *>(doc->documentLayout());
    // One copy of the characters, cut along the display lines; the block
    // separators in it are skipped. Blocks the display has not laid out yet
    // are laid out on the way.
    const QString raw = doc->toRawText();
    const QStringView chars(raw);
    QString out;
    out.reserve(doc->characterCount() + doc->lineCount());
    int blockStart = 0;
    int linesBefore = 0; // display lines of the blocks before this one
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        if (layout->lineCount() == 0 && layouts)
            layouts->ensureBlockLayout(block);
        const int lines = layout->lineCount();
        if (lineOfPosition && position >= blockStart && position < blockStart + block.length()) {
            const QTextLine at = layout->lineForTextPosition(position - blockStart);
            *lineOfPosition = linesBefore + (at.isValid() ? at.lineNumber() : 0);
        }
        linesBefore += lines;
        const bool lastBlock = !block.next().isValid();
        for (int i = 0; i < lines; ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = blockStart + line.textStart();
            int length = line.textLength();
            // A line separator inside a block ends its display line; the
            // line break written after the line stands for it.
            if (length > 0 && chars[start + length - 1] == QChar::LineSeparator)
                --length;
            if (lastBlock && i == lines - 1 && length == 0)
                break; // the empty last line is not a line of the text
            out += chars.mid(start, length);
            out += u'\n';
        }
        blockStart += block.length();
    }
    return out;
}

void writeWholeText(QPlainTextEdit *display, const QString &text)
{
    // The lines as the display will hold them: every kind of line break
    // becomes the display's own, and the text ends with one.
    QString wanted = text;
    wanted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar &c : wanted) {
        if (isBreak(c) || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            c = u'\n';
    }
    if (!wanted.isEmpty() && wanted.back() != u'\n')
        wanted += u'\n';

    // Only the part that differs is replaced: the rest of the document, its
    // layout and its view stay as they are, so writing back a snapshot that
    // differs by one character costs no more than typing one.
    const QString current = rawText(display->document());
    const qsizetype shorter = qMin(current.size(), wanted.size());
    qsizetype prefix = 0;
    while (prefix < shorter && current[prefix] == wanted[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && current[current.size() - 1 - suffix] == wanted[wanted.size() - 1 - suffix])
        ++suffix;
    // Never cut between the two halves of a surrogate pair.
    if (prefix > 0 && QChar(current.at(prefix - 1)).isHighSurrogate())
        --prefix;
    if (suffix > 0 && QChar(wanted.at(wanted.size() - suffix)).isLowSurrogate())
        --suffix;

    const qsizetype removed = current.size() - suffix - prefix;
    const qsizetype added = wanted.size() - suffix - prefix;
    if (removed + added > current.size() / 2 + 1024) {
        // Most of the text changes: building the document afresh is faster.
        display->setPlainText(wanted);
        display->moveCursor(QTextCursor::End);
        return;
    }
    QTextCursor cursor(display->document());
    if (removed > 0 || added > 0) {
        cursor.setPosition(int(prefix));
        cursor.setPosition(int(current.size() - suffix), QTextCursor::KeepAnchor);
        cursor.insertText(wanted.mid(prefix, wanted.size() - suffix - prefix));
    }
    cursor.movePosition(QTextCursor::End);
    display->setTextCursor(cursor);
}

QString characterBefore(const QPlainTextEdit *display, int position)
{
    const QTextDocument *doc = display->document();
    position = qBound(0, position, doc->characterCount() - 1);
    if (position == 0)
        return {};
    const QChar last = doc->characterAt(position - 1);
    if (last == QChar::ParagraphSeparator)
        return QStringLiteral("\n"); // the break between two blocks
    if (last.isLowSurrogate() && position >= 2) {
        const QChar first = doc->characterAt(position - 2);
        if (first.isHighSurrogate())
            return QString(first) + last;
    }
    return QString(last);
}

QString textBefore(const QPlainTextEdit *display, int position, int count)
{
    const QTextDocument *doc = display->document();
    position = qBound(0, position, doc->characterCount() - 1);
    int from = std::max(0, position - count);
    if (from > 0 && doc->characterAt(from).isLowSurrogate())
        ++from;
    QString out;
    out.reserve(position - from);
    for (int i = from; i < position; ++i) {
        const QChar c = doc->characterAt(i);
        out += c == QChar::ParagraphSeparator ? QChar(u'\n') : c;
    }
    return out;
}

int insertionPosition(const QPlainTextEdit *display)
{
    return display->textCursor().selectionStart();
}

int lineOf(const QPlainTextEdit *display, int position)
{
    const QTextDocument *doc = display->document();
    position = qBound(0, position, doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid())
        return 0;
    layOutUpTo(display, block);
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    return block.firstLineNumber() + (line.isValid() ? line.lineNumber() : 0);
}

int insertionLine(const QPlainTextEdit *display)
{
    return lineOf(display, insertionPosition(display));
}

} // namespace textmodel
