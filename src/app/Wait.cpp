#include "Wait.h"

#include "Animation.h"
#include "BannerWindow.h"
#include "TitlesColour.h"
#include "ui_Wait.h"

TFWait::TFWait(int tag, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TFWait)
    , m_tag(tag)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    if (tag == 1 || tag == 2) {
        resize(427, 163);
        ui->Animate1->setKind(tag == 1 ? qui::Animation::Kind::RecycleFile : qui::Animation::Kind::CopyFiles);
        ui->Animate1->play();
    } else {
        ui->Animate1->hide();
    }
    BannerWindow::setUp(this, ui->Panel1, ui->Image1, ui->Label1, nullptr, true);
    BannerWindow::paintTitle(ui->Label1, colourFromBgr(TitlesColour()));
    setAccessibleName(ui->Label1->text());
}

TFWait::~TFWait() { delete ui; }

qui::Animation* TFWait::Animate1() const { return ui->Animate1; }
