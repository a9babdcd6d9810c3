#include "HtmlWriter.h"

namespace qrep {

namespace {

QString mm(double v)
{
    return QString::number(v, 'f', 2) + QStringLiteral("mm");
}

QString colour(const QColor& c)
{
    return c.name(QColor::HexRgb);
}

} // namespace

void HtmlWriter::doBegin()
{
    m_out.open(fileName());
    const QString head = QStringLiteral(
        "<!DOCTYPE html>\n"
        "<html>\n<head>\n<meta charset=\"utf-8\"/>\n<title>%1</title>\n"
        "<style>\n"
        "body { margin: 0; padding: 5mm 0; }\n"
        "div.page { position: relative; margin: 0 auto 5mm auto; overflow: hidden; border: 1px solid #c0c0c0; }\n"
        "div.page > div { position: absolute; white-space: pre; line-height: 1.15; }\n"
        "div.page > div.memo { white-space: pre-wrap; }\n"
        "@media print { body { padding: 0; } div.page { margin: 0; border: none; page-break-after: always; } }\n"
        "</style>\n</head>\n<body>\n")
                             .arg(title().toHtmlEscaped());
    m_out.write(head.toUtf8());
}

void HtmlWriter::doWritePage(const PreparedPage& page, int pageNumber)
{
    QString html = QStringLiteral("<div class=\"page\" id=\"page%1\" style=\"width: %2; height: %3;\">\n")
                       .arg(pageNumber)
                       .arg(mm(page.sizeMm.width()), mm(page.sizeMm.height()));
    for (const PageItem& item : page.items) {
        const QRectF& r = item.rect;
        switch (item.kind) {
        case PageItem::Kind::Text: {
            const Qt::Alignment h = item.alignment & Qt::AlignHorizontal_Mask;
            const QString align = (h & Qt::AlignRight) ? QStringLiteral("right")
                : (h & Qt::AlignHCenter)               ? QStringLiteral("center")
                                                       : QStringLiteral("left");
            QString style = QStringLiteral("left: %1; top: %2; width: %3; height: %4; font-family: '%5'; font-size: %6pt; text-align: %7;")
                                .arg(mm(r.left()), mm(r.top()), mm(r.width()), mm(r.height()),
                                    item.font.family().toHtmlEscaped(),
                                    QString::number(detail::pointSize(item.font), 'f', 1), align);
            if (item.font.bold())
                style += QStringLiteral(" font-weight: bold;");
            if (item.font.italic())
                style += QStringLiteral(" font-style: italic;");
            if (item.color != QColor(Qt::black))
                style += QStringLiteral(" color: %1;").arg(colour(item.color));
            if (!item.wordWrap)
                style += QStringLiteral(" overflow: visible;");
            html += QStringLiteral("<div%1 style=\"%2\"%3>%4</div>\n")
                        .arg(item.wordWrap ? QStringLiteral(" class=\"memo\"") : QString(), style,
                            item.number ? QStringLiteral(" data-value=\"%1\"").arg(QString::number(*item.number, 'g', 15)) : QString(),
                            item.text.toHtmlEscaped());
            break;
        }
        case PageItem::Kind::Line: {
            // A rule is a box whose one border is the line; only horizontal and vertical rules occur.
            const double w = std::max(item.penWidthMm, 0.1);
            const bool vertical = std::abs(r.width()) < std::abs(r.height());
            const QRectF n = r.normalized();
            html += vertical
                ? QStringLiteral("<div style=\"left: %1; top: %2; width: 0; height: %3; border-left: %4 solid %5;\"></div>\n")
                      .arg(mm(n.left() - w / 2), mm(n.top()), mm(n.height()), mm(w), colour(item.color))
                : QStringLiteral("<div style=\"left: %1; top: %2; width: %3; height: 0; border-top: %4 solid %5;\"></div>\n")
                      .arg(mm(n.left()), mm(n.top() - w / 2), mm(n.width()), mm(w), colour(item.color));
            break;
        }
        case PageItem::Kind::Rect: {
            const double w = std::max(item.penWidthMm, 0.1);
            html += QStringLiteral("<div style=\"left: %1; top: %2; width: %3; height: %4; border: %5 solid %6; box-sizing: border-box;\"></div>\n")
                        .arg(mm(r.left()), mm(r.top()), mm(r.width()), mm(r.height()), mm(w), colour(item.color));
            break;
        }
        }
    }
    html += QStringLiteral("</div>\n");
    m_out.write(html.toUtf8());
}

void HtmlWriter::doEnd()
{
    m_out.write("</body>\n</html>\n");
    m_out.commit();
}

void HtmlWriter::doAbort()
{
    m_out.discard();
}

} // namespace qrep
