#pragma once
#include <QStringList>

// How a text is cut into the pieces that are synthesised one by one, so
// that the first piece sounds while the rest is still being made.
namespace sentences {

// A sentence longer than this is also cut after its first "、".
constexpr int kLongSentence = 20;
// No piece is longer than this; a longer run is cut at its last "、" or
// blank before the limit, or at the limit.
constexpr int kMaxPiece = 120;

// The pieces of a text in order: cut after "。", "！", "？" (and their
// ASCII forms) with any closing brackets that follow, and at every line
// break, which is dropped. Pieces with nothing to pronounce (blanks and
// marks only) are left out.
QStringList split(const QString &text);

} // namespace sentences
