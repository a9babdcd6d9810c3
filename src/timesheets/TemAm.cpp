#include "TemAm.h"
#include "ui_TemAm.h"

#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "Act1.h"
#include "WindowHeader.h"
#include "Prj1.h"
#include "Res.h"
#include "Tem.h"
#include "TitlesColour.h"
#include "dberreur.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QLocale>
#include <QPointer>

TFTemAm* FTemAm = nullptr;
bool TFTemAm::SetupFlag = true;

TFTemAm::TFTemAm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(std::make_unique<Ui::TFTemAm>())
{
    ui->setupUi(this);
    FTemAm = this;
    // The design's 11-pixel base font: the layout's positions are measured for it.
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    setFont(base);
    setProperty("helpContext", HelpContext);
    setProperty("Tag", 0);
    // Create: icon and caption.
    setWindowTitle(Res::AppTitle);
    setFixedSize(347, 432);

    WindowHeader::setUp(ui->Panel1, ui->Image1, ui->Label1);

    ui->DBText1->setDataSource(FData->SouEmp);
    ui->DBText1->setDataField(QStringLiteral("EMPNOM"));
    ui->DBEdit2->setDataSource(FData->SouTem);
    ui->DBEdit2->setDataField(QStringLiteral("TEMDAT"));
    ui->DBCheckBox1->setDataSource(FData->SouTem);
    ui->DBCheckBox1->setDataField(QStringLiteral("TEMFAC"));
    ui->DBLookupComboBox1->setDataSource(FData->SouTem);
    ui->DBLookupComboBox1->setDataField(QStringLiteral("PRJCOD"));
    ui->DBLookupComboBox1->setListSource(FData->SouPrj);
    ui->DBLookupComboBox1->setKeyField(QStringLiteral("PRJCOD"));
    ui->DBLookupComboBox1->setListField(QStringLiteral("PRJDES"));
    ui->DBLookupComboBox2->setDataSource(FData->SouTem);
    ui->DBLookupComboBox2->setDataField(QStringLiteral("ACTCOD"));
    ui->DBLookupComboBox2->setListSource(FData->SouPrjAct);
    ui->DBLookupComboBox2->setKeyField(QStringLiteral("ACTCOD"));
    ui->DBLookupComboBox2->setListField(QStringLiteral("actdes"));
    ui->SpeedButton2->setEnabled(false);
    ui->DBEdit1->setDataSource(FData->SouTem);
    ui->DBEdit1->setDataField(QStringLiteral("TEMNBRHEU"));
    ui->DBMemo1->setDataSource(FData->SouTem);
    ui->DBMemo1->setDataField(QStringLiteral("TEMNOT"));
    ui->DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Only the drop-down button of the date picker shows beside the date box.
    ui->DateTimePicker1->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_calendar = ui->DateTimePicker1->calendarWidget(); // made on first use: before the filters
    m_calendar->installEventFilter(this);
    ui->DateTimePicker1->installEventFilter(this);

    connect(ui->RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioButton1Click();
    });
    connect(ui->RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioButton2Click();
    });
    connect(ui->DBLookupComboBox1, &qui::DBLookupComboBox::itemChosen, this, &TFTemAm::DBLookupComboBox1Click);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFTemAm::SpeedButton1Click);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &TFTemAm::SpeedButton2Click);
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this, &TFTemAm::DateTimePicker1Change);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFTemAm::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFTemAm::BitBtn2Click);
}

TFTemAm::~TFTemAm()
{
    if (FTemAm == this)
        FTemAm = nullptr;
}

void TFTemAm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TFTemAm::entryActivityIsLinked() const
{
    const qdb::Field* act = FData->TabTemACTCOD;
    if (act->isNull())
        return false;
    // The links of the entry's project, searched by exact number.
    return FData->TabPrjAct->locate(QStringLiteral("ACTCOD"), act->asInteger());
}

void TFTemAm::FormShow()
{
    WindowHeader::paint(ui->Label1, WindowHeader::titlesColour());
    if (mode() == 0) {
        ui->Label1->setText(QStringLiteral("Editing a timesheet"));
        // The entry's project becomes current, so that its links are the ones listed.
        if (!FData->TabTemPRJCOD->isNull())
            FData->TabPrj->locate(QStringLiteral("PRJCOD"), FData->TabTemPRJCOD->asString());
        SetupFlag = false;
        ui->RadioButton2->setChecked(true);
        if (entryActivityIsLinked())
            ui->RadioButton1->setChecked(true);
        SetupFlag = true;
    } else {
        ui->Label1->setText(QStringLiteral("Adding a timesheet"));
    }
    ui->DBEdit2->setFocus();
}

