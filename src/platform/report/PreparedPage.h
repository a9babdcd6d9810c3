#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;

namespace qrep {

// One produced item of a page. Positions are millimetres from the page's top-left corner, so
// that the page view, the printer and every export writer place the same item at the same spot.
struct PageItem {
    enum class Kind { Text, Line, Rect };

    Kind kind = Kind::Text;
    QRectF rect;                  // Line: from rect.topLeft() to rect.bottomRight()
    QString text;                 // Text: as printed (already formatted)
    QFont font;                   // Text: family, point size, weight, italics
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = false;        // Text: a memo that grew downwards
    std::optional<double> number; // Text printed from a numeric value, for writers that keep numbers
    double penWidthMm = 0.2;      // Line, Rect
    QColor color = Qt::black;

    friend bool operator==(const PageItem &, const PageItem &) = default;
};

struct PreparedPage {
    QSizeF sizeMm{215.9, 279.4}; // Letter, portrait
    QList<PageItem> items;

    friend bool operator==(const PreparedPage &, const PreparedPage &) = default;
};

// Paints a page with the painter's device scaled so that one unit is `pixelsPerMm` device pixels.
void paintPage(QPainter &painter, const PreparedPage &page, double pixelsPerMm);

} // namespace qrep
