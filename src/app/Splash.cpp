#include "Splash.h"

#include "BannerWindow.h"
#include "Gauge.h"
#include "ui_Splash.h"

TFSplash::TFSplash(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TFSplash)
{
    ui->setupUi(this);
    BannerWindow::setUp(this, ui->Panel1, ui->Image1, ui->Label1, ui->Label2, false);
    ui->Gauge1->setBackColor(palette().color(QPalette::Button));
    setAccessibleName(ui->Label1->text());
}

TFSplash::~TFSplash() { delete ui; }

qui::Gauge* TFSplash::Gauge1() const { return ui->Gauge1; }

void TFSplash::setTitleColour(const QColor& colour) { BannerWindow::paintTitle(ui->Label1, colour); }
