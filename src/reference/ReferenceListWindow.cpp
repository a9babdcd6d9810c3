#include "ReferenceListWindow.h"

#include "KeystrokeSearch.h"
#include "WindowHeader.h"

#include "DBGrid.h"
#include "Database.h"
#include "DatasetModel.h"
#include "DialogService.h"
#include "ErrorReporter.h"
#include "Help.h"
#include "ImageLists.h"
#include "Table.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

namespace
{
QIcon buttonIcon(int image)
{
    // At rest the plain picture, under the mouse the coloured one.
    QIcon icon;
    icon.addPixmap(ImageLists::picture(image, false), QIcon::Normal);
    icon.addPixmap(ImageLists::picture(image, true), QIcon::Active);
    return icon;
}

QFont sansSerif(int pixels)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans") });
    f.setPixelSize(pixels);
    return f;
}
} // namespace

ReferenceListWindow::ReferenceListWindow(QWidget* parent)
    : QDialog(parent)
{
    // A child window of the main window unless it becomes a picker.
    setWindowFlags(Qt::Widget);
}

ReferenceListWindow::~ReferenceListWindow() = default;

void ReferenceListWindow::setUpList(const Controls& controls, const Design& design)
{
    m_controls = controls;
    m_design = design;
    const Controls& c = m_controls;
    setFont(sansSerif(design.basePixels));
    setProperty("helpContext", design.helpContext);

    WindowHeader::setUp(c.Panel1, c.Image1, c.Label1);
    WindowHeader::setUpBand(c.Panel2);
    const struct {
        QToolButton* button;
        QAction* action;
        int image;
        void (ReferenceListWindow::*command)();
    } commands[] = { { c.ToolButton1, c.Add, ImageLists::Add, &ReferenceListWindow::ToolButton1Click },
        { c.ToolButton2, c.Edit, ImageLists::Edit, &ReferenceListWindow::ToolButton2Click },
        { c.ToolButton3, c.Delete, ImageLists::Delete, &ReferenceListWindow::ToolButton3Click } };
    QPalette buttons = c.Panel1->palette();
    buttons.setColor(QPalette::ButtonText, WindowHeader::bandText());
    for (const auto& cmd : commands) {
        cmd.button->setIcon(buttonIcon(cmd.image));
        cmd.button->setIconSize(QSize(16, 16));
        cmd.button->setPalette(buttons);
        cmd.button->setToolTip(cmd.action->text());
        cmd.button->setFocusPolicy(Qt::NoFocus); // a tool button takes no focus
        cmd.action->setIcon(QIcon(ImageLists::picture(cmd.image, true)));
        auto command = cmd.command;
        connect(cmd.button, &QToolButton::clicked, this, [this, command]() { (this->*command)(); });
        connect(cmd.action, &QAction::triggered, this, [this, command]() { (this->*command)(); });
    }

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_popup->addActions({ c.Add, c.Edit, c.Delete });

    for (QLabel* label : { c.Label2, c.Label3 }) {
        label->setFont(sansSerif(11));
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }

    qui::DBGrid* grid = c.DBGrid1;
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setShowGrid(false);
    grid->setFrameShape(QFrame::NoFrame);
    grid->setFont(sansSerif(design.basePixels));
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QPalette face = grid->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    // The selected row stays visible when the grid has no focus.
    for (QPalette::ColorRole role : { QPalette::Highlight, QPalette::HighlightedText })
        face.setColor(QPalette::Inactive, role, face.color(QPalette::Active, role));
    grid->setPalette(face);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { m_popup->popup(m_controls.DBGrid1->viewport()->mapToGlobal(at)); });
    connect(grid, &QAbstractItemView::doubleClicked, this, [this]() { DBGrid1DblClick(); });
    grid->installEventFilter(this);
    grid->setColumns(design.columns);
    // The columns get their widths again whenever the grid learns its fields anew.
    connect(grid->datasetModel(), &QAbstractItemModel::modelReset, this, [this]() { stretchLastColumn(); });
    stretchLastColumn();
    paintSortLabels();
}

bool ReferenceListWindow::sortedByName() const
{
    return m_design.table
        && m_design.table->indexName().compare(m_design.nameIndex, Qt::CaseInsensitive) == 0;
}

void ReferenceListWindow::paintSortLabels()
{
    const QColor accent = WindowHeader::titlesColour(), text = WindowHeader::bandText();
    const bool byName = sortedByName();
    WindowHeader::paint(m_controls.Label2, byName ? text : accent);
    WindowHeader::paint(m_controls.Label3, byName ? accent : text);
}

