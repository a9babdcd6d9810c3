#include "Main.h"

#include "About.h"
#include "Data.h"
#include "DialogService.h"
#include "FileFilter.h"
#include "Help.h"
#include "ImageLists.h"
#include "Res.h"
#include "Shutdown.h"
#include "TitlesColour.h"
#include "Wait.h"
#include "ui_Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLinearGradient>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

TFMain* FMain = nullptr;

TFMain::TFMain(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::TFMain)
{
    FMain = this;
    ui->setupUi(this);
    setCentralWidget(ui->MdiArea);
    m_memo1 = new QPlainTextEdit(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->hide();
    setupImages();
    wireCommands();
    FormCreate();
    updateCommands();
}

TFMain::~TFMain()
{
    delete ui;
    if (FMain == this)
        FMain = nullptr;
}

void TFMain::FormCreate()
{
    setTitlesColour(0xFFFF);
    DayNames.clear();
    for (const QString& day : Res::DayName)
        DayNames << day;
    setWindowTitle(Res::AppTitle);
    setWindowIcon(ImageLists::applicationIcon());
    setProperty("helpContext", HelpContext);
}

void TFMain::setupImages()
{
    const QList<QPixmap> white = ImageLists::images(false), coloured = ImageLists::images(true);
    auto icon = [&](int index, bool toolbar) {
        QIcon i;
        // At rest the toolbar shows the plain pictures; under the mouse (and in menus) the coloured ones.
        i.addPixmap(toolbar ? white[index] : coloured[index], QIcon::Normal);
        i.addPixmap(coloured[index], QIcon::Active);
        return i;
    };
    const struct {
        QAction* action;
        int image;
        bool toolbar;
    } items[] = { { ui->actQuit, ImageLists::Quit, false }, { ui->actEmployees, ImageLists::Employees, true },
        { ui->actProjects, ImageLists::Projects, true }, { ui->actActivities, ImageLists::Activities, true },
        { ui->actTimesheets, ImageLists::Timesheets, true }, { ui->actSystemParameters, ImageLists::SystemParameters, true },
        { ui->actCalendar, ImageLists::Calendar, true }, { ui->actExportEmployees, ImageLists::Employees, false },
        { ui->actExportProjects, ImageLists::Projects, false }, { ui->actExportActivities, ImageLists::Activities, false },
        { ui->actExportProjectActivities, ImageLists::ProjectActivities, false },
        { ui->actExportTimesheets, ImageLists::Timesheets, false }, { ui->actPurgeTimesheets, ImageLists::Timesheets, false },
        { ui->actHelp, ImageLists::Help, false } };
    for (const auto& it : items) {
        it.action->setIcon(icon(it.image, it.toolbar));
        it.action->setProperty("helpContext", HelpContext);
    }

    QToolBar* bar = ui->ToolBar1;
    bar->setIconSize(QSize(16, 16));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    f.setBold(true);
    bar->setFont(f);
    // The band's own background picture: a deep blue gradient, so the plain pictures read white on it.
    // The band's own background picture: a deep blue gradient, so the plain pictures read white on it.
    bar->setStyleSheet(QStringLiteral(
        "QToolBar#ToolBar1 { border: none; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #28407c, stop:0.5 #16244c, stop:1 #0a1228); }"
        "QToolBar#ToolBar1 QToolButton { color: white; border: 1px solid transparent; border-radius: 3px; }"
        "QToolBar#ToolBar1 QToolButton:hover { background: rgba(255, 255, 255, 40); border-color: rgba(255, 255, 255, 90); }"
        "QToolBar#ToolBar1 QToolButton:disabled { color: rgba(255, 255, 255, 110); }"));
    for (QAction* a : bar->actions()) {
        if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a))) {
            b->setFixedSize(117, 37);
            b->setAutoRaise(true);
        }
    }
}

