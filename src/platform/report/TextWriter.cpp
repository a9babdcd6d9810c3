#include "TextWriter.h"

#include <algorithm>
#include <cmath>

namespace qrep {

namespace {

struct Placed {
    int start = 0;
    QString text;
};

void put(QString& row, int start, const QString& text)
{
    if (row.size() < start + text.size())
        row.append(QString(start + text.size() - row.size(), QLatin1Char(' ')));
    row.replace(start, text.size(), text);
}

} // namespace

QStringList TextWriter::pageRows(const PreparedPage& page)
{
    QStringList rows;
    int nextFree = 0;
    for (const detail::TextLine& line : detail::textLines(page)) {
        const int firstRow = std::max(nextFree, int(std::lround(line.top / rowHeightMm)));
        int rowsUsed = 1;
        // Each displayed line of the items, by row offset.
        QList<QList<Placed>> placed;
        for (const PageItem* item : line.items) {
            const QStringList parts = detail::displayedLines(*item);
            rowsUsed = std::max(rowsUsed, int(parts.size()));
            if (placed.size() < parts.size())
                placed.resize(parts.size());
            const Qt::Alignment h = item->alignment & Qt::AlignHorizontal_Mask;
            for (int i = 0; i < parts.size(); ++i) {
                const QString& t = parts[i];
                int start;
                if (h & Qt::AlignRight)
                    start = int(std::lround(item->rect.right() / columnWidthMm)) - int(t.size());
                else if (h & Qt::AlignHCenter)
                    start = int(std::lround(item->rect.center().x() / columnWidthMm)) - int(t.size()) / 2;
                else
                    start = int(std::lround(item->rect.left() / columnWidthMm));
                placed[i].append(Placed{std::max(0, start), t});
            }
        }
        while (rows.size() < firstRow + rowsUsed)
            rows << QString();
        for (int i = 0; i < placed.size(); ++i) {
            QList<Placed>& parts = placed[i];
            std::stable_sort(parts.begin(), parts.end(), [](const Placed& a, const Placed& b) { return a.start < b.start; });
            QString& row = rows[firstRow + i];
            int cursor = 0;
            for (const Placed& p : parts) {
                const int start = std::max(p.start, cursor);
                put(row, start, p.text);
                cursor = start + int(p.text.size()) + 1;
            }
        }
        nextFree = firstRow + rowsUsed;
    }
    for (QString& row : rows) {
        while (row.endsWith(QLatin1Char(' ')))
            row.chop(1);
    }
    return rows;
}

void TextWriter::doBegin()
{
    m_out.open(fileName());
}

void TextWriter::doWritePage(const PreparedPage& page, int pageNumber)
{
    QByteArray bytes;
    if (pageNumber > 1)
        bytes += "\f\n";
    for (const QString& row : pageRows(page))
        bytes += row.toUtf8() + '\n';
    m_out.write(bytes);
}

void TextWriter::doEnd()
{
    m_out.commit();
}

void TextWriter::doAbort()
{
    m_out.discard();
}

} // namespace qrep
