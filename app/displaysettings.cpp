#include "app/displaysettings.h"

#include "app/board.h"
#include "base/context.h"
#include "base/textdisplay.h"

namespace display {

void invert(TextDisplay &display, context::Window &window, bool inverted)
{
    display.setInverted(inverted);
    window.settings().writeBool(QStringLiteral("文字"), QStringLiteral("反転"), inverted);
}

void chooseSize(Board &board, context::Window &window, Size size)
{
    board.setDisplayPointSize(size.points);
    board.setCharsPerLine(size.charsPerLine);
    // The character height as drawn, without the two pixels a kana entry adds.
    board.display()->bar().charStep = board.display()->characterHeight();
    const ProfileFile ini = window.settings();
    ini.writeInteger(QStringLiteral("文字"), QStringLiteral("サイズ"), board.displayPointSize());
    ini.writeInteger(QStringLiteral("文字"), QStringLiteral("文字数"), board.charsPerLine());
}

} // namespace display