void TFMain::wireCommands()
{
    connect(ui->actQuit, &QAction::triggered, this, &TFMain::QuitClick);
    connect(ui->actEmployees, &QAction::triggered, this, &TFMain::EmployeesClick);
    connect(ui->actProjects, &QAction::triggered, this, &TFMain::ProjectsClick);
    connect(ui->actActivities, &QAction::triggered, this, &TFMain::ActivitiesClick);
    connect(ui->actTimesheets, &QAction::triggered, this, &TFMain::TimesheetsClick);
    connect(ui->actCalendar, &QAction::triggered, this, &TFMain::CalendarClick);
    connect(ui->actSystemParameters, &QAction::triggered, this, &TFMain::SystemParametersClick);
    connect(ui->actHelp, &QAction::triggered, this, &TFMain::HelpClick);
    connect(ui->actAbout, &QAction::triggered, this, &TFMain::AboutClick);

    const struct {
        QAction* action;
        const char* dialog;
        int tag;
        bool today;
    } selections[] = { { ui->actRepHeuPrj, "FSelDat", 1, false }, { ui->actRepHeuPrjEmp, "FSelDat", 2, false },
        { ui->actRepHeuPrjAct, "FSelDat", 5, false }, { ui->actRepHeuPrjActEmp, "FSelDat", 6, false },
        { ui->actRepDetHeuPrj, "FSelDat", 8, false }, { ui->actRepHeuEmp, "FSelDatEmp", 1, false },
        { ui->actRepHeuEmpPrj, "FSelDatEmp", 2, false }, { ui->actRepHeuEmpPrjAct, "FSelDatEmp", 3, false },
        { ui->actRepDetHeuEmp, "FSelDatEmp", 8, false }, { ui->actExportTimesheets, "FSelDat", 4, false },
        { ui->actPurgeTimesheets, "FSelDat", 7, true } };
    for (const auto& s : selections) {
        const QString dialog = QLatin1String(s.dialog);
        const int tag = s.tag;
        const bool today = s.today;
        connect(s.action, &QAction::triggered, this, [this, dialog, tag, today]() {
            if (!openSelection)
                return;
            const QDate first = today ? QDate::currentDate() : periodStart();
            const QDate last = today ? QDate::currentDate() : periodEnd();
            openSelection(dialog, tag, first, last);
        });
    }
    const QAction* exports[] = { ui->actExportEmployees, ui->actExportProjects, ui->actExportActivities, ui->actExportProjectActivities };
    for (int i = 0; i < 4; ++i)
        connect(exports[i], &QAction::triggered, this, [this, i]() {
            if (exportTable)
                exportTable(i);
        });
}

void TFMain::updateCommands()
{
    // A command whose window or service is not part of the program yet is shown disabled.
    ui->actEmployees->setEnabled(m_child[int(View::Employees)]);
    ui->actProjects->setEnabled(m_child[int(View::Projects)]);
    ui->actActivities->setEnabled(m_child[int(View::Activities)]);
    ui->actTimesheets->setEnabled(m_child[int(View::Timesheets)]);
    ui->actCalendar->setEnabled(bool(showCalendar));
    ui->actSystemParameters->setEnabled(bool(editSystemParameters));
    for (QAction* a : { ui->actRepHeuPrj, ui->actRepHeuPrjEmp, ui->actRepHeuPrjAct, ui->actRepHeuPrjActEmp, ui->actRepDetHeuPrj,
             ui->actRepHeuEmp, ui->actRepHeuEmpPrj, ui->actRepHeuEmpPrjAct, ui->actRepDetHeuEmp, ui->actExportTimesheets,
             ui->actPurgeTimesheets })
        a->setEnabled(bool(openSelection));
    for (QAction* a : { ui->actExportEmployees, ui->actExportProjects, ui->actExportActivities, ui->actExportProjectActivities })
        a->setEnabled(bool(exportTable));
}

void TFMain::setChildWindow(View view, QWidget* window)
{
    const int i = int(view);
    m_child[i] = window;
    m_sub[i] = ui->MdiArea->addSubWindow(window, Qt::FramelessWindowHint);
    updateCommands();
}

QWidget* TFMain::childWindow(View view) const { return m_child[int(view)]; }

QMdiSubWindow* TFMain::subWindow(View view) const { return m_sub[int(view)]; }

