#include "preview.h"

#include "DialogService.h"
#include "FileFilter.h"
#include "PageView.h"
#include "Report.h"
#include "ReportError.h"
#include "ReportJob.h"
#include "Res.h"
#include "ui_preview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScopedValueRollback>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

TFPreview* FPreview = nullptr;

namespace {

// The toolbar's pictures, drawn rather than shipped: a sheet of paper with a mark on it.
QIcon toolIcon(const QString& kind)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 60, 120);
    p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    auto sheet = [&](const QRectF& r) {
        p.setBrush(Qt::white);
        p.setPen(QPen(QColor(90, 90, 90), 1.6));
        p.drawRect(r);
        p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    };
    auto triangle = [&](double x, bool left) {
        QPainterPath path;
        path.moveTo(x + (left ? 8 : 0), 8);
        path.lineTo(x + (left ? 0 : 8), 16);
        path.lineTo(x + (left ? 8 : 0), 24);
        path.closeSubpath();
        p.setBrush(ink);
        p.drawPath(path);
    };
    if (kind == QLatin1String("first")) {
        p.drawLine(QPointF(8, 8), QPointF(8, 24));
        triangle(12, true);
    } else if (kind == QLatin1String("prior")) {
        triangle(11, true);
    } else if (kind == QLatin1String("next")) {
        triangle(13, false);
    } else if (kind == QLatin1String("last")) {
        triangle(12, false);
        p.drawLine(QPointF(24, 8), QPointF(24, 24));
    } else if (kind == QLatin1String("width")) {
        sheet(QRectF(4, 6, 24, 20));
        p.drawLine(QPointF(7, 16), QPointF(25, 16));
        p.drawLine(QPointF(7, 16), QPointF(10, 13));
        p.drawLine(QPointF(7, 16), QPointF(10, 19));
        p.drawLine(QPointF(25, 16), QPointF(22, 13));
        p.drawLine(QPointF(25, 16), QPointF(22, 19));
    } else if (kind == QLatin1String("100")) {
        sheet(QRectF(6, 3, 20, 26));
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(6, 3, 20, 26), Qt::AlignCenter, QStringLiteral("1:1"));
    } else if (kind == QLatin1String("entire")) {
        sheet(QRectF(9, 4, 14, 18));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(5, 2, 22, 24));
        p.drawLine(QPointF(12, 9), QPointF(20, 9));
        p.drawLine(QPointF(12, 13), QPointF(20, 13));
    } else if (kind == QLatin1String("print")) {
        sheet(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(170, 170, 180));
        p.setPen(QPen(QColor(70, 70, 80), 1.6));
        p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
        sheet(QRectF(9, 19, 14, 9));
    } else if (kind == QLatin1String("open")) {
        p.setBrush(QColor(240, 200, 90));
        p.setPen(QPen(QColor(150, 110, 30), 1.6));
        p.drawRect(QRectF(3, 9, 24, 17));
        p.drawRect(QRectF(3, 6, 10, 4));
    } else if (kind == QLatin1String("save")) {
        p.setBrush(QColor(60, 90, 160));
        p.setPen(QPen(QColor(30, 40, 80), 1.6));
        p.drawRect(QRectF(4, 4, 24, 24));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(210, 210, 210));
        p.drawRect(QRectF(8, 18, 16, 10));
    } else if (kind == QLatin1String("close")) {
        p.setPen(QPen(QColor(170, 30, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
    }
    p.end();
    return QIcon(pm);
}

} // namespace

// A command of the window: a close asked for while it runs takes effect when it returns.
class TFPreview::Command {
public:
    explicit Command(TFPreview* w) : m_w(w) { ++m_w->m_commandDepth; }
    ~Command()
    {
        if (--m_w->m_commandDepth > 0)
            return;
        m_w->updateCommands();
        if (m_w->m_closePending) {
            m_w->m_closePending = false;
            m_w->close();
        }
    }
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

private:
    TFPreview* m_w;
};

TFPreview::TFPreview(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::TFPreview)
{
    ui->setupUi(this);
    // A dialog-style frame with no title-bar buttons: only the window's own commands, or the
    // loss of the focus, close it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("helpContext", HelpContext);
    setWindowTitle(QStringLiteral("Loading ..."));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    setFont(font);
    FPreview = this;

    const struct {
        QToolButton* button;
        const char* icon;
    } buttons[] = {{ui->FirstPage, "first"}, {ui->PriorPage, "prior"}, {ui->NextPage, "next"}, {ui->LastPage, "last"},
        {ui->PageWidth, "width"}, {ui->Zoom100, "100"}, {ui->EntirePage, "entire"}, {ui->PrintButton, "print"},
        {ui->OpenButton, "open"}, {ui->SaveButton, "save"}, {ui->CloseButton, "close"}};
    for (const auto& b : buttons) {
        b.button->setIcon(toolIcon(QLatin1String(b.icon)));
        b.button->setIconSize(QSize(20, 20));
        b.button->setFocusPolicy(Qt::NoFocus);
    }
    ui->Open1->setIcon(toolIcon(QStringLiteral("open")));
    ui->Save1->setIcon(toolIcon(QStringLiteral("save")));
    ui->Close1->setIcon(toolIcon(QStringLiteral("close")));

    connect(ui->FirstPage, &QToolButton::clicked, this, &TFPreview::FirstPageClick);
    connect(ui->PriorPage, &QToolButton::clicked, this, &TFPreview::PriorPageClick);
    connect(ui->NextPage, &QToolButton::clicked, this, &TFPreview::NextPageClick);
    connect(ui->LastPage, &QToolButton::clicked, this, &TFPreview::LastPageClick);
    connect(ui->PageWidth, &QToolButton::clicked, this, &TFPreview::PageWidthClick);
    connect(ui->Zoom100, &QToolButton::clicked, this, &TFPreview::Zoom100Click);
    connect(ui->EntirePage, &QToolButton::clicked, this, &TFPreview::EntirePageClick);
    connect(ui->PrintButton, &QToolButton::clicked, this, &TFPreview::PrintClick);
    connect(ui->OpenButton, &QToolButton::clicked, this, &TFPreview::OpenClick);
    connect(ui->SaveButton, &QToolButton::clicked, this, &TFPreview::SaveClick);
    connect(ui->CloseButton, &QToolButton::clicked, this, &TFPreview::CloseClick);
    connect(ui->Open1, &QAction::triggered, this, &TFPreview::OpenClick);
    connect(ui->Save1, &QAction::triggered, this, &TFPreview::SaveClick);
    connect(ui->Close1, &QAction::triggered, this, &TFPreview::CloseClick);
    connect(ui->SpinPage, &QSpinBox::valueChanged, this, &TFPreview::SpinPageChange);
    connect(ui->SpinZoom, &QSpinBox::valueChanged, this, &TFPreview::SpinZoomChange);
    connect(ui->QRPreview1, &qrep::PageView::pageAvailable, this, &TFPreview::QRPreview1PageAvailable);
    // A fit mode follows the view's size: the selector shows the zoom it comes to.
    connect(ui->QRPreview1, &qrep::PageView::zoomChanged, this, &TFPreview::showZoom);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TFPreview::onFocusWindowChanged);

    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setFromTo(1, 1);
    updateCommands();
}

