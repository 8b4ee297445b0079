#pragma once

namespace context {
class Keys;
}
namespace input {
class Methods;
}

// The menu "練習モード(&T)": each level shows the kana keys of the first
// columns (Tag 1 to the level's count) and hides the other kana keys up to
// Tag 55. "よむ" and the command keys are never touched; nothing is disabled,
// nothing moves and nothing is stored.
namespace practice {

inline constexpr int kOnlyA = 5;      // "あ行"
inline constexpr int kAToKa = 10;     // "あ・か行"
inline constexpr int kAToSa = 15;     // "あ・か・さ行"
inline constexpr int kAToNa = 25;     // "あ・か・さ・た・な行"
inline constexpr int kAll = 55;       // "制限なし"

// Shows Tag 1 to shownKeys and hides the rest up to Tag 55. When the key
// that has the focus is about to be hidden, the focus first goes to the key
// of the same row in the あ column (which announces itself), and the
// arrow-key walk goes on from there.
void showFirstKeys(context::Keys &board, input::Methods &methods, int shownKeys);

} // namespace practice
