#include "RtfWriter.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace qrep {

namespace {

int twips(double mm)
{
    return int(std::lround(mm * 1440.0 / 25.4));
}

QByteArray num(int v)
{
    return QByteArray::number(v);
}

// A block of a page in top-to-bottom order: a text line or a rule.
struct Block {
    double top = 0;
    const detail::TextLine* line = nullptr;
    double x1 = 0, x2 = 0, penMm = 0; // rule
    QColor color;
};

double lineSpacingMm(const QFont& font)
{
    QFont f = font;
    f.setPixelSize(std::max(1, int(std::lround(detail::pointSize(font) * 25.4 / 72.0 * 10))));
    return QFontMetricsF(f).lineSpacing() / 10.0;
}

} // namespace

QByteArray RtfWriter::escaped(const QString& text)
{
    QByteArray out;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\line ";
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == '\r') {
            continue;
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else {
            out += "\\u" + num(qint16(u)) + '?';
        }
    }
    return out;
}

int RtfWriter::fontIndex(const QString& family)
{
    int i = int(m_fonts.indexOf(family));
    if (i < 0) {
        i = int(m_fonts.size());
        m_fonts << family;
    }
    return i;
}

int RtfWriter::colorIndex(const QColor& color)
{
    int i = int(m_colors.indexOf(color));
    if (i < 0) {
        i = int(m_colors.size());
        m_colors << color;
    }
    return i + 1; // entry 0 of the colour table is the automatic colour
}

void RtfWriter::doBegin()
{
    m_body.clear();
    m_fonts = {QStringLiteral("Arial")};
    m_colors = {QColor(Qt::black)};
    m_paper = {};
    m_out.open(fileName());
}