TFPreview::~TFPreview()
{
    if (FPreview == this)
        FPreview = nullptr;
    if (ui->QRPreview1->job())
        ui->QRPreview1->setJob(nullptr);
    delete ui;
}

TFPreview* TFPreview::showPreview(qrep::Report* sourceReport, qrep::ReportJob& job)
{
    auto* window = new TFPreview;
    window->setSourceReport(sourceReport);
    window->attachJob(&job);
    window->show();
    return window;
}

void TFPreview::attachJob(qrep::ReportJob* job)
{
    if (m_job)
        disconnect(m_job, nullptr, this, nullptr);
    m_job = job;
    ui->QRPreview1->setJob(job);
    if (job) {
        connect(job, &qrep::ReportJob::stateChanged, this, &TFPreview::updateCommands);
        connect(job, &qrep::ReportJob::busyChanged, this, &TFPreview::updateCommands);
    }
    updateCommands();
}

qrep::PageView* TFPreview::pageView() const
{
    return ui->QRPreview1;
}

QString TFPreview::saveFilter()
{
    QStringList parts;
    for (const qrep::ExportFormat& f : qrep::exportFormats())
        parts << f.filter() << QLatin1Char('*') + f.extension;
    return parts.join(QLatin1Char('|'));
}

QString TFPreview::openFilter()
{
    const qrep::ExportFormat& f = qrep::exportFormat(qrep::ExportType::PreparedReport);
    return f.filter() + QStringLiteral("|*") + f.extension;
}

