#include "records/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace records {

namespace {

// A person: head and shoulders, in the colour of the sex; a post adds a badge.
void person(QPainter& p, double s, const QColor& colour, bool post) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(s * 0.32, s * 0.08, s * 0.36, s * 0.36));
    QPainterPath body;
    body.moveTo(s * 0.12, s * 0.95);
    body.cubicTo(s * 0.12, s * 0.5, s * 0.88, s * 0.5, s * 0.88, s * 0.95);
    body.closeSubpath();
    p.drawPath(body);
    if (post) {
        p.setBrush(QColor(230, 50, 40));
        p.drawRect(QRectF(s * 0.58, s * 0.62, s * 0.2, s * 0.18));
    }
}

} // namespace

QPixmap recordsPicture(int image, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QColor boy(40, 100, 200), girl(215, 70, 140);
    switch (image) {
    case 1: {   // a folder
        p.setPen(QPen(QColor(150, 110, 20), s / 16));
        p.setBrush(QColor(245, 200, 70));
        p.drawRect(QRectF(s * 0.08, s * 0.3, s * 0.84, s * 0.58));
        p.drawRect(QRectF(s * 0.08, s * 0.18, s * 0.36, s * 0.14));
        break;
    }
    case 2:     // a stack of books
    case 3: {   // a book
        const QColor c = image == 2 ? QColor(60, 140, 70) : QColor(60, 120, 190);
        p.setPen(QPen(c.darker(150), s / 16));
        p.setBrush(c);
        if (image == 2)
            p.drawRect(QRectF(s * 0.2, s * 0.1, s * 0.6, s * 0.35));
        p.drawRect(QRectF(s * 0.12, image == 2 ? s * 0.5 : s * 0.15, s * 0.76, image == 2 ? s * 0.4 : s * 0.7));
        break;
    }
    case 4: person(p, s, boy, false); break;
    case 5: person(p, s, girl, false); break;
    case 6: person(p, s, boy, true); break;
    case 7: person(p, s, girl, true); break;
    case 8: {   // a house
        p.setPen(QPen(QColor(120, 60, 30), s / 16));
        p.setBrush(QColor(200, 120, 60));
        QPolygonF roof({QPointF(s * 0.5, s * 0.08), QPointF(s * 0.94, s * 0.48), QPointF(s * 0.06, s * 0.48)});
        p.drawPolygon(roof);
        p.setBrush(QColor(240, 220, 180));
        p.drawRect(QRectF(s * 0.2, s * 0.48, s * 0.6, s * 0.44));
        break;
    }
    case 9: person(p, s, QColor(90, 90, 90), false); break;
    default: break;
    }
    return pm;
}

QIcon recordsIcon(int image) {
    QIcon icon;
    icon.addPixmap(recordsPicture(image, 16));
    icon.addPixmap(recordsPicture(image, 32));
    return icon;
}

} // namespace records
