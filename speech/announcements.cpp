#include "speech/announcements.h"

#include "base/keytable.h"

namespace announcements {

QString forKey(int tag, const QString &caption, bool greetingPending)
{
    if (tag == keys::kRead && greetingPending)
        return readings::greeting();
    if ((tag == keys::kBlank1 || tag == keys::kBlank2) && !caption.isEmpty())
        return caption; // "へんかん" and "かくてい" when conversion is on
    if (tag == keys::kHa)
        return QStringLiteral("\u30CF");
    const bool ownReading = tag == 39 || tag == 40 || tag == 47 || (tag >= 49 && tag <= 55)
                            || (tag >= 57 && tag <= 60);
    if (ownReading)
        return readings::table()[tag];
    return caption;
}

QString forReading(const QString &wholeText)
{
    if (wholeText.isEmpty() || wholeText == QStringLiteral("\r\n") || wholeText == QStringLiteral("\n"))
        return QStringLiteral("なにもかかれていません");
    return wholeText;
}

} // namespace announcements
