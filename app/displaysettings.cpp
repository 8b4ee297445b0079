#include "app/displaysettings.h"

#include "app/board.h"
#include "base/context.h"
#include "base/textdisplay.h"

namespace display {

void invert(TextDisplay &display, context::Window &window, bool inverted)
{
    display.setInverted(inverted);
    window.settings().write(schema::kInverted, inverted);
}

void chooseSize(Board &board, context::Window &window, Size size)
{
    board.setDisplayPointSize(size.points);
    board.setCharsPerLine(size.charsPerLine);
    // The character height as drawn, without the two pixels a kana entry adds.
    board.display()->bar().charStep = board.display()->characterHeight();
    const ProfileFile ini = window.settings();
    ini.write(schema::kPoints, board.displayPointSize());
    ini.write(schema::kCharsPerLine, board.charsPerLine());
}

} // namespace display