void ReferenceListWindow::stretchLastColumn()
{
    qui::DBGrid* grid = m_controls.DBGrid1;
    if (!grid || grid->datasetModel()->columnCount() < 3)
        return;
    grid->setColumnWidth(0, m_design.firstWidths[0]);
    grid->setColumnWidth(1, m_design.firstWidths[1]);
    grid->setColumnWidth(2, std::max(MinLastColumnWidth, grid->width() - FixedColumnsWidth));
}

void ReferenceListWindow::DBGrid1DblClick()
{
    if (Tag == 1)
        pick();
    else
        ToolButton2Click();
}

bool ReferenceListWindow::DBGrid1KeyDown(const QKeyEvent& event)
{
    const quint16 key = KeystrokeSearch::virtualKey(event);
    if (key == 0 || KeystrokeSearch::isArrow(key))
        return false;
    if (key == KeystrokeSearch::Enter) {
        DBGrid1DblClick();
        if (!m_design.enterAlsoSearches)
            return true;
    }
    qdb::Table* table = m_design.table;
    qdb::Field* field = nullptr;
    if (table && table->active()) {
        if (table->indexName().isEmpty())
            field = m_design.numberField;
        else if (sortedByName())
            field = m_design.nameField;
    }
    if (field)
        KeystrokeSearch::search(*m_design.searchText, KeystrokeSearch::character(key), *table, *field);
    // A character has nothing more to do in a read-only grid (the view's own search by typing
    // would move the selection again); the other keys page, tab and so on as usual.
    return key == KeystrokeSearch::Enter || (!event.text().isEmpty() && event.text().at(0).isPrint());
}

void ReferenceListWindow::Label2Click()
{
    m_design.table->setIndexName(QString());
    paintSortLabels();
    m_design.table->refresh();
}

void ReferenceListWindow::Label3Click()
{
    m_design.table->setIndexName(m_design.nameIndex);
    paintSortLabels();
    m_design.table->refresh();
}

void ReferenceListWindow::FormActivate()
{
    qdb::Table* table = m_design.table;
    try {
        if (table && table->active() && !table->isEditing()) {
            table->refresh();
            m_controls.DBGrid1->datasetModel()->reload(); // rows changed elsewhere show too
        }
    } catch (const std::exception& e) {
        qui::reportError(e);
    }
    if (m_design.titleOnActivation)
        WindowHeader::paint(m_controls.Label1, WindowHeader::titlesColour());
    paintSortLabels();
}

void ReferenceListWindow::paintTitles()
{
    WindowHeader::paint(m_controls.Label1, WindowHeader::titlesColour());
    paintSortLabels();
}

void ReferenceListWindow::becomePicker(int clientWidth)
{
    m_picker = true;
    setParent(parentWidget(),
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quillmark 3.0"));
    setWindowIcon(ImageLists::applicationIcon());
    resize(clientWidth, height());
    WindowHeader::centre(this);
}

int ReferenceListWindow::runDialog(QDialog* dialog)
{
    QPointer<QDialog> guard = dialog;
    const int result = qui::DialogService::instance().exec(dialog);
    delete guard.data();
    return result;
}

bool ReferenceListWindow::confirmDelete(QWidget* parent, const QString& question)
{
    return qui::DialogService::instance().message(parent, QStringLiteral("Confirmation please"), question,
               qui::Icon::Question, qui::Buttons::YesNo)
        != qui::Answer::No;
}

void ReferenceListWindow::reject()
{
    // Escape closes a picker; a child window of the main window is never closed.
    if (m_picker)
        QDialog::reject();
}

void ReferenceListWindow::done(int result)
{
    Tag = 0;
    QDialog::done(result);
}

void ReferenceListWindow::keyPressEvent(QKeyEvent* event)
{
    // In the main window F1 is the main window's Help command; a picker has its own page.
    if (m_picker && event->key() == Qt::Key_F1) {
        qui::Help::showContext(m_design.helpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReferenceListWindow::followSubWindow()
{
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (sub == m_subWindow)
        return;
    disconnect(m_subWindowState);
    m_subWindow = sub;
    if (sub)
        m_subWindowState = connect(sub, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive))
                    FormActivate();
            });
}

bool ReferenceListWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        followSubWindow();
        break;
    case QEvent::WindowActivate:
        if (isWindow())
            FormActivate();
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

bool ReferenceListWindow::eventFilter(QObject* watched, QEvent* event)
{
    const Controls& c = m_controls;
    if (watched == c.DBGrid1) {
        if (event->type() == QEvent::KeyPress)
            return DBGrid1KeyDown(*static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::Resize)
            stretchLastColumn();
    } else if ((watched == c.Label2 || watched == c.Label3) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == c.Label2)
            Label2Click();
        else
            Label3Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