QString TFPreview::withExtension(const QString& fileName, qrep::ExportType type)
{
    // Any "." counts, one in a folder name too.
    if (fileName.contains(QLatin1Char('.')))
        return fileName;
    return fileName + qrep::exportFormat(type).extension;
}

void TFPreview::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TFPreview::FormShow()
{
    m_firstPagePending = true;
    m_printAllowed = false;
    ui->PrintButton->setEnabled(false);
    setWindowState(windowState() | Qt::WindowMaximized);
    // A job that had pages before the window was shown gets no notification for them.
    if (m_job && m_job->pageCount() > 0)
        QRPreview1PageAvailable(m_job->pageCount());
}

QString TFPreview::pagesText(int count, const QString& separator) const
{
    const QString title = m_job ? m_job->title() : QString();
    if (separator == QLatin1String(" - "))
        return title + separator + QString::number(count) + (count == 1 ? QStringLiteral(" page") : QStringLiteral(" pages"));
    return title + (count == 1 ? QStringLiteral(" (1 page)") : QStringLiteral(" (%1 pages)").arg(count));
}

void TFPreview::setPageSelector(int value, int maximum)
{
    const QSignalBlocker block(ui->SpinPage);
    ui->SpinPage->setRange(1, std::max(1, maximum));
    ui->SpinPage->setValue(value);
}

void TFPreview::showZoom(int percent)
{
    const QSignalBlocker block(ui->SpinZoom);
    ui->SpinZoom->setValue(percent);
}

void TFPreview::pressZoomButton(QWidget* button)
{
    for (QToolButton* b : {ui->PageWidth, ui->Zoom100, ui->EntirePage})
        b->setChecked(b == button);
}

void TFPreview::firstPageInitialisation()
{
    const int count = m_job ? m_job->pageCount() : 0;
    setPageSelector(1, count);
    ui->QRPreview1->zoomToPageWidth();
    pressZoomButton(ui->PageWidth);
    showZoom(ui->QRPreview1->zoom());
    m_firstPagePending = false;
}

void TFPreview::QRPreview1PageAvailable(int pageNum)
{
    if (!m_job)
        return;
    if (m_firstPagePending)
        firstPageInitialisation();
    {
        const QSignalBlocker block(ui->SpinPage);
        ui->SpinPage->setMaximum(std::max(1, pageNum));
    }
    QString caption = pagesText(pageNum, QString());
    switch (m_job->state()) {
    case qrep::ReportJob::State::NotStarted:
        caption += QStringLiteral("Ready");
        break;
    case qrep::ReportJob::State::Producing:
        caption += QStringLiteral("Busy");
        break;
    case qrep::ReportJob::State::Complete: {
        const int c = m_job->pageCount();
        caption = pagesText(c, QString());
        m_printer.setPrintRange(QPrinter::AllPages);
        m_printer.setFromTo(1, std::max(1, c));
        m_printMaxPage = std::max(1, c);
        const QSignalBlocker block(ui->SpinPage);
        ui->SpinPage->setMaximum(std::max(1, c));
        m_printAllowed = true;
        break;
    }
    }
    setWindowTitle(caption);
    updateCommands();
}

