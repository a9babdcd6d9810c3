#pragma once

// Pieces the export writers share: the temporary output file, text lines found by position,
// line breaking of memos, and the cell table of the spreadsheet-like writers.

#include "ExportWriter.h"
#include "PreparedPage.h"

#include <QByteArray>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace qrep::detail {

// The output file: written beside the target under a temporary name and renamed over it by
// commit(). Destroying it uncommitted removes the temporary file and leaves the target alone.
class OutputFile {
public:
    void open(const QString& fileName); // throws ExportError
    QIODevice* device() { return m_file.get(); }
    void write(const QByteArray& bytes); // throws ExportError
    void commit();                       // throws ExportError
    void discard();
    bool isOpen() const { return m_file != nullptr; }

private:
    [[noreturn]] void fail(const QString& cause) const;
    std::unique_ptr<QSaveFile> m_file;
    QString m_name;
};

// The text items of a page grouped into lines: items whose vertical centres lie within half an
// item height of each other share a line. Lines run top to bottom, items left to right.
struct TextLine {
    double top = 0;    // mm, the highest top of its items
    double bottom = 0; // mm, the lowest bottom
    QList<const PageItem*> items;
};
QList<TextLine> textLines(const PreparedPage& page);

// The lines a text item shows: its own line breaks, and for a memo (wordWrap) the breaks that
// fit its width in its font, measured as the page view draws it.
QStringList displayedLines(const PageItem& item);

// Point size of a text item's font (a pixel-sized font counts at 96 dpi).
double pointSize(const QFont& font);

// The texts of a whole report as rows and columns: one row per text line, in page order; one
// column per distinct left edge of a text item (edges within 1 mm are one column), so the same
// report element lands in the same column on every row and page. Used by the CSV and Excel writers,
// which need every page before they can number the columns.
class CellTable {
public:
    struct Cell {
        int row = 0;
        double left = 0; // mm
        QString text;
        std::optional<double> number;
        bool bold = false;
    };

    void addPage(const PreparedPage& page);
    // Column of a left edge, from 0; valid after all pages were added.
    int column(double left) const;
    int rowCount() const { return m_rows; }
    int columnCount() const;
    // Cells in row order, left to right; two items of one row in one column are joined by a blank.
    QList<Cell> cells() const;

private:
    void buildColumns() const;
    QList<Cell> m_cells;
    int m_rows = 0;
    mutable QList<double> m_columns; // left edge of each column, ascending
    mutable bool m_columnsBuilt = false;
};

} // namespace qrep::detail
