#include "diary/help.h"

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

void showReadMe(const context::Context &ctx)
{
    diary::showFile(ctx, ctx.window.places().readMe);
}

void showVersion(context::Window &window)
{
    window.notice(versionNotice());
}

} // namespace help
