#pragma once
#include <QStringView>

namespace plaintext {

// A text that can only have been written on purpose: no control or
// formatting character (a NUL, a bell, a direction override, a zero-width
// mark), no half of a character, no mark of an unreadable byte, no line or
// paragraph separator. Each of these would reach a saved diary unseen.
bool isPlain(QStringView text);

} // namespace plaintext