void TFTemAm::checkLinkedActivities()
{
    if (ui->RadioButton1->isChecked())
        RadioButton1Click();
    else
        ui->RadioButton1->setChecked(true);
}

void TFTemAm::checkAllActivities()
{
    if (ui->RadioButton2->isChecked())
        RadioButton2Click();
    else
        ui->RadioButton2->setChecked(true);
}

void TFTemAm::RadioButton1Click()
{
    ui->DBLookupComboBox2->setListSource(FData->SouPrjAct);
    ui->DBLookupComboBox2->setListField(QStringLiteral("actdes"));
    ui->DBLookupComboBox2->ensureList();
    ui->SpeedButton2->setEnabled(false);
    ui->RadioButton2->setChecked(false);
    if (!SetupFlag)
        return;
    if (FData->TabPrjAct->isEmpty()) {
        FData->TabTemACTCOD->clear();
    } else {
        FData->TabPrjAct->first();
        FData->TabTemACTCOD->setValue(FData->TabPrjActACTCOD->value());
    }
}

void TFTemAm::RadioButton2Click()
{
    ui->DBLookupComboBox2->setListSource(FData->SouAct);
    ui->DBLookupComboBox2->setListField(QStringLiteral("ACTDES"));
    ui->DBLookupComboBox2->ensureList();
    ui->SpeedButton2->setEnabled(true);
    ui->RadioButton1->setChecked(false);
    if (!SetupFlag)
        return;
    FData->TabAct->first();
    FData->TabTemACTCOD->setValue(FData->TabActACTCOD->value());
}

void TFTemAm::projectChosen()
{
    if (FData->TabPrjAct->isEmpty()) {
        checkAllActivities();
    } else {
        checkLinkedActivities();
    }
}

void TFTemAm::DBLookupComboBox1Click() { projectChosen(); }

void TFTemAm::SpeedButton1Click()
{
    // The pick sets the project, the activity choice and the activity, then closes the picker.
    QPointer<TFPrj1> picker = new TFPrj1(this);
    picker->setActivityChoices(ui->RadioButton1, ui->RadioButton2);
    picker->Tag = 1;
    qui::DialogService::instance().exec(picker);
    delete picker.data();
}

void TFTemAm::SpeedButton2Click()
{
    QPointer<TFAct1> picker = new TFAct1(this);
    picker->Tag = 1;
    qui::DialogService::instance().exec(picker);
    delete picker.data();
}

bool TFTemAm::eventFilter(QObject* watched, QEvent* event)
{
    // Opening the drop-down starts from the entry's date.
    if ((watched == ui->DateTimePicker1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress))
        || (watched == m_calendar && event->type() == QEvent::Show))
        DateTimePicker1Enter();
    return QDialog::eventFilter(watched, event);
}

void TFTemAm::DateTimePicker1Enter()
{
    const QDate d = FData->TabTemTEMDAT->isNull() ? QDate::currentDate() : FData->TabTemTEMDAT->asDate();
    const QSignalBlocker block(ui->DateTimePicker1);
    ui->DateTimePicker1->setDate(d);
}

void TFTemAm::DateTimePicker1Change()
{
    ui->DBEdit2->updateRecord(); // a date typed in the box is overridden by the one picked
    FData->TabTemTEMDAT->setAsDate(ui->DateTimePicker1->date());
}

void TFTemAm::writePendingText()
{
    ui->BitBtn1->setFocus();
    ui->DBEdit1->updateRecord();
    ui->DBEdit2->updateRecord();
    ui->DBMemo1->updateRecord();
}

void TFTemAm::BitBtn1Click()
{
    writePendingText();
    const bool adding = mode() == 1;
    try {
        if (adding) {
            qdb::Table& sys = *FData->TabSys;
            sys.edit();
            try {
                FData->TabTemTEMCOD->setAsInteger(FData->TabSysSYSTEMCODCPT->asInteger());
                FData->TabSysSYSTEMCODCPT->setAsInteger(FData->TabSysSYSTEMCODCPT->asInteger() + 1);
                sys.post();
            } catch (...) {
                // The counter row must not stay locked for this workstation after a refusal.
                if (sys.isEditing())
                    sys.cancel();
                throw;
            }
        }
        FData->TabTem->post();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, adding ? QStringLiteral("Unable to add a timesheet.") : QStringLiteral("Unable to edit this timesheet."),
            QString());
        return;
    }
    accept();
    if (FTem)
        FTem->refreshTotals();
}

void TFTemAm::BitBtn2Click() { reject(); }

void TFTemAm::reject()
{
    if (FData->TabTem->isEditing())
        FData->TabTem->cancel();
    QDialog::reject();
}

void TFTemAm::done(int result)
{
    setMode(0); // FormClose
    QDialog::done(result);
}
