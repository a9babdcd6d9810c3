#include "About.h"

#include "Data.h"
#include "ImageLists.h"
#include "Res.h"
#include "ui_About.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {
// The engine's own version number, shown as "1.00".
constexpr int EngineVersion = 100;

QPixmap logo()
{
    QPixmap pm(319, 82);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(14, 9, ImageLists::applicationIcon().pixmap(64, 64));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(34);
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(255, 220, 60));
    p.drawText(QRect(92, 8, 220, 46), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillmark"));
    f.setPixelSize(12);
    f.setItalic(false);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(200, 205, 220));
    p.drawText(QRect(94, 52, 220, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("hours, projects and people"));
    return pm;
}

void setLinkColour(QLabel* label, const QColor& c)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, c);
    label->setPalette(p);
}
}

TFAbout::TFAbout(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TFAbout)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    setProperty("helpContext", HelpContext);
    setMouseTracking(true);
    QPalette black = ui->Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    ui->Panel1->setPalette(black);
    ui->Image1->setPixmap(logo());
    ui->Image2->setPixmap(ImageLists::applicationIcon().pixmap(48, 48));
    QFont product = ui->Label1->font();
    product.setPixelSize(19);
    ui->Label1->setFont(product);
    setLinkColour(ui->Label1, QColor(0, 0, 128));
    ui->LabelWeb->setText(Res::WebSite);
    ui->LabelMail->setText(Res::MailAddress);
    for (QLabel* link : { ui->LabelWeb, ui->LabelMail }) {
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        setLinkColour(link, QColor(0, 0, 128));
    }
    QString version = QStringLiteral("?");
    if (FData && FData->TabSys->active() && !FData->TabSys->isEmpty())
        version = FData->TabSysSYSVER->displayText();
    ui->LabelDatabase->setText(QStringLiteral("Database version :") + QLatin1Char(' ') + version);
    ui->LabelEngine->setText(QStringLiteral("BDE version : ") + engineVersionText(EngineVersion));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TFAbout::~TFAbout() { delete ui; }

QString TFAbout::engineVersionText(int version)
{
    const QString digits = QString::number(version);
    return digits.size() <= 1 ? digits : digits.left(1) + QLatin1Char('.') + digits.mid(1);
}

void TFAbout::highlight(QObject* link)
{
    setLinkColour(ui->LabelWeb, link == ui->LabelWeb ? QColor(Qt::blue) : QColor(0, 0, 128));
    setLinkColour(ui->LabelMail, link == ui->LabelMail ? QColor(Qt::blue) : QColor(0, 0, 128));
}

bool TFAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        highlight(watched);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ui->LabelWeb)
            QDesktopServices::openUrl(QUrl(Res::WebSite));
        else if (watched == ui->LabelMail)
            QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + Res::MailAddress));
    }
    return QDialog::eventFilter(watched, event);
}

void TFAbout::mouseMoveEvent(QMouseEvent* event)
{
    highlight(nullptr);
    QDialog::mouseMoveEvent(event);
}
