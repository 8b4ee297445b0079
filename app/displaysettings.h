#pragma once
#include "base/profilefile.h"

class Board;
class TextDisplay;
namespace context {
class Window;
}

// The menu "文字（&C）": the inverted display and the three character sizes.
// Each choice takes effect at once and is written to the settings file
// (section "文字"), so that the next start shows the display the same way.
namespace display {

struct Size
{
    int points;       // the display font's size
    int charsPerLine; // written as "文字数"
    int scrollLine;   // a new line reaching this display line from the one above scrolls the view
};

inline constexpr Size kLarge{48, 11, 3};    // "大きい"
inline constexpr Size kStandard{32, 17, 5}; // "標準"
inline constexpr Size kSmall{26, 20, 6};    // "小さい"

namespace schema {
inline const settings::BoolKey kInverted{QStringLiteral("文字"), QStringLiteral("反転"), false};
// A size of nothing or less read as the standard size.
inline const settings::IntKey kPoints{QStringLiteral("文字"), QStringLiteral("サイズ"), kStandard.points};
inline const settings::IntKey kCharsPerLine{QStringLiteral("文字"), QStringLiteral("文字数"), kStandard.charsPerLine};
} // namespace schema

// "反転（&I）", after the item toggled its own check: white on black when
// checked, blue on white when not; "反転" written as the check state.
void invert(TextDisplay &display, context::Window &window, bool inverted);

// A size item: the display font's size, the characters per line, the bar's
// character step set to the new character height in pixels, then "サイズ"
// and "文字数" written. The check marks are the menu's own matter (the
// read-me sets "小さい" itself).
void chooseSize(Board &board, context::Window &window, Size size);

} // namespace display
