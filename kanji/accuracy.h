#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "kanji/engine.h"

// How well an engine converts a set of sentences: the first candidate of the
// whole sentence and of each phrase, and the "へんかん" presses a user needs
// to reach the intended text.
namespace kanji {

struct Sentence
{
    QStringList reading;  // the phrases in hiragana
    QStringList intended; // the same phrases as they should be written
};

// A set file: "reading<TAB>intended" a line, phrases split by "/" in both
// columns; lines starting with "#" and blank lines are left out. Lines whose
// columns do not have the same number of phrases are left out as well.
QList<Sentence> readSentences(const QString &path);

struct Score
{
    int sentences = 0;
    int sentenceHits = 0; // whole sentence right with the first candidates
    int phrases = 0;
    int phraseHits = 0;   // phrase converted alone, right with its first candidates
    int reachable = 0;    // sentences the candidate cycle can reach at all
    int presses = 0;      // "へんかん" presses over the reachable sentences
    int segments = 0;     // phrases the engine cuts the whole sentences into
    double sentenceRate() const { return sentences ? double(sentenceHits) / sentences : 0; }
    double phraseRate() const { return phrases ? double(phraseHits) / phrases : 0; }
    double pressesPerSentence() const { return reachable ? double(presses) / reachable : 0; }
};

// The fewest "へんかん" presses that make the phrases show `intended`: one to
// convert, then for each phrase the steps through its cycle (its candidates,
// then the plain hiragana). -1 when no choice of candidates gives it.
int pressesToReach(const QList<Phrase> &phrases, const QString &intended);

// Each sentence converted whole; each phrase converted alone. The presses of
// a sentence are the fewer of converting it whole and converting, phrase by
// phrase, only the phrases that are not plain hiragana.
Score measure(Engine &engine, const QList<Sentence> &sentences);

} // namespace kanji
