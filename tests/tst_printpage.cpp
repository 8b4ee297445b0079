// The page picture: where the lines, the pencil and the footer stand when the
// picture is drawn into an image, and what shows when it is stretched onto a
// page.
#include "base/fonts.h"
#include "base/pencilpicture.h"
#include "diary/pagepicture.h"

#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QTest>

namespace {

const QString kKanaLine = QStringLiteral("あいうえおかきくけこさし");

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 160;
}

// The page picture drawn on a white image, one unit one pixel.
QImage render(const QPicture &page, QSize size = {pagepicture::kWidth, pagepicture::kHeight})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPicture(0, 0, page);
    return image;
}

// The smallest rectangle holding every ink pixel inside area (null: none).
QRect inkBox(const QImage &image, const QRect &area)
{
    QRect box;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isInk(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << kKanaLine;
    return lines;
}

} // namespace

class TestPrintPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }

    void linesStandFiftyUnitsApart_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("standard 32, 20 lines") << 32 << 20;
        QTest::newRow("large 48, 20 lines") << 48 << 20;
        QTest::newRow("small 26, 20 lines") << 26 << 20;
        QTest::newRow("large 48, 25 lines") << 48 << 25;
        QTest::newRow("standard 32, 3 lines") << 32 << 3;
    }

    // Line i has the top of its cell at 50 × i and fills the cell height it
    // was given; the pitch is 50 whatever the size.
    void linesStandFiftyUnitsApart()
    {
        QFETCH(int, cell);
        QFETCH(int, lineCount);
        pagepicture::Content content;
        content.lines = numberedLines(lineCount);
        content.cellHeight = cell;
        const QImage image = render(pagepicture::compose(content));

        const QRect first = inkBox(image, QRect(0, 0, pagepicture::kWidth, pagepicture::kLinePitch));
        QVERIFY(!first.isNull());
        for (int i = 0; i < std::min(lineCount, 20); ++i) {
            const int top = pagepicture::kLinePitch * i;
            const QRect box = inkBox(image, QRect(0, top, pagepicture::kWidth, pagepicture::kLinePitch));
            QVERIFY2(!box.isNull(), qPrintable(QStringLiteral("line %1 missing").arg(i)));
            // Inside its own cell, and the same shape one pitch further down.
            QVERIFY(box.top() >= top);
            QVERIFY2(box.bottom() < top + cell, qPrintable(QStringLiteral("line %1 leaves its cell").arg(i)));
            // (A large twentieth line reaches past the bottom of the page.)
            if (top + pagepicture::kLinePitch <= pagepicture::kHeight)
                QCOMPARE(box.translated(0, -top), first);
            else
                QCOMPARE(box.topLeft() - QPoint(0, top), first.topLeft());
        }
        // The glyphs grow with the cell: kana fill most of their em square,
        // and twelve proportional kana take a little less than twelve cells.
        QVERIFY2(first.height() >= cell * 7 / 10, qPrintable(QString::number(first.height())));
        QVERIFY(first.left() <= cell / 4);
        QVERIFY2(first.right() > 12 * cell * 7 / 10 && first.right() <= 12 * cell,
                 qPrintable(QString::number(first.right())));
        // Nothing between the cell's bottom and the next line.
        if (cell < pagepicture::kLinePitch)
            QVERIFY(inkBox(image, QRect(0, cell, pagepicture::kWidth, pagepicture::kLinePitch - cell)).isNull());
    }

    void textIsInTheWindowTextColour()
    {
        pagepicture::Content content;
        content.lines = QStringList{QStringLiteral("ー")};
        content.cellHeight = 48;
        const QImage image = render(pagepicture::compose(content));
        int darkest = 255;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        QCOMPARE(darkest, 0);
    }

    // The pencil stands at (500, 890) at its own size, pixel for pixel.
    void pencilAtItsOwnSize()
    {
        pagepicture::Content content;
        content.pencil = pencilPicture();
        const QImage image = render(pagepicture::compose(content));
        const QImage expected = pencilPicture().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.copy(QRect(pagepicture::kPencilAt, expected.size())), expected);
        // Nothing else on the page.
        QImage rest = image;
        QPainter(&rest).fillRect(QRect(pagepicture::kPencilAt, expected.size()), Qt::white);
        QVERIFY(inkBox(rest, rest.rect()).isNull());
    }

    void footerAtItsPlace_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("footer");
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan)
                                  << QStringLiteral("By mipotan  2026年12月7日");
        QTest::newRow("British English") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                         << QStringLiteral("By mipotan  7 December 2026");
        QTest::newRow("American English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                          << QStringLiteral("By mipotan  December 7, 2026");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringLiteral("By mipotan  7. Dezember 2026");
    }

    void footerAtItsPlace()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, footer);
        pagepicture::Content content;
        content.footer = pagepicture::footerText(QDate(2026, 12, 7), locale);
        QCOMPARE(content.footer, footer);
        // Drawn on an image wider than the page, so that a footer running
        // past the page's right-hand edge shows as ink beyond it.
        const QImage image = render(pagepicture::compose(content), {2 * pagepicture::kWidth, pagepicture::kHeight});
        const QRect box = inkBox(image, image.rect());
        QVERIFY(!box.isNull());
        QVERIFY(box.left() >= pagepicture::kFooterAt.x() && box.left() <= pagepicture::kFooterAt.x() + 2);
        QVERIFY(box.top() >= pagepicture::kFooterAt.y());
        QVERIFY2(box.bottom() < pagepicture::kFooterAt.y() + pagepicture::kFooterCellHeight,
                 qPrintable(QStringLiteral("%1").arg(box.bottom())));
        QVERIFY(box.height() >= 8);
        if (locale.language() == QLocale::Japanese)
            QVERIFY2(box.right() < pagepicture::kWidth, qPrintable(QStringLiteral("%1").arg(box.right())));
    }

    void linesOf_data()
    {
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty display") << QString() << QStringList();
        QTest::newRow("only a line break") << QStringLiteral("\n") << QStringList{QString()};
        QTest::newRow("two lines") << QStringLiteral("あ\nい\n") << QStringList{"あ", "い"};
        QTest::newRow("empty line between") << QStringLiteral("あ\n\nい\n") << QStringList{"あ", "", "い"};
        QTest::newRow("trailing empty line") << QStringLiteral("あ\n\n") << QStringList{"あ", ""};
    }

    void linesOf()
    {
        QFETCH(QString, whole);
        QFETCH(QStringList, lines);
        QCOMPARE(pagepicture::linesOf(whole), lines);
    }

    void stretchedOntoThePage_data()
    {
        QTest::addColumn<QSize>("canvas");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QRect>("printable");
        QTest::newRow("one to one, offset") << QSize(700, 1100) << QRect(30, 40, 630, 991) << QRect(0, 0, 700, 1100);
        QTest::newRow("twice the size") << QSize(1300, 2000) << QRect(0, 0, 1260, 1982) << QRect(0, 0, 1300, 2000);
        QTest::newRow("reaching past the printable area")
            << QSize(700, 1100) << QRect(40, 40, 640, 1000) << QRect(0, 0, 660, 1010);
    }

    // Twenty-five lines: the twentieth stands at 950 units; the lines from
    // the twenty-first on lie below the picture and never show, nor does
    // anything outside the printable area.
    void stretchedOntoThePage()
    {
        QFETCH(QSize, canvas);
        QFETCH(QRect, target);
        QFETCH(QRect, printable);
        pagepicture::Content content;
        content.lines = numberedLines(25);
        content.cellHeight = 48;
        content.pencil = pencilPicture();
        content.footer = QStringLiteral("By mipotan  2026年12月7日");
        const QPicture page = pagepicture::compose(content);
        QCOMPARE(page.boundingRect(), QRect(0, 0, pagepicture::kWidth, pagepicture::kHeight));

        QImage image(canvas, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            pagepicture::drawStretched(painter, page, target, printable);
        }
        const QRect visible = target.intersected(printable);
        QImage outside = image;
        QPainter(&outside).fillRect(visible, Qt::white);
        QVERIFY(inkBox(outside, outside.rect()).isNull());

        const double sy = double(target.height()) / pagepicture::kHeight;
        const auto yOf = [&](double units) { return target.top() + int(units * sy); };
        // The twentieth line, where it stands.
        const QRect line19 = inkBox(image, QRect(0, yOf(950), canvas.width(), int(48 * sy)));
        QVERIFY(!line19.isNull());
        QVERIFY(line19.left() >= target.left());
        // The first line's glyphs are stretched as the page is.
        const QRect line0 = inkBox(image, QRect(0, yOf(0), canvas.width(), int(50 * sy)));
        QVERIFY(line0.height() >= int(48 * 0.7 * sy));
    }
};

QTEST_MAIN(TestPrintPage)
#include "tst_printpage.moc"
