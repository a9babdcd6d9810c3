#include "dberreur.h"
#include "ui_dberreur.h"

#include "DialogService.h"
#include "EngineError.h"
#include "ImageLists.h"
#include "TitlesColour.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>

TFDBErreur::TFDBErreur(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , Timer1(new QTimer(this))
    , ui(std::make_unique<Ui::TFDBErreur>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Quillmark 3.53"));
    // Only the width is pinned: the Details button changes the height of the shown window,
    // which some window systems refuse while height constraints are set.
    setFixedWidth(545);
    setClientHeight(ShortHeight);

    // Yellow, the default titles colour, needs a dark ground to be read.
    QPalette header = ui->Panel1->palette();
    header.setColor(QPalette::Window, QColor(28, 36, 52));
    ui->Panel1->setPalette(header);
    QFont font = ui->Label3->font();
    font.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans") });
    font.setPixelSize(16);
    font.setBold(true);
    font.setItalic(true);
    ui->Label3->setFont(font);
    ui->Image2->setPixmap(ImageLists::applicationIcon().pixmap(32, 32));
    ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(33, 33));
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(400);
    connect(Timer1, &QTimer::timeout, this, &TFDBErreur::Timer1Timer);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFDBErreur::BitBtn2Click);
}

TFDBErreur::~TFDBErreur() = default;

QString TFDBErreur::explanation(quint16 code)
{
    namespace E = qdb::ErrorCode;
    switch (code) {
    case E::KeyViolation: return QStringLiteral("A record with this key already exists.");
    case E::RequiredMissing: return QStringLiteral("A value is required for a field.");
    case E::MasterMissing: return QStringLiteral("Unable to find the master record.");
    case E::DetailsExist: return QStringLiteral("This record is used by the system and cannot be deleted.");
    case E::RecordLocked: return QStringLiteral("This record is locked by another user.");
    default: return {};
    }
}

QStringList TFDBErreur::listing(const qdb::EngineError& error)
{
    QStringList lines;
    lines << QStringLiteral("Error count : %1").arg(error.entries().size());
    for (const qdb::ErrorEntry& entry : error.entries()) {
        lines << QStringLiteral("Message : ") + entry.message
              << QStringLiteral("Category : %1").arg(entry.category())
              << QStringLiteral("Exception in EDBEngineError") << QString()
              << QStringLiteral("Error code : %1").arg(entry.code)
              << QStringLiteral("Sub-code : %1").arg(entry.subCode())
              << QStringLiteral("Native error : %1").arg(entry.nativeError)
              << QStringLiteral("Error message : ") + error.message() << QString();
    }
    return lines;
}

void TFDBErreur::fill(const qdb::EngineError& error, const QString& context, const QString& second)
{
    ui->Label1->setText(context);
    const QString known = error.entries().isEmpty() ? QString() : explanation(error.entries().first().code);
    ui->Label2->setText(known.isEmpty() ? second : known);
    ui->Memo1->clear();
    ui->Memo1->setPlainText(listing(error).join(QLatin1Char('\n')));
}

void TFDBErreur::setClientHeight(int height) { resize(545, height); }

void TFDBErreur::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFDBErreur::FormShow()
{
    Tag = 0;
    setClientHeight(ShortHeight);
    QPalette text = ui->Label3->palette();
    text.setColor(QPalette::WindowText, colourFromBgr(TitlesColour()));
    ui->Label3->setPalette(text);
    ui->Label3->setVisible(true);
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Timer1->start();
}

void TFDBErreur::Timer1Timer()
{
    ui->Label3->setVisible(!ui->Label3->isVisible());
    ui->Panel1->update();
}

void TFDBErreur::BitBtn2Click()
{
    if (Tag == 0) {
        Tag = 1;
        setClientHeight(LongHeight);
    } else {
        Tag = 0;
        setClientHeight(ShortHeight);
    }
}

void TFDBErreur::FormClose()
{
    Tag = 0;
    Timer1->stop();
}

void TFDBErreur::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFDBErreur::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void ShowDbError(const qdb::EngineError& error, const QString& context, const QString& second)
{
    // Owned here rather than deleted on close: a scripted dialog service may only hide it.
    QPointer<TFDBErreur> dialog = new TFDBErreur;
    dialog->fill(error, context, second);
    qui::DialogService::instance().exec(dialog);
    delete dialog.data();
}
