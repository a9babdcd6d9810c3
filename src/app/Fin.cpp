#include "Fin.h"

#include "BannerWindow.h"
#include "Gauge.h"
#include "TitlesColour.h"
#include "ui_Fin.h"

TFFin* FFin = nullptr;

TFFin::TFFin(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TFFin)
{
    FFin = this;
    ui->setupUi(this);
    BannerWindow::setUp(this, ui->Panel1, ui->Image1, ui->Label1, ui->Label2, false);
    ui->Gauge1->setMinValue(0);
    ui->Gauge1->setMaxValue(70);
    ui->Gauge1->setProgress(0);
    ui->Gauge1->setBackColor(palette().color(QPalette::Button));
    setAccessibleName(ui->Label1->text());
}

TFFin::~TFFin()
{
    delete ui;
    if (FFin == this)
        FFin = nullptr;
}

qui::Gauge* TFFin::Gauge1() const { return ui->Gauge1; }

void TFFin::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const QColor accent = colourFromBgr(TitlesColour());
    BannerWindow::paintTitle(ui->Label1, accent);
    ui->Gauge1->setForeColor(accent);
}
