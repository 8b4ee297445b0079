#pragma once
#include <QString>

#include "base/context.h"

// The help menu: the read-me shown in the display itself, and the version
// notice. Neither speaks.
namespace help {

// The three lines of the version notice, one line break between them.
QString versionNotice();

// "ReadMe日記(&H)", once the window has set the display's small size: the
// read-me (places().readMe) replaces the text (or the open error is shown).
void showReadMe(const context::Context &ctx);

// "バージョン情報(&A)...": the version notice in the notice box.
void showVersion(context::Window &window);

} // namespace help
