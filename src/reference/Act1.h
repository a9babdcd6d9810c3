#pragma once

#include "Act.h"

// The activity picker of the timesheet entry dialog: the activity window shown as a modal dialog.
// The entry dialog creates it, sets Tag to 1, runs it and frees it; a double-click or Enter sets
// the ACTCOD of the entry being edited (FData->TabTem, in insert or edit state) to the current
// activity and closes the picker. It opens on the first activity; Add, Edit and Delete work as
// in the activity window.
class TFAct1 : public TFAct
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 523;

    explicit TFAct1(QWidget* parent = nullptr);

protected:
    void pick() override;
};
