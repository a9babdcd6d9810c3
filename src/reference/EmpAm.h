#pragma once

#include "HelpContexts.h"
#include "ReferenceDialog.h"

namespace Ui
{
class TFEmpAM;
}

// The employee dialog: one employee added (Tag 1) or edited (Tag 0) in the current record of
// TabEmp. A refused Ok is reported and the dialog stays open with what was typed.
class TFEmpAM : public ReferenceDialog
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Employees;

    explicit TFEmpAM(QWidget* parent = nullptr);
    ~TFEmpAM() override;

    void BitBtn1Click(); // Ok: post and close

protected:
    void FormShow() override;

private:
    Ui::TFEmpAM* ui;
};
