#include "WriterSupport_p.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace qrep::detail {

void OutputFile::open(const QString& fileName)
{
    m_name = fileName;
    m_file = std::make_unique<QSaveFile>(fileName);
    // Without direct-write fallback a folder that refuses a temporary file fails here instead
    // of writing the target in place.
    m_file->setDirectWriteFallback(false);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString cause = m_file->errorString();
        m_file.reset();
        fail(cause);
    }
}

void OutputFile::write(const QByteArray& bytes)
{
    if (!m_file)
        fail(QStringLiteral("the file is not open"));
    if (m_file->write(bytes) != bytes.size())
        fail(m_file->errorString());
}

void OutputFile::commit()
{
    if (!m_file)
        fail(QStringLiteral("the file is not open"));
    const bool ok = m_file->commit();
    const QString cause = m_file->errorString();
    m_file.reset();
    if (!ok)
        fail(cause);
}

void OutputFile::discard()
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset(); // QSaveFile removes its temporary file
}

void OutputFile::fail(const QString& cause) const
{
    throw ExportError(QStringLiteral("Unable to write %1: %2").arg(QFileInfo(m_name).fileName(), cause));
}

QList<TextLine> textLines(const PreparedPage& page)
{
    QList<const PageItem*> texts;
    for (const PageItem& item : page.items)
        if (item.kind == PageItem::Kind::Text && !item.text.isEmpty())
            texts << &item;
    std::stable_sort(texts.begin(), texts.end(),
        [](const PageItem* a, const PageItem* b) { return a->rect.center().y() < b->rect.center().y(); });

    QList<TextLine> lines;
    for (const PageItem* item : texts) {
        const double cy = item->rect.center().y();
        if (!lines.isEmpty()) {
            TextLine& line = lines.last();
            const PageItem* first = line.items.first();
            const double tolerance = std::min(first->rect.height(), item->rect.height()) / 2.0;
            if (std::abs(first->rect.center().y() - cy) < tolerance) {
                line.items << item;
                line.top = std::min(line.top, item->rect.top());
                line.bottom = std::max(line.bottom, item->rect.bottom());
                continue;
            }
        }
        lines.append(TextLine{item->rect.top(), item->rect.bottom(), {item}});
    }
    for (TextLine& line : lines)
        std::stable_sort(line.items.begin(), line.items.end(),
            [](const PageItem* a, const PageItem* b) { return a->rect.left() < b->rect.left(); });
    return lines;
}

double pointSize(const QFont& font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72.0 / 96.0;
    return 10.0;
}

QStringList displayedLines(const PageItem& item)
{
    QString text = item.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    if (!item.wordWrap)
        return paragraphs;

    // Measure at 10 units per millimetre, as paintPage scales the font to the device.
    constexpr double unitsPerMm = 10.0;
    QFont font = item.font;
    font.setPixelSize(std::max(1, int(std::lround(pointSize(item.font) * 25.4 / 72.0 * unitsPerMm))));
    const double width = item.rect.width() * unitsPerMm;
    QStringList out;
    for (const QString& paragraph : paragraphs) {
        if (paragraph.isEmpty()) {
            out << QString();
            continue;
        }
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (part.endsWith(QLatin1Char(' ')))
                part.chop(1);
            out << part;
        }
        layout.endLayout();
    }
    return out;
}

void CellTable::addPage(const PreparedPage& page)
{
    for (const TextLine& line : textLines(page)) {
        for (const PageItem* item : line.items)
            m_cells.append(Cell{m_rows, item->rect.left(), item->text, item->number, item->font.bold()});
        ++m_rows;
    }
    m_columnsBuilt = false;
}

void CellTable::buildColumns() const
{
    if (m_columnsBuilt)
        return;
    QList<double> lefts;
    for (const Cell& c : m_cells)
        lefts << c.left;
    std::sort(lefts.begin(), lefts.end());
    m_columns.clear();
    for (double left : lefts)
        if (m_columns.isEmpty() || left - m_columns.last() > 1.0)
            m_columns << left;
    m_columnsBuilt = true;
}

int CellTable::column(double left) const
{
    buildColumns();
    // The last column whose edge is at or left of this one (within the 1 mm of its group).
    auto it = std::upper_bound(m_columns.cbegin(), m_columns.cend(), left + 1e-9);
    return std::max(0, int(it - m_columns.cbegin()) - 1);
}

int CellTable::columnCount() const
{
    buildColumns();
    return int(m_columns.size());
}

QList<CellTable::Cell> CellTable::cells() const
{
    QList<Cell> out;
    int lastColumn = -1;
    for (const Cell& c : m_cells) {
        const int col = column(c.left);
        if (!out.isEmpty() && out.last().row == c.row && lastColumn == col) {
            Cell& prev = out.last();
            prev.text += QLatin1Char(' ') + c.text;
            prev.number.reset();
            continue;
        }
        out << c;
        out.last().left = m_columns.value(col, c.left);
        lastColumn = col;
    }
    return out;
}

} // namespace qrep::detail
