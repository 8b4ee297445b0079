#include "input/switchsettings.h"

#include "base/profilefile.h"

#include <Qt>

namespace input {

namespace {

int readSwitch(const ProfileFile &ini, const settings::IntKey &key)
{
    // An unknown button, or a number above every key code: the style's keys.
    const int v = ini.read(key);
    return v >= kMouseMiddle && (v & ~kKeypad) <= Qt::Key_unknown ? v : kDefaultSwitch;
}

bool matches(int stored, int key, bool keypad)
{
    return stored > 0 && stored == (key | (keypad ? kKeypad : 0));
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

SwitchSettings SwitchSettings::read(const ProfileFile &ini, bool *clashed)
{
    SwitchSettings s;
    s.style = ini.read(schema::kStyle) == 2 ? SwitchStyle::TwoSwitches : SwitchStyle::OneSwitch;
    s.moveSwitch = readSwitch(ini, schema::kMoveSwitch);
    s.selectSwitch = readSwitch(ini, schema::kSelectSwitch);
    s.interval = ini.read(schema::kInterval);
    s.firstWait = ini.read(schema::kFirstWait);
    s.loops = ini.read(schema::kLoops);
    s.hold = ini.read(schema::kHold);
    s.ignore = ini.read(schema::kIgnore);
    s.restartAtColumn = ini.read(schema::kRestart) == 2;
    s.dwell = ini.read(schema::kDwell);
    s.dwellTime = ini.read(schema::kDwellTime);
    const bool used = ini.hasSection(schema::kSwitch) || ini.read(schema::kMethod) == 4;
    s.order = ini.read(used ? schema::kOrder.withStandard(kBoardOrder) : schema::kOrder);
    s.shortNames = ini.read(schema::kShortNames.withStandard(!used));
    s.learnPace = ini.read(schema::kLearnPace.withStandard(!used));
    s.latePress = ini.read(schema::kLatePress.withStandard(!used));
    // As the settings dialog refuses such a pair: neither could act as itself.
    const bool clash = switchesClash(s);
    if (clash)
        s.moveSwitch = s.selectSwitch = kDefaultSwitch;
    if (clashed)
        *clashed = clash;
    return s;
}

void SwitchSettings::write(const ProfileFile &ini) const
{
    ini.write(schema::kStyle, int(style));
    ini.write(schema::kMoveSwitch, moveSwitch);
    ini.write(schema::kSelectSwitch, selectSwitch);
    ini.write(schema::kInterval, interval);
    ini.write(schema::kFirstWait, firstWait);
    ini.write(schema::kLoops, loops);
    ini.write(schema::kHold, hold);
    ini.write(schema::kIgnore, ignore);
    ini.write(schema::kRestart, restartAtColumn ? 2 : 1);
    ini.write(schema::kDwellTime, dwellTime);
    ini.write(schema::kOrder, order);
    ini.write(schema::kShortNames, shortNames);
    ini.write(schema::kLearnPace, learnPace);
    ini.write(schema::kLatePress, latePress);
}

void SwitchSettings::recordOrder(const ProfileFile &ini) const
{
    if (ini.text(schema::kOrder).isEmpty())
        ini.write(schema::kOrder, order);
    if (ini.text(schema::kShortNames).isEmpty())
        ini.write(schema::kShortNames, shortNames);
    if (ini.text(schema::kLearnPace).isEmpty())
        ini.write(schema::kLearnPace, learnPace);
    if (ini.text(schema::kLatePress).isEmpty())
        ini.write(schema::kLatePress, latePress);
}

SwitchRole roleOfKey(const SwitchSettings &s, int key, bool keypad)
{
    if (s.style == SwitchStyle::OneSwitch) {
        const bool one = s.selectSwitch == kDefaultSwitch ? (key == Qt::Key_Space || isEnter(key))
                                                          : matches(s.selectSwitch, key, keypad);
        return one ? SwitchRole::Select : SwitchRole::None;
    }
    if (s.selectSwitch == kDefaultSwitch ? isEnter(key) : matches(s.selectSwitch, key, keypad))
        return SwitchRole::Select;
    if (s.moveSwitch == kDefaultSwitch ? key == Qt::Key_Space : matches(s.moveSwitch, key, keypad))
        return SwitchRole::Move;
    return SwitchRole::None;
}

int buttonSwitch(int qtButton)
{
    switch (qtButton) {
    case Qt::LeftButton: return kMouseLeft;
    case Qt::RightButton: return kMouseRight;
    case Qt::MiddleButton: return kMouseMiddle;
    default: return kDefaultSwitch;
    }
}

SwitchRole roleOfButton(const SwitchSettings &s, int button)
{
    if (button >= 0)
        return SwitchRole::None;
    if (s.selectSwitch == button)
        return SwitchRole::Select;
    if (s.style == SwitchStyle::TwoSwitches && s.moveSwitch == button)
        return SwitchRole::Move;
    return SwitchRole::None;
}

bool switchesClash(const SwitchSettings &s)
{
    if (s.style != SwitchStyle::TwoSwitches)
        return false;
    const auto roleOf = [&](int value, int standardKey) {
        const int input = value == kDefaultSwitch ? standardKey : value;
        return input < 0 ? roleOfButton(s, input) : roleOfKey(s, input & ~kKeypad, input & kKeypad);
    };
    return roleOf(s.moveSwitch, Qt::Key_Space) != SwitchRole::Move
           || roleOf(s.selectSwitch, Qt::Key_Return) != SwitchRole::Select;
}

} // namespace input
