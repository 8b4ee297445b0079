#pragma once
#include <QFont>

// The design names its faces "ＭＳ ゴシック" (fixed pitch) and "ＭＳ Ｐゴシック"
// (proportional); IPAGothic and IPAPGothic, which share their metrics, stand in.
namespace fonts {

inline constexpr const char *kFixed = "ＭＳ ゴシック";
inline constexpr const char *kProportional = "ＭＳ Ｐゴシック";

// Registers the stand-ins; call once after the application object exists.
void installSubstitutions();

// The proportional face at a character height in pixels.
QFont proportional(int pixels, bool bold);

} // namespace fonts
