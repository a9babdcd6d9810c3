#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QAction;
class QFrame;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QToolButton;

namespace qdb
{
class Field;
class Table;
}
namespace qui
{
class DBGrid;
}

// What the employee, project and activity windows share: a header with the Add, Edit and Delete
// buttons, two clickable sort labels, the grid of the table with its popup menu, the keystroke
// search, the sort by number or name, the re-read on activation and the stretched last column.
//
// The table, its current record and its order are the data module's, shared with every other
// view of the table. A window is a child of the main window (browse mode, Tag 0); a picker is
// the same window shown as a modal dialog (picker mode, Tag 1), where a double-click or Enter
// picks the current record.
class ReferenceListWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr int FixedColumnsWidth = 216; // the last column gets the rest of the grid
    static constexpr int MinLastColumnWidth = 280;

    ~ReferenceListWindow() override;

    int Tag = 0; // 0 browse, 1 picker mode

    // Add, Edit and Delete: the tool buttons, the popup items and their shortcuts.
    virtual void ToolButton1Click() = 0;
    virtual void ToolButton2Click() = 0;
    virtual void ToolButton3Click() = 0;
    // Double-click (and Enter) on the grid: Edit in browse mode, the pick in picker mode.
    void DBGrid1DblClick();
    // A key pressed in the grid: the keystroke search and Enter. Returns whether the key is used
    // up; the grid handles the others (arrows, paging) as usual.
    bool DBGrid1KeyDown(const QKeyEvent& event);
    void Label2Click(); // sort by number
    void Label3Click(); // sort by name
    // Each time the window becomes the active one: the table is read again and the labels painted.
    void FormActivate();
    // Paints the title and the active sort label in the titles colour (after it changed).
    void paintTitles();

    QString searchText() const { return *m_design.searchText; }
    // Whether the table is sorted by its name index (else by number).
    bool sortedByName() const;
    qui::DBGrid* grid() const { return m_controls.DBGrid1; }
    QMenu* popupMenu() const { return m_popup; }

    void reject() override;
    void done(int result) override;

protected:
    struct Controls {
        QFrame* Panel1;
        QLabel* Image1;
        QLabel* Label1;
        QToolButton *ToolButton1, *ToolButton2, *ToolButton3;
        QFrame* Panel2;
        QLabel *Label2, *Label3;
        qui::DBGrid* DBGrid1;
        QAction *Add, *Edit, *Delete; // the popup items
    };
    struct Design {
        qdb::Table* table;
        qdb::Field* numberField;
        qdb::Field* nameField;
        QString nameIndex;
        QString* searchText; // one per window class, kept for the whole run
        QStringList columns; // field names; an empty name is an empty column
        int firstWidths[2]; // widths of the first two columns
        int basePixels; // the window's base font size
        bool enterAlsoSearches; // Enter is also typed into the search
        bool titleOnActivation; // Label1 painted in the titles colour on activation
        int helpContext;
    };

    explicit ReferenceListWindow(QWidget* parent);
    // Called by the windows once their controls exist.
    void setUpList(const Controls& controls, const Design& design);
    // Makes the window the modal picker: a dialog of its own, centred, with only a close box.
    void becomePicker(int clientWidth);
    bool isPicker() const { return m_picker; }
    // The pick of picker mode; nothing in the base windows.
    virtual void pick() { }
    // Runs a modal dialog created for one use and frees it.
    static int runDialog(QDialog* dialog);
    // The confirmation of a deletion: false only when the user answers No.
    static bool confirmDelete(QWidget* parent, const QString& question);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintSortLabels();
    void stretchLastColumn();
    void followSubWindow();

    Controls m_controls {};
    Design m_design {};
    QMenu* m_popup = nullptr;
    QPointer<QMdiSubWindow> m_subWindow;
    QMetaObject::Connection m_subWindowState;
    bool m_picker = false;
};
