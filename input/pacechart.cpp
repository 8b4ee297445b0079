#include "input/pacechart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

PaceChart::PaceChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Pace_chart"));
    setMinimumSize(sizeHint());
}

void PaceChart::setDays(const std::vector<input::SwitchPace::Day> &days)
{
    m_days = days;
    // Assistive tools are told the figures of the last day with presses.
    QString told = QStringLiteral("きろくは　まだ　ありません");
    for (auto it = m_days.rbegin(); it != m_days.rend(); ++it)
        if (it->presses > 0) {
            told = QStringLiteral("%1月%2日　１分に%3文字　100回に%4回なおし")
                       .arg(it->date.month())
                       .arg(it->date.day())
                       .arg(it->perMinute(), 0, 'f', 1)
                       .arg(std::lround(it->correctionsPer100()));
            break;
        }
    setAccessibleName(QStringLiteral("14日の　きろく"));
    setAccessibleDescription(told);
    update();
}

void PaceChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const int labelWidth = 120;
    const int dayHeight = fontMetrics().height() + 2;
    const int rowHeight = (height() - dayHeight - 8) / 2;
    const int n = std::max<int>(1, int(m_days.size()));
    const double slot = double(width() - labelWidth - 8) / n;
    QFont small = font();
    small.setPixelSize(std::max(10, font().pixelSize() > 0 ? font().pixelSize() * 3 / 4 : 12));
    p.setFont(small);

    // The two rows: characters a minute above, corrections per 100 presses below.
    const QString names[2] = {QStringLiteral("文字／分"), QStringLiteral("なおし／100回")};
    const QColor colours[2] = {QColor(0x1f, 0x5f, 0xbf), QColor(0xd0, 0x60, 0x00)};
    const auto value = [](int row, const input::SwitchPace::Day &d) {
        return row == 0 ? d.perMinute() : d.correctionsPer100();
    };
    for (int r = 0; r < 2; ++r) {
        const int top = 4 + r * rowHeight;
        const int base = top + rowHeight - 4;
        double most = 0;
        for (const auto &d : m_days)
            most = std::max(most, value(r, d));
        p.setPen(Qt::black);
        p.drawText(QRect(4, top, labelWidth - 8, rowHeight - 4), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   QStringLiteral("%1\n最大 %2").arg(names[r]).arg(most, 0, 'f', most < 10 ? 1 : 0));
        p.drawLine(labelWidth, base, width() - 4, base);
        for (int i = 0; i < int(m_days.size()); ++i) {
            const double v = value(r, m_days[i]);
            if (m_days[i].presses == 0 || most <= 0)
                continue;
            const int h = std::max(1, int(std::lround(v / most * (rowHeight - 10))));
            const int x = labelWidth + int(i * slot + slot * 0.2);
            p.fillRect(QRect(x, base - h, std::max(2, int(slot * 0.6)), h), colours[r]);
        }
    }
    p.setPen(Qt::black);
    for (int i = 0; i < int(m_days.size()); ++i)
        p.drawText(QRect(labelWidth + int(i * slot), height() - dayHeight - 2, int(slot), dayHeight), Qt::AlignCenter,
                   QString::number(m_days[i].date.day()));
}
