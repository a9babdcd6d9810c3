#include "EmpAm.h"

#include "WindowHeader.h"

#include "Data.h"
#include "EngineError.h"
#include "dberreur.h"
#include "ui_EmpAm.h"

TFEmpAM::TFEmpAM(QWidget* parent)
    : ReferenceDialog(parent, FData->TabEmp, HelpContext)
    , ui(new Ui::TFEmpAM)
{
    ui->setupUi(this);
    setUpDialog(ui->Panel1, ui->Image1, ui->Label1);
    ui->DBEdit1->setCharCase(qui::DBEdit::CharCase::Upper);
    for (qui::DBEdit* edit : { ui->DBEdit1, ui->DBEdit2 })
        edit->setDataSource(FData->SouEmp);
    ui->DBEdit1->setDataField(QStringLiteral("EMPCOD"));
    ui->DBEdit2->setDataField(QStringLiteral("EMPNOM"));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFEmpAM::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFEmpAM::BitBtn2Click);
}

TFEmpAM::~TFEmpAM()
{
    delete ui;
}

void TFEmpAM::FormShow()
{
    WindowHeader::paint(ui->Label1, WindowHeader::titlesColour());
    const bool adding = Tag == 1;
    ui->Label1->setText(
        adding ? QStringLiteral("Adding an employee") : QStringLiteral("Editing an employee"));
    ui->DBEdit1->setEnabled(adding); // an employee's number cannot be changed
    (adding ? ui->DBEdit1 : ui->DBEdit2)->setFocus();
}

void TFEmpAM::BitBtn1Click()
{
    ui->BitBtn1->setFocus();
    // What is being typed goes into the record, whether or not the focus could move.
    if (!ui->DBEdit1->updateRecord() || !ui->DBEdit2->updateRecord())
        return;
    try {
        FData->TabEmp->post();
        accept();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, failure("Unable to add an employee.", "Unable to edit this employee."), QString());
    }
}
