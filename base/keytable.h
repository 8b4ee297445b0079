#pragma once
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

// The 66 keys of the board as designed: "よむ" (Tag 0) and the grid of 13
// columns by 5 rows, numbered column by column from the right-hand edge,
// top to bottom (Tag = 5 × (column − 1) + row).
struct KeySpec
{
    int tag;
    const char *controlName; // name of the control in the design, "Button1" ...
    QString caption;         // what the key shows; "ぜんぶ\nけす" for the clear-all key
    QRect geometry;          // in the window's client pixels at the designed size
    int charHeight;          // caption character height in pixels
};

namespace keys {

constexpr int kCount = 66;
constexpr int kRead = 0;        // "よむ"
constexpr int kHa = 26;         // "は", spoken "ハ"
constexpr int kComma = 39;
constexpr int kFullStop = 40;
constexpr int kWo = 47;
constexpr int kVoicedMark = 49; // "゛"
constexpr int kSemiVoicedMark = 50; // "゜"
constexpr int kLongVowel = 55;
constexpr int kSpace = 56;      // "くうはく"
constexpr int kNewLine = 57;    // "ぎょう"
constexpr int kBlank1 = 58;
constexpr int kBlank2 = 59;
constexpr int kMail = 60;       // "めーる"
constexpr int kDelete = 61;     // "けす"
constexpr int kClearAll = 62;   // BitBtn1
constexpr int kSave = 63;       // "しまう"
constexpr int kPrint = 64;      // "いんさつ"
constexpr int kEnd = 65;        // "おわり"

// The whole board, indexed by Tag.
const std::array<KeySpec, kCount> &table();

// The row of word places between the display and the board, shown with
// "ことばのよそく": five places, numbered from the left, each as large as a key
// is high and a fifth of the display wide, in the window's client pixels at
// the designed size. The display gives up their height.
constexpr int kWordPlaces = 5;
QRect wordPlaceGeometry(int index);
// The display's height at the designed size with the row shown.
constexpr int kDisplayHeightWithWords = 231;
// A word place's caption height at the designed size, before it is made
// smaller to fit a long word.
constexpr int kWordCaptionHeight = 24;

// Column (1–13, from the right) and row (1–5) of a grid key, Tag 1 to 65.
inline int columnOf(int tag) { return (tag - 1) / 5 + 1; }
inline int rowOf(int tag) { return (tag - 1) % 5 + 1; }

} // namespace keys

// The 71 texts indexed by Tag: the greeting at 0, the voiced and half-voiced
// kana at 6 to 30, and the spoken readings of keys whose caption is not what
// is said. Entries never assigned are empty.
namespace readings {

constexpr int kCount = 71;
const std::array<QString, kCount> &table();
inline const QString greeting() { return QStringLiteral("もじぽっと帳にようこそ"); }

// What is said for a character taken away by the delete command: a mark the
// speech engine would pass over in silence ("、", "。", "ー", "゛", "゜", a
// half-width space) is said by its key's reading; anything else by itself.
QString spokenWhenDeleted(const QString &character);

} // namespace readings
