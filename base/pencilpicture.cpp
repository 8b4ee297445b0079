#include "base/pencilpicture.h"

#include <QPainter>
#include <QPainterPath>

QImage pencilPicture()
{
    QImage image(55, 56, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The eraser: a white sleeve and a blue band, lying slightly tilted.
    p.save();
    p.translate(30, 38);
    p.rotate(-12);
    p.setPen(QPen(QColor(40, 40, 90), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(-20, -8, 26, 16), 2, 2);
    p.setBrush(QColor(30, 80, 220));
    p.drawRect(QRectF(6, -8, 14, 16));
    p.restore();

    // The pencil: a green body with a wooden tip and a dark lead, across the eraser.
    p.save();
    p.translate(27, 26);
    p.rotate(-50);
    p.setPen(QPen(QColor(0, 90, 0), 1));
    p.setBrush(QColor(40, 170, 40));
    p.drawRect(QRectF(-22, -4, 34, 8));
    p.setBrush(QColor(20, 120, 20));
    p.drawRect(QRectF(-22, -1, 34, 2));
    QPainterPath tip;
    tip.moveTo(12, -4);
    tip.lineTo(24, 0);
    tip.lineTo(12, 4);
    tip.closeSubpath();
    p.setBrush(QColor(235, 200, 150));
    p.drawPath(tip);
    QPainterPath lead;
    lead.moveTo(20, -1.4);
    lead.lineTo(24, 0);
    lead.lineTo(20, 1.4);
    lead.closeSubpath();
    p.setBrush(QColor(40, 40, 40));
    p.drawPath(lead);
    p.setBrush(QColor(200, 160, 40));
    p.drawRect(QRectF(-26, -4, 4, 8)); // the ferrule at the end
    p.restore();
    return image;
}
