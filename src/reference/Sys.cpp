#include "Sys.h"
#include "ui_Sys.h"

#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "WindowHeader.h"
#include "Res.h"
#include "SettingsStore.h"
#include "TitlesColour.h"
#include "dberreur.h"

#include <QGridLayout>
#include <QShowEvent>

TFSys* FSys = nullptr;

TFSys::TFSys(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(std::make_unique<Ui::TFSys>())
{
    ui->setupUi(this);
    FSys = this;
    // The design's 11-pixel base font: the layout's positions are measured for it.
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    setFont(base);
    setProperty("helpContext", HelpContext);
    // Create: icon and caption.
    setWindowTitle(Res::AppTitle);
    setFixedSize(315, 223);

    WindowHeader::setUp(ui->Panel1, ui->Image1, ui->Label1);

    ui->DBEdit2->setDataSource(FData->SouSys);
    ui->DBEdit2->setDataField(QStringLiteral("SYSACTCODCPT"));
    // Listed column by column, two per column, so that the days read in week order across two rows.
    ui->DBRadioGroup1->setColumns(4);
    ui->DBRadioGroup1->setItems({ QStringLiteral("Sunday"), QStringLiteral("Thursday"), QStringLiteral("Monday"),
        QStringLiteral("Friday"), QStringLiteral("Tuesday"), QStringLiteral("Saturday"), QStringLiteral("Wednesday") });
    ui->DBRadioGroup1->setValues({ QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("5"),
        QStringLiteral("2"), QStringLiteral("6"), QStringLiteral("3") });
    // Four columns in 313 pixels: narrow gaps, so that "Wednesday" is read whole.
    if (auto* grid = qobject_cast<QGridLayout*>(ui->DBRadioGroup1->layout())) {
        grid->setHorizontalSpacing(0);
        grid->setContentsMargins(6, grid->contentsMargins().top(), 0, grid->contentsMargins().bottom());
    }
    ui->DBRadioGroup1->setDataSource(FData->SouSys);
    ui->DBRadioGroup1->setDataField(QStringLiteral("SYSPREJOUPER"));

    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFSys::SpeedButton1Click);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFSys::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFSys::BitBtn2Click);
}

TFSys::~TFSys()
{
    if (FSys == this)
        FSys = nullptr;
}

void TFSys::Run(QWidget* parent)
{
    try {
        FData->TabSys->edit();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to edit the system parameters."), QString());
        return;
    }
    auto* dialog = new TFSys(parent);
    qui::DialogService::instance().exec(dialog);
    // However the dialog was left, the row must not stay locked for this workstation.
    if (FData->TabSys->isEditing())
        FData->TabSys->cancel();
    delete dialog;
}

void TFSys::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    showColour();
}

void TFSys::showColour()
{
    const QColor c = colourFromBgr(TitlesColour());
    QPalette sample = ui->PanCouTit->palette();
    sample.setColor(QPalette::Window, c);
    ui->PanCouTit->setPalette(sample);
    WindowHeader::paint(ui->Label1, c);
}

void TFSys::SpeedButton1Click()
{
    const std::optional<QColor> chosen = qui::DialogService::instance().color(this, colourFromBgr(TitlesColour()));
    if (!chosen)
        return;
    setTitlesColour(bgrFromColour(*chosen));
    showColour();
}

void TFSys::BitBtn1Click()
{
    ui->BitBtn1->setFocus();
    ui->DBEdit2->updateRecord();
    try {
        FData->TabSys->post();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to edit the system parameters."), QString());
        return;
    }
    qui::WriteRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, TitlesColour(), Res::RegistryColour);
    emit FData->systemParametersApplied();
    accept();
}

void TFSys::BitBtn2Click() { reject(); }

void TFSys::reject()
{
    if (FData->TabSys->isEditing())
        FData->TabSys->cancel();
    QDialog::reject();
}
