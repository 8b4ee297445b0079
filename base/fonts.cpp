#include "base/fonts.h"

#include <QFont>
#include <QStringList>

namespace fonts {

void installSubstitutions()
{
    QFont::insertSubstitutions(QString::fromUtf8(kFixed),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Monospace")});
    QFont::insertSubstitutions(QString::fromUtf8(kProportional),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Sans Serif")});
}

QFont proportional(int pixels, bool bold)
{
    QFont f(QString::fromUtf8(kProportional));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace fonts
