#include "Emp.h"

#include "EmpAm.h"

#include "Data.h"
#include "EngineError.h"
#include "dberreur.h"
#include "ui_Emp.h"

TFEmp* FEmp = nullptr;

namespace
{
QString classSearchText; // of every employee window, for the whole run
}

TFEmp::TFEmp(QWidget* parent)
    : ReferenceListWindow(parent)
    , ui(new Ui::TFEmp)
{
    ui->setupUi(this);
    ui->DBGrid1->setDataSource(FData->SouEmp);
    setUpList({ ui->Panel1, ui->Image1, ui->Label1, ui->ToolButton1, ui->ToolButton2, ui->ToolButton3,
                  ui->Panel2, ui->Label2, ui->Label3, ui->DBGrid1, ui->Add1, ui->Edit1, ui->Delete1 },
        { .table = FData->TabEmp,
            .numberField = FData->TabEmpEMPCOD,
            .nameField = FData->TabEmpEMPNOM,
            .nameIndex = QStringLiteral("XEMPNOM"),
            .searchText = &classSearchText,
            .columns = { QString(), QStringLiteral("EMPCOD"), QStringLiteral("EMPNOM") },
            .firstWidths = { 70, 129 },
            .basePixels = 13,
            .enterAlsoSearches = true,
            .titleOnActivation = false,
            .helpContext = HelpContext });
    classSearchText.clear();
}

TFEmp::~TFEmp()
{
    delete ui;
    if (FEmp == this)
        FEmp = nullptr;
}

void TFEmp::ToolButton1Click()
{
    try {
        FData->TabEmp->append();
        auto* dialog = new TFEmpAM(this);
        dialog->Tag = 1;
        runDialog(dialog);
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to add an employee."), QString());
    }
}

void TFEmp::ToolButton2Click()
{
    if (FData->TabEmp->isEmpty())
        return;
    try {
        FData->TabEmp->edit();
        auto* dialog = new TFEmpAM(this);
        dialog->Tag = 0;
        runDialog(dialog);
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to edit this employee."), QString());
    }
}

void TFEmp::ToolButton3Click()
{
    if (FData->TabEmp->isEmpty()
        || !confirmDelete(this, QStringLiteral("Do you really want to delete this employee?")))
        return;
    try {
        FData->TabEmp->remove();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to delete this employee."), QString());
    }
}
