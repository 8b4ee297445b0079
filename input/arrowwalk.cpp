#include "input/arrowwalk.h"

#include <cstdlib>

namespace input {

namespace {

constexpr int kFirstGrid = 1;
constexpr int kLastGrid = keys::kCount - 1; // 65
constexpr int kRows = 5;

// Steps the candidate by whole columns (+5 leftwards, −5 rightwards) while it
// is hidden. Running off the board (impossible on the real board, whose outer
// columns are always shown) leaves the walk where it started.
int overHidden(int candidate, int step, int from, const Reachable &shown)
{
    while (candidate >= kFirstGrid && candidate <= kLastGrid && !shown.test(candidate))
        candidate += step;
    return (candidate >= kFirstGrid && candidate <= kLastGrid) ? candidate : from;
}

int centreX(int place)
{
    return isWordPlace(place) ? keys::wordPlaceGeometry(place - kFirstWord).center().x()
                              : keys::table()[place].geometry.center().x();
}

bool onTopRow(int tag)
{
    return tag == keys::kRead || (tag >= kFirstGrid && tag <= kLastGrid && tag % kRows == 1);
}

// The shown top-row key ("よむ" or a column's first) nearest below a word place.
int topKeyBelow(int place, const Reachable &shown)
{
    int best = keys::kRead;
    for (int tag = kFirstGrid; tag <= kLastGrid; tag += kRows)
        if (shown.test(tag) && std::abs(centreX(tag) - centreX(place)) < std::abs(centreX(best) - centreX(place)))
            best = tag;
    return best;
}

// The next reachable word place from `place` in the direction `step` (±1),
// round the row; `place` itself when it is the only one.
int roundTheWords(int place, int step, const Reachable &shown)
{
    for (int i = 1; i <= kWordCount; ++i) {
        const int candidate = kFirstWord + ((place - kFirstWord) + step * i + 2 * kWordCount) % kWordCount;
        if (shown.test(candidate))
            return candidate;
    }
    return place;
}

int boardWalk(int p, Move move, const Reachable &shown);

int wordWalk(int p, Move move, const Reachable &shown)
{
    const int below = topKeyBelow(p, shown);
    switch (move) {
    case Move::Left:
    case Move::Right: {
        const int next = roundTheWords(p, move == Move::Left ? -1 : 1, shown);
        return shown.test(next) ? next : below; // the row was emptied meanwhile
    }
    case Move::Down: return below;
    case Move::Up: return boardWalk(below, Move::Up, shown);
    }
    return p;
}

} // namespace

int wordAbove(int tag, const Reachable &shown)
{
    int best = -1;
    for (int place = kFirstWord; place < kFirstWord + kWordCount; ++place)
        if (shown.test(place)
            && (best < 0 || std::abs(centreX(place) - centreX(tag)) < std::abs(centreX(best) - centreX(tag))))
            best = place;
    return best;
}

Reachable allShown()
{
    Reachable all;
    for (int tag = 0; tag < keys::kCount; ++tag)
        all.set(tag);
    return all;
}

int walk(int p, Move move, const Reachable &shown)
{
    if (isWordPlace(p))
        return wordWalk(p, move, shown);
    if (move == Move::Up && p >= 0 && p <= kLastGrid && onTopRow(p) && shown.test(p))
        if (const int word = wordAbove(p, shown); word >= 0)
            return word;
    return boardWalk(p, move, shown);
}

namespace {

int boardWalk(int p, Move move, const Reachable &shown)
{
    if (p < 0 || p > kLastGrid)
        p = keys::kRead;
    constexpr int left = kRows, right = -kRows; // one column
    constexpr int across = 60;                  // from the あ column to the leftmost one
    switch (move) {
    case Move::Left:
        if (p == keys::kRead)
            return 1;
        if (p == keys::kDelete) // top of the leftmost column: round to "よむ"
            return keys::kRead;
        if (p > keys::kDelete)  // other rows wrap to the あ column
            return p - across;
        return overHidden(p + left, left, p, shown);
    case Move::Right:
        if (p == keys::kRead)
            return keys::kDelete;
        if (p == 1)
            return keys::kRead;
        if (p <= kRows)
            return p + across;
        return overHidden(p + right, right, p, shown);
    case Move::Up:
        if (p == keys::kRead)
            return keys::kEnd;
        return overHidden(p % kRows == 1 ? p + (kRows - 1) : p - 1, right, p, shown);
    case Move::Down:
        if (p == keys::kRead)
            return 1;
        return overHidden(p % kRows == 0 ? p - (kRows - 1) : p + 1, right, p, shown);
    }
    return p;
}

} // namespace

} // namespace input
