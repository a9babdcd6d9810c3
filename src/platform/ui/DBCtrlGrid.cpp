#include "DBCtrlGrid.h"

#include "DBCtrlGridAccessible.h"
#include "DatasetExcursion_p.h"
#include "ErrorReporter.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace qui
{

DBCtrlGrid::DBCtrlGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    DBCtrlGridAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Window);
    verticalScrollBar()->setSingleStep(1);
}

DBCtrlGrid::~DBCtrlGrid() = default;

qdb::Dataset* DBCtrlGrid::dataset() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

void DBCtrlGrid::setDataSource(qdb::DataSource* source)
{
    if (m_source == source)
        return;
    disconnect(m_dataConnection);
    disconnect(m_stateConnection);
    m_source = source;
    if (source) {
        m_dataConnection = connect(source, &qdb::DataSource::dataChange, this, &DBCtrlGrid::dataChange);
        m_stateConnection = connect(source, &qdb::DataSource::stateChange, this, &DBCtrlGrid::sync);
    }
    reload();
}

void DBCtrlGrid::setRowCount(int panels)
{
    m_rowCount = std::max(1, panels);
    m_fixedHeight = 0;
    outdatePanels();
    updateScrollBar();
    ensureVisible(m_current);
    viewport()->update();
}

int DBCtrlGrid::viewHeight() const
{
    // Not the viewport's own height: it is laid out only when the grid is first shown, and
    // windows set the row count from their size before that.
    return maximumViewportSize().height();
}

int DBCtrlGrid::rowCount() const
{
    if (m_fixedHeight > 0)
        return std::max(1, viewHeight() / m_fixedHeight);
    return m_rowCount;
}

void DBCtrlGrid::setPanelHeight(int height)
{
    m_fixedHeight = std::max(1, height);
    outdatePanels();
    updateScrollBar();
    ensureVisible(m_current);
    viewport()->update();
}

int DBCtrlGrid::panelHeight() const
{
    if (m_fixedHeight > 0)
        return m_fixedHeight;
    return std::max(1, viewHeight() / m_rowCount);
}

void DBCtrlGrid::setPaintPanel(PaintPanel paint)
{
    m_paint = std::move(paint);
    forgetPanels();
    viewport()->update();
}

void DBCtrlGrid::setPanelTextFields(const QStringList& fields)
{
    m_textFields = fields;
    forgetPanels();
    updateAccessibleName();
    viewport()->update();
}

void DBCtrlGrid::reload()
{
    m_rowsStale = true;
    sync();
}

bool DBCtrlGrid::isRowVisible(int row) const
{
    return row >= m_top && row < m_top + rowCount() && row < m_count;
}

QRect DBCtrlGrid::panelRect(int row) const
{
    if (!isRowVisible(row))
        return QRect();
    const int h = panelHeight();
    return QRect(0, (row - m_top) * h, viewport()->width(), h);
}

int DBCtrlGrid::rowAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return -1;
    const int row = m_top + point.y() / panelHeight();
    return isRowVisible(row) ? row : -1;
}

void DBCtrlGrid::dataChange(qdb::Field* field)
{
    if (m_reading)
        return;
    if (field) {
        // A field of the record being edited: draw its panel again from the edit buffer.
        forgetPanel(m_current);
        viewport()->update(panelRect(m_current));
        return;
    }
    sync();
}

