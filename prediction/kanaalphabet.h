#pragma once
#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// What the board writes, as the kana model sees it: one symbol per entry key.
// The entry keys are Tags 1 to 57 (the kana, "、" and "。", "゛" and "゜", the
// small っ ゃ ゅ ょ, "ー", the space and the new line), and symbol s is the key
// with Tag s + 1, so a symbol's probability is that of a press.
//
// Any text is reduced to this alphabet as the board would have written it:
// a voiced kana is its plain kana followed by "゛" (が: か ゛), a half-voiced one
// its plain kana and "゜"; katakana (full or half width) is read as hiragana;
// small kana the board lacks (ぁ ぃ ぅ ぇ ぉ ゎ ゕ ゖ) and old kana (ゐ ゑ) become
// the kana written in their place (あ ... わ か け い え); the long-vowel wave
// (〜 ～) is "ー"; "！" "？" "!" "?" "．" and "." end a sentence like "。",
// "，" and "," are "、"; any run of spaces or tabs is one space. A voicing mark
// the board could not have put there (ゔ, a "゛" after あ) is dropped.
// Everything else (kanji, Latin letters, digits, other marks) cannot be
// written with the board: it breaks the text into phrases, and what follows
// is predicted as at the start of a text.
namespace prediction {

using Symbol = std::uint8_t;

constexpr int kSymbolCount = 57;
// Beginning of a text or of a phrase after a break; never predicted.
constexpr Symbol kBegin = kSymbolCount;
// In a reduced text: a break between phrases.
constexpr Symbol kBreak = 0xFF;

constexpr Symbol kComma = 38;      // "、"
constexpr Symbol kFullStop = 39;   // "。"
constexpr Symbol kVoiced = 48;     // "゛"
constexpr Symbol kSemiVoiced = 49; // "゜"
constexpr Symbol kLongVowel = 54;  // "ー"
constexpr Symbol kSpace = 55;      // "くうはく", written as U+3000
constexpr Symbol kNewLine = 56;    // "ぎょう"

constexpr int tagOf(Symbol s) { return s + 1; }
// The symbol a press of the key writes, or -1 for a command key.
constexpr int symbolOfTag(int tag) { return tag >= 1 && tag <= kSymbolCount ? tag - 1 : -1; }

// What the board writes for the symbol ("\u3000" for the space, "\n" for
// the new line).
QString symbolText(Symbol s);

// The marks the board puts after a kana: "゛" after か to と and は to ほ,
// "゜" after は to ほ (the keys whose press the mark may change).
bool takesMark(Symbol mark, Symbol previous);

// The text reduced to symbols, kBreak between phrases (never two in a row,
// never at the start).
std::vector<Symbol> reduce(QStringView text);

// The symbols a prediction depends on: at most `length` symbols written just
// before the end of `before`, after its last break. `atStart` says whether
// they begin the text or a phrase (no symbol before them counts).
struct History
{
    std::vector<Symbol> symbols;
    bool atStart = true;
};
History historyOf(QStringView before, int length);

} // namespace prediction
