#include "speech/warmup.h"

#include "base/keytable.h"
#include "speech/announcements.h"

#include <QSet>

namespace warmup {

QString pressedText(int tag)
{
    switch (tag) {
    case keys::kHa: return QStringLiteral("\u30CF");
    case keys::kComma: return QStringLiteral("てん");
    case keys::kFullStop: return QStringLiteral("まる");
    case keys::kLongVowel: return QStringLiteral("のばす");
    case keys::kSpace: return QStringLiteral("くうはく");
    case keys::kVoicedMark:
    case keys::kSemiVoicedMark: return QString();
    default: break;
    }
    return (tag >= 1 && tag <= keys::kLongVowel) ? keys::table()[tag].caption : QString();
}

QList<Item> items(int selectionVoice, int decisionVoice, int focusedTag, const QStringList &more,
                  const QStringList &moreDecision, const QStringList &rowFirst)
{
    QList<Item> list;
    QSet<QString> seen;
    const auto add = [&](int mode, const QString &text) {
        const QString tag = QString::number(mode) + u'\n' + text;
        if (!text.isEmpty() && !seen.contains(tag)) {
            seen.insert(tag);
            list.append({mode, text});
        }
    };
    const auto &table = keys::table();
    add(selectionVoice, readings::greeting());
    add(selectionVoice, announcements::forKey(focusedTag, table[focusedTag].caption, false));
    for (const KeySpec &key : table)
        add(selectionVoice, announcements::forKey(key.tag, key.caption, false));
    // Names heard when reached come before what is heard after a press,
    // which is made on demand in a few milliseconds meanwhile.
    for (const QString &text : more)
        add(selectionVoice, text);
    for (const QString &text : moreDecision)
        add(decisionVoice, text);
    for (const QString &text : rowFirst)
        add(selectionVoice, text);
    for (int tag = 1; tag < keys::kCount; ++tag)
        add(decisionVoice, pressedText(tag));
    const auto &readingTable = readings::table();
    for (int i = 6; i <= 30; ++i)
        add(decisionVoice, readingTable[i]);
    return list;
}

} // namespace warmup
