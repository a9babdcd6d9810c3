#include "ImageLists.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace ImageLists {

namespace {

struct Palette {
    QColor ink, fill, accent, paper;
};

Palette paletteFor(bool coloured, int index)
{
    if (!coloured)
        return { QColor(250, 250, 250), QColor(200, 205, 215), QColor(235, 235, 240), QColor(250, 250, 250) };
    static const QColor accents[Count] = { QColor(40, 110, 200), QColor(40, 140, 90), QColor(200, 120, 30), QColor(130, 70, 160),
        QColor(200, 50, 50), QColor(200, 50, 50), QColor(230, 170, 20), QColor(210, 150, 110), QColor(230, 110, 140),
        QColor(110, 120, 140), QColor(60, 60, 70), QColor(150, 90, 40), QColor(40, 110, 200), QColor(40, 110, 200) };
    return { QColor(40, 45, 60), accents[index].lighter(130), accents[index], Qt::white };
}

void person(QPainter& p, QPointF at, qreal s, const QColor& fill, const QColor& ink)
{
    p.setPen(QPen(ink, 0.8));
    p.setBrush(fill);
    p.drawEllipse(QPointF(at.x(), at.y() - 2.6 * s), 2.2 * s, 2.2 * s);
    QPainterPath body;
    body.moveTo(at.x() - 3.8 * s, at.y() + 4.5 * s);
    body.quadTo(at.x() - 3.8 * s, at.y() - 0.2 * s, at.x(), at.y() - 0.2 * s);
    body.quadTo(at.x() + 3.8 * s, at.y() - 0.2 * s, at.x() + 3.8 * s, at.y() + 4.5 * s);
    body.closeSubpath();
    p.drawPath(body);
}

void document(QPainter& p, const Palette& c, bool lines)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13, 4.5);
    page.lineTo(13, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(c.ink, 1));
    p.setBrush(c.paper);
    p.drawPath(page);
    p.drawLine(QPointF(10, 1.5), QPointF(10, 4.5));
    p.drawLine(QPointF(10, 4.5), QPointF(13, 4.5));
    if (lines) {
        p.setPen(QPen(c.accent, 1));
        for (qreal y = 7; y <= 12.5; y += 2)
            p.drawLine(QPointF(5.5, y), QPointF(11, y));
    }
}

void clock(QPainter& p, const Palette& c, QPointF centre, qreal r)
{
    p.setPen(QPen(c.ink, 1));
    p.setBrush(c.paper);
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(c.accent, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0, -r * 0.7));
    p.drawLine(centre, centre + QPointF(r * 0.55, r * 0.2));
}