void RtfWriter::doWritePage(const PreparedPage& page, int pageNumber)
{
    if (pageNumber == 1)
        m_paper = page.sizeMm;
    const double pageWidth = m_paper.width();

    const QList<detail::TextLine> lines = detail::textLines(page);
    QList<Block> blocks;
    for (const detail::TextLine& line : lines)
        blocks.append(Block{line.top, &line, 0, 0, 0, QColor()});
    auto addRule = [&](double y, double x1, double x2, double pen, const QColor& color) {
        blocks.append(Block{y, nullptr, std::min(x1, x2), std::max(x1, x2), pen, color});
    };
    for (const PageItem& item : page.items) {
        const QRectF r = item.rect.normalized();
        if (item.kind == PageItem::Kind::Line && std::abs(item.rect.height()) < 0.01)
            addRule(r.top(), r.left(), r.right(), item.penWidthMm, item.color);
        else if (item.kind == PageItem::Kind::Rect) {
            addRule(r.top(), r.left(), r.right(), item.penWidthMm, item.color);
            addRule(r.bottom(), r.left(), r.right(), item.penWidthMm, item.color);
        }
    }
    std::stable_sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.top < b.top; });

    QByteArray& out = m_body;
    // The first paragraph of every page after the first starts a new page.
    bool newPage = pageNumber > 1;
    auto pard = [&]() -> QByteArray {
        const bool breakBefore = newPage;
        newPage = false;
        return breakBefore ? "\\pard\\plain\\pagebb" : "\\pard\\plain";
    };
    // The cursor: how far down the page the paragraphs so far reach, in twips.
    int cursor = 0;
    bool first = true;
    auto spaceBefore = [&](int top) {
        int gap = std::max(0, top - cursor);
        if (first && gap > 0) {
            // A spacer paragraph of exact height: a space before at the top of a page may be
            // dropped by a word processor, an empty paragraph is not.
            out += pard() + "\\sl-" + num(gap) + "\\slmult0\\fs2\\par\n";
            cursor += gap;
            gap = 0;
        }
        first = false;
        return gap;
    };

    for (const Block& b : blocks) {
        if (!b.line) {
            const int top = twips(b.top) - 20; // the border is drawn under a 1-point paragraph
            const int gap = spaceBefore(std::max(0, top));
            const int pen = std::clamp(twips(b.penMm), 1, 75);
            out += pard() + "\\sb" + num(gap) + "\\sl-20\\slmult0\\li" + num(twips(b.x1)) + "\\ri"
                + num(std::max(0, twips(pageWidth - b.x2))) + "\\brdrb\\brdrs\\brdrw" + num(pen) + "\\brdrcf"
                + num(colorIndex(b.color)) + "\\fs2\\par\n";
            cursor = std::max(cursor, top) + 20 + pen;
            continue;
        }
        const detail::TextLine& line = *b.line;
        const int top = twips(line.top);
        const int gap = spaceBefore(top);

        // A memo alone on its line wraps in a paragraph indented to its column.
        if (line.items.size() == 1 && line.items.first()->wordWrap) {
            const PageItem& item = *line.items.first();
            const double lineMm = lineSpacingMm(item.font);
            const Qt::Alignment h = item.alignment & Qt::AlignHorizontal_Mask;
            out += pard() + "\\sb" + num(gap) + "\\sl-" + num(twips(lineMm)) + "\\slmult0\\li"
                + num(twips(item.rect.left())) + "\\ri" + num(std::max(0, twips(pageWidth - item.rect.right())))
                + ((h & Qt::AlignRight) ? "\\qr" : (h & Qt::AlignHCenter) ? "\\qc" : "\\ql");
            out += "{\\f" + num(fontIndex(item.font.family())) + "\\fs" + num(int(std::lround(detail::pointSize(item.font) * 2)))
                + (item.font.bold() ? "\\b" : "") + (item.font.italic() ? "\\i" : "") + "\\cf" + num(colorIndex(item.color)) + ' '
                + escaped(item.text) + "}\\par\n";
            const int shown = int(detail::displayedLines(item).size());
            cursor = std::max(cursor, top) + std::max(twips(line.bottom - line.top), shown * twips(lineMm));
            continue;
        }

        struct Stop {
            int pos;
            QByteArray kind;
            const PageItem* item;
        };
        QList<Stop> stops;
        double height = 0;
        for (const PageItem* item : line.items) {
            const Qt::Alignment h = item->alignment & Qt::AlignHorizontal_Mask;
            if (h & Qt::AlignRight)
                stops.append(Stop{twips(item->rect.right()), "\\tqr", item});
            else if (h & Qt::AlignHCenter)
                stops.append(Stop{twips(item->rect.center().x()), "\\tqc", item});
            else
                stops.append(Stop{twips(item->rect.left()), QByteArray(), item});
            height = std::max(height, std::max(item->rect.height(), lineSpacingMm(item->font)));
        }
        std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.pos < b.pos; });
        const int lineTwips = twips(height);
        out += pard() + "\\sb" + num(gap) + "\\sl-" + num(lineTwips) + "\\slmult0\\ql";
        for (const Stop& s : stops)
            if (s.pos > 0)
                out += s.kind + "\\tx" + num(s.pos);
        out += ' ';
        for (const Stop& s : stops) {
            const PageItem& item = *s.item;
            if (s.pos > 0)
                out += "\\tab";
            QString text = item.text;
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += "{\\f" + num(fontIndex(item.font.family())) + "\\fs" + num(int(std::lround(detail::pointSize(item.font) * 2)))
                + (item.font.bold() ? "\\b" : "") + (item.font.italic() ? "\\i" : "") + "\\cf" + num(colorIndex(item.color)) + ' '
                + escaped(text) + '}';
        }
        out += "\\par\n";
        cursor = std::max(cursor, top) + lineTwips;
    }
    if (newPage) // a page without anything on it
        out += pard() + "\\fs2\\par\n";
}

void RtfWriter::doEnd()
{
    if (m_paper.isEmpty())
        m_paper = PreparedPage{}.sizeMm;
    QByteArray head = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        head += "{\\f" + num(i) + "\\fswiss " + escaped(m_fonts[i]) + ";}";
    head += "}\n{\\colortbl;";
    for (const QColor& c : m_colors)
        head += "\\red" + num(c.red()) + "\\green" + num(c.green()) + "\\blue" + num(c.blue()) + ';';
    head += "}\n{\\info{\\title " + escaped(title()) + "}}\n";
    head += "\\paperw" + num(twips(m_paper.width())) + "\\paperh" + num(twips(m_paper.height()))
        + "\\margl0\\margr0\\margt0\\margb0\\widowctrl0\n";
    m_out.write(head + m_body + "}\n");
    m_out.commit();
    m_body.clear();
}

void RtfWriter::doAbort()
{
    m_body.clear();
    m_out.discard();
}

} // namespace qrep
