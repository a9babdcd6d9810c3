#include "Prj.h"

#include "PrjAm.h"

#include "Data.h"
#include "EngineError.h"
#include "ErrorReporter.h"
#include "dberreur.h"
#include "ui_Prj.h"

TFPrj* FPrj = nullptr;

namespace
{
QString classSearchText; // of every project window and picker, for the whole run
}

TFPrj::TFPrj(QWidget* parent)
    : ReferenceListWindow(parent)
    , ui(new Ui::TFPrj)
{
    ui->setupUi(this);
    ui->DBGrid1->setDataSource(FData->SouPrj);
    setUpList({ ui->Panel1, ui->Image1, ui->Label1, ui->ToolButton1, ui->ToolButton2, ui->ToolButton3,
                  ui->Panel2, ui->Label2, ui->Label3, ui->DBGrid1, ui->Add1, ui->Edit1, ui->Delete1 },
        { .table = FData->TabPrj,
            .numberField = FData->TabPrjPRJCOD,
            .nameField = FData->TabPrjPRJDES,
            .nameIndex = QStringLiteral("XPRJDES"),
            .searchText = &classSearchText,
            .columns = { QString(), QStringLiteral("PRJCOD"), QStringLiteral("PRJDES") },
            .firstWidths = { 68, 132 },
            .basePixels = 11,
            .enterAlsoSearches = false,
            .titleOnActivation = true,
            .helpContext = HelpContext });
}

TFPrj::~TFPrj()
{
    delete ui;
    if (FPrj == this)
        FPrj = nullptr;
}

void TFPrj::ToolButton1Click()
{
    auto* dialog = new TFPrjAm(this);
    try {
        dialog->FillActivities();
        FData->TabPrj->append();
    } catch (const qdb::EngineError& e) {
        delete dialog;
        ShowDbError(e, QStringLiteral("Unable to add a project."), QString());
        return;
    }
    dialog->Tag = 1;
    runDialog(dialog);
}

void TFPrj::ToolButton2Click()
{
    if (FData->TabPrj->isEmpty())
        return;
    auto* dialog = new TFPrjAm(this);
    try {
        dialog->FillActivities();
        // The ticks are read under the project's lock, so they are the links as stored.
        FData->TabPrj->edit();
        dialog->CheckLinkedActivities();
    } catch (const qdb::EngineError& e) {
        FData->TabPrj->cancel();
        delete dialog;
        ShowDbError(e, QStringLiteral("Unable to edit this project."), QString());
        return;
    }
    dialog->Tag = 0;
    runDialog(dialog);
}

void TFPrj::ToolButton3Click()
{
    qdb::Table* prj = FData->TabPrj;
    qdb::Table* links = FData->TabPrjAct;
    if (prj->isEmpty() || !confirmDelete(this, QStringLiteral("Do you really want to delete this project?")))
        return;
    const QString code = FData->TabPrjPRJCOD->asString();
    try {
        // One transaction: a refusal (timesheets still use the project, a link locked by
        // another workstation) leaves the project and every link as they were.
        qdb::WriteTransaction transaction(*FData->Db);
        while (!links->isEmpty()) {
            links->first();
            links->remove();
        }
        prj->remove();
        transaction.commit();
    } catch (const qdb::EngineError& e) {
        // Rolled back: the rows as stored again, on the project that is still there (its
        // links follow it).
        try {
            prj->refresh();
            prj->locate(QStringLiteral("PRJCOD"), code);
        } catch (const std::exception& again) {
            qui::reportError(again);
        }
        ShowDbError(e, QStringLiteral("Unable to delete this project."), QString());
    }
}
