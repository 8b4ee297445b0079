#pragma once
#include "base/profilefile.h"

// The keys kana–kanji conversion keeps: the option, off by default, and the
// engine chosen ("Anthy", "Mozc", "自動"; choiceOf reads it, and what a
// missing engine stands for depends on whether the option is in the file).
namespace kanji::schema {
inline const settings::BoolKey kOption{QStringLiteral("文字"), QStringLiteral("漢字"), false};
inline const settings::TextKey kEngine{QStringLiteral("文字"), QStringLiteral("エンジン"), {}};
} // namespace kanji::schema
