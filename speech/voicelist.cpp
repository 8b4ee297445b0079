#include "speech/voicelist.h"

#include "speech/directss.h"

namespace voicelist {

int primaryLanguage(int language)
{
    if (language >= 1024 && language < 2048)
        return language - 1024;
    if (language >= 2048 && language < 3072)
        return language - 2048;
    return language;
}

bool isJapanese(int language)
{
    return primaryLanguage(language) == 17;
}

QList<Line> japaneseLines(const DirectSS &engine)
{
    QList<Line> lines;
    const int count = engine.EngineModeCount();
    for (int n = 1; n <= count; ++n) {
        const int language = engine.EngineModeLanguage(n);
        const QString text = QString::number(n) + QStringLiteral(") ") + engine.EngineModeName(n);
        if (isJapanese(language))
            lines.append({n, text});
    }
    return lines;
}

qsizetype lineOf(const QList<Line> &lines, int mode)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].mode == mode)
            return i;
    return -1;
}

} // namespace voicelist
