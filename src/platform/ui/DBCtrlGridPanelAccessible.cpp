#include "DBCtrlGridPanelAccessible.h"

#include "DBCtrlGrid.h"

#include <QAccessible>
#include <QWidget>

namespace qui
{

DBCtrlGridPanelAccessible::DBCtrlGridPanelAccessible(DBCtrlGrid* grid, int row)
    : m_grid(grid)
    , m_row(row)
{
}

bool DBCtrlGridPanelAccessible::isValid() const
{
    return m_grid && m_row >= 0 && m_row < m_grid->recordCount();
}

QWindow* DBCtrlGridPanelAccessible::window() const
{
    if (!m_grid)
        return nullptr;
    QWidget* top = m_grid->window();
    return top ? top->windowHandle() : nullptr;
}

QAccessibleInterface* DBCtrlGridPanelAccessible::parent() const
{
    return m_grid ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
}

QString DBCtrlGridPanelAccessible::text(QAccessible::Text t) const
{
    if (!m_grid || (t != QAccessible::Name && t != QAccessible::Description))
        return QString();
    return t == QAccessible::Name ? m_grid->panelText(m_row) : QString();
}

QRect DBCtrlGridPanelAccessible::rect() const
{
    if (!m_grid)
        return QRect();
    const QRect r = m_grid->panelRect(m_row);
    return r.isEmpty() ? QRect() : QRect(m_grid->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State DBCtrlGridPanelAccessible::state() const
{
    QAccessible::State s;
    if (!m_grid) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.focusable = true;
    s.selected = m_row == m_grid->currentRow();
    s.focused = s.selected && m_grid->hasFocus();
    s.invisible = !m_grid->isRowVisible(m_row);
    s.offscreen = s.invisible;
    return s;
}

} // namespace qui
