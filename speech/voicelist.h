#pragma once
#include <QList>
#include <QString>

class DirectSS;

// The lines of the voice dialog: the engine's Japanese modes in mode order,
// each "n) name".
namespace voicelist {

struct Line
{
    int mode;
    QString text;
};

// The language identifier with its sub-language bits 1024 or 2048 taken off
// (1041 and 2065 become 17).
int primaryLanguage(int language);
bool isJapanese(int language);

// Reads EngineModeCount, then the language and name of every mode; an error
// of the control ends the listing (AppError passes through).
QList<Line> japaneseLines(const DirectSS &engine);

// Index of the line standing for mode, or -1.
qsizetype lineOf(const QList<Line> &lines, int mode);

} // namespace voicelist
