#include "ActAm.h"

#include "WindowHeader.h"

#include "Data.h"
#include "EngineError.h"
#include "dberreur.h"
#include "ui_ActAm.h"

TFActAm::TFActAm(QWidget* parent)
    : ReferenceDialog(parent, FData->TabAct, HelpContext)
    , ui(new Ui::TFActAm)
{
    ui->setupUi(this);
    setUpDialog(ui->Panel1, ui->Image1, ui->Label1);
    for (qui::DBEdit* edit : { ui->DBEdit1, ui->DBEdit2 })
        edit->setDataSource(FData->SouAct);
    ui->DBEdit1->setDataField(QStringLiteral("ACTCOD"));
    ui->DBEdit2->setDataField(QStringLiteral("ACTDES"));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFActAm::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFActAm::BitBtn2Click);
}

TFActAm::~TFActAm()
{
    delete ui;
}

void TFActAm::FormShow()
{
    WindowHeader::paint(ui->Label1, WindowHeader::titlesColour());
    const bool adding = Tag == 1;
    ui->Label1->setText(
        adding ? QStringLiteral("Adding an activity") : QStringLiteral("Editing an activity"));
    ui->DBEdit1->setEnabled(adding);
    ui->DBEdit2->setFocus(); // a new activity is normally typed without a number
}

void TFActAm::BitBtn1Click()
{
    ui->BitBtn1->setFocus();
    if (!ui->DBEdit1->updateRecord() || !ui->DBEdit2->updateRecord())
        return;
    qdb::Table* sys = FData->TabSys;
    try {
        if (FData->TabActACTCOD->asInteger() == 0) {
            // Under the Sys row's lock, read as stored: two workstations never draw one number.
            sys->edit();
            const int drawn = FData->TabSysSYSACTCODCPT->asInteger();
            FData->TabSysSYSACTCODCPT->setAsInteger(drawn + 1);
            sys->post();
            // Only a number the counter has moved past is given to the activity.
            FData->TabActACTCOD->setAsInteger(drawn);
        }
        FData->TabAct->post();
        accept();
    } catch (const qdb::EngineError& e) {
        sys->cancel(); // the counter row is never left locked
        ShowDbError(e, failure("Unable to add an activity.", "Unable to edit this activity."), QString());
    }
}
