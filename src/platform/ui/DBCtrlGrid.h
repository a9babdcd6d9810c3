#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

namespace qdb
{
class DataSource;
class Dataset;
class Field;
}

namespace qui
{

// A scrolling column of record panels, one per row of a data source's dataset; the panel of the
// current record is selected (highlight colour, no focus frame). Each panel is drawn by the
// paint hook, called with the dataset positioned on the panel's row (controls disabled, the
// current record restored afterwards), so the hook reads the row's fields directly.
//
// Only visible panels are drawn and only their rows read; a drawn panel is kept as a picture
// until its row, the selection, the size or the rows change, so uncovering the window reads
// nothing. While the dataset is in edit or insert state rows cannot be read (moving would post):
// the kept pictures are shown, and the edited record is drawn from its edit buffer.
//
// Clicking a panel makes its record current; Up, Down, Page Up, Page Down, Home and End move the
// dataset; other keys (Enter...) are left to the window. A refused move is reported.
class DBCtrlGrid : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // rect is the panel's own rectangle (origin at its top left); the pen is already the text
    // colour for the selection state.
    using PaintPanel = std::function<void(QPainter& painter, const QRect& rect, int row, bool selected)>;

    explicit DBCtrlGrid(QWidget* parent = nullptr);
    ~DBCtrlGrid() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    qdb::Dataset* dataset() const;

    // Panels shown at once; the panel height is then the height divided by this count.
    void setRowCount(int panels);
    int rowCount() const;
    // Or a fixed panel height; the row count is then as many as fit.
    void setPanelHeight(int height);
    int panelHeight() const;

    void setPaintPanel(PaintPanel paint);
    // Fields whose display texts, joined by blanks, are a panel's text for assistive tools; all
    // fields when none are given. Their labels name the grid.
    void setPanelTextFields(const QStringList& fields);
    const QStringList& panelTextFields() const { return m_textFields; }

    // As last read: rows of the dataset, current row (-1 when none), first visible row.
    int recordCount() const { return m_count; }
    int currentRow() const { return m_current; }
    int topRow() const { return m_top; }
    // Moves the dataset to a row; false (reported) when refused.
    bool setCurrentRow(int row);
    // Viewport rectangle of a visible row's panel, empty otherwise; row under a viewport point.
    QRect panelRect(int row) const;
    int rowAt(const QPoint& point) const;
    bool isRowVisible(int row) const;
    // A panel's text (reads a visible row not yet drawn; empty for rows out of sight).
    QString panelText(int row);
    // Reads the rows again (after a refresh of the dataset that kept its row count).
    void reload();

signals:
    void currentRowChanged(int row);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    struct Panel {
        QPixmap picture;
        QString text;
        QVector<QVariant> values; // the row as drawn: tells whether the current record changed
        bool outdated = false; // drawn for another size or palette: drawn again when rows can be read
    };

    int viewHeight() const;
    void sync();
    void dataChange(qdb::Field* field);
    void resetRows(int count);
    void setCurrent(int row);
    void forgetPanels();
    void outdatePanels();
    void forgetPanel(int row);
    void pruneHidden();
    void updateScrollBar();
    void ensureVisible(int row);
    void renderPanels(const QList<int>& rows);
    Panel renderCurrent(int row, bool picture);
    QVector<QVariant> currentValues() const;
    bool currentMatches(int row) const;
    void move(const std::function<void(qdb::Dataset&)>& how);
    void updateAccessibleName();

    QPointer<qdb::DataSource> m_source;
    QMetaObject::Connection m_dataConnection, m_stateConnection;
    PaintPanel m_paint;
    QStringList m_textFields;
    int m_rowCount = 1;
    int m_fixedHeight = 0; // 0: the height follows the row count

    int m_count = 0;
    int m_current = -1;
    int m_top = 0;
    bool m_rowsStale = true;
    quint64 m_orderGeneration = 0; // the dataset's order the rows were read in
    bool m_reading = false;
    bool m_errorShown = false; // a drawing error is reported once per set of rows
    QHash<int, Panel> m_panels; // drawn rows still visible
    QString m_autoName;
};

} // namespace qui
