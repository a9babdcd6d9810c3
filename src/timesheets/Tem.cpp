#include "Tem.h"
#include "ui_Tem.h"

#include "Cal.h"
#include "DialogService.h"
#include "EngineError.h"
#include "Field.h"
#include "ImageLists.h"
#include "Period.h"
#include "Res.h"
#include "TemAm.h"
#include "TitlesColour.h"
#include "dberreur.h"
#include "rech.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionButton>
#include <QTabBar>

TFTem* FTem = nullptr;

namespace {

// The dark ground of window headings, on which the titles colour and the white toolbar pictures read.
void paintHeader(QWidget* panel)
{
    panel->setStyleSheet(QStringLiteral(
        "QFrame#Panel1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #28407c, stop:0.5 #16244c,"
        " stop:1 #0a1228); border: 1px solid #0a1228; }"
        "QFrame#Panel1 QToolButton { color: white; border: 1px solid transparent; border-radius: 3px; }"
        "QFrame#Panel1 QToolButton:hover { background: rgba(255, 255, 255, 40); border-color: rgba(255, 255, 255, 90); }"
        "QFrame#Panel1 QToolButton:disabled { color: rgba(255, 255, 255, 110); }"));
}

QIcon toolIcon(int index)
{
    QIcon icon;
    icon.addPixmap(ImageLists::picture(index, false), QIcon::Normal);
    icon.addPixmap(ImageLists::picture(index, true), QIcon::Active);
    return icon;
}

} // namespace

TFTem::TFTem(QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TFTem>())
{
    ui->setupUi(this);
    FTem = this;
    setProperty("helpContext", HelpContext);
    setProperty("Tag", 0);
    setWindowTitle(QStringLiteral("TimeSheets"));

    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(16);
    heading.setBold(true);
    heading.setItalic(true);
    ui->Label1->setFont(heading);
    QFont totals(QStringLiteral("Arial"));
    totals.setPixelSize(11);
    totals.setBold(true);
    ui->Panel3->setFont(totals);
    paintHeader(ui->Panel1);
    setupToolBar();

    ui->DateTimePicker1->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    ui->TabControl1->setExpanding(false);
    ui->TabControl1->setDrawBase(false);
    // Seven day names must fit beside the date row without scroll buttons.
    ui->TabControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));

    ui->DBGrid1->setDataSource(FData->SouEmp);
    ui->DBGrid1->setColumns({ QString(), QStringLiteral("EMPNOM") });
    ui->DBGrid1->setReadOnly(true);
    ui->DBGrid1->setColumnWidth(0, 20);
    ui->DBGrid1->setColumnWidth(1, 109);
    ui->DBGrid1->setShowGrid(false);
    ui->DBGrid1->horizontalHeader()->hide();
    ui->DBGrid1->verticalHeader()->hide();
    ui->DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->DBGrid1->setFrameShape(QFrame::NoFrame);
    QPalette face = ui->DBGrid1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    ui->DBGrid1->setPalette(face);

    ui->DBCtrlGrid1->setDataSource(FData->SouTem);
    ui->DBCtrlGrid1->setPanelTextFields({ QStringLiteral("TEMDAT"), QStringLiteral("heures"), QStringLiteral("prjact") });
    ui->DBCtrlGrid1->setPaintPanel(
        [this](QPainter& p, const QRect& r, int row, bool selected) { paintPanel(p, r, row, selected); });
    ui->DBCtrlGrid1->setFrameShape(QFrame::NoFrame);
    ui->DBCtrlGrid1->installEventFilter(this);
    ui->DBMemo1->setDataSource(FData->SouTem);
    ui->DBMemo1->setDataField(QStringLiteral("TEMNOT"));
    ui->DBMemo1->setReadOnly(true);
    ui->DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    setupPopup();

    connect(ui->ToolButton1, &QToolButton::clicked, this, &TFTem::ToolButton1Click);
    connect(ui->ToolButton2, &QToolButton::clicked, this, &TFTem::ToolButton2Click);
    connect(ui->ToolButton3, &QToolButton::clicked, this, &TFTem::ToolButton3Click);
    connect(ui->ToolButton7, &QToolButton::clicked, this, &TFTem::ToolButton7Click);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFTem::SpeedButton1Click);
    connect(ui->SpeedButton3, &QToolButton::clicked, this, &TFTem::SpeedButton3Click);
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this, &TFTem::DateTimePicker1Change);
    connect(ui->TabControl1, &QTabBar::currentChanged, this, &TFTem::TabControl1Change);
    connect(ui->DBCtrlGrid1, &qui::DBCtrlGrid::doubleClicked, this, &TFTem::ToolButton2Click);

    FormCreate();
    applyTitlesColour();
    FData->setTotalsView(this);
    connect(FData, &TFData::systemParametersApplied, this, [this] {
        applyTitlesColour();
        buildTabs();
        selectTabOf(calendarDate());
    });
    ui->DBGrid1->setFocus();
}

