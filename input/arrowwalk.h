#pragma once
#include <bitset>

#include "base/keytable.h"

// The walk over the board with four direction keys. The board as the walk
// sees it: Tag 0, "よむ", alone to the right of the top row, and 13 columns of
// five keys numbered from the right-hand edge (column c holds Tags 5c − 4 at
// the top to 5c at the bottom). Left goes to the next higher column, Right to
// the next lower one; every row and every column is a ring.
//
// The row of word places above the board (kFirstWord on, numbered from the
// left) is part of the walk while one of its places can be reached: Up from
// the board's top row enters it at the place nearest above, Left and Right go
// round its reachable places, Down leaves it for the top-row key nearest
// below, and Up goes on round the column to that key's bottom row, as Up from
// the top row did before. With no word place reachable the walk is the
// board's alone.
namespace input {

enum class Move { Left, Right, Up, Down };

// The places the user can reach now, by number: the board's keys by Tag
// (practice mode hides whole kana columns; "よむ", the あ column and both
// command columns are always shown), then places beside the board from
// kFirstOffBoard on.
constexpr int kFirstOffBoard = keys::kCount;
constexpr int kPlaceCount = kFirstOffBoard + 8;
using Reachable = std::bitset<kPlaceCount>;
// The word places, the first places beside the board.
constexpr int kFirstWord = kFirstOffBoard;
constexpr int kWordCount = keys::kWordPlaces;
constexpr bool isWordPlace(int place) { return place >= kFirstWord && place < kFirstWord + kWordCount; }

// All 66 keys shown.
Reachable allShown();

// The Tag a move reaches from the scan position. Left and Right step over
// hidden columns. An Up or Down move whose target lies in a hidden column
// (the scan position's column was hidden after the walk reached it) is made
// in the nearest shown column towards the あ column instead, in the row the
// move aims at, so that every move reaches a key the user hears.
int walk(int scanPos, Move move, const Reachable &shown);

// The reachable word place nearest above a board key (its centre nearest
// the key's), -1 when none can be reached.
int wordAbove(int tag, const Reachable &shown);

} // namespace input
