#include "DBCtrlGridAccessible.h"

#include "DBCtrlGrid.h"
#include "DBCtrlGridPanelAccessible.h"

#include <QWidget>

namespace qui
{

namespace
{

    QAccessibleInterface* factory(const QString& className, QObject* object)
    {
        if (className == QLatin1String(DBCtrlGrid::staticMetaObject.className()) && object
            && object->isWidgetType())
            return new DBCtrlGridAccessible(static_cast<DBCtrlGrid*>(object));
        return nullptr;
    }

} // namespace

DBCtrlGridAccessible::DBCtrlGridAccessible(DBCtrlGrid* grid)
    : QAccessibleWidget(grid, QAccessible::List)
{
}

DBCtrlGridAccessible::~DBCtrlGridAccessible()
{
    // Panel interfaces have no object of their own: nobody else deletes them.
    for (QAccessible::Id id : std::as_const(m_panels))
        QAccessible::deleteAccessibleInterface(id);
}

void DBCtrlGridAccessible::install()
{
    static const bool installed = []() {
        QAccessible::installFactory(&factory);
        return true;
    }();
    Q_UNUSED(installed);
}

DBCtrlGrid* DBCtrlGridAccessible::grid() const
{
    return static_cast<DBCtrlGrid*>(widget());
}

int DBCtrlGridAccessible::childCount() const
{
    const DBCtrlGrid* g = grid();
    return std::clamp(g->recordCount() - g->topRow(), 0, g->rowCount());
}

QAccessibleInterface* DBCtrlGridAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    const int row = grid()->topRow() + index;
    if (const auto it = m_panels.constFind(row); it != m_panels.cend())
        return QAccessible::accessibleInterface(*it);
    if (m_panels.size() > 4 * grid()->rowCount()) {
        // Scrolled far: drop the panels out of sight rather than keep one per row ever seen.
        for (auto it = m_panels.begin(); it != m_panels.end();) {
            if (grid()->isRowVisible(it.key())) {
                ++it;
            } else {
                QAccessible::deleteAccessibleInterface(*it);
                it = m_panels.erase(it);
            }
        }
    }
    auto* panel = new DBCtrlGridPanelAccessible(grid(), row);
    m_panels.insert(row, QAccessible::registerAccessibleInterface(panel));
    return panel;
}

int DBCtrlGridAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* panel = dynamic_cast<const DBCtrlGridPanelAccessible*>(child);
    if (!panel || !grid()->isRowVisible(panel->row()))
        return -1;
    return panel->row() - grid()->topRow();
}

QAccessibleInterface* DBCtrlGridAccessible::childAt(int x, int y) const
{
    const QPoint local = grid()->viewport()->mapFromGlobal(QPoint(x, y));
    const int row = grid()->rowAt(local);
    return row < 0 ? nullptr : child(row - grid()->topRow());
}

QAccessible::State DBCtrlGridAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = true;
    return s;
}

} // namespace qui