TFTem::~TFTem()
{
    if (FData && FData->totalsView() == this)
        FData->setTotalsView(nullptr);
    if (FTem == this)
        FTem = nullptr;
}

void TFTem::setupToolBar()
{
    ui->Image1->setPixmap(ImageLists::applicationIcon().pixmap(32, 32));
    const struct {
        QToolButton* button;
        int image;
    } buttons[] = { { ui->ToolButton1, ImageLists::Add }, { ui->ToolButton2, ImageLists::Edit },
        { ui->ToolButton3, ImageLists::Delete }, { ui->ToolButton7, ImageLists::Find } };
    for (const auto& b : buttons) {
        b.button->setIcon(toolIcon(b.image));
        b.button->setIconSize(QSize(16, 16));
    }
}

void TFTem::setupPopup()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu2"));
    auto add = [this](const QString& text, int image, const QKeySequence& key, void (TFTem::*slot)()) {
        QAction* a = m_popup->addAction(image >= 0 ? QIcon(ImageLists::picture(image, true)) : QIcon(), text);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(a); // the shortcut works in the whole window, not only while the menu is open
        }
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(QStringLiteral("Add a timesheet"), ImageLists::Add, QKeySequence(Qt::Key_Insert), &TFTem::ToolButton1Click);
    add(QStringLiteral("Edit a timesheet"), ImageLists::Edit, QKeySequence(Qt::Key_F2), &TFTem::ToolButton2Click);
    add(QStringLiteral("Delete a timesheet"), ImageLists::Delete, QKeySequence(Qt::Key_Delete), &TFTem::ToolButton3Click);
    m_popup->addSeparator();
    add(QStringLiteral("Detail of worked hours by employee"), -1, {}, &TFTem::Detailsofworkedhoursforthisemployee1Click);
    for (QWidget* w : { static_cast<QWidget*>(ui->DBGrid1), static_cast<QWidget*>(ui->DBCtrlGrid1) }) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](const QPoint& pos) { m_popup->popup(w->mapToGlobal(pos)); });
    }
}

QTabBar* TFTem::TabControl1() const { return ui->TabControl1; }

void TFTem::FormCreate()
{
    setPickerDate(QDate::currentDate());
    buildTabs();
    const QDate d = calendarDate();
    selectTabOf(d);
    setPickerDate(d);
    FData->DatJou = d;
    try {
        FData->TabTem->setFiltered(true);
    } catch (const qdb::EngineError&) {
        // The tables may not be open yet; the first day shown re-applies the filter.
    }
}

