#pragma once

#include "HelpContexts.h"
#include "ReferenceListWindow.h"

namespace Ui
{
class TFEmp;
}

// The employee list: a child window of the main window, created at start-up, kept until exit.
class TFEmp : public ReferenceListWindow
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Employees;

    explicit TFEmp(QWidget* parent = nullptr);
    ~TFEmp() override;

    void ToolButton1Click() override; // Add: a new record and the employee dialog
    void ToolButton2Click() override; // Edit the current employee
    void ToolButton3Click() override; // Delete the current employee, after asking

private:
    Ui::TFEmp* ui;
};

extern TFEmp* FEmp;
