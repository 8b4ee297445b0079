#include "kanji/readings.h"

namespace kanji {

void ReadingSpans::add(int start, const QString &surface, const QString &reading)
{
    if (surface.isEmpty() || surface == reading)
        return;
    auto it = m_spans.begin();
    while (it != m_spans.end() && it->start < start)
        ++it;
    m_spans.insert(it, Span{start, surface, reading});
}

void ReadingSpans::contentsChanged(int position, int removed, int added)
{
    for (auto it = m_spans.begin(); it != m_spans.end();) {
        const int end = it->start + int(it->surface.size());
        if (position + removed <= it->start) {
            it->start += added - removed; // wholly after the change
            ++it;
        } else if (position >= end) {
            ++it; // wholly before the change
        } else {
            it = m_spans.erase(it); // its own characters were touched
        }
    }
}

QString ReadingSpans::readingOf(const QString &text) const
{
    QString out;
    int from = 0;
    for (const Span &s : m_spans) {
        if (s.start < from || QStringView(text).mid(s.start, s.surface.size()) != s.surface)
            continue;
        out += QStringView(text).mid(from, s.start - from);
        out += s.reading;
        from = s.start + int(s.surface.size());
    }
    out += QStringView(text).mid(from);
    return out;
}

} // namespace kanji
