#pragma once
#include "input/switchscan.h"
#include "prediction/completion.h"

#include <QStringList>
#include <array>

// What the row of word places holds, and whether a switch scan should offer
// it first, worked out without a window: at the start of a sentence the
// user's phrases, the most used first, paged; while a word is written its
// completions.
namespace prediction {

constexpr int kRowPlaces = 5;

// What a word place holds.
struct RowItem
{
    enum Kind { Empty, Completion, Phrase, Next } kind = Empty;
    QString caption; // what the place shows and writes
    QString spoken;  // what is said when it is reached
    // A completion; for a phrase its text, how likely the user goes on with
    // it (by the model) and its characters.
    prediction::Completion completion;
    bool operator==(const RowItem &) const = default;
};
using Row = std::array<RowItem, kRowPlaces>;

struct RowSources
{
    CompletionSources completions;
    CompletionLimits limits;
    QStringList phrases; // in the order offered (byUse)
};

// The row for the text before the insertion point, the word being written
// starting at `wordStart`. `page` (of the phrases, "つぎ" counts it up) is
// brought into range; it is 0 whenever completions are shown.
Row rowFor(const RowSources &sources, QStringView before, int wordStart, int &page);

// How long the automatic scan takes, in seconds: the interval after each
// place, the first wait on the first place of a level, and what it says
// (Open JTalk's pace, from bench/data/announcements.tsv: about 0.15 s and
// 0.12 s a character).
struct ScanTiming
{
    double interval = 1.0;
    double firstWait = 0.5;
    double sayBase = 0.15;
    double sayPerCharacter = 0.12;
    double say(const QString &text) const { return sayBase + sayPerCharacter * double(text.size()); }
};

// The seconds from the row's own highlight to the word of place `index`
// said after its press: the row named by its first word, its places up to
// `index`, the first waits, the word said in the decision voice.
double rowTime(const Row &row, int index, const ScanTiming &timing);

// The row as a group of the switch scan: the places that hold something,
// from the left, named by the first one's name (what it writes, heard at
// once); an empty group when the row holds nothing.
input::ScanGroup rowGroup(const Row &row, int frame);

} // namespace prediction