void TFTem::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TFTem::FormResize()
{
    // The design's alignments: header on top, totals at the bottom, employees on the left,
    // the entries with the note below them in the rest.
    const int w = width(), h = height();
    ui->Panel1->setGeometry(0, 0, w, 89);
    ui->Panel3->setGeometry(0, h - 45, w, 45);
    const int middle = qMax(0, h - 89 - 45);
    ui->DBGrid1->setGeometry(0, 89, 145, middle);
    ui->Panel2->setGeometry(145, 89, qMax(0, w - 145), middle);
    const int gridHeight = qMax(0, middle - 75);
    ui->DBCtrlGrid1->setGeometry(0, 0, ui->Panel2->width(), gridHeight);
    ui->PanMemo->setGeometry(0, gridHeight, ui->Panel2->width(), 75);
    ui->DBMemo1->setGeometry(2, 2, qMax(0, ui->PanMemo->width() - 4), 71);

    const int rows = qMax(1, gridHeight / PanelHeight);
    ui->DBCtrlGrid1->setRowCount(rows);
    ui->DBCtrlGrid1->setPanelHeight(qMax(1, gridHeight / rows));
    ui->TabControl1->setGeometry(ui->TabControl1->x(), ui->TabControl1->y(),
        qMax(0, ui->Panel1->width() - ui->TabControl1->x() - 5), ui->TabControl1->height());
}

bool TFTem::isTimesheetViewActive() const { return property("Tag").toInt() == 1; }

QDate TFTem::calendarDate() const { return FCal ? FCal->date() : ui->DateTimePicker1->date(); }

void TFTem::setCalendarDate(const QDate& date)
{
    if (FCal)
        FCal->setDate(date);
}

void TFTem::setPickerDate(const QDate& date)
{
    const QSignalBlocker block(ui->DateTimePicker1);
    ui->DateTimePicker1->setDate(date);
}

int TFTem::selectedTab() const { return qMax(0, ui->TabControl1->currentIndex()); }

void TFTem::buildTabs()
{
    const int first = FData->TabSys->active() && !FData->TabSys->isEmpty() ? FData->TabSysSYSPREJOUPER->asInteger() : 0;
    const QSignalBlocker block(ui->TabControl1);
    while (ui->TabControl1->count())
        ui->TabControl1->removeTab(0);
    for (const QString& caption : Period::tabCaptions(first))
        ui->TabControl1->addTab(caption);
}

void TFTem::selectTabOf(const QDate& date)
{
    const QString name = DayNames.value(Period::weekday(date));
    for (int i = 0; i < ui->TabControl1->count(); ++i) {
        if (ui->TabControl1->tabText(i) == name) {
            const QSignalBlocker block(ui->TabControl1);
            ui->TabControl1->setCurrentIndex(i);
            m_tabIndex = i;
            return;
        }
    }
}

bool TFTem::goTo(const QDate& date)
{
    const QDate shown = FData->DatJou;
    FData->DatJou = date;
    try {
        FData->TabTem->setFiltered(true);
    } catch (const qdb::EngineError& e) {
        // Never list one day's entries under another day's date: stay on the day still listed.
        FData->DatJou = shown;
        try {
            FData->TabTem->setFiltered(true);
        } catch (const qdb::EngineError&) {
        }
        if (shown.isValid()) {
            setCalendarDate(shown);
            setPickerDate(shown);
            selectTabOf(shown);
        }
        ShowDbError(e, QStringLiteral("Unable to show the timesheets of this day."), QString());
        return false;
    }
    selectTabOf(date);
    setCalendarDate(date);
    setPickerDate(date);
    refreshTotals();
    return true;
}

void TFTem::showCalendarDate() { goTo(calendarDate()); }

void TFTem::DateTimePicker1Change() { goTo(ui->DateTimePicker1->date()); }

void TFTem::SpeedButton1Click() { goTo(ui->DateTimePicker1->date().addDays(-7)); }

void TFTem::SpeedButton3Click() { goTo(ui->DateTimePicker1->date().addDays(7)); }

void TFTem::TabControl1Change(int index)
{
    if (index < 0)
        return;
    const int old = m_tabIndex;
    goTo(calendarDate().addDays(index - old));
}

