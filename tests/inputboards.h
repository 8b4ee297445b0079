#pragma once
#include "base/profilefile.h"
#include "base/sjis.h"
#include "input/arrowwalk.h"

#include <QFile>
#include <QTemporaryDir>

// The board as practice mode leaves it: the kana keys 1 to lastKana (5, 10,
// 15, 25 or 55) shown, the others of 1 to 55 hidden; "よむ" and the command
// columns always shown.
inline input::Reachable practiceBoard(int lastKana)
{
    input::Reachable shown = input::allShown();
    for (int t = lastKana + 1; t <= 55; ++t)
        shown.reset(t);
    return shown;
}

// A settings file in `dir` holding `text` as the program writes it (Shift-JIS).
inline ProfileFile settingsWith(const QTemporaryDir &dir, const QString &text)
{
    const QString path = dir.filePath(QStringLiteral("mojipot.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(sjis::encode(text)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return ProfileFile(path);
}
