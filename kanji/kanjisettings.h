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
} // namespace kanji::schema
