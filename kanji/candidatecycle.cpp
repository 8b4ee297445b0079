#include "kanji/candidatecycle.h"

namespace kanji {

bool isRunCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x3041 && u <= 0x3096) || u == 0x30FC;
}

int runStart(QStringView text, int insertion, int anchor)
{
    insertion = qBound(0, insertion, int(text.size()));
    const int stop = qBound(0, anchor, insertion);
    int start = insertion;
    while (start > stop && isRunCharacter(text[start - 1]))
        --start;
    return start;
}

void leadWithPlain(QList<Phrase> &phrases)
{
    if (!phrases.isEmpty() && phrases.front().candidates.value(0) != phrases.front().reading)
        phrases.front().candidates.prepend(phrases.front().reading);
}

QStringList CandidateCycle::cycleOf(const Phrase &phrase)
{
    // When the engine's best is the plain hiragana it stays first, and the
    // cycle comes round to it after the last candidate all the same.
    const bool plainFirst = phrase.candidates.value(0) == phrase.reading;
    QStringList cycle;
    if (plainFirst)
        cycle << phrase.reading;
    for (const QString &c : phrase.candidates)
        if (!c.isEmpty() && c != phrase.reading && !cycle.contains(c))
            cycle << c;
    if (!plainFirst)
        cycle << phrase.reading;
    return cycle;
}

void CandidateCycle::begin(const QList<Phrase> &phrases)
{
    m_phrases = phrases;
    m_cycles.clear();
    for (const Phrase &p : phrases)
        m_cycles << cycleOf(p);
    m_chosen = QList<int>(phrases.size(), 0);
    m_current = 0;
}

QString CandidateCycle::shown() const
{
    QString out;
    for (int i = m_current; i < m_phrases.size(); ++i)
        out += m_cycles[i][m_chosen[i]];
    return out;
}

QString CandidateCycle::currentText() const
{
    return active() ? m_cycles[m_current][m_chosen[m_current]] : QString();
}

QString CandidateCycle::currentReading() const
{
    return active() ? m_phrases[m_current].reading : QString();
}

bool CandidateCycle::currentIsPlain() const
{
    return active() && m_chosen[m_current] == m_cycles[m_current].size() - 1;
}

void CandidateCycle::next()
{
    if (active())
        m_chosen[m_current] = (m_chosen[m_current] + 1) % int(m_cycles[m_current].size());
}

Committed CandidateCycle::commitCurrent()
{
    if (!active())
        return {};
    Committed c{currentText(), currentReading()};
    ++m_current;
    return c;
}

QList<Committed> CandidateCycle::commitAll()
{
    QList<Committed> out;
    while (active())
        out << commitCurrent();
    return out;
}

QString CandidateCycle::cancel()
{
    QString plain;
    for (int i = m_current; i < m_phrases.size(); ++i)
        plain += m_phrases[i].reading;
    m_current = int(m_phrases.size());
    return plain;
}

} // namespace kanji
