#pragma once

#include <QAccessibleInterface>
#include <QPointer>

namespace qui
{

class DBCtrlGrid;

// One panel of a panel list, for assistive tools: a list item named by the panel's text.
class DBCtrlGridPanelAccessible : public QAccessibleInterface
{
public:
    DBCtrlGridPanelAccessible(DBCtrlGrid* grid, int row);

    int row() const { return m_row; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    QPointer<DBCtrlGrid> m_grid;
    int m_row;
};

} // namespace qui
