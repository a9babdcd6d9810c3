#pragma once

#include "HelpContexts.h"
#include "ReferenceListWindow.h"

namespace Ui
{
class TFAct;
}

// The activity list: a child window of the main window, created at start-up, kept until exit.
// Creating a window of this class empties the activity search text and moves TabAct to its
// first record.
class TFAct : public ReferenceListWindow
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Activities;

    explicit TFAct(QWidget* parent = nullptr);
    ~TFAct() override;

    void ToolButton1Click() override; // Add
    void ToolButton2Click() override; // Edit
    void ToolButton3Click() override; // Delete

    // The three commands on the current record of TabAct, as the project dialog runs them too.
    static void AddActivity(QWidget* parent);
    static void EditActivity(QWidget* parent);
    static void DeleteActivity(QWidget* parent);

private:
    Ui::TFAct* ui;
};

extern TFAct* FAct;
