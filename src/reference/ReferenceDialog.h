#pragma once

#include <QDialog>

class QFrame;
class QLabel;

namespace qdb
{
class Table;
}

// What the employee, activity and project dialogs share. The caller puts the table in insert or
// edit state, creates the dialog, sets its mode and shows it modally; the controls edit the
// current record directly. Cancel (and Escape) cancels the pending insert or edit; closing sets
// the mode back to 0. The caller frees the dialog once it has closed.
class ReferenceDialog : public QDialog
{
    Q_OBJECT
public:
    int Tag = 0; // 1 adding, 0 editing

    void BitBtn2Click(); // Cancel
    void reject() override;
    void done(int result) override;

protected:
    ReferenceDialog(QWidget* parent, qdb::Table* table, int helpContext);
    // Called once the controls exist: caption, icon, header, fixed size, centred.
    void setUpDialog(QFrame* panel, QLabel* image, QLabel* title);
    // The heading in the titles colour, the texts and focus of the mode.
    virtual void FormShow() = 0;
    // The failure text of the mode.
    QString failure(const char* adding, const char* editing) const;

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    qdb::Table* m_table;
    int m_helpContext;
};
