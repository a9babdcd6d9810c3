#include "Act.h"

#include "ActAm.h"

#include "Data.h"
#include "EngineError.h"
#include "dberreur.h"
#include "ui_Act.h"

TFAct* FAct = nullptr;

namespace
{
QString classSearchText; // of every activity window and picker, for the whole run
}

TFAct::TFAct(QWidget* parent)
    : ReferenceListWindow(parent)
    , ui(new Ui::TFAct)
{
    ui->setupUi(this);
    ui->DBGrid1->setDataSource(FData->SouAct);
    setUpList({ ui->Panel1, ui->Image1, ui->Label1, ui->ToolButton1, ui->ToolButton2, ui->ToolButton3,
                  ui->Panel2, ui->Label2, ui->Label3, ui->DBGrid1, ui->Add1, ui->Edit1, ui->Delete1 },
        { .table = FData->TabAct,
            .numberField = FData->TabActACTCOD,
            .nameField = FData->TabActACTDES,
            .nameIndex = QStringLiteral("XACTDES"),
            .searchText = &classSearchText,
            .columns = { QStringLiteral("ACTCOD"), QString(), QStringLiteral("ACTDES") },
            .firstWidths = { 97, 103 },
            .basePixels = 11,
            .enterAlsoSearches = true,
            .titleOnActivation = true,
            .helpContext = HelpContext });
    classSearchText.clear();
    if (FData->TabAct->active())
        FData->TabAct->first();
}

TFAct::~TFAct()
{
    delete ui;
    if (FAct == this)
        FAct = nullptr;
}

void TFAct::ToolButton1Click()
{
    AddActivity(this);
}
void TFAct::ToolButton2Click()
{
    EditActivity(this);
}
void TFAct::ToolButton3Click()
{
    DeleteActivity(this);
}

void TFAct::AddActivity(QWidget* parent)
{
    try {
        FData->TabAct->append();
        auto* dialog = new TFActAm(parent);
        dialog->Tag = 1;
        runDialog(dialog);
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to add an activity."), QString());
    }
}

void TFAct::EditActivity(QWidget* parent)
{
    if (FData->TabAct->isEmpty())
        return;
    try {
        FData->TabAct->edit();
        auto* dialog = new TFActAm(parent);
        dialog->Tag = 0;
        runDialog(dialog);
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to edit this activity."), QString());
    }
}

void TFAct::DeleteActivity(QWidget* parent)
{
    if (FData->TabAct->isEmpty()
        || !confirmDelete(parent, QStringLiteral("Do you really want to delete this activity?")))
        return;
    // Timesheets and project links keep the number of a deleted activity: the schema has no
    // rule from them to the activities.
    try {
        FData->TabAct->remove();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to delete this activity."), QString());
    }
}