void DBCtrlGrid::sync()
{
    if (m_reading)
        return;
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active()) {
        m_rowsStale = true;
        if (m_count != 0 || m_current != -1) {
            resetRows(0);
            setCurrent(-1);
        }
        return;
    }
    if (ds->controlsDisabled()) {
        // State changes are signalled even while someone works through the rows: wait for
        // enabling the controls to tell of the moves.
        m_rowsStale = true;
        return;
    }
    if (ds->isEditing()) {
        m_rowsStale = true;
        forgetPanel(m_current);
        viewport()->update(panelRect(m_current));
        return;
    }
    try {
        const int count = ds->recordCount();
        const int current = ds->recNo() - 1;
        if (m_rowsStale || count != m_count || ds->orderGeneration() != m_orderGeneration
            || !currentMatches(current))
            resetRows(count);
        setCurrent(current);
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void DBCtrlGrid::resetRows(int count)
{
    m_count = count;
    m_rowsStale = false;
    if (const qdb::Dataset* ds = dataset())
        m_orderGeneration = ds->orderGeneration();
    m_errorShown = false;
    forgetPanels();
    updateScrollBar();
    updateAccessibleName();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void DBCtrlGrid::setCurrent(int row)
{
    if (row == m_current)
        return;
    const int old = m_current;
    m_current = row;
    // The selection is drawn in the pictures: both panels change.
    viewport()->update(panelRect(old));
    forgetPanel(old);
    forgetPanel(row);
    ensureVisible(row);
    viewport()->update(panelRect(row));
    emit currentRowChanged(row);
    if (QAccessible::isActive() && isRowVisible(row)) {
        QAccessibleEvent event(this, QAccessible::Selection);
        event.setChild(row - m_top);
        QAccessible::updateAccessibility(&event);
    }
}

void DBCtrlGrid::forgetPanels()
{
    m_panels.clear();
}

void DBCtrlGrid::outdatePanels()
{
    // Kept rather than dropped: while the dataset is edited they are the only way to show the
    // other rows.
    for (Panel& panel : m_panels)
        panel.outdated = true;
}

void DBCtrlGrid::forgetPanel(int row)
{
    m_panels.remove(row);
}

void DBCtrlGrid::pruneHidden()
{
    for (auto it = m_panels.begin(); it != m_panels.end();)
        it = isRowVisible(it.key()) ? std::next(it) : m_panels.erase(it);
}

void DBCtrlGrid::updateScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    const int visible = rowCount();
    bar->setPageStep(visible);
    bar->setRange(0, std::max(0, m_count - visible));
    m_top = bar->value();
}

void DBCtrlGrid::ensureVisible(int row)
{
    if (row < 0)
        return;
    const int visible = rowCount();
    if (row < m_top)
        verticalScrollBar()->setValue(row);
    else if (row >= m_top + visible)
        verticalScrollBar()->setValue(row - visible + 1);
}

void DBCtrlGrid::scrollContentsBy(int, int)
{
    m_top = verticalScrollBar()->value();
    pruneHidden();
    viewport()->update();
}

QVector<QVariant> DBCtrlGrid::currentValues() const
{
    QVector<QVariant> values;
    if (const qdb::Dataset* ds = dataset()) {
        values.reserve(ds->fieldCount());
        for (const qdb::Field* f : ds->fields())
            values << f->value();
    }
    return values;
}

bool DBCtrlGrid::currentMatches(int row) const
{
    if (row < 0)
        return m_count == 0;
    const auto it = m_panels.constFind(row);
    return it == m_panels.cend() || it->values == currentValues(); // a row not drawn cannot be compared
}

DBCtrlGrid::Panel DBCtrlGrid::renderCurrent(int row, bool picture)
{
    Panel panel;
    panel.values = currentValues();
    QStringList texts;
    if (const qdb::Dataset* ds = dataset()) {
        if (m_textFields.isEmpty()) {
            for (const qdb::Field* f : ds->fields())
                texts << f->displayText();
        } else {
            for (const QString& name : m_textFields)
                if (const qdb::Field* f = ds->findField(name))
                    texts << f->displayText();
        }
    }
    texts.removeAll(QString());
    panel.text = texts.join(QLatin1Char(' '));
    if (!picture)
        return panel;

    const QSize size(viewport()->width(), panelHeight());
    const qreal ratio = devicePixelRatioF();
    panel.picture = QPixmap(size * ratio);
    panel.picture.setDevicePixelRatio(ratio);
    const bool selected = row == m_current;
    // The selection keeps its colour without the focus: it shows the current record.
    const QPalette pal = palette();
    panel.picture.fill(selected ? pal.color(QPalette::Active, QPalette::Highlight)
                                : pal.color(viewport()->backgroundRole()));
    QPainter painter(&panel.picture);
    painter.setFont(font());
    painter.setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                            : pal.color(QPalette::Active, QPalette::WindowText));
    if (m_paint)
        m_paint(painter, QRect(QPoint(0, 0), size), row, selected);
    return panel;
}

