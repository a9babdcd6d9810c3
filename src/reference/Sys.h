#pragma once

#include "HelpContexts.h"
#include <QDialog>

#include <memory>

namespace Ui {
class TFSys;
}

// The system parameters: the titles colour of this workstation, the next activity number and the
// first day of each period. The caller puts TabSys in edit state (locking its row) before showing
// the dialog; Ok posts it, Cancel cancels it.
class TFSys : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::SystemParameters;

    explicit TFSys(QWidget* parent = nullptr);
    ~TFSys() override;

    Ui::TFSys* form() const { return ui.get(); }

    // The main window's command: TabSys in edit state, then the dialog, modally.
    static void Run(QWidget* parent);

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent* event) override;

public slots:
    void reject() override;

private:
    void showColour();

    std::unique_ptr<Ui::TFSys> ui;
};

extern TFSys* FSys;
