#pragma once
// The texts the kana benches train on and test on, from the source tree and
// dasher-data, with the same held-out parts as described in the README.
#include "prediction/corpus.h"
#include "prediction/ngramtable.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace kanabench {

using prediction::corpus::Texts;

struct Day
{
    int number = 0;
    QString text; // the day's diary file, lines joined by "\n"
};

struct Data
{
    Texts everydayTrain, everydayHeld;
    QStringList everydayHeldSentences;
    Texts dasherTrain, dasherHeld;
    Texts dasherTrainSpaced, dasherHeldSpaced; // the word spaces kept
    Texts readings;                            // tests/data/kanji_sentences.tsv, test only
    QStringList readingSentences;
    std::vector<Day> month;                    // bench/data/diary_month.txt
};

inline QStringList mustRead(const QString &path)
{
    QString error;
    const QStringList lines = prediction::corpus::readLines(path, &error);
    if (lines.isEmpty()) {
        std::fprintf(stderr, "cannot read %s %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
    return lines;
}

inline Data load()
{
    namespace c = prediction::corpus;
    const QString src = QStringLiteral(MOJIPOT_SOURCE_DIR);
    Data d;
    const QStringList everyday = c::sentences(mustRead(QStringLiteral(MOJIPOT_EVERYDAY)));
    d.everydayTrain = c::reduceEach(c::kept(everyday, 5));
    d.everydayHeldSentences = c::heldOut(everyday, 5);
    d.everydayHeld = c::reduceEach(d.everydayHeldSentences);
    const QStringList d60 = mustRead(QStringLiteral(MOJIPOT_DASHER60));
    const QStringList d83 = mustRead(QStringLiteral(MOJIPOT_DASHER83));
    d.dasherTrain = c::dasherBoth(d60, d83, c::Part::Training);
    d.dasherHeld = c::dasherBoth(d60, d83, c::Part::HeldOut);
    d.dasherTrainSpaced = c::dasherBoth(d60, d83, c::Part::Training, true);
    d.dasherHeldSpaced = c::dasherBoth(d60, d83, c::Part::HeldOut, true);
    for (const QString &line : mustRead(src + QStringLiteral("/tests/data/kanji_sentences.tsv"))) {
        if (line.startsWith(u'#') || !line.contains(u'\t'))
            continue;
        QString reading = line.section(u'\t', 0, 0);
        reading.remove(u'/');
        d.readingSentences << reading;
    }
    d.readings = c::reduceEach(d.readingSentences);
    for (const QString &line : mustRead(src + QStringLiteral("/bench/data/diary_month.txt"))) {
        if (line.startsWith(QStringLiteral("## ")))
            d.month.push_back({line.mid(3).toInt(), {}});
        else if (!line.startsWith(u'#') && !line.isEmpty() && !d.month.empty())
            d.month.back().text += (d.month.back().text.isEmpty() ? QString() : QStringLiteral("\n")) + line;
    }
    return d;
}

// Bits the model needs for the texts, per symbol and per character (a
// voiced kana is one character of two symbols).
struct Score
{
    double bits = 0;
    long symbols = 0;
    long characters = 0;
    double perSymbol() const { return symbols ? bits / symbols : 0; }
    double perCharacter() const { return characters ? bits / characters : 0; }
};

using Model = std::function<prediction::Distribution(const prediction::History &)>;

// Every symbol of the texts predicted from the ones before it, as the
// model sees them while the user writes.
inline Score evaluate(const Model &model, const Texts &texts, int order)
{
    using namespace prediction;
    Score s;
    for (const std::vector<Symbol> &text : texts) {
        History h;
        for (const Symbol sym : text) {
            if (sym == kBreak) {
                h = {};
                continue;
            }
            const Distribution p = model(h);
            s.bits -= std::log2(std::max(p[sym], 1e-12));
            ++s.symbols;
            s.characters += sym != kVoiced && sym != kSemiVoiced;
            h.symbols.push_back(sym);
            if (int(h.symbols.size()) > std::max(1, order - 1)) {
                h.symbols.erase(h.symbols.begin());
                h.atStart = false;
            }
        }
    }
    return s;
}

inline Texts joinTexts(std::initializer_list<const Texts *> parts)
{
    Texts out;
    for (const Texts *p : parts)
        out.insert(out.end(), p->begin(), p->end());
    return out;
}

// The month's first days (the user's history) and the rest (what they write next).
constexpr int kHistoryDays = 22;

inline Texts monthDays(const Data &d, bool history)
{
    Texts out;
    for (const Day &day : d.month)
        if ((day.number <= kHistoryDays) == history)
            out.push_back(prediction::reduce(day.text));
    return out;
}

} // namespace kanabench
