#include "input/switchsettings.h"

#include "base/profilefile.h"

#include <Qt>

namespace input {

namespace {

const QString kSwitch = QStringLiteral("スイッチ");
const QString kMouse = QStringLiteral("マウス");
const QString kOrderKey = QStringLiteral("並び");
const QString kNamesKey = QStringLiteral("短い名前");

int readSwitch(const ProfileFile &ini, const QString &key)
{
    // An unknown button, or a number above every key code: the style's keys.
    const int v = ini.readInteger(kSwitch, key, kDefaultSwitch);
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
    s.style = ini.readInteger(kSwitch, QStringLiteral("方式"), 1) == 2 ? SwitchStyle::TwoSwitches
                                                                         : SwitchStyle::OneSwitch;
    s.moveSwitch = readSwitch(ini, QStringLiteral("移動キー"));
    s.selectSwitch = readSwitch(ini, QStringLiteral("決定キー"));
    s.interval = ini.readIntegerIn(kSwitch, QStringLiteral("間隔"), kInterval);
    s.firstWait = ini.readIntegerIn(kSwitch, QStringLiteral("最初の待ち"), kFirstWait);
    s.loops = ini.readIntegerIn(kSwitch, QStringLiteral("回数"), kLoops);
    s.hold = ini.readIntegerIn(kSwitch, QStringLiteral("押す長さ"), kHold);
    s.ignore = ini.readIntegerIn(kSwitch, QStringLiteral("受け付けない時間"), kIgnore);
    s.restartAtColumn = ini.readInteger(kSwitch, QStringLiteral("選んだあと"), 1) == 2;
    s.dwell = ini.readBool(kMouse, QStringLiteral("とどまる"), false);
    s.dwellTime = ini.readIntegerIn(kMouse, QStringLiteral("とどまる時間"), kDwell);
    const bool used = ini.hasSection(kSwitch) || ini.readInteger(QStringLiteral("入力方法"), QStringLiteral("番号"), 1) == 4;
    s.order = ini.readIntegerIn(kSwitch, kOrderKey, Range{kBoardOrder, kByLikelihood, used ? kBoardOrder : kLikelyFirst});
    s.shortNames = ini.readBool(kSwitch, kNamesKey, !used);
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
    ini.writeInteger(kSwitch, QStringLiteral("方式"), int(style));
    ini.writeInteger(kSwitch, QStringLiteral("移動キー"), moveSwitch);
    ini.writeInteger(kSwitch, QStringLiteral("決定キー"), selectSwitch);
    ini.writeInteger(kSwitch, QStringLiteral("間隔"), interval);
    ini.writeInteger(kSwitch, QStringLiteral("最初の待ち"), firstWait);
    ini.writeInteger(kSwitch, QStringLiteral("回数"), loops);
    ini.writeInteger(kSwitch, QStringLiteral("押す長さ"), hold);
    ini.writeInteger(kSwitch, QStringLiteral("受け付けない時間"), ignore);
    ini.writeInteger(kSwitch, QStringLiteral("選んだあと"), restartAtColumn ? 2 : 1);
    ini.writeInteger(kMouse, QStringLiteral("とどまる時間"), dwellTime);
    ini.writeInteger(kSwitch, kOrderKey, order);
    ini.writeBool(kSwitch, kNamesKey, shortNames);
}

void SwitchSettings::recordOrder(const ProfileFile &ini) const
{
    if (ini.readString(kSwitch, kOrderKey, QString()).isEmpty())
        ini.writeInteger(kSwitch, kOrderKey, order);
    if (ini.readString(kSwitch, kNamesKey, QString()).isEmpty())
        ini.writeBool(kSwitch, kNamesKey, shortNames);
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
