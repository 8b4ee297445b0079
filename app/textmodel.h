#pragma once
#include <QString>

class QPlainTextEdit;

// The display's text as the rest of the program sees it. In memory a line
// break is one "\n"; files and mail turn it into CR LF where bytes leave.
namespace textmodel {

// The text with line breaks only where a line was ended.
QString plainText(const QPlainTextEdit *display);

// The display lines as the display wraps them, each followed by "\n"; the
// empty string for an empty display.
QString wholeText(const QPlainTextEdit *display);

} // namespace textmodel