void draw(QPainter& p, int index, const Palette& c)
{
    switch (index) {
    case Employees:
        person(p, QPointF(5, 8.5), 0.8, c.fill.darker(110), c.ink);
        person(p, QPointF(11, 8.5), 0.8, c.fill.darker(110), c.ink);
        person(p, QPointF(8, 10), 1.0, c.fill, c.ink);
        break;
    case Projects:
        document(p, c, true);
        break;
    case Activities:
        document(p, c, false);
        p.setPen(QPen(c.accent, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5.5, 9), QPointF(7.5, 11.5));
        p.drawLine(QPointF(7.5, 11.5), QPointF(11, 6.5));
        break;
    case ProjectActivities:
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.fill);
        p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
        p.setBrush(c.accent);
        p.drawRect(QRectF(2.5, 1.5, 3, 13));
        p.setBrush(c.paper);
        for (qreal y = 3.5; y < 14; y += 3.5)
            p.drawEllipse(QPointF(4, y), 0.9, 0.9);
        break;
    case Timesheets:
        clock(p, c, QPointF(8, 8), 6.5);
        break;
    case Calendar:
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.paper);
        p.drawRect(QRectF(1.5, 2.5, 13, 12));
        p.setBrush(c.accent);
        p.drawRect(QRectF(1.5, 2.5, 13, 3.5));
        p.setPen(QPen(c.ink, 0.8));
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 4; ++k)
                p.drawPoint(QPointF(3.5 + k * 3, 8 + r * 2.4));
        break;
    case Add: {
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.accent);
        QPolygonF pencil { QPointF(3, 13), QPointF(4, 10), QPointF(11.5, 2.5), QPointF(13.5, 4.5), QPointF(6, 12) };
        p.drawPolygon(pencil);
        p.setBrush(c.paper);
        p.drawPolygon(QPolygonF { QPointF(3, 13), QPointF(4, 10), QPointF(6, 12) });
        break;
    }
    case Edit: {
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.fill);
        p.drawRoundedRect(QRectF(2, 7, 7, 7), 2.5, 2.5); // the hand
        p.setBrush(c.accent.darker(120));
        QPolygonF pen { QPointF(6, 10), QPointF(13, 2.5), QPointF(14.5, 4), QPointF(7.5, 11.5) };
        p.drawPolygon(pen);
        p.setPen(QPen(c.accent, 1));
        p.drawLine(QPointF(9, 14.5), QPointF(14.5, 14.5));
        break;
    }
    case Delete: {
        p.save();
        p.translate(8, 8);
        p.rotate(-35);
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.accent);
        p.drawRoundedRect(QRectF(-6, -3, 8, 6), 1, 1);
        p.setBrush(c.paper);
        p.drawRoundedRect(QRectF(2, -3, 4, 6), 1, 1);
        p.restore();
        break;
    }
    case SystemParameters: {
        auto gear = [&](QPointF at, qreal r, int teeth) {
            QPainterPath path;
            for (int i = 0; i < teeth * 2; ++i) {
                const qreal a = M_PI * i / teeth;
                const qreal rr = i % 2 ? r * 0.72 : r;
                const QPointF pt = at + QPointF(qCos(a) * rr, qSin(a) * rr);
                i ? path.lineTo(pt) : path.moveTo(pt);
            }
            path.closeSubpath();
            p.setPen(QPen(c.ink, 0.8));
            p.setBrush(c.fill);
            p.drawPath(path);
            p.setBrush(c.paper);
            p.drawEllipse(at, r * 0.3, r * 0.3);
        };
        gear(QPointF(6, 6.5), 5, 8);
        gear(QPointF(11.5, 11.5), 3.6, 6);
        break;
    }
    case Find:
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.accent);
        p.drawRoundedRect(QRectF(1.5, 5, 5.5, 8), 2, 2);
        p.drawRoundedRect(QRectF(9, 5, 5.5, 8), 2, 2);
        p.drawRect(QRectF(6.5, 6.5, 3, 3));
        p.setBrush(c.paper);
        p.drawEllipse(QPointF(4.25, 11), 1.6, 1.6);
        p.drawEllipse(QPointF(11.75, 11), 1.6, 1.6);
        break;
    case Quit:
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.paper);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.setBrush(c.accent);
        p.drawPolygon(QPolygonF { QPointF(3.5, 1.5), QPointF(9, 3.5), QPointF(9, 15), QPointF(3.5, 14.5) });
        p.setBrush(c.ink);
        p.drawEllipse(QPointF(7.8, 8.5), 0.7, 0.7);
        break;
    case Unused:
    case Help: {
        if (index == Unused) {
            p.setPen(QPen(c.ink, 1));
            p.setBrush(c.accent);
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        }
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(index == Unused ? 11 : 15);
        f.setBold(true);
        p.setFont(f);
        p.setPen(index == Unused ? c.paper : c.accent);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default: break;
    }
}

} // namespace

QPixmap picture(int index, bool coloured, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p, index, paletteFor(coloured, qBound(0, index, int(Count) - 1)));
    return pm;
}

QList<QPixmap> images(bool coloured)
{
    QList<QPixmap> out;
    for (int i = 0; i < Count; ++i)
        out << picture(i, coloured);
    return out;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64 }) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        const Palette c { QColor(30, 40, 70), QColor(255, 230, 120), QColor(200, 60, 40), Qt::white };
        document(p, c, true);
        clock(p, Palette { c.ink, c.fill, QColor(40, 90, 180), QColor(255, 240, 170) }, QPointF(10.5, 10.5), 4.5);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace ImageLists
