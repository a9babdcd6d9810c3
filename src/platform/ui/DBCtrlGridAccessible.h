#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>

namespace qui
{

class DBCtrlGrid;

// Assistive tools see a panel list as a list whose items are the visible panels, each with its
// text and whether it is the selected (current) one.
class DBCtrlGridAccessible : public QAccessibleWidget
{
public:
    explicit DBCtrlGridAccessible(DBCtrlGrid* grid);
    ~DBCtrlGridAccessible() override;

    // Registers the factory with Qt (once).
    static void install();

    DBCtrlGrid* grid() const;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessible::State state() const override;

private:
    mutable QHash<int, QAccessible::Id> m_panels; // row -> registered panel interface
};

} // namespace qui
