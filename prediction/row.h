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

// What choosing from the row costs and saves in a switch scan, in highlights.
struct RowCosts
{
    double perCharacter = 4; // highlights a character costs without the row
    double group = 1;        // the row's own highlight, offered first and passed over
};
// The highlights the row is expected to save when the scan offers it first,
// less what offering it first costs: for each item, its probability times
// the characters' highlights less the highlights that reach it (its place
// and the row's); less the row's own highlight. Positive: it pays.
double expectedGain(const Row &row, const RowCosts &costs);

// The row as a group of the switch scan: the places that hold something,
// from the left, named by the first one's name (what it writes, heard at
// once); an empty group when the row holds nothing.
input::ScanGroup rowGroup(const Row &row, int frame);
// The scan's groups with the row's group among them when it holds
// something: first when it is expected to pay (expectedGain), else last,
// where it costs nothing until the groups before it have been passed.
void placeRow(input::ScanOrder &order, const Row &row, const RowCosts &costs, int frame);

} // namespace prediction