void TFTem::refreshTotals()
{
    const QDate d = calendarDate();
    UpdateDayHours(true, d);
    UpdateDayHours(false, d);
    UpdatePeriodHours(true, d);
    UpdatePeriodHours(false, d);
}

namespace {

QString sumText(qdb::Query& query, qdb::Field* sum)
{
    query.prepare();
    query.open();
    const QString text = sum && !query.isEmpty() && !sum->isNull() ? qdb::formatGeneral(sum->asFloat()) : QString();
    query.close();
    return text;
}

double readNumber(const QLabel* label) { return QLocale().toDouble(label->text()); }

} // namespace

QLabel* TFTem::label(const char* name) const { return findChild<QLabel*>(QString::fromLatin1(name)); }

void TFTem::UpdateDayHours(bool billable, const QDate& date)
{
    qdb::Query& q = *FData->QNbrHeuJou;
    q.close();
    q.paramByName(QStringLiteral("Dat")).setAsDate(date);
    q.paramByName(QStringLiteral("Emp")).setAsString(FData->TabEmpEMPCOD->asString());
    q.paramByName(QStringLiteral("Fac")).setAsBoolean(billable);
    const QString text = sumText(q, FData->QNbrHeuJouSUMOFTemNbrHeu);
    (billable ? ui->Label5 : ui->Label7)->setText(text);
    if (ui->Label5->text().isEmpty())
        ui->Label5->setText(QStringLiteral("0"));
    if (ui->Label7->text().isEmpty())
        ui->Label7->setText(QStringLiteral("0"));
    ui->Label8->setText(qdb::formatGeneral(readNumber(ui->Label7) + readNumber(ui->Label5)));
}

void TFTem::UpdatePeriodHours(bool billable, const QDate& date)
{
    const int t = selectedTab();
    qdb::Query& q = *FData->QNbrHeuSem;
    q.close();
    q.paramByName(QStringLiteral("Debut")).setAsDate(Period::start(date, t));
    q.paramByName(QStringLiteral("Fin")).setAsDate(Period::end(date, t));
    q.paramByName(QStringLiteral("Emp")).setAsString(FData->TabEmpEMPCOD->asString());
    q.paramByName(QStringLiteral("Fac")).setAsBoolean(billable);
    const QString text = sumText(q, FData->QNbrHeuSemSUMOFTemNbrHeu);
    (billable ? ui->Label4 : ui->Label6)->setText(text);
    if (ui->Label6->text().isEmpty())
        ui->Label6->setText(QStringLiteral("0"));
    if (ui->Label4->text().isEmpty())
        ui->Label4->setText(QStringLiteral("0"));
    ui->Label9->setText(qdb::formatGeneral(readNumber(ui->Label4) + readNumber(ui->Label6)));
}

void TFTem::applyTitlesColour()
{
    const QColor c = colourFromBgr(TitlesColour());
    QPalette p = ui->Label1->palette();
    p.setColor(QPalette::WindowText, c);
    ui->Label1->setPalette(p);
    QPalette totals = ui->Panel3->palette();
    totals.setColor(QPalette::WindowText, c);
    // The totals read in the accent colour on the heading's dark ground.
    totals.setColor(QPalette::Window, QColor(22, 36, 76));
    ui->Panel3->setAutoFillBackground(true);
    ui->Panel3->setPalette(totals);
    for (QLabel* l : ui->Panel3->findChildren<QLabel*>())
        l->setPalette(totals);
}

