#include "kanji/accuracy.h"

#include "kanji/candidatecycle.h"

#include <QFile>
#include <QHash>
#include <functional>
#include <limits>

namespace kanji {

QList<Sentence> readSentences(const QString &path)
{
    QList<Sentence> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList columns = line.trimmed().split(u'\t');
        if (columns.size() != 2)
            continue;
        Sentence s{columns[0].split(u'/'), columns[1].split(u'/')};
        if (s.reading.size() == s.intended.size())
            out << s;
    }
    return out;
}

int pressesToReach(const QList<Phrase> &phrases, const QString &intended)
{
    // Fewest steps to show intended[pos...] with phrases[i...]; memoised.
    constexpr int kNone = std::numeric_limits<int>::max();
    QHash<quint64, int> memo;
    std::function<int(int, int)> best = [&](int i, int pos) -> int {
        if (i == phrases.size())
            return pos == intended.size() ? 0 : kNone;
        const quint64 key = (quint64(i) << 32) | quint32(pos);
        if (auto it = memo.constFind(key); it != memo.constEnd())
            return *it;
        const QStringList cycle = CandidateCycle::cycleOf(phrases[i]);
        int result = kNone;
        for (int c = 0; c < cycle.size() && c < result; ++c) {
            if (!QStringView(intended).mid(pos).startsWith(cycle[c]))
                continue;
            const int rest = best(i + 1, pos + int(cycle[c].size()));
            if (rest != kNone)
                result = qMin(result, c + rest);
        }
        memo.insert(key, result);
        return result;
    };
    if (phrases.isEmpty())
        return -1;
    const int steps = best(0, 0);
    return steps == kNone ? -1 : steps + 1;
}

Score measure(Engine &engine, const QList<Sentence> &sentences)
{
    Score score;
    for (const Sentence &s : sentences) {
        ++score.sentences;
        const QString reading = s.reading.join(QString());
        const QString intended = s.intended.join(QString());
        const QList<Phrase> whole = engine.convert(reading);
        score.segments += int(whole.size());
        QString first;
        for (const Phrase &p : whole)
            first += p.candidates.value(0, p.reading);
        if (first == intended)
            ++score.sentenceHits;

        const int wholePresses = pressesToReach(whole, intended);
        int byPhrase = 0;
        for (int i = 0; i < s.reading.size(); ++i) {
            ++score.phrases;
            const QList<Phrase> alone = engine.convert(s.reading[i]);
            QString phraseFirst;
            for (const Phrase &p : alone)
                phraseFirst += p.candidates.value(0, p.reading);
            if (phraseFirst == s.intended[i])
                ++score.phraseHits;
            if (byPhrase < 0 || s.intended[i] == s.reading[i])
                continue; // plain hiragana is left as written
            const int n = pressesToReach(alone, s.intended[i]);
            byPhrase = n < 0 ? -1 : byPhrase + n;
        }
        int presses = wholePresses;
        if (presses < 0 || (byPhrase >= 0 && byPhrase < presses))
            presses = byPhrase;
        if (presses >= 0) {
            ++score.reachable;
            score.presses += presses;
        }
    }
    return score;
}

} // namespace kanji