int TFMain::timesheetViewFlag() const
{
    QWidget* tem = m_child[int(View::Timesheets)];
    return tem ? tem->property("Tag").toInt() : 0;
}

void TFMain::switchTo(View view)
{
    for (int i = 0; i < 4; ++i) {
        if (!m_sub[i] || i == int(view))
            continue;
        m_sub[i]->showMinimized();
    }
    if (m_sub[int(view)]) {
        m_sub[int(view)]->showMaximized();
        ui->MdiArea->setActiveSubWindow(m_sub[int(view)]);
    }
    if (QWidget* tem = m_child[int(View::Timesheets)])
        tem->setProperty("Tag", view == View::Timesheets ? 1 : 0);
}

void TFMain::EmployeesClick() { switchTo(View::Employees); }
void TFMain::ProjectsClick() { switchTo(View::Projects); }
void TFMain::ActivitiesClick() { switchTo(View::Activities); }

void TFMain::TimesheetsClick()
{
    switchTo(View::Timesheets);
    TotalsView* view = FData ? FData->totalsView() : nullptr;
    if (!view)
        return;
    const QDate d = view->calendarDate();
    view->UpdatePeriodHours(true, d);
    view->UpdatePeriodHours(false, d);
    view->UpdateDayHours(true, d);
    view->UpdateDayHours(false, d);
}

void TFMain::CalendarClick()
{
    if (showCalendar)
        showCalendar();
}

void TFMain::QuitClick() { close(); }

void TFMain::SystemParametersClick()
{
    if (editSystemParameters)
        editSystemParameters();
}

void TFMain::HelpClick() { qui::Help::showTopic(QStringLiteral("ID_PRESENTATION")); }

void TFMain::AboutClick()
{
    auto* about = new TFAbout(this);
    qui::DialogService::instance().exec(about);
    delete about;
}

QDate TFMain::periodStart() const
{
    const QDate d = calendarDate ? calendarDate() : QDate::currentDate();
    const int tab = selectedDayTab ? selectedDayTab() : 0;
    return d.addDays(-tab);
}

QDate TFMain::periodEnd() const
{
    const QDate d = calendarDate ? calendarDate() : QDate::currentDate();
    const int tab = selectedDayTab ? selectedDayTab() : 0;
    return d.addDays(6 - tab);
}

TFWait* TFMain::ShowWait(int tag)
{
    auto* wait = new TFWait(tag);
    wait->show();
    wait->repaint();
    QApplication::processEvents();
    return wait;
}

QString TFMain::SaveDialogFilter() { return QStringLiteral("dbase  files (*.dbf)|*.dbf|Text files (*.txt)|*.txt"); }

QString TFMain::SaveDialog1Execute(int* filterIndex, const QString& fileName)
{
    const QString filter = qui::qtFilter(SaveDialogFilter());
    QString selected = filter.section(QStringLiteral(";;"), 0, 0);
    const QString name = qui::DialogService::instance().saveFileName(this, QString(), fileName, filter, &selected, QStringLiteral("dbf"));
    if (filterIndex)
        *filterIndex = filter.split(QStringLiteral(";;")).indexOf(selected) + 1;
    return name;
}

void TFMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFMain::FormShow()
{
    const QColor accent = colourFromBgr(TitlesColour());
    for (QWidget* child : m_child) {
        if (!child)
            continue;
        if (auto* title = child->findChild<QWidget*>(QStringLiteral("Label1"))) {
            QPalette p = title->palette();
            p.setColor(QPalette::WindowText, accent);
            title->setPalette(p);
        }
    }
    for (QMdiSubWindow* sub : m_sub)
        if (sub)
            sub->showMinimized();
    if (m_child[int(View::Timesheets)])
        TimesheetsClick();
}

void TFMain::closeEvent(QCloseEvent* event)
{
    // The close query never refuses: the tables are closed in order behind the closing window.
    if (!m_closing) {
        m_closing = true;
        FormCloseQuery();
    }
    event->accept();
}

void TFMain::FormCloseQuery()
{
    showMinimized();
    m_shutdownGauge = ShutDown();
}
