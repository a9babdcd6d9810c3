#include "Cal.h"
#include "ui_Cal.h"

#include "Tem.h"

#include <QCalendarWidget>
#include <QVBoxLayout>

TFCal* FCal = nullptr;

TFCal::TFCal(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
              | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ui(std::make_unique<Ui::TFCal>())
{
    ui->setupUi(this);
    FCal = this;
    setProperty("helpContext", HelpContext);
    // The outer size of the design; the calendar fills the window.
    move(8, 228);
    resize(201, 189);
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(ui->MonthCalendar1);
    // Every user change of the day counts, mouse or keyboard, so that the timesheet window never
    // shows another day than the calendar.
    connect(ui->MonthCalendar1, &QCalendarWidget::selectionChanged, this, &TFCal::MonthCalendar1Click);
    FormCreate();
}

TFCal::~TFCal()
{
    if (FCal == this)
        FCal = nullptr;
}

void TFCal::FormCreate() { setDate(QDate::currentDate()); }

QDate TFCal::date() const { return ui->MonthCalendar1->selectedDate(); }

void TFCal::setDate(const QDate& date)
{
    const QSignalBlocker block(ui->MonthCalendar1);
    ui->MonthCalendar1->setSelectedDate(date);
}

QCalendarWidget* TFCal::MonthCalendar1() const { return ui->MonthCalendar1; }

void TFCal::MonthCalendar1Click()
{
    if (FTem)
        FTem->showCalendarDate();
}
