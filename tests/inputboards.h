#pragma once
#include "input/arrowwalk.h"

// The board as practice mode leaves it: the kana keys 1 to lastKana (5, 10,
// 15, 25 or 55) shown, the others of 1 to 55 hidden; "よむ" and the command
// columns always shown.
inline input::Reachable practiceBoard(int lastKana)
{
    input::Reachable shown = input::allShown();
    for (int t = lastKana + 1; t <= 55; ++t)
        shown.reset(t);
    return shown;
}
