#include "diary/printing.h"

#include "base/apperror.h"
#include "base/context.h"
#include "base/pencilpicture.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "diary/pagepicture.h"
#include "speech/voices.h"

#include <QDate>
#include <QLocale>
#include <QMutex>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QThread>
#include <memory>

#ifdef MOJIPOT_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace printing {

namespace {

// Jobs reach the spooler one at a time, in the order they were started.
QMutex &spoolerLock()
{
    static QMutex lock;
    return lock;
}

QString failedJob(const QString &printerName)
{
    return QStringLiteral("%1 に印刷できません").arg(printerName);
}

// Whether the spooler took the job that QPainter::end() has just handed over.
// The print engine reports no refusal of its own; the CUPS client keeps the
// status of the calling thread's last request, which is the job's.
bool spoolerTookJob(const QPrinter &printer)
{
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return false;
#ifdef MOJIPOT_HAVE_CUPS
    if (printer.outputFormat() == QPrinter::NativeFormat && cupsLastError() > IPP_STATUS_OK_CONFLICTING)
        return false;
#endif
    return true;
}

} // namespace

PageGeometry preparePage(QPrinter &printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setMargins(layout.minimumMargins());
    printer.setPageLayout(layout);
    printer.setFullPage(false);

    PageGeometry g;
    g.paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    g.printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    g.target = QRect(g.printable.topLeft() - g.paper.topLeft(), g.printable.size());
    return g;
}

Outcome printOnDefaultPrinter(const QPicture &picture)
{
    const QMutexLocker locker(&spoolerLock());

    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return {QString::fromUtf8(kNoDefaultPrinter)};
    // Device pixels at the screen's resolution: the page picture's units are
    // screen pixels, and a picture replays its text at the size it was drawn
    // only on a device of the resolution it was drawn for (on a finer one the
    // text would grow by the ratio). The job goes to the spooler as vectors,
    // so this costs nothing on paper.
    QPrinter printer(info, QPrinter::ScreenResolution);
    if (!printer.isValid())
        return {QString::fromUtf8(kInvalidPrinter)};

    printer.setDocName(QString::fromUtf8(kJobTitle));
    const PageGeometry page = preparePage(printer);

    QPainter painter;
    if (!painter.begin(&printer))
        return {QString::fromUtf8(kInvalidPrinter)};
    pagepicture::drawStretched(painter, picture, page.target, QRect(QPoint(0, 0), page.printable.size()));
    if (printer.printerState() == QPrinter::Error) {
        printer.abort();
        painter.end();
        return {failedJob(info.printerName())};
    }
    painter.end(); // hands the page to the spooler
    if (!spoolerTookJob(printer))
        return {failedJob(info.printerName())};
    return {};
}

void printText(const context::Context &ctx, int cellHeight)
{
    const QString whole = textmodel::wholeText(&ctx.text.display());
    if (whole.isEmpty()) {
        ctx.speech.say(QStringLiteral("にっきがかけていませんよ。"), speech::Role::Decision);
        return;
    }

    // The page's layout does not depend on how large the window is.
    pagepicture::Content content;
    content.lines = pagepicture::linesOf(whole);
    content.cellHeight = cellHeight;
    content.pencil = pencilPicture();
    content.footer = pagepicture::footerText(QDate::currentDate(), QLocale::system());

    // The spooler may be slow or not answer at all: the job runs on a thread
    // of its own and reports back to the window when the spooler has it. A
    // thread still waiting when the program ends is left to end with it.
    auto outcome = std::make_shared<Outcome>();
    QThread *job = QThread::create([page = pagepicture::compose(content), outcome]() {
        *outcome = printOnDefaultPrinter(page);
    });
    QObject::connect(job, &QThread::finished, ctx.window.widget(), [ctx, outcome] {
        ctx.window.guarded([&] {
            if (!outcome->handedOver())
                throw AppError(outcome->error);
            ctx.speech.say(QStringLiteral("いんさつしています"), speech::Role::Decision);
        });
    });
    QObject::connect(job, &QThread::finished, job, &QObject::deleteLater);
    job->start();
}

} // namespace printing