void DBCtrlGrid::renderPanels(const QList<int>& rows)
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || rows.isEmpty())
        return;
    if (ds->isEditing()) {
        // Only the edited record can be read; the others keep their pictures or wait.
        if (ds->state() == qdb::Dataset::State::Edit && rows.contains(m_current))
            m_panels.insert(m_current, renderCurrent(m_current, true));
        return;
    }
    m_reading = true;
    try {
        DatasetExcursion excursion(*ds);
        int at = -1;
        for (int row : rows) {
            if (row == at + 1 && at >= 0)
                ds->next();
            else if (row == 0)
                ds->first();
            else
                ds->setRecNo(row + 1);
            at = row;
            if (ds->eof() && ds->recNo() != row + 1)
                break; // fewer rows than counted: the rows changed and will be read again
            m_panels.insert(row, renderCurrent(row, true));
        }
        excursion.restore();
    } catch (const std::exception& e) {
        if (!m_errorShown) {
            m_errorShown = true;
            reportError(e);
        }
    }
    m_reading = false;
}

void DBCtrlGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    QList<int> missing;
    for (int row = m_top; isRowVisible(row); ++row)
        if (panelRect(row).intersects(area) && (!m_panels.contains(row) || m_panels.value(row).outdated))
            missing << row;
    renderPanels(missing);
    for (int row = m_top; isRowVisible(row); ++row) {
        const QRect r = panelRect(row);
        if (!r.intersects(area))
            continue;
        const auto it = m_panels.constFind(row);
        if (it != m_panels.cend())
            painter.drawPixmap(r.topLeft(), it->picture);
    }
}

QString DBCtrlGrid::panelText(int row)
{
    if (!isRowVisible(row))
        return QString();
    auto it = m_panels.constFind(row);
    if (it != m_panels.cend())
        return it->text;
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active())
        return QString();
    if (row == m_current)
        return renderCurrent(row, false).text;
    if (ds->isEditing())
        return QString();
    QString text;
    m_reading = true;
    try {
        DatasetExcursion excursion(*ds);
        ds->setRecNo(row + 1);
        text = renderCurrent(row, false).text;
        excursion.restore();
    } catch (const std::exception& e) {
        reportError(e);
    }
    m_reading = false;
    return text;
}

void DBCtrlGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    outdatePanels();
    updateScrollBar();
    ensureVisible(m_current);
}

void DBCtrlGrid::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange
        || event->type() == QEvent::StyleChange) {
        outdatePanels();
        viewport()->update();
    }
}

bool DBCtrlGrid::setCurrentRow(int row)
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || row < 0 || row >= m_count)
        return false;
    if (row == m_current)
        return true;
    try {
        ds->setRecNo(row + 1);
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
    return true;
}

void DBCtrlGrid::move(const std::function<void(qdb::Dataset&)>& how)
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active())
        return;
    try {
        how(*ds);
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void DBCtrlGrid::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        setCurrentRow(row);
    event->accept();
}

void DBCtrlGrid::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void DBCtrlGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press before it normally selected the panel already; a refused move ends here.
    const int row = rowAt(event->position().toPoint());
    if (row >= 0 && setCurrentRow(row) && row == m_current)
        emit doubleClicked();
    event->accept();
}

void DBCtrlGrid::keyPressEvent(QKeyEvent* event)
{
    const int page = rowCount();
    switch (event->key()) {
    case Qt::Key_Up:
        move([](qdb::Dataset& ds) { ds.prior(); });
        break;
    case Qt::Key_Down:
        move([](qdb::Dataset& ds) { ds.next(); });
        break;
    case Qt::Key_PageUp:
        move([page](qdb::Dataset& ds) { ds.moveBy(-page); });
        break;
    case Qt::Key_PageDown:
        move([page](qdb::Dataset& ds) { ds.moveBy(page); });
        break;
    case Qt::Key_Home:
        move([](qdb::Dataset& ds) { ds.first(); });
        break;
    case Qt::Key_End:
        move([](qdb::Dataset& ds) { ds.last(); });
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void DBCtrlGrid::updateAccessibleName()
{
    if (!accessibleName().isEmpty() && accessibleName() != m_autoName)
        return;
    QStringList labels;
    if (const qdb::Dataset* ds = dataset(); ds && ds->active())
        for (const QString& name : m_textFields)
            if (const qdb::Field* f = ds->findField(name))
                labels << f->displayLabel();
    m_autoName = labels.join(QStringLiteral(", "));
    setAccessibleName(m_autoName);
}

qdb::DataSource* DBCtrlGrid::dataSource() const
{
    return m_source;
}

} // namespace qui
