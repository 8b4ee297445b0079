#pragma once
#include <QString>

// What a key says when it is reached: its caption, or the reading that
// stands for it (the greeting for "よむ" the first time, "ハ" for "は", the
// readings of the punctuation, small kana, marks and some command keys).
namespace announcements {

QString forKey(int tag, const QString &caption, bool greetingPending);

// What reading aloud passes to the engine for the display's whole-text
// string: the text itself, or the notice that nothing is written.
QString forReading(const QString &wholeText);

} // namespace announcements
