#include "app/textmodel.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

namespace textmodel {

QString plainText(const QPlainTextEdit *display)
{
    return display->toPlainText();
}

QString wholeText(const QPlainTextEdit *display)
{
    const QTextDocument *doc = display->document();
    if (doc->isEmpty())
        return {};
    QString out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            out += text + u'\n';
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            out += text.mid(line.textStart(), line.textLength()) + u'\n';
        }
    }
    return out;
}

} // namespace textmodel
