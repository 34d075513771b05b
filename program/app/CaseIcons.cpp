#include "app/CaseIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vorlantic {

QIcon CaseIcon(CaseGlyph glyph) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(120, 120, 120));
    switch (glyph) {
        case CaseGlyph::Wedge: p.drawPolygon(QPolygonF({{3, 17}, {17, 17}, {17, 7}})); break;
        case CaseGlyph::Cone:
            p.drawPolygon(QPolygonF({{3, 10}, {17, 3}, {17, 17}}));
            p.setPen(QPen(Qt::black, 1, Qt::DashLine));
            p.drawLine(QPointF(1, 10), QPointF(19, 10));
            break;
        case CaseGlyph::Sphere:
            p.setBrush(QRadialGradient(QPointF(8, 8), 9, QPointF(7, 7)));
            p.drawEllipse(QRectF(3, 3, 14, 14));
            break;
        case CaseGlyph::Cylinder: p.drawEllipse(QRectF(3, 3, 14, 14)); break;
        case CaseGlyph::Explosion:
            p.setBrush(QColor(230, 120, 0));
            p.drawPolygon(QPolygonF(
                {{10, 1}, {12, 7}, {19, 6}, {14, 11}, {18, 18}, {10, 14}, {2, 18}, {6, 11}, {1, 6}, {8, 7}}));
            break;
        case CaseGlyph::Airfoil:
            p.drawPath([] {
                QPainterPath path(QPointF(2, 11));
                path.cubicTo(QPointF(4, 5), QPointF(10, 6), QPointF(19, 10));
                path.cubicTo(QPointF(10, 13), QPointF(4, 14), QPointF(2, 11));
                return path;
            }());
            break;
        case CaseGlyph::More:
            for (int x : {4, 10, 16}) p.drawEllipse(QRectF(x - 1.5, 8.5, 3, 3));
            break;
    }
    return QIcon(pixmap);
}

QIcon CopyIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 8, 10));
    p.drawRect(QRectF(5.5, 4.5, 8, 10));
    return QIcon(pixmap);
}

}  // namespace vorlantic
