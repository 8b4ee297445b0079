#include "prediction/usage.h"

#include "base/plaintext.h"
#include "base/wholefile.h"

#include <QStandardPaths>
#include <algorithm>

namespace prediction {

namespace {

const QByteArray kForgotten = "forgotten";
const QByteArray kPhrase = "phrase";
const QByteArray kWord = "word";

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
    m_forgotten = now.toUTC();
}

QByteArray Usage::toBytes() const
{
    QByteArray out;
    if (m_forgotten.isValid())
        out += kForgotten + '\t' + m_forgotten.toString(Qt::ISODate).toUtf8() + '\n';
    for (const auto &[kind, counts] : {std::pair{kPhrase, &m_phrases}, std::pair{kWord, &m_words}})
        for (const auto &[n, text] : sorted(*counts))
            out += kind + '\t' + QByteArray::number(n) + '\t' + text.toUtf8() + '\n';
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
            const QDateTime t = QDateTime::fromString(QString::fromUtf8(cols[1]), Qt::ISODate);
            if (t.isValid() && (!u.m_forgotten.isValid() || t > u.m_forgotten))
                u.m_forgotten = t.toUTC();
            continue;
        }
        if (cols.size() != 3 || (cols[0] != kPhrase && cols[0] != kWord))
            continue;
        bool number = false;
        const int n = cols[1].toInt(&number);
        const QString text = QString::fromUtf8(cols[2]);
        if (!number || n <= 0 || !acceptable(text) || text.toUtf8() != cols[2])
            continue; // the round trip refuses bytes that are not UTF-8
        QHash<QString, int> &counts = cols[0] == kPhrase ? u.m_phrases : u.m_words;
        counts[text] = std::max(counts.value(text), n);
    }
    keepMostUsed(u.m_phrases);
    keepMostUsed(u.m_words);
    return u;
}

Usage Usage::readFile(const QString &path)
{
    return fromBytes(wholefile::readTail(path, kMaxFileBytes));
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
