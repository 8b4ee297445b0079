#include "kanji/history.h"

#include "base/plaintext.h"
#include "base/wholefile.h"
#include "kanji/candidatecycle.h"

#include <QStandardPaths>

namespace kanji {

QString History::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/mojipot/kanji-history.txt");
}

bool History::acceptable(const QString &reading, const QString &text)
{
    if (reading.isEmpty() || reading.size() > kMaxPhraseLength || text.isEmpty() || text.size() > kMaxPhraseLength
        || text == reading)
        return false;
    for (QChar c : reading)
        if (!isRunCharacter(c))
            return false;
    return plaintext::isPlain(text);
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
    if (!acceptable(reading, text))
        return;
    QStringList &chosen = m_chosen[reading];
    chosen.removeAll(text);
    chosen.prepend(text);
    if (chosen.size() > kMaxChoices)
        chosen.resize(kMaxChoices);
    m_order.removeAll(reading);
    m_order << reading;
    while (m_order.size() > kMaxReadings)
        m_chosen.remove(m_order.takeFirst());
}

QList<std::pair<QString, QString>> History::startingWith(QStringView prefix) const
{
    QList<std::pair<QString, QString>> out;
    for (auto it = m_order.crbegin(); it != m_order.crend(); ++it)
        if (it->size() > prefix.size() && it->startsWith(prefix))
            out.append({*it, m_chosen.value(*it).value(0)});
    return out;
}

void History::clear()
{
    m_chosen.clear();
    m_order.clear();
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
    // Readings come oldest first, each one's texts latest first. A reading
    // met again further down (a file put together by hand) adds its texts
    // to its first place. Each line costs the same whatever came before.
    QStringList readings;
    QHash<QString, QStringList> texts;
    for (qsizetype from = 0; from < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', from);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = QByteArrayView(bytes).sliced(from, end - from);
        from = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        const QString reading = QString::fromUtf8(line.first(tab));
        const QString text = QString::fromUtf8(line.sliced(tab + 1));
        if (!acceptable(reading, text)) // a second tab makes the text unacceptable
            continue;
        auto it = texts.find(reading);
        if (it == texts.end()) {
            readings << reading;
            it = texts.insert(reading, {});
        }
        if (it->size() < kMaxChoices && !it->contains(text))
            it->append(text);
    }
    History h;
    const qsizetype first = qMax<qsizetype>(0, readings.size() - kMaxReadings); // the latest are kept
    for (qsizetype i = first; i < readings.size(); ++i) {
        h.m_order << readings[i];
        h.m_chosen.insert(readings[i], texts.value(readings[i]));
    }
    return h;
}

History History::readFile(const QString &path)
{
    return fromBytes(wholefile::readTail(path, kMaxFileBytes));
}

bool History::writeFile(const QString &path) const
{
    return wholefile::replacePrivate(path, toBytes());
}

} // namespace kanji
