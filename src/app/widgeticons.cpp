#include "widgeticons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

// Every picture is drawn on a 32 x 32 canvas and scaled to the requested size.
void drawGlobe(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(20, 70, 140), 1.6));
    p.setBrush(QColor(90, 160, 230));
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(235, 245, 255), 1.4));
    const QPointF c = r.center();
    p.drawEllipse(QRectF(c.x() - r.width() / 5, r.top(), r.width() * 2 / 5, r.height()));
    p.drawLine(QPointF(c.x(), r.top() + 1), QPointF(c.x(), r.bottom() - 1));
    p.drawLine(QPointF(r.left() + 1, c.y()), QPointF(r.right() - 1, c.y()));
    p.drawLine(QPointF(r.left() + r.width() / 8, c.y() - r.height() / 4),
               QPointF(r.right() - r.width() / 8, c.y() - r.height() / 4));
    p.drawLine(QPointF(r.left() + r.width() / 8, c.y() + r.height() / 4),
               QPointF(r.right() - r.width() / 8, c.y() + r.height() / 4));
}

void drawGear(QPainter &p)
{
    QPainterPath gear;
    const QPointF c(16, 16);
    gear.addEllipse(c, 9.5, 9.5);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-2.8, -14.5, 5.6, 7));
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 45.0);
        gear = gear.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, 4, 4);
    gear = gear.subtracted(hole);
    p.setPen(QPen(QColor(60, 60, 70), 1.4));
    p.setBrush(QColor(150, 155, 170));
    p.drawPath(gear);
}

void drawIcon(QPainter &p, ProgramIcon which)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case ProgramIcon::Start: {
        const QPolygonF arrow{QPointF(8, 4), QPointF(28, 16), QPointF(8, 28)};
        p.setPen(QPen(QColor(20, 100, 30), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(60, 170, 70));
        p.drawPolygon(arrow);
        break;
    }
    case ProgramIcon::Stop:
        p.setPen(QPen(QColor(130, 20, 20), 1.8));
        p.setBrush(QColor(210, 50, 45));
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
        break;
    case ProgramIcon::Website:
        drawGlobe(p, QRectF(3, 3, 26, 26));
        break;
    case ProgramIcon::Save:
        p.setPen(QPen(QColor(20, 40, 90), 1.6));
        p.setBrush(QColor(50, 90, 170));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(QColor(245, 245, 245));
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(50, 90, 170));
        p.drawRect(QRectF(18, 6, 3, 5));
        p.setBrush(QColor(220, 225, 235));
        p.drawRect(QRectF(8, 18, 16, 10));
        break;
    case ProgramIcon::Lookup:
        p.setPen(QPen(QColor(90, 60, 30), 4.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(28, 28));
        p.setPen(QPen(QColor(40, 40, 50), 2.5));
        p.setBrush(QColor(200, 230, 250));
        p.drawEllipse(QRectF(3, 3, 19, 19));
        break;
    case ProgramIcon::Add:
        p.setPen(QPen(QColor(20, 100, 30), 1.6));
        p.setBrush(QColor(60, 170, 70));
        p.drawPolygon(QPolygonF{QPointF(12, 3), QPointF(20, 3), QPointF(20, 12), QPointF(29, 12),
                                QPointF(29, 20), QPointF(20, 20), QPointF(20, 29), QPointF(12, 29),
                                QPointF(12, 20), QPointF(3, 20), QPointF(3, 12), QPointF(12, 12)});
        break;
    case ProgramIcon::Config:
        drawGear(p);
        break;
    case ProgramIcon::Help: {
        p.setPen(QPen(QColor(20, 60, 130), 1.6));
        p.setBrush(QColor(60, 120, 210));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(20);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ProgramIcon::Program:
        drawGlobe(p, QRectF(2, 2, 24, 24));
        p.setPen(QPen(QColor(30, 140, 40), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{QPointF(15, 22), QPointF(21, 28), QPointF(30, 14)});
        break;
    }
}

} // namespace

QIcon programIcon(ProgramIcon which)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(size / 32.0, size / 32.0);
        drawIcon(painter, which);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
