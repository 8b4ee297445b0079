#include "diary/pagepicture.h"

#include "base/fonts.h"

#include <QDate>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>

namespace pagepicture {

namespace {

// The face of the page at a character cell height in units. The Japanese
// faces have their cell as high as their em square, so the em size is the
// cell height; a pixel size keeps the unit one screen pixel whatever the
// resolution of the device the picture is played on.
QFont pageFont(int cellHeight)
{
    QFont font(QString::fromUtf8(fonts::kProportional));
    font.setPixelSize(std::max(1, cellHeight));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

// Text with the top of its character cell at 'at'.
void drawTextAt(QPainter &painter, const QPoint &at, const QString &text)
{
    const QFontMetricsF metrics(painter.font());
    painter.drawText(QPointF(at.x(), at.y() + metrics.ascent()), text);
}

} // namespace

QPicture compose(const Content &content)
{
    QPicture page;
    {
        QPainter painter(&page);
        painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));

        painter.setFont(pageFont(content.cellHeight));
        for (int i = 0; i < content.lines.size(); ++i)
            drawTextAt(painter, QPoint(0, kLinePitch * i), content.lines.at(i));

        painter.setFont(pageFont(kFooterCellHeight));
        if (!content.pencil.isNull())
            painter.drawImage(kPencilAt, content.pencil);
        drawTextAt(painter, kFooterAt, content.footer);
    }
    // The page is the fixed frame, not the extent of what was drawn on it.
    page.setBoundingRect(QRect(0, 0, kWidth, kHeight));
    return page;
}

QString footerText(const QDate &date, const QLocale &locale)
{
    // The long date without the day of the week: with it ("2026年12月7日月曜日")
    // the footer runs past the page's right-hand edge and is cut there.
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("[\\s,、]*dddd[\\s,、]*"));
    const QRegularExpressionMatch m = weekday.match(format);
    if (m.hasMatch()) {
        const bool between = m.capturedStart() > 0 && m.capturedEnd() < format.size();
        format.replace(m.capturedStart(), m.capturedLength(), between ? QStringLiteral(" ") : QString());
    }
    return QStringLiteral("By mipotan  ") + locale.toString(date, format.trimmed());
}

QStringList linesOf(const QString &wholeText)
{
    QStringList lines = wholeText.split(u'\n');
    // Every line is followed by a line break, so the last piece is empty.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void drawStretched(QPainter &painter, const QPicture &page, const QRect &target, const QRect &printable)
{
    painter.save();
    painter.setClipRect(target.intersected(printable));
    painter.translate(target.topLeft());
    painter.scale(double(target.width()) / kWidth, double(target.height()) / kHeight);
    painter.drawPicture(0, 0, page);
    painter.restore();
}

} // namespace pagepicture
