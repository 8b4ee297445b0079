#include "kanji/history.h"

#include <QStandardPaths>

namespace kanji {

QString History::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/mojipot/kanji-history.txt");
}

void History::apply(QList<Phrase> &phrases) const
{
    for (Phrase &p : phrases) {
        const QStringList chosen = m_chosen.value(p.reading);
        for (auto it = chosen.crbegin(); it != chosen.crend(); ++it) {
            p.candidates.removeAll(*it);
            p.candidates.prepend(*it);
        }
    }
}

void History::record(const QString &reading, const QString &text)
{
    if (reading.isEmpty() || text.isEmpty() || text == reading || text.contains(u'\t') || text.contains(u'\n'))
        return;
    QStringList &chosen = m_chosen[reading];
    chosen.removeAll(text);
    chosen.prepend(text);
    m_order.removeAll(reading);
    m_order << reading;
    while (m_order.size() > kMaxReadings)
        m_chosen.remove(m_order.takeFirst());
}

QByteArray History::toBytes() const
{
    QByteArray out;
    for (const QString &reading : m_order)
        for (const QString &text : m_chosen.value(reading))
            out += (reading + u'\t' + text + u'\n').toUtf8();
    return out;
}

History History::fromBytes(const QByteArray &bytes)
{
    // Readings come oldest first, each one's texts latest first: record each
    // reading's texts oldest first, reading after reading.
    QStringList readings;
    QHash<QString, QStringList> texts;
    for (const QString &line : QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList cols = line.split(u'\t');
        if (cols.size() != 2)
            continue;
        if (!texts.contains(cols[0]))
            readings << cols[0];
        texts[cols[0]] << cols[1];
    }
    History h;
    for (const QString &reading : readings) {
        const QStringList &list = texts[reading];
        for (auto it = list.crbegin(); it != list.crend(); ++it)
            h.record(reading, *it);
    }
    return h;
}

} // namespace kanji
