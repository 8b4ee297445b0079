#include "input/switchscan.h"

namespace input {

std::vector<int> SwitchScan::keysOf(int group, const ShownKeys &scannable)
{
    std::vector<int> out;
    if (group == 0) {
        if (scannable.test(keys::kRead))
            out.push_back(keys::kRead);
        return out;
    }
    if (group < 1 || group >= kGroupCount)
        return out;
    for (int tag = 5 * group - 4; tag <= 5 * group; ++tag)
        if (scannable.test(tag))
            out.push_back(tag);
    return out;
}

int SwitchScan::nextGroup(int from, const ShownKeys &scannable) const
{
    for (int i = 1; i <= kGroupCount; ++i) {
        const int g = (from + i) % kGroupCount;
        if (!keysOf(g, scannable).empty())
            return g;
    }
    return -1;
}

int SwitchScan::nextKey(const ShownKeys &scannable) const
{
    const std::vector<int> items = keysOf(m_place.group, scannable);
    if (m_place.tag == kBack)
        return items.front();
    for (int tag : items)
        if (tag > m_place.tag)
            return tag;
    return kBack;
}

ScanStep SwitchScan::show(ScanPlace place, bool first)
{
    m_place = place;
    m_unshown = false;
    m_shown = first ? 1 : m_shown + 1;
    return {place, -1, first, true};
}

ScanStep SwitchScan::start(const ShownKeys &scannable, int group)
{
    if (group < 0 || group >= kGroupCount || keysOf(group, scannable).empty())
        group = nextGroup(group < 0 || group >= kGroupCount ? kGroupCount - 1 : group, scannable);
    if (group < 0) {
        stop();
        return {};
    }
    return show({ScanPlace::Group, group, kBack}, true);
}

ScanStep SwitchScan::advance(const ShownKeys &scannable, bool automatic)
{
    if (m_place.level == ScanPlace::None)
        return automatic ? ScanStep{} : start(scannable);
    if (m_unshown)
        return show(m_place, true);
    if (m_place.level == ScanPlace::Group) {
        int groups = 0;
        for (int g = 0; g < kGroupCount; ++g)
            groups += !keysOf(g, scannable).empty();
        if (automatic && m_shown >= m_rules.loops * groups) {
            stop(); // paused, silently, until the next press
            return {{}, -1, false, true};
        }
        const int g = nextGroup(m_place.group, scannable);
        if (g < 0) {
            stop();
            return {{}, -1, false, true};
        }
        return show({ScanPlace::Group, g, kBack}, false);
    }
    const std::vector<int> items = keysOf(m_place.group, scannable);
    if (items.empty()) { // the column was hidden meanwhile: on to the next group
        const int g = nextGroup(m_place.group, scannable);
        if (g < 0) {
            stop();
            return {{}, -1, false, true};
        }
        return show({ScanPlace::Group, g, kBack}, true);
    }
    const int steps = int(items.size()) + 1; // the keys and "もどる"
    if (automatic && m_shown >= kKeyLevelLoops * steps)
        return show({ScanPlace::Group, m_place.group, kBack}, true);
    return show({ScanPlace::Key, m_place.group, nextKey(scannable)}, false);
}

ScanStep SwitchScan::tick(const ShownKeys &scannable)
{
    return advance(scannable, true);
}

ScanStep SwitchScan::step(const ShownKeys &scannable)
{
    return advance(scannable, false);
}

ScanStep SwitchScan::select(const ShownKeys &scannable)
{
    int pressed = -1;
    switch (m_place.level) {
    case ScanPlace::None:
        return start(scannable);
    case ScanPlace::Group:
        if (m_place.group == 0) {
            pressed = keys::kRead;
            break;
        }
        if (const std::vector<int> items = keysOf(m_place.group, scannable); !items.empty())
            return show({ScanPlace::Key, m_place.group, items.front()}, true);
        return {m_place, -1, false, false};
    case ScanPlace::Key:
        if (m_place.tag == kBack)
            return show({ScanPlace::Group, m_place.group, kBack}, true);
        if (!scannable.test(m_place.tag))
            return {m_place, -1, false, false}; // hidden meanwhile: nothing to press
        pressed = m_place.tag;
        break;
    }
    ScanStep next = start(scannable, m_rules.restartAtColumn ? groupOf(pressed) : 0);
    next.pressed = pressed;
    return next;
}

void SwitchScan::reachedElsewhere(int tag)
{
    if (tag < 0 || tag >= keys::kCount)
        return;
    m_place = {ScanPlace::Group, groupOf(tag), kBack};
    m_unshown = true;
    m_shown = 0;
}

} // namespace input
