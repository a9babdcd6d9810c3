#pragma once

#include "HelpContexts.h"
#include "ReferenceListWindow.h"

namespace Ui
{
class TFPrj;
}

class TFPrjAm;

// The project list: a child window of the main window, created at start-up, kept until exit.
// The project search text is never emptied: it is kept for the whole run, pickers included.
class TFPrj : public ReferenceListWindow
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Projects;

    explicit TFPrj(QWidget* parent = nullptr);
    ~TFPrj() override;

    // Add: the project dialog with every activity unticked, then a new record.
    void ToolButton1Click() override;
    // Edit: the project dialog with the project's activities ticked, the project in edit state.
    void ToolButton2Click() override;
    // Delete the project and its links, after asking: all of it or, when refused, nothing.
    void ToolButton3Click() override;

private:
    Ui::TFPrj* ui;
};

extern TFPrj* FPrj;
