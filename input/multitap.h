#pragma once
#include <Qt>
#include <optional>

#include "input/arrowwalk.h"

// Multi-tap on the numeric keypad, as on a mobile phone: each digit stands for
// one column of the board, and pressing it again and again walks down that
// column and round to its top. The keypad's ".", "-" and "/" reach the small
// kana and the two command columns; "+" reads the whole text aloud.
namespace input {

// What one keypad key stands for in the multi-tap method.
struct TapKey
{
    enum Kind { None, Group, ReadAloud, Words } kind = None;
    int first = 0; // first Tag of the group of five
};

// The key of a release: a digit counts alike on the keypad and on the main
// keyboard; ".", "-", "/" and "+" count on the keypad only.
TapKey tapKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);

// The state of the method and its one operation. Nothing but a press changes
// the two values: not the choice of a method, not the pressing of a key, not
// a focus change made another way.
struct MultiTap
{
    int Tap_index = 1;  // place in the group (1–5) the next press of the same group reaches
    int Tapped_key = 0; // Tag of the key the keypad last gave the focus to; 0 none yet

    // One press of a group's key. Returns the Tag to give the focus to, or
    // nothing when the target is hidden (the caller beeps; the focus and
    // Tapped_key stay, the count keeps its restart).
    std::optional<int> press(int groupFirst, const Reachable &shown);
    // One press of "*": the next reachable word place after the one it last
    // reached, round the row; from the leftmost after any other key. Nothing
    // when no word place can be reached.
    std::optional<int> pressWords(const Reachable &shown);
};

} // namespace input