void TFPreview::updateCommands()
{
    const bool idle = !m_job || (m_job->state() == qrep::ReportJob::State::Complete && !m_job->isBusy());
    const bool free = idle && m_commandDepth == 0;
    ui->OpenButton->setEnabled(free);
    ui->Open1->setEnabled(free);
    ui->SaveButton->setEnabled(free && m_job);
    ui->Save1->setEnabled(free && m_job);
    ui->PrintButton->setEnabled(free && m_job && m_printAllowed && m_job->pageCount() > 0);
}

// --- Paging and zoom -------------------------------------------------------------------------

void TFPreview::FirstPageClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    setPageSelector(1, ui->SpinPage->maximum());
    ui->QRPreview1->showPage(1);
}

void TFPreview::PriorPageClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    const int page = ui->SpinPage->value();
    if (page < 2)
        return;
    setPageSelector(page - 1, ui->SpinPage->maximum());
    ui->QRPreview1->showPage(page - 1);
}

void TFPreview::NextPageClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    const int page = ui->SpinPage->value();
    const int count = m_job ? m_job->pageCount() : 0;
    if (page >= count)
        return;
    setPageSelector(page + 1, std::max(ui->SpinPage->maximum(), page + 1));
    ui->QRPreview1->showPage(page + 1);
}

void TFPreview::LastPageClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    const int count = m_job ? m_job->pageCount() : 0;
    if (count < 1)
        return;
    setPageSelector(count, std::max(ui->SpinPage->maximum(), count));
    ui->QRPreview1->showPage(count);
}

void TFPreview::SpinPageChange(int page)
{
    ui->QRPreview1->showPage(page); // the view ignores a page it does not have
}

void TFPreview::SpinZoomChange(int percent)
{
    Command command(this);
    QCoreApplication::processEvents();
    ui->QRPreview1->setZoom(percent);
}

void TFPreview::PageWidthClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    ui->QRPreview1->zoomToPageWidth();
    showZoom(ui->QRPreview1->zoom());
    pressZoomButton(ui->PageWidth);
}

void TFPreview::Zoom100Click()
{
    Command command(this);
    QCoreApplication::processEvents();
    ui->QRPreview1->setZoom(100);
    showZoom(100);
    pressZoomButton(ui->Zoom100);
}

void TFPreview::EntirePageClick()
{
    Command command(this);
    QCoreApplication::processEvents();
    ui->QRPreview1->zoomToEntirePage();
    showZoom(ui->QRPreview1->zoom());
    pressZoomButton(ui->EntirePage);
}

// --- Print, open, save -----------------------------------------------------------------------

void TFPreview::PrintClick()
{
    if (!m_job || !m_job->canPrint() || !m_printAllowed)
        return;
    Command command(this);
    updateCommands();
    bool chosen;
    {
        const QScopedValueRollback own(m_inOwnDialog, true);
        chosen = qui::DialogService::instance().print(this, &m_printer);
    }
    if (!chosen || !m_job) {
        updateCommands();
        return;
    }
    ui->PrintButton->setEnabled(false);
    qrep::PrintSettings settings;
    settings.copies = std::max(1, m_printer.copyCount());
    settings.printerName = m_printer.printerName();
    if (m_printer.printRange() == QPrinter::PageRange && m_printer.fromPage() > 0) {
        settings.fromPage = m_printer.fromPage();
        settings.toPage = std::max(m_printer.fromPage(), m_printer.toPage());
    } else {
        settings.fromPage = 1;
        settings.toPage = m_job->pageCount();
    }
    if (m_sourceReport)
        m_sourceReport->setPrintSettings(settings);
    try {
        m_job->print(&m_printer, settings);
    } catch (const qrep::ReportError& e) {
        tell(Res::CaptionError, e.message());
    }
    updateCommands();
}

