#pragma once
#include <vector>

#include "input/arrowwalk.h"

// Scanning the board with one or two switches. The board is offered in
// groups, from the right as it is laid out: "よむ" alone (group 0), then the
// 13 columns from the right-hand edge (group c is column c, Tags 5c − 4 to
// 5c). Selecting a column enters it: its keys top to bottom, then "もどる",
// which returns to the groups at the same column. Selecting "よむ" or a key
// presses it; the scan then starts again at the groups.
//
// The class knows nothing of time or windows. The caller gives it, at every
// event, the keys the scan may offer now (shown and not blank), and shows
// what it answers: a group, a key, or nothing (the scan has paused).
namespace input {

enum class SwitchStyle { OneSwitch = 1, TwoSwitches = 2 };

constexpr int kGroupCount = 14; // "よむ" and 13 columns
constexpr int kBack = -1;       // the "もどる" step at the end of a column

struct ScanPlace
{
    enum Level { None, Group, Key } level = None;
    int group = 0;  // the group highlighted, or whose key is highlighted
    int tag = kBack; // at the key level: the key's Tag, or kBack
    bool operator==(const ScanPlace &) const = default;
};

struct ScanStep
{
    ScanPlace place;  // what is highlighted after the event
    int pressed = -1; // the Tag the event pressed, -1 none
    bool first = false; // the place is the first of its level (waits longer)
    bool changed = false; // the place is newly highlighted and must be shown
};

class SwitchScan
{
public:
    struct Rules
    {
        SwitchStyle style = SwitchStyle::OneSwitch;
        int loops = 3;                // automatic style: loops over the groups before pausing
        bool restartAtColumn = false; // after a press: the pressed key's column, not "よむ"
    };
    static constexpr int kKeyLevelLoops = 2; // loops inside a column before the groups again

    void setRules(const Rules &rules) { m_rules = rules; }
    const Rules &rules() const { return m_rules; }

    // The groups from the given one (the first group when it has nothing to offer).
    ScanStep start(const ShownKeys &scannable, int group = 0);
    // The automatic style's timer ran out: the next place, or a pause.
    ScanStep tick(const ShownKeys &scannable);
    // The two-switch style's move switch: the next place, never a pause.
    ScanStep step(const ShownKeys &scannable);
    // The select switch: enters a column, presses a key, goes back, or
    // starts again when paused.
    ScanStep select(const ShownKeys &scannable);
    // A key was reached another way (the arrow keys): the scan goes on at
    // the groups from that key's column, which the next move shows first.
    void reachedElsewhere(int tag);
    // Nothing highlighted and nothing running.
    void stop() { m_place = {}; m_unshown = false; }

    const ScanPlace &place() const { return m_place; }
    bool paused() const { return m_place.level == ScanPlace::None; }

    // Group of a Tag: 0 for "よむ", the column for the others.
    static int groupOf(int tag) { return tag == 0 ? 0 : keys::columnOf(tag); }
    // The keys of a group the scan offers, top to bottom.
    static std::vector<int> keysOf(int group, const ShownKeys &scannable);

private:
    ScanStep advance(const ShownKeys &scannable, bool automatic);
    ScanStep show(ScanPlace place, bool first);
    int nextGroup(int from, const ShownKeys &scannable) const;
    int nextKey(const ShownKeys &scannable) const;

    Rules m_rules;
    ScanPlace m_place;
    int m_shown = 0;        // places shown at this level since it was entered
    bool m_unshown = false; // the place was set by reachedElsewhere and not yet shown
};

} // namespace input
