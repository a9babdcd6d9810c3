#include "PreparedPage.h"

#include <QPainter>

namespace qrep {

void paintPage(QPainter &painter, const PreparedPage &page, double pixelsPerMm)
{
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const PageItem &item : page.items) {
        const QRectF r(item.rect.x() * pixelsPerMm, item.rect.y() * pixelsPerMm,
                       item.rect.width() * pixelsPerMm, item.rect.height() * pixelsPerMm);
        switch (item.kind) {
        case PageItem::Kind::Text: {
            QFont f = item.font;
            // Point sizes are 1/72 inch; scale them to the device like the geometry.
            f.setPixelSize(qMax(1, qRound(item.font.pointSizeF() * 25.4 / 72.0 * pixelsPerMm)));
            painter.setFont(f);
            painter.setPen(item.color);
            int flags = int(item.alignment);
            if (item.wordWrap)
                flags |= Qt::TextWordWrap;
            painter.drawText(r, flags, item.text);
            break;
        }
        case PageItem::Kind::Line:
            painter.setPen(QPen(item.color, qMax(1.0, item.penWidthMm * pixelsPerMm)));
            painter.drawLine(r.topLeft(), r.bottomRight());
            break;
        case PageItem::Kind::Rect:
            painter.setPen(QPen(item.color, qMax(1.0, item.penWidthMm * pixelsPerMm)));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r);
            break;
        }
    }
    painter.restore();
}

} // namespace qrep
