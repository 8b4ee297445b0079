#pragma once
#include "base/profilefile.h"

// The keys kana–kanji conversion keeps: the option, off by default, and the
// engine chosen ("Anthy", "Mozc", "自動"; choiceOf reads it, and what a
// missing engine stands for depends on whether the option is in the file).
namespace kanji::schema {
inline const settings::BoolKey kOption{QStringLiteral("文字"), QStringLiteral("漢字"), false};
inline const settings::TextKey kEngine{QStringLiteral("文字"), QStringLiteral("エンジン"), {}};
// "漢字のよそく": kanji words in the row of words. A file that had conversion
// before this choice keeps the row as it was (off, written at the next start);
// a user who switches conversion on for the first time gets it on, recorded.
inline const settings::BoolKey kWords{QStringLiteral("文字"), QStringLiteral("漢字のよそく"), true};
// Where the user converts, learnt while "漢字のよそく" is on (ConversionOdds):
// how often they asked for the next candidate, took the one shown, converted
// a run, ended a phrase without converting it. A value outside 0–1 000 000
// (edited by hand) counts as nothing learnt.
inline const settings::RangeKey kAskedNext{QStringLiteral("文字"), QStringLiteral("次の候補"), {0, 1000000, 0}};
inline const settings::RangeKey kTookShown{QStringLiteral("文字"), QStringLiteral("候補で確定"), {0, 1000000, 0}};
inline const settings::RangeKey kConverted{QStringLiteral("文字"), QStringLiteral("変換した"), {0, 1000000, 0}};
inline const settings::RangeKey kUnconverted{QStringLiteral("文字"), QStringLiteral("変換しなかった"), {0, 1000000, 0}};
} // namespace kanji::schema
