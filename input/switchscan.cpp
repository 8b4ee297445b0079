#include "input/switchscan.h"

#include <algorithm>
#include <utility>

namespace input {

ScanGroup boardGroup(int column)
{
    static const char *const names[] = {
        "よむ",     "あぎょう", "かぎょう", "さぎょう", "たぎょう",     "なぎょう",     "はぎょう",
        "まぎょう", "やぎょう", "らぎょう", "わぎょう", "ちいさいもじ", "くうはくのれつ", "けすのれつ"};
    // は is said "ハ", as its key is, so that it is not heard as the particle.
    static const char *const shortNames[] = {"",   "あ", "か", "さ",   "た",     "な",  "ハ",
                                             "ま", "や", "ら", "わ", "ちいさい", "くうはく", "けす"};
    column = std::clamp(column, 0, 13);
    if (column == 0)
        return {QString::fromUtf8(names[0]), {keys::kRead}, 0, true, {}};
    ScanGroup g{QString::fromUtf8(names[column]), {}, column, false, QString::fromUtf8(shortNames[column])};
    for (int tag = 5 * column - 4; tag <= 5 * column; ++tag)
        g.places.push_back(tag);
    return g;
}

ScanOrder boardOrder()
{
    ScanOrder order;
    for (int column = 0; column <= 13; ++column)
        order.push_back(boardGroup(column));
    return order;
}

std::vector<int> SwitchScan::keysOf(int group, const Reachable &scannable) const
{
    std::vector<int> out;
    if (group < 0 || group >= int(m_order.size()))
        return out;
    for (int place : m_order[group].places)
        if (place >= 0 && place < int(scannable.size()) && scannable.test(place))
            out.push_back(place);
    return out;
}

int SwitchScan::groupOf(int place) const
{
    const int column = place == keys::kRead ? 0 : place > 0 && place < keys::kCount ? keys::columnOf(place) : -2;
    int first = -1;
    for (size_t g = 0; g < m_order.size(); ++g) {
        const std::vector<int> &places = m_order[g].places;
        if (std::find(places.begin(), places.end(), place) == places.end())
            continue;
        if (m_order[g].column == column)
            return int(g);
        if (first < 0)
            first = int(g);
    }
    return std::max(first, 0);
}

int SwitchScan::nextGroup(int from, const Reachable &scannable) const
{
    const int count = int(m_order.size());
    for (int i = 1; i <= count; ++i) {
        const int g = (from + i) % count;
        if (!keysOf(g, scannable).empty())
            return g;
    }
    return -1;
}

int SwitchScan::firstGroup(const Reachable &scannable) const
{
    return nextGroup(int(m_order.size()) - 1, scannable);
}

int SwitchScan::nextKey(const Reachable &scannable) const
{
    // The next in the group's order; a key hidden meanwhile is passed over.
    const std::vector<int> &places = m_order[m_place.group].places;
    auto it = m_place.tag == kBack ? places.begin() : std::find(places.begin(), places.end(), m_place.tag);
    if (it != places.end() && m_place.tag != kBack)
        ++it;
    for (; it != places.end(); ++it)
        if (*it >= 0 && *it < int(scannable.size()) && scannable.test(*it))
            return *it;
    return kBack;
}

ScanStep SwitchScan::show(ScanPlace place, bool first)
{
    m_place = place;
    m_unshown = false;
    m_shown = first ? 1 : m_shown + 1;
    return {place, -1, first, true};
}

ScanStep SwitchScan::pause()
{
    stop();
    return {{}, -1, false, true};
}

ScanStep SwitchScan::start(const Reachable &scannable, int fromPlace)
{
    m_left.reset();
    m_order = m_source ? m_source->next(scannable) : boardOrder();
    int group = fromPlace < 0 ? 0 : groupOf(fromPlace);
    if (keysOf(group, scannable).empty())
        group = nextGroup(group, scannable);
    if (group < 0) {
        stop();
        return {};
    }
    return show({ScanPlace::Group, group, kBack}, true);
}

ScanStep SwitchScan::advance(const Reachable &scannable, bool automatic)
{
    if (m_place.level == ScanPlace::None)
        return automatic ? ScanStep{} : start(scannable);
    if (m_unshown)
        return show(m_place, true);
    if (m_place.level == ScanPlace::Group) {
        int groups = 0;
        for (int g = 0; g < int(m_order.size()); ++g)
            groups += !keysOf(g, scannable).empty();
        const int g = nextGroup(m_place.group, scannable);
        if ((automatic && m_shown >= m_rules.loops * groups) || g < 0)
            return pause(); // silently, until the next press
        return show({ScanPlace::Group, g, kBack}, false);
    }
    const std::vector<int> items = keysOf(m_place.group, scannable);
    if (items.empty()) { // the column was hidden meanwhile: on to the next group
        const int g = nextGroup(m_place.group, scannable);
        return g < 0 ? pause() : show({ScanPlace::Group, g, kBack}, true);
    }
    const int steps = int(items.size()) + 1; // the keys and "もどる"
    if (automatic && m_shown >= kKeyLevelLoops * steps)
        return show({ScanPlace::Group, groupsAgainAt(scannable), kBack}, true);
    return show({ScanPlace::Key, m_place.group, nextKey(scannable)}, false);
}

int SwitchScan::groupsAgainAt(const Reachable &scannable) const
{
    const int first = firstGroup(scannable);
    return m_rules.backToFirst && first >= 0 ? first : m_place.group;
}

ScanStep SwitchScan::restart(const Reachable &scannable, int pressed)
{
    return start(scannable, m_rules.restartAtColumn ? pressed : -1);
}

ScanStep SwitchScan::tick(const Reachable &scannable)
{
    const Left left{m_place, m_shown};
    const bool had = m_place.level != ScanPlace::None && !m_unshown;
    const ScanStep s = advance(scannable, true);
    if (had && s.changed)
        m_left = left;
    return s;
}

ScanStep SwitchScan::step(const Reachable &scannable)
{
    m_left.reset();
    return advance(scannable, false);
}

ScanStep SwitchScan::selectLeft(const Reachable &scannable)
{
    if (const std::optional<Left> left = std::exchange(m_left, std::nullopt)) {
        m_place = left->place;
        m_shown = left->shown;
        m_unshown = false;
    }
    return select(scannable);
}

ScanStep SwitchScan::select(const Reachable &scannable)
{
    m_left.reset();
    int pressed = -1;
    switch (m_place.level) {
    case ScanPlace::None:
        return start(scannable);
    case ScanPlace::Group:
        if (const std::vector<int> items = keysOf(m_place.group, scannable); !items.empty()) {
            if (!m_order[m_place.group].pressAtOnce)
                return show({ScanPlace::Key, m_place.group, items.front()}, true);
            pressed = items.front();
            break;
        }
        return {m_place, -1, false, false};
    case ScanPlace::Key:
        if (m_place.tag == kBack)
            return show({ScanPlace::Group, groupsAgainAt(scannable), kBack}, true);
        if (!scannable.test(m_place.tag))
            return {m_place, -1, false, false}; // hidden meanwhile: nothing to press
        pressed = m_place.tag;
        break;
    }
    stop(); // nothing is highlighted until the caller starts the scan again
    return {{}, pressed, false, true};
}

void SwitchScan::reachedElsewhere(int tag)
{
    if (tag < 0)
        return;
    m_place = {ScanPlace::Group, groupOf(tag), kBack};
    m_unshown = true;
    m_shown = 0;
    m_left.reset();
}

} // namespace input
