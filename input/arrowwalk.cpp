#include "input/arrowwalk.h"

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

} // namespace

Reachable allShown()
{
    Reachable all;
    for (int tag = 0; tag < keys::kCount; ++tag)
        all.set(tag);
    return all;
}

int walk(int p, Move move, const Reachable &shown)
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

} // namespace input
