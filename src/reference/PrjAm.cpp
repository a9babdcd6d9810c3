#include "PrjAm.h"

#include "Act.h"
#include "WindowHeader.h"

#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "ErrorReporter.h"
#include "ImageLists.h"
#include "dberreur.h"
#include "ui_PrjAm.h"

#include <QMenu>
#include <QSet>
#include <optional>

TFPrjAm::TFPrjAm(QWidget* parent)
    : ReferenceDialog(parent, FData->TabPrj, HelpContext)
    , ui(new Ui::TFPrjAm)
{
    ui->setupUi(this);
    setUpDialog(ui->Panel1, ui->Image1, ui->Label1);
    ui->CheckListBox1->hide();
    ui->ListBox2->hide();
    ui->DBEdit1->setCharCase(qui::DBEdit::CharCase::Upper);
    for (qui::DBEdit* edit : { ui->DBEdit1, ui->DBEdit2 })
        edit->setDataSource(FData->SouPrj);
    ui->DBEdit1->setDataField(QStringLiteral("PRJCOD"));
    ui->DBEdit2->setDataField(QStringLiteral("PRJDES"));

    QListWidget* list = ui->CheckListBox1;
    QPalette face = list->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    list->setPalette(face);
    auto* popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    const struct {
        QAction* action;
        int image;
        void (TFPrjAm::*command)();
    } items[] = { { ui->Ajouteruneaction1, ImageLists::Add, &TFPrjAm::Ajouteruneaction1Click },
        { ui->Modifieruneaction1, ImageLists::Edit, &TFPrjAm::Modifieruneaction1Click },
        { ui->Effaceruneaction1, ImageLists::Delete, &TFPrjAm::Effaceruneaction1Click },
        { ui->Viderlaslection1, -1, &TFPrjAm::Viderlaslection1Click } };
    for (const auto& item : items) {
        if (item.image >= 0)
            item.action->setIcon(QIcon(ImageLists::picture(item.image, true)));
        connect(item.action, &QAction::triggered, this, item.command);
        popup->addAction(item.action);
        list->addAction(item.action); // the shortcuts work while the list has the focus
    }
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [list, popup](const QPoint& at) {
        list->setFocus(Qt::PopupFocusReason);
        popup->popup(list->viewport()->mapToGlobal(at));
    });
    connect(list, &QListWidget::itemDoubleClicked, this, &TFPrjAm::Modifieruneaction1Click);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFPrjAm::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFPrjAm::BitBtn2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TFPrjAm::BitBtn3Click);
}

TFPrjAm::~TFPrjAm()
{
    delete ui;
}

void TFPrjAm::FormShow()
{
    WindowHeader::paint(ui->Label1, WindowHeader::titlesColour());
    const bool adding = Tag == 1;
    ui->Label1->setText(adding ? QStringLiteral("Adding a project") : QStringLiteral("Editing a project"));
    ui->DBEdit1->setEnabled(adding);
    (adding ? ui->DBEdit1 : ui->DBEdit2)->setFocus();
    m_storedCode = adding ? QString() : FData->TabPrjPRJCOD->asString();
}

// ---- the check list ------------------------------------------------------------------------

void TFPrjAm::appendActivities()
{
    // Walks the shared table in its current order and comes back to its current activity, so
    // that the other views of the activities stay where they were.
    qdb::Table* act = FData->TabAct;
    const QVariant here = act->isEmpty() ? QVariant() : FData->TabActACTCOD->value();
    act->disableControls();
    try {
        for (act->first(); !act->eof(); act->next()) {
            new QListWidgetItem(FData->TabActACTDES->asString(), ui->CheckListBox1);
            ui->CheckListBox1->item(ui->CheckListBox1->count() - 1)->setCheckState(Qt::Unchecked);
            ui->ListBox2->addItem(QString::number(FData->TabActACTCOD->asInteger()));
        }
        if (here.isValid())
            act->locate(QStringLiteral("ACTCOD"), here);
    } catch (...) {
        act->enableControls();
        throw;
    }
    act->enableControls();
}

void TFPrjAm::FillActivities()
{
    ui->CheckListBox1->clear();
    ui->ListBox2->clear();
    appendActivities();
}

void TFPrjAm::CheckLinkedActivities()
{
    qdb::Table* links = FData->TabPrjAct;
    QSet<int> linked;
    links->disableControls();
    try {
        for (links->first(); !links->eof(); links->next())
            linked.insert(FData->TabPrjActACTCOD->asInteger());
    } catch (...) {
        links->enableControls();
        throw;
    }
    links->enableControls();
    for (int i = 0; i < ui->ListBox2->count(); ++i)
        if (linked.contains(ui->ListBox2->item(i)->text().toInt()))
            ui->CheckListBox1->item(i)->setCheckState(Qt::Checked);
}

QList<int> TFPrjAm::checkedActivities() const
{
    QList<int> numbers;
    for (int i = 0; i < ui->CheckListBox1->count(); ++i)
        if (ui->CheckListBox1->item(i)->checkState() == Qt::Checked)
            numbers << ui->ListBox2->item(i)->text().toInt();
    return numbers;
}

void TFPrjAm::SaveCheckedActivities()
{
    m_remembered.clear();
    for (int number : checkedActivities())
        m_remembered << QString::number(number);
}

