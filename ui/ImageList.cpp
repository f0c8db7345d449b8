#include "ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace ui {

namespace {

void drawBook(QPainter &p, const QColor &cover)
{
    p.setPen(QPen(cover.darker(160), 1));
    p.setBrush(cover);
    p.drawRect(2, 2, 9, 12);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(4, 5, 9, 5);
    p.drawLine(4, 7, 9, 7);
}

void drawPlus(QPainter &p, QPointF c, const QColor &fill, const QColor &sign, qreal r)
{
    p.setPen(QPen(fill.darker(140), 1));
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(sign, 2));
    p.drawLine(QPointF(c.x() - r / 2, c.y()), QPointF(c.x() + r / 2, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r / 2), QPointF(c.x(), c.y() + r / 2));
}

// A block arrow in the lower right corner; the left-pointing one is the right one mirrored.
void drawArrow(QPainter &p, bool left, const QColor &colour)
{
    const QPointF rightward[] = {{15.5, 11.5}, {12, 8}, {12, 10}, {8, 10}, {8, 13}, {12, 13}, {12, 15}};
    QPainterPath path;
    for (const QPointF &pt : rightward) {
        const QPointF q(left ? 23.5 - pt.x() : pt.x(), pt.y());
        if (path.elementCount() == 0)
            path.moveTo(q);
        else
            path.lineTo(q);
    }
    path.closeSubpath();
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawPath(path);
}

QPixmap picture(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:
        drawBook(p, QColor(40, 90, 200));
        drawPlus(p, {11.5, 11.5}, QColor(40, 170, 60), Qt::white, 4);
        break;
    case 1:
        drawBook(p, QColor(150, 110, 60));
        drawArrow(p, true, QColor(40, 170, 60));
        break;
    case 2:
        drawBook(p, QColor(150, 110, 60));
        drawArrow(p, false, QColor(210, 40, 40));
        break;
    case 3:
        drawBook(p, QColor(150, 110, 60));
        p.setPen(QPen(QColor(210, 30, 30), 2.5));
        p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
        break;
    case 4: {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 1, 10, 14);
        p.setPen(QPen(QColor(120, 120, 160), 1));
        for (int y = 4; y <= 10; y += 2)
            p.drawLine(4, y, 9, y);
        QPainterPath spark;
        spark.moveTo(12.5, 7);
        for (int i = 1; i < 8; ++i) {
            const qreal a = i * 3.14159265 / 4;
            const qreal r = (i % 2) ? 1.6 : 4;
            spark.lineTo(12.5 + r * std::sin(a), 11 - r * std::cos(a));
        }
        spark.closeSubpath();
        p.setPen(QPen(QColor(200, 110, 0), 1));
        p.setBrush(QColor(255, 160, 20));
        p.drawPath(spark);
        break;
    }
    case 5: drawPlus(p, {8, 8}, QColor(30, 160, 60), Qt::white, 7); break;
    default: break;
    }
    return pm;
}

} // namespace

QIcon sharedImage(int index)
{
    static QIcon icons[SharedImageCount];
    if (index < 0 || index >= SharedImageCount)
        return {};
    if (icons[index].isNull())
        icons[index] = QIcon(picture(index));
    return icons[index];
}

} // namespace ui
