#pragma once

#include "Prj.h"

#include <QPointer>

class QAbstractButton;

// The project picker of the timesheet entry dialog: the project window shown as a modal dialog.
// The entry dialog creates it, gives it its two activity choices, sets Tag to 1, runs it and
// frees it. A double-click or Enter picks the current project for the entry being edited
// (FData->TabTem, in insert or edit state): its PRJCOD; the choice "Display all activities" and
// the first activity of TabAct when the project has no links, else "Display activities linked to
// this project" and the project's first link; then the picker closes. A choice is checked with a
// click, so that its handler runs, unless it is checked already. Add, Edit and Delete work as in
// the project window.
class TFPrj1 : public TFPrj
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 536;

    explicit TFPrj1(QWidget* parent = nullptr);

    // RadioButton1 "Display activities linked to this project" and RadioButton2 "Display all
    // activities" of the entry dialog.
    void setActivityChoices(QAbstractButton* linked, QAbstractButton* all);

protected:
    void pick() override;

private:
    QPointer<QAbstractButton> m_linked, m_all;
};
