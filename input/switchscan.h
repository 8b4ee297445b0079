#pragma once
#include <QString>
#include <optional>
#include <vector>

#include "input/arrowwalk.h"

// Scanning the places the user can reach with one or two switches. The
// places are offered in groups, in the order of a list computed each time
// the scan starts again; the board's own order is "よむ" alone (group 0),
// then the 13 columns from the right-hand edge (group c is column c, Tags
// 5c − 4 to 5c). Selecting a group enters it: its places in the list's
// order, then "もどる", which returns to the groups at the same group (or at
// the first, by the rules). Selecting a place (or a group of one place
// pressed at once, "よむ") presses it; once the press has taken effect the
// caller starts the scan again (restart), at the first group, so that an
// order computed from the text sees what the press wrote.
//
// The class knows nothing of time or windows. The caller gives it, at every
// event, the places the scan may offer now (shown and not blank), and shows
// what it answers: a group, a place, or nothing (the scan has paused).
namespace input {

enum class SwitchStyle { OneSwitch = 1, TwoSwitches = 2 };

constexpr int kBack = -1; // the "もどる" step at the end of a group

struct ScanGroup
{
    QString name;             // said when the group is highlighted; what assistive tools are told
    std::vector<int> places;  // in the order the scan offers them
    int column = -1;          // the board column framed round it; -1: a frame round each of its places
    bool pressAtOnce = false; // chosen, its one place is pressed ("よむ")
    QString shortName;        // said instead with short names, in the decision voice; empty: none
    bool operator==(const ScanGroup &) const = default;
};
using ScanOrder = std::vector<ScanGroup>;

// The board's order: "よむ" alone, then the 13 columns from the right. The
// short names are as short as can be heard apart from every key name: the
// kana columns' first kana ("ハ" for は), "ちいさい", "くうはく" and "けす", said
// in the decision voice, which no highlighted key uses.
ScanOrder boardOrder();
// The group of a board column (0 "よむ", 1–13) as the board's order has it.
ScanGroup boardGroup(int column);

struct SwitchSettings;

// Where the scan's groups come from: asked each time the scan starts again,
// with the places it may offer then; told the switch settings (the order
// chosen, the scan's pace) whenever they change.
class OrderSource
{
public:
    virtual ~OrderSource() = default;
    virtual ScanOrder next(const Reachable &scannable) const = 0;
    virtual void setSettings(const SwitchSettings &) {}
};

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
        bool restartAtColumn = false; // after a press: the pressed key's column, not the first group
        bool backToFirst = false;     // "もどる" (and two loops in a group) lead to the first group
    };
    static constexpr int kKeyLevelLoops = 2; // loops inside a column before the groups again

    void setRules(const Rules &rules) { m_rules = rules; }
    const Rules &rules() const { return m_rules; }

    // Where the order of groups comes from (the board's order while none
    // is set); the source outlives the scan's use of it.
    void setOrderSource(const OrderSource *source) { m_source = source; }
    const ScanOrder &order() const { return m_order; }

    // The groups from the first, or from the group of a place just pressed
    // (the next group when it has nothing to offer).
    ScanStep start(const Reachable &scannable, int fromPlace = -1);
    // After a press has taken effect: the scan starts again by the rules.
    ScanStep restart(const Reachable &scannable, int pressed);
    // The automatic style's timer ran out: the next place, or a pause.
    ScanStep tick(const Reachable &scannable);
    // The two-switch style's move switch: the next place, never a pause.
    ScanStep step(const Reachable &scannable);
    // The select switch: enters a column, presses a key (nothing is
    // highlighted then, until restart), goes back, or starts again when paused.
    ScanStep select(const Reachable &scannable);
    // A press that came just after the automatic style's timer moved the
    // highlight on (or paused the scan): it selects the place just left,
    // exactly as select() would have then. Without such a place (the last
    // event was not a tick) it is select().
    ScanStep selectLeft(const Reachable &scannable);
    // The place the timer just left, while the place (or pause) it moved to
    // is all that has happened since.
    std::optional<ScanPlace> left() const { return m_left ? std::optional(m_left->place) : std::nullopt; }
    // A key was reached another way (the arrow keys): the scan goes on at
    // the groups from that key's column, which the next move shows first.
    void reachedElsewhere(int tag);
    // Nothing highlighted and nothing running.
    void stop()
    {
        m_place = {};
        m_unshown = false;
        m_left.reset();
    }

    const ScanPlace &place() const { return m_place; }
    bool paused() const { return m_place.level == ScanPlace::None; }

    // The group of a place: the group framed as its board column, else the
    // first group holding it, 0 when none does.
    int groupOf(int place) const;
    // The places of a group the scan offers, in order.
    std::vector<int> keysOf(int group, const Reachable &scannable) const;

private:
    ScanStep advance(const Reachable &scannable, bool automatic);
    ScanStep show(ScanPlace place, bool first);
    ScanStep pause();
    int nextGroup(int from, const Reachable &scannable) const;
    int nextKey(const Reachable &scannable) const;
    int firstGroup(const Reachable &scannable) const;
    // Where the groups are offered again after "もどる" or two loops in a group.
    int groupsAgainAt(const Reachable &scannable) const;

    Rules m_rules;
    const OrderSource *m_source = nullptr;
    ScanOrder m_order = boardOrder();
    ScanPlace m_place;
    int m_shown = 0;        // places shown at this level since it was entered
    bool m_unshown = false; // the place was set by reachedElsewhere and not yet shown
    struct Left
    {
        ScanPlace place;
        int shown = 0;
    };
    std::optional<Left> m_left; // the place the last tick left, until another event
};

} // namespace input
