#pragma once
#include <QString>

class TMain_form;

// The help menu: the read-me shown in the display itself, and the version
// notice. Neither speaks.
namespace help {

// The three lines of the version notice, one line break between them.
QString versionNotice();

// "ReadMe日記(&H)": the inverted colours re-applied when "反転（&I）" is
// checked, the small size chosen and written with "小さい" checked, then the
// read-me (form.places().readMe) replaces the text (or the open error is shown).
void showReadMe(TMain_form &form);

// "バージョン情報(&A)...": the version notice in the notice box.
void showVersion(TMain_form &form);

} // namespace help