void TFPreview::OpenClick()
{
    if (m_job && (m_job->state() != qrep::ReportJob::State::Complete || m_job->isBusy()))
        return; // never into a job still being produced (the command is disabled meanwhile)
    Command command(this);
    updateCommands();
    QString name;
    {
        const QScopedValueRollback own(m_inOwnDialog, true);
        name = qui::DialogService::instance().openFileName(this, QStringLiteral("Open"),
            QCoreApplication::applicationDirPath(), openFilter());
    }
    if (name.isEmpty()) {
        updateCommands();
        return;
    }
    if (!QFile::exists(name)) {
        tell(Res::AppTitle, QStringLiteral("Unable to open file : ") + name);
        return;
    }
    if (!m_job) {
        m_ownJob = new qrep::ReportJob(this);
        attachJob(m_ownJob);
    }
    try {
        m_job->load(name);
    } catch (const qrep::ReportError& e) {
        tell(Res::CaptionError, e.message()); // the pages shown stay as they were
        return;
    }
    setPageSelector(1, m_job->pageCount());
    ui->QRPreview1->showPage(1);
    ui->QRPreview1->viewport()->update();
    if (m_job->title().isEmpty())
        m_job->setTitle(name);
    setWindowTitle(pagesText(m_job->pageCount(), QStringLiteral(" - ")));
    m_firstPagePending = true;
    firstPageInitialisation();
    updateCommands();
}

void TFPreview::SaveClick()
{
    if (!m_job)
        return;
    Command command(this);
    updateCommands();
    const QString filter = saveFilter();
    const QStringList entries = qui::qtFilterEntries(filter);
    QString selected = entries.value(0);
    QString name;
    {
        const QScopedValueRollback own(m_inOwnDialog, true);
        name = qui::DialogService::instance().saveFileName(this, QStringLiteral("Save As"),
            QCoreApplication::applicationDirPath(), filter, &selected, QString());
    }
    if (name.isEmpty() || !m_job) {
        updateCommands();
        return;
    }
    const int index = int(entries.indexOf(selected));
    const auto type = qrep::ExportType(index >= 0 ? index + 1 : 1);
    name = withExtension(name, type);

    const bool complete = m_job->state() == qrep::ReportJob::State::Complete && !m_job->isBusy();
    try {
        if (type == qrep::ExportType::PreparedReport) {
            if (complete) // before the job is complete nothing is written, and nothing is said
                m_job->save(name);
        } else if (complete && m_job->hasReport()) { // a loaded file has no report to run again
            const std::unique_ptr<qrep::ExportWriter> writer = qrep::createExportWriter(type);
            m_job->exportTo(*writer, name);
        }
    } catch (const qrep::ExportError& e) {
        tell(Res::CaptionError, e.message());
    } catch (const qrep::ReportError& e) {
        tell(Res::CaptionError, e.message());
    }
    updateCommands();
}

// --- Closing ---------------------------------------------------------------------------------

void TFPreview::CloseClick()
{
    close();
}

void TFPreview::tell(const QString& caption, const QString& text)
{
    qui::DialogService::instance().message(this, caption, text, qui::Icon::Warning, qui::Buttons::Ok);
    // The message box took the focus from the window: it closes, as on any loss of focus.
    requestClose();
}

void TFPreview::requestClose()
{
    if (m_commandDepth > 0 || (m_job && m_job->isBusy())) {
        m_closePending = true;
        return;
    }
    close();
}

void TFPreview::onFocusWindowChanged(QWindow* window)
{
    // Another window of the program took the focus (not another program, and not one of the
    // window's own file and print dialogs; its message boxes do count).
    if (!window || !isVisible() || m_inOwnDialog || m_closing)
        return;
    if (window == windowHandle())
        return;
    requestClose();
}

void TFPreview::closeEvent(QCloseEvent* event)
{
    if (m_commandDepth > 0 || (m_job && m_job->isBusy())) {
        // A command (a print or an export among them) is running: close once it has returned.
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closing = true;
    // Detaching the page view ends the preview: production stops after the current row and
    // the report's after-preview handler runs. The pages stay with the report's run.
    ui->QRPreview1->setJob(nullptr);
    if (m_job)
        disconnect(m_job, nullptr, this, nullptr);
    m_job = nullptr;
    if (FPreview == this)
        FPreview = nullptr;
    event->accept();
}