void TFPrjAm::ReloadActivities()
{
    FData->TabAct->refresh();
    FillActivities();
    for (const QString& number : std::as_const(m_remembered)) {
        const auto found = ui->ListBox2->findItems(number, Qt::MatchExactly);
        if (!found.isEmpty())
            ui->CheckListBox1->item(ui->ListBox2->row(found.first()))->setCheckState(Qt::Checked);
    }
    ui->CheckListBox1->setCurrentRow(-1);
    ui->CheckListBox1->clearSelection();
}

bool TFPrjAm::enlarged() const
{
    return !ui->CheckListBox1->isHidden();
}

void TFPrjAm::BitBtn3Click()
{
    const bool enlarge = !enlarged();
    ui->BitBtn3->setText(enlarge ? QStringLiteral("Activities << ") : QStringLiteral("Activities >> "));
    ui->CheckListBox1->setVisible(enlarge);
    if (enlarge && ui->CheckListBox1->count() > 0)
        ui->CheckListBox1->setCurrentRow(0);
    const int top = enlarge ? EnlargedButtonsTop : CollapsedButtonsTop;
    ui->BitBtn1->move(ui->BitBtn1->x(), top);
    ui->BitBtn2->move(ui->BitBtn2->x(), top);
    setFixedSize(width(), enlarge ? EnlargedHeight : CollapsedHeight);
}

// ---- the popup commands ----------------------------------------------------------------------

void TFPrjAm::runActivityCommand(void (*command)(QWidget*), const QString& noSelection)
{
    QListWidgetItem* selected = ui->CheckListBox1->currentItem();
    if (!selected || !selected->isSelected()) {
        qui::DialogService::instance().message(
            this, QStringLiteral("Warning ..."), noSelection, qui::Icon::Information);
        return;
    }
    const int number = ui->ListBox2->item(ui->CheckListBox1->row(selected))->text().toInt();
    try {
        if (!FData->TabAct->locate(QStringLiteral("ACTCOD"), number))
            return;
    } catch (const qdb::EngineError& e) {
        qui::reportError(e);
        return;
    }
    SaveCheckedActivities();
    command(this);
    ReloadActivities();
}

void TFPrjAm::Ajouteruneaction1Click()
{
    SaveCheckedActivities();
    TFAct::AddActivity(this);
    ReloadActivities();
}

void TFPrjAm::Modifieruneaction1Click()
{
    runActivityCommand(
        &TFAct::EditActivity, QStringLiteral("To edit an activity, you must first select one."));
}

void TFPrjAm::Effaceruneaction1Click()
{
    runActivityCommand(
        &TFAct::DeleteActivity, QStringLiteral("To delete an activity, you must first select one."));
}

void TFPrjAm::Viderlaslection1Click()
{
    for (int i = 0; i < ui->CheckListBox1->count(); ++i)
        ui->CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
}

// ---- Ok --------------------------------------------------------------------------------------

void TFPrjAm::rewriteLinks()
{
    qdb::Table* links = FData->TabPrjAct; // the links of the project just posted
    while (!links->isEmpty()) {
        links->first();
        links->remove();
    }
    const QString project = FData->TabPrjPRJCOD->asString();
    for (int number : checkedActivities()) {
        links->append();
        FData->TabPrjActPRJCOD->setAsString(project);
        FData->TabPrjActACTCOD->setAsInteger(number);
        links->post();
    }
}

void TFPrjAm::BitBtn1Click()
{
    ui->BitBtn1->setFocus();
    if (!ui->DBEdit1->updateRecord() || !ui->DBEdit2->updateRecord())
        return;
    qdb::Table* prj = FData->TabPrj;
    const bool inserting = prj->state() == qdb::Dataset::State::Insert;
    const QVariantList typed { FData->TabPrjPRJCOD->value(), FData->TabPrjPRJDES->value() };
    try {
        {
            qdb::WriteTransaction transaction(*FData->Db);
            prj->post();
            rewriteLinks();
            transaction.commit();
        }
        accept();
    } catch (const qdb::EngineError& e) {
        // Nothing of the Ok is stored. A refusal of the post itself left the project in its
        // insert or edit state; after a later one it is put back there with what was typed.
        FData->TabPrjAct->cancel();
        std::optional<qdb::EngineError> lost;
        if (!prj->isEditing()) {
            try {
                resume(inserting, typed);
            } catch (const qdb::EngineError& again) {
                prj->cancel();
                lost = again;
            }
        }
        const QString context = failure("Unable to add a project.", "Unable to edit this project.");
        ShowDbError(e, context, QString());
        if (lost) {
            // The project can no longer be edited here (another workstation took it meanwhile).
            ShowDbError(*lost, context, QString());
            QDialog::reject();
        }
    }
}

void TFPrjAm::resume(bool inserting, const QVariantList& typed)
{
    qdb::Table* prj = FData->TabPrj;
    prj->refresh(); // the rows as stored; the links follow the project
    if (inserting) {
        prj->append();
    } else {
        if (!prj->locate(QStringLiteral("PRJCOD"), m_storedCode))
            throw qdb::EngineError(
                qdb::ErrorCode::RecordNotFound, QStringLiteral("Record/Key deleted. Table: Prj.db"));
        prj->edit();
    }
    FData->TabPrjPRJCOD->setValue(typed.value(0));
    FData->TabPrjPRJDES->setValue(typed.value(1));
}
