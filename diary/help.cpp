#include "diary/help.h"

#include "app/displaysettings.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/textdisplay.h"
#include "diary/diarypaths.h"
#include "diary/diarystorage.h"

namespace help {

QString versionNotice()
{
    // One break per line: a box shows each of LF and CR as a break of its own.
    const QString lineBreak = QStringLiteral("\n");
    return QStringLiteral("もじぽっと帳 sapi4 Ver2.00") + lineBreak
        + QStringLiteral("\u3000by mojipot@example.org") + lineBreak
        + QStringLiteral("日本語合成エンジン(SAPI4)が必要です。");
}

void showReadMe(TMain_form &form)
{
    if (form.menus.I1->isChecked())
        form.Hyouji_edit->setInverted(true);
    display::chooseSize(form, display::kSmall);
    form.menus.N18->setChecked(true);
    diary::showFile(form, form.places().readMe);
}

void showVersion(TMain_form &form)
{
    boxes::notice(&form, versionNotice());
}

} // namespace help
