#include "CsvWriter.h"

namespace qrep {

QString CsvWriter::quoted(const QString& field)
{
    const bool needs = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
        || field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))
        || field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
    if (!needs)
        return field;
    QString out = field;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

void CsvWriter::doBegin()
{
    m_table = {};
    m_out.open(fileName());
}

void CsvWriter::doWritePage(const PreparedPage& page, int)
{
    m_table.addPage(page);
}

void CsvWriter::doEnd()
{
    const int columns = m_table.columnCount();
    QByteArray bytes("\xEF\xBB\xBF");
    QStringList record(columns);
    int row = 0;
    auto flush = [&] {
        bytes += record.join(QLatin1Char(',')).toUtf8() + "\r\n";
        record = QStringList(columns);
    };
    for (const detail::CellTable::Cell& c : m_table.cells()) {
        while (row < c.row) {
            flush();
            ++row;
        }
        record[m_table.column(c.left)] = quoted(c.text);
    }
    if (m_table.rowCount() > 0)
        flush();
    m_out.write(bytes);
    m_out.commit();
}

void CsvWriter::doAbort()
{
    m_out.discard();
}

} // namespace qrep
