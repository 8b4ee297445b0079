#pragma once
#include "base/profilefile.h"
#include "input/switchscan.h"

// The switch and dwell settings as the settings file keeps them (the keys:
// schema below). A switch value that names no key or button stands for the
// style's own keys.
namespace input {

// What a switch is: a key (its key code, with kKeypad added for a key of the
// numeric keypad), a mouse button (kMouseLeft, kMouseRight, kMouseMiddle),
// or kDefaultSwitch: the style's own keys.
constexpr int kDefaultSwitch = 0;
constexpr int kKeypad = 0x20000000;
constexpr int kMouseLeft = -1;
constexpr int kMouseRight = -2;
constexpr int kMouseMiddle = -3;

using Range = ProfileFile::Range;

struct SwitchSettings
{
    static constexpr Range kInterval{300, 5000, 1000};
    static constexpr Range kFirstWait{0, 5000, 500};
    static constexpr Range kLoops{1, 10, 3};
    static constexpr Range kHold{0, 3000, 0};
    static constexpr Range kIgnore{0, 3000, 250};
    static constexpr Range kDwell{500, 5000, 1200};
    // The scan's order ("並び"): 1 the board's, 2 "よそく" first, 3 by likelihood.
    static constexpr int kBoardOrder = 1, kLikelyFirst = 2, kByLikelihood = 3;
    static constexpr Range kOrder{kBoardOrder, kByLikelihood, kLikelyFirst};

    SwitchStyle style = SwitchStyle::OneSwitch;
    int moveSwitch = kDefaultSwitch;
    int selectSwitch = kDefaultSwitch;
    int interval = kInterval.standard;   // ms from the end of an announcement to the next step
    int firstWait = kFirstWait.standard; // ms more on the first place of a level
    int loops = kLoops.standard;
    int hold = kHold.standard;           // ms a press must be held to count
    int ignore = kIgnore.standard;       // ms after a counted press in which presses are ignored
    bool restartAtColumn = false;        // "選んだあと" = 2
    bool dwell = false;                  // "マウス"/"とどまる"
    int dwellTime = kDwell.standard;
    int order = kLikelyFirst;            // "並び" (a user who used switch input before: kBoardOrder)
    bool shortNames = true;              // "短い名前": the groups' short names (such a user: false)
    bool learnPace = true;               // "はやさ" = 1: 間隔 learned from the presses (such a user: false)
    bool latePress = true;               // "おそいおし": a late press taken for the place just left (such a user: false)

    // Two switches that clash (see switchesClash) are both put back to the
    // style's own keys, and *clashed set. A file in which switch input was
    // never used (no "スイッチ" section, another input method) gives order 2
    // and the short names; one that has used it keeps order 1 and the long
    // names until "並び" and "短い名前" say otherwise, and today's fixed timing
    // until "はやさ" and "おそいおし" do.
    static SwitchSettings read(const ProfileFile &ini, bool *clashed = nullptr);
    // Writes every value; a refused write throws AppError.
    void write(const ProfileFile &ini) const;
    // Switch input was started: the order, the names and the pace in effect are kept
    // in the file unless it holds them already, so that they stay.
    void recordOrder(const ProfileFile &ini) const;

    // "もどる" leads to the first group in the orders whose first groups are the likeliest.
    SwitchScan::Rules rules() const { return {style, loops, restartAtColumn, order != kBoardOrder}; }
    bool operator==(const SwitchSettings &) const = default;
};

// The keys switch input and dwell keep, and the input method in use (4 tells
// that switch input was used before).
namespace schema {
inline const QString kSwitch = QStringLiteral("スイッチ");
inline const QString kMouse = QStringLiteral("マウス");
inline const settings::IntKey kMethod{QStringLiteral("入力方法"), QStringLiteral("番号"), 1}; // MethodId + 1
inline const settings::IntKey kStyle{kSwitch, QStringLiteral("方式"), 1};                  // 2 two switches, else one
inline const settings::IntKey kMoveSwitch{kSwitch, QStringLiteral("移動キー"), kDefaultSwitch};
inline const settings::IntKey kSelectSwitch{kSwitch, QStringLiteral("決定キー"), kDefaultSwitch};
inline const settings::RangeKey kInterval{kSwitch, QStringLiteral("間隔"), SwitchSettings::kInterval};
inline const settings::RangeKey kFirstWait{kSwitch, QStringLiteral("最初の待ち"), SwitchSettings::kFirstWait};
inline const settings::RangeKey kLoops{kSwitch, QStringLiteral("回数"), SwitchSettings::kLoops};
inline const settings::RangeKey kHold{kSwitch, QStringLiteral("押す長さ"), SwitchSettings::kHold};
inline const settings::RangeKey kIgnore{kSwitch, QStringLiteral("受け付けない時間"), SwitchSettings::kIgnore};
inline const settings::IntKey kRestart{kSwitch, QStringLiteral("選んだあと"), 1}; // 2 at the column, else 1
inline const settings::BoolKey kDwell{kMouse, QStringLiteral("とどまる"), false};
inline const settings::RangeKey kDwellTime{kMouse, QStringLiteral("とどまる時間"), SwitchSettings::kDwell};
// Where switch input was never used; a file that has used it: order 1, the long names.
inline const settings::RangeKey kOrder{kSwitch, QStringLiteral("並び"), SwitchSettings::kOrder};
inline const settings::BoolKey kShortNames{kSwitch, QStringLiteral("短い名前"), true};
// 1 自動 (learned from the presses), 0 手動; on/off as every on/off key. Where
// switch input was never used: on; a file that has used it: off.
inline const settings::BoolKey kLearnPace{kSwitch, QStringLiteral("はやさ"), true};
inline const settings::BoolKey kLatePress{kSwitch, QStringLiteral("おそいおし"), true};
} // namespace schema

enum class SwitchRole { None, Move, Select };

// What a key press (key code; keypad: whether the key is on the numeric
// keypad) or a mouse button (kMouseLeft ...) is to the scan. One switch:
// the select switch, or by default Space and Enter (main or keypad). Two
// switches: by default Space moves and Enter (main or keypad) selects.
SwitchRole roleOfKey(const SwitchSettings &s, int key, bool keypad);
// The switch value of a mouse button (Qt::MouseButton), kDefaultSwitch for
// buttons other than the three.
int buttonSwitch(int qtButton);
SwitchRole roleOfButton(const SwitchSettings &s, int button);
// With two switches, whether one of them can no longer act as itself (both
// are the same key or button, or one is the other's default key).
bool switchesClash(const SwitchSettings &s);

} // namespace input
