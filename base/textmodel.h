#pragma once
#include <QString>

class QPlainTextEdit;

// The display's text as the rest of the program sees it: a QString in which
// a position counts characters (UTF-16 units; a character outside the Basic
// Multilingual Plane is two and is never split) and a line break is one "\n".
// Files and mail turn "\n" into CR LF where bytes leave the program.
//
// Display lines are the lines as the display wraps them, counted from 0 at
// the top of the text. They are read from the display's own layout, so what
// the user sees and what is read aloud, saved, mailed and printed agree.
namespace textmodel {

// The text with line breaks only where a line was ended.
QString plainText(const QPlainTextEdit *display);

// The display lines, each followed by "\n". A last display line that is empty
// (an empty display, or a text ending with a line break) is left out, so an
// empty display gives the empty string and a text that ends with a line
// break comes back the same after writeWholeText.
QString wholeText(const QPlainTextEdit *display);

// The same, and in the same pass the display line of a position (what
// lineOf gives), for an edit that needs both.
QString wholeText(const QPlainTextEdit *display, int position, int *lineOfPosition);

// Replaces the text by a whole-text string, line by line: each of its lines
// (ended by CR LF, LF, a lone CR or a Unicode line or paragraph separator)
// becomes a line of its own, the text ends with a line break (unless it is
// empty) and the insertion point stands at the very end.
void writeWholeText(QPlainTextEdit *display, const QString &text);

// The whole character that ends at a position ("\n" for a line break, both
// halves of a surrogate pair); empty at the start of the text. It reads only
// the characters it returns, so it costs the same on any length of text.
QString characterBefore(const QPlainTextEdit *display, int position);

// At most `count` characters that end at a position, a line break as "\n"
// (a character cut in half at the start is left out). It reads only those.
QString textBefore(const QPlainTextEdit *display, int position, int count);

// The insertion position: the start of the selection, if there is one.
int insertionPosition(const QPlainTextEdit *display);

// The display line that holds a position (a position where a line wraps
// belongs to the line it starts).
int lineOf(const QPlainTextEdit *display, int position);

// The display line of the insertion position.
int insertionLine(const QPlainTextEdit *display);

} // namespace textmodel
