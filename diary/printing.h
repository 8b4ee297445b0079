#pragma once
#include <QPicture>
#include <QRect>
#include <QSize>
#include <QString>

class QPrinter;
namespace context {
struct Context;
}

// Printing the text on one page of the system's default printer, with no
// dialog and no choice of printer.
namespace printing {

// The print job's title, the name the printer queue shows.
inline constexpr const char *kJobTitle = "もじぽっと帳";

// Messages of the error box.
inline constexpr const char *kNoDefaultPrinter = "デフォルト プリンタが存在しません";
inline constexpr const char *kInvalidPrinter = "選択したプリンタは有効ではありません";

// How a page got on: an empty error means the printer's spooler has the job.
struct Outcome
{
    QString error;
    bool handedOver() const { return error.isEmpty(); }
};

// Where the page goes on the printer's paper, in device pixels.
struct PageGeometry
{
    QRect paper;     // the whole sheet
    QRect printable; // the part the printer reaches, in paper coordinates
    // The rectangle the page picture is stretched into, for a painter whose
    // origin is the corner of the printable area: it starts at the printer's
    // physical offsets (the unprintable strips at the left and top of the
    // paper) and is as large as the printable area, so it reaches one strip
    // beyond the printable area's right and bottom edges.
    QRect target;
};

// Sets the printer to its own printable area (no margins but the
// unprintable strips it reports) and gives the page's geometry.
PageGeometry preparePage(QPrinter &printer);

// Prints the page on the default printer and hands the job to the spooler.
// It waits for the spooler, so it runs away from the window's thread. A
// failure while the job is open aborts the job.
Outcome printOnDefaultPrinter(const QPicture &page);

// The "いんさつ" key (Ctrl+P): composes the page from the display and starts
// the job. "いんさつしています" is spoken once the spooler has the job; the
// window goes on meanwhile, whatever the spooler does. A job that cannot be
// handed over ends in the error box, nothing spoken.
// `cellHeight` is the size the display is set to (the size menu or the
// settings), not the size the window's scale gives it on the screen.
void printText(const context::Context &ctx, int cellHeight);

} // namespace printing
