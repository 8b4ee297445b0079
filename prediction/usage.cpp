#include "prediction/usage.h"

#include "base/plaintext.h"
#include "base/wholefile.h"

#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace prediction {

namespace {

const QByteArray kForgotten = "forgotten";
const QByteArray kPhrase = "phrase";
const QByteArray kWord = "word";
const QByteArray kConversion = "conversion";

void keepLater(QDateTime &moment, const QDateTime &other)
{
    if (other.isValid() && (!moment.isValid() || other > moment))
        moment = other;
}

bool acceptableConversion(const QString &reading, const QString &text)
{
    return reading.size() <= Usage::kMaxConversionLength && text.size() <= Usage::kMaxConversionLength
        && Usage::acceptable(reading) && Usage::acceptable(text);
}

// Text from a line's bytes, null when the bytes are not its UTF-8.
QString utf8(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes ? text : QString();
}

// The most used first, then by text, so that the file does not change
// when nothing in it did.
std::vector<std::pair<int, QString>> sorted(const QHash<QString, int> &counts)
{
    std::vector<std::pair<int, QString>> out;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out.emplace_back(it.value(), it.key());
    std::sort(out.begin(), out.end(),
              [](const auto &a, const auto &b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    return out;
}

void keepMostUsed(QHash<QString, int> &counts)
{
    if (counts.size() <= Usage::kMaxEntries)
        return;
    const auto all = sorted(counts);
    counts.clear();
    for (int i = 0; i < Usage::kMaxEntries; ++i)
        counts.insert(all[i].second, all[i].first);
}

} // namespace

QString Usage::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/mojipot/word-history.txt");
}

bool Usage::acceptable(const QString &text)
{
    return !text.isEmpty() && text.size() <= kMaxTextLength && text.trimmed() == text && plaintext::isPlain(text);
}

void Usage::count(QHash<QString, int> &counts, const QString &text)
{
    if (!acceptable(text))
        return;
    int &n = counts[text];
    n = n < std::numeric_limits<int>::max() ? n + 1 : n;
    keepMostUsed(counts);
}

void Usage::forget(const QDateTime &now)
{
    m_phrases.clear();
    m_words.clear();
    m_conversions.clear();
    m_forgotten = now.toUTC();
}

void Usage::choseConversion(const QString &reading, const QString &text)
{
    // Before anything was forgotten every conversion is offered.
    if (!m_forgotten.isValid() || !acceptableConversion(reading, text))
        return;
    const QString key = reading + u'\t' + text;
    m_conversions.removeOne(key);
    m_conversions.append(key);
    if (m_conversions.size() > kMaxEntries)
        m_conversions.removeFirst();
}

QList<std::pair<QString, QString>> Usage::offered(const QList<std::pair<QString, QString>> &conversions) const
{
    if (!m_forgotten.isValid())
        return conversions;
    const QSet<QString> since(m_conversions.cbegin(), m_conversions.cend());
    QList<std::pair<QString, QString>> out;
    for (const auto &c : conversions)
        if (since.contains(c.first + u'\t' + c.second))
            out.append(c);
    return out;
}

QByteArray Usage::toBytes() const
{
    QByteArray out;
    if (m_forgotten.isValid())
        out += kForgotten + '\t' + m_forgotten.toString(Qt::ISODate).toUtf8() + '\n';
    for (const auto &[kind, counts] : {std::pair{kPhrase, &m_phrases}, std::pair{kWord, &m_words}})
        for (const auto &[n, text] : sorted(*counts))
            out += kind + '\t' + QByteArray::number(n) + '\t' + text.toUtf8() + '\n';
    for (const QString &c : m_conversions)
        out += kConversion + '\t' + c.toUtf8() + '\n';
    return out;
}

Usage Usage::fromBytes(const QByteArray &bytes)
{
    Usage u;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> cols = line.split('\t');
        if (cols.size() == 2 && cols[0] == kForgotten) {
            keepLater(u.m_forgotten, QDateTime::fromString(QString::fromUtf8(cols[1]), Qt::ISODate).toUTC());
            continue;
        }
        if (cols.size() == 3 && cols[0] == kConversion) {
            const QString reading = utf8(cols[1]), text = utf8(cols[2]);
            if (acceptableConversion(reading, text))
                u.m_conversions.append(reading + u'\t' + text);
            continue;
        }
        if (cols.size() != 3 || (cols[0] != kPhrase && cols[0] != kWord))
            continue;
        bool number = false;
        const int n = cols[1].toInt(&number);
        const QString text = utf8(cols[2]); // null for bytes that are not UTF-8
        if (!number || n <= 0 || !acceptable(text))
            continue;
        QHash<QString, int> &counts = cols[0] == kPhrase ? u.m_phrases : u.m_words;
        counts[text] = std::max(counts.value(text), n);
    }
    keepMostUsed(u.m_phrases);
    keepMostUsed(u.m_words);
    // Only once something was forgotten: each conversion once, where it was
    // committed last, the latest kept.
    QStringList latest;
    QSet<QString> seen;
    const QStringList &all = u.m_forgotten.isValid() ? u.m_conversions : QStringList();
    for (auto it = all.crbegin(); it != all.crend() && latest.size() < kMaxEntries; ++it)
        if (!seen.contains(*it)) {
            seen.insert(*it);
            latest.prepend(*it);
        }
    u.m_conversions = latest;
    return u;
}

Usage Usage::readFile(const QString &path)
{
    // The program writes the moment of forgetting first; a file grown by
    // hand or damaged may hold it anywhere, and it is looked for in all of
    // the file that is not read. A file too large to be looked through in
    // full counts as forgotten up to its last change, when the moment in it
    // was written at the latest.
    const wholefile::Tail tail = wholefile::readTail(path, kMaxFileBytes, kForgotten + '\t', kMaxScanBytes);
    Usage u = fromBytes(tail.bytes);
    if (!tail.whole) {
        const QFileInfo file(path);
        if (!file.isSymLink())
            keepLater(u.m_forgotten, file.lastModified().toUTC());
    }
    return u;
}

bool Usage::writeFile(const QString &path) const
{
    return wholefile::replacePrivate(path, toBytes());
}

QStringList byUse(const QStringList &phrases, const QHash<QString, int> &uses)
{
    QStringList out = phrases;
    std::stable_sort(out.begin(), out.end(),
                     [&](const QString &a, const QString &b) { return uses.value(a) > uses.value(b); });
    return out;
}

} // namespace prediction
