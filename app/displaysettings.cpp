#include "app/displaysettings.h"

#include "app/board.h"
#include "app/mainform.h"
#include "base/textdisplay.h"

namespace display {

void invert(TMain_form &form)
{
    const bool inverted = form.menus.I1->isChecked();
    form.Hyouji_edit->setInverted(inverted);
    form.settings().writeBool(QStringLiteral("文字"), QStringLiteral("反転"), inverted);
}

void chooseSize(TMain_form &form, Size size)
{
    form.board()->setDisplayPointSize(size.points);
    form.state.Chars_per_line = size.charsPerLine;
    // The character height as drawn, without the two pixels a kana entry adds.
    form.state.Char_step = form.Hyouji_edit->characterHeight();
    const ProfileFile ini = form.settings();
    ini.writeInteger(QStringLiteral("文字"), QStringLiteral("サイズ"), form.board()->displayPointSize());
    ini.writeInteger(QStringLiteral("文字"), QStringLiteral("文字数"), form.state.Chars_per_line);
}

} // namespace display
