#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "kanji/engine.h"

// The rules of conversion, without a window: which text is converted (the
// unconverted run), the cycle through the candidates of each phrase, and
// what stays in the text when a phrase is committed.
namespace kanji {

// Characters the unconverted run is made of: hiragana and "ー".
bool isRunCharacter(QChar c);

// Start of the unconverted run that ends at `insertion`: back over hiragana
// and "ー" as far as the start of the line, a character of another kind, or
// `anchor` (where the last committed conversion ended or the insertion point
// last moved to), whichever comes first. Equal to `insertion` when there is
// nothing to convert.
int runStart(QStringView text, int insertion, int anchor);

// Kana written right after a word put in whole (a kanji word of the row)
// most often end it: its okurigana, a particle, "さん". The first phrase of
// the run that starts there then shows its plain hiragana first, the
// engine's candidates after it.
void leadWithPlain(QList<Phrase> &phrases);

// A committed phrase: what stays in the text and the hiragana it stands for.
struct Committed
{
    QString text;
    QString reading;
};

// The phrases of one conversion. Each shows one candidate of its cycle (its
// candidates, then the plain hiragana, then round again); the current phrase
// is the one that "へんかん" changes and "かくてい" commits.
class CandidateCycle
{
public:
    // A phrase's cycle: its candidates without repeats, then its plain
    // hiragana, once: last, or first when the engine puts it first.
    static QStringList cycleOf(const Phrase &phrase);

    // Starts with the first of every phrase's cycle, the first phrase
    // current. An empty list starts nothing.
    void begin(const QList<Phrase> &phrases);
    bool active() const { return m_current < m_phrases.size(); }

    // What the phrases not committed yet show, one after the other.
    QString shown() const;
    // The current phrase, which shown() starts with: its text, its hiragana.
    QString currentText() const;
    QString currentReading() const;
    // True when the current phrase shows its plain hiragana.
    bool currentIsPlain() const;

    // The current phrase shows the next of its cycle.
    void next();
    // The current phrase stays as it shows; the phrase after it becomes
    // current, or the conversion ends after the last.
    Committed commitCurrent();
    // Every phrase left stays as it shows; the conversion ends.
    QList<Committed> commitAll();
    // The plain hiragana of every phrase left; the conversion ends.
    QString cancel();

private:
    QList<QStringList> m_cycles;
    QList<Phrase> m_phrases;
    QList<int> m_chosen;
    int m_current = 0;
};

} // namespace kanji