void TFTem::paintPanel(QPainter& p, const QRect& r, int, bool selected)
{
    const bool hasEntries = !FData->TabTem->isEmpty();
    const QPalette pal = palette();
    const QColor text = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::WindowText);
    p.setPen(text);
    p.setFont(font());
    p.drawText(QRect(r.x() + 8, r.y() + 4, 73, 17), Qt::AlignLeft | Qt::AlignVCenter, FData->TabTemTEMDAT->displayText());
    p.drawText(QRect(r.x() + 88, r.y() + 4, 129, 17), Qt::AlignRight | Qt::AlignVCenter, FData->TabTemheures->displayText());
    p.drawText(QRect(r.x() + 8, r.y() + 22, 441, 17), Qt::AlignLeft | Qt::AlignVCenter, FData->TabTemprjact->displayText());
    if (hasEntries) {
        QStyleOptionButton box;
        box.rect = QRect(r.x() + 248, r.y() + 4, 97, 17);
        box.text = QStringLiteral("Chargeable");
        box.palette = pal;
        box.palette.setColor(QPalette::ButtonText, text);
        box.palette.setColor(QPalette::WindowText, text);
        box.state = QStyle::State_Enabled | QStyle::State_ReadOnly;
        if (FData->TabTemTEMFAC->isNull())
            box.state |= QStyle::State_NoChange;
        else
            box.state |= FData->TabTemTEMFAC->asBoolean() ? QStyle::State_On : QStyle::State_Off;
        style()->drawControl(QStyle::CE_CheckBox, &box, &p, this);
    }
}

bool TFTem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->DBCtrlGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) { // DBCtrlGrid1KeyDown
            ToolButton2Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFTem::ToolButton1Click()
{
    try {
        qdb::Table& tem = *FData->TabTem;
        tem.append();
        auto* dialog = new TFTemAm(this);
        FData->TabTemEMPCOD->setAsString(FData->TabEmpEMPCOD->asString());
        FData->TabTemTEMDAT->setAsDate(calendarDate());
        FData->TabTemPRJCOD->setValue(FData->TabPrjPRJCOD->value());
        if (FData->TabPrjAct->isEmpty()) {
            FData->TabAct->first();
            FData->TabTemACTCOD->setValue(FData->TabActACTCOD->value());
            dialog->checkAllActivities();
        } else {
            FData->TabPrjAct->first();
            FData->TabTemACTCOD->setValue(FData->TabPrjActACTCOD->value());
            dialog->checkLinkedActivities();
        }
        dialog->setMode(1);
        qui::DialogService::instance().exec(dialog);
        delete dialog;
        // However the dialog was left, no entry stays half-made.
        if (tem.isEditing())
            tem.cancel();
    } catch (const qdb::EngineError& e) {
        if (FData->TabTem->isEditing())
            FData->TabTem->cancel();
        ShowDbError(e, QStringLiteral("Unable to add a timesheet."), QString());
    }
}

void TFTem::ToolButton2Click()
{
    if (FData->TabTem->isEmpty())
        return;
    try {
        FData->TabTem->edit();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to edit this timesheet."), QString());
        return;
    }
    auto* dialog = new TFTemAm(this);
    dialog->setMode(0);
    qui::DialogService::instance().exec(dialog);
    delete dialog;
    if (FData->TabTem->isEditing())
        FData->TabTem->cancel();
}

void TFTem::ToolButton3Click()
{
    if (FData->TabTem->isEmpty())
        return;
    const qui::Answer answer = qui::DialogService::instance().message(this, QStringLiteral("Confirmation please"),
        QStringLiteral("Do you really want to delete this timesheet?"), qui::Icon::Question, qui::Buttons::YesNo);
    if (answer == qui::Answer::No)
        return;
    try {
        FData->TabTem->remove();
    } catch (const qdb::EngineError& e) {
        ShowDbError(e, QStringLiteral("Unable to delete this timesheet."), QString());
        return;
    }
    refreshTotals();
}

void TFTem::ToolButton7Click()
{
    if (FRech) {
        FRech->show();
        FRech->raise();
    }
}

void TFTem::Detailsofworkedhoursforthisemployee1Click()
{
    const QDate d = calendarDate();
    const int t = selectedTab();
    if (openEmployeeReport)
        openEmployeeReport(Period::start(d, t), Period::end(d, t));
}
