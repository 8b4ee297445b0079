#pragma once
#include <QImage>
#include <QPicture>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QDate;
class QLocale;
class QPainter;

// The printed page is composed first as a small vector picture of fixed size,
// the page picture, and then stretched onto the printer's page, so its layout
// is the same at any printer resolution. One unit of the picture is one
// screen pixel; the origin is the top-left corner and y grows downward.
namespace pagepicture {

inline constexpr int kWidth = 630;
inline constexpr int kHeight = 991;
// Line i of the text stands at (0, kLinePitch × i) whatever the character
// size, so line 20 (y = 1000) and the lines after it fall below the page.
inline constexpr int kLinePitch = 50;
inline constexpr QPoint kPencilAt{500, 890};
inline constexpr QPoint kFooterAt{460, 960};
inline constexpr int kFooterCellHeight = 12;

// What goes on one page.
struct Content
{
    QStringList lines;     // the display lines, from the top
    int cellHeight = 32;   // character cell height of the lines, in units
    QImage pencil;         // drawn at its own size
    QString footer;        // the author's mark and the date
};

// The page picture, kWidth × kHeight units. Text is drawn in the default
// proportional Japanese face, regular, in the window-text colour, each line
// with the top of its character cell at its position.
QPicture compose(const Content &content);

// "By mipotan  " followed by the date in the locale's long date format,
// without the day of the week, so that it fits on the page.
QString footerText(const QDate &date, const QLocale &locale);

// The display lines of a whole-text string (each line followed by "\n").
// A string holding only a line break is one empty line.
QStringList linesOf(const QString &wholeText);

// Draws the page picture stretched into target; nothing shows outside the
// target (the picture's own frame) or outside printable, the part of the
// paper the printer can reach. Both rectangles are in the painter's
// coordinates.
void drawStretched(QPainter &painter, const QPicture &page, const QRect &target, const QRect &printable);

} // namespace pagepicture
