#pragma once
#include <QList>
#include <QString>

// The hiragana behind converted text, kept beside the text so that a voice
// that cannot read kanji reads what the user wrote. Each span follows the
// text as it changes and is dropped once its own characters are touched.
namespace kanji {

class ReadingSpans
{
public:
    // `surface` (converted from `reading`) stands at `start`.
    void add(int start, const QString &surface, const QString &reading);
    // The text changed at `position`: `removed` characters went, `added`
    // came (QTextDocument::contentsChange).
    void contentsChanged(int position, int removed, int added);
    void clear() { m_spans.clear(); }
    bool isEmpty() const { return m_spans.isEmpty(); }

    // The text with every span that still holds its converted text replaced
    // by its hiragana.
    QString readingOf(const QString &text) const;

private:
    struct Span
    {
        int start;
        QString surface;
        QString reading;
    };
    QList<Span> m_spans; // in text order
};

} // namespace kanji
