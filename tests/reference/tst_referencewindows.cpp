// The employee, project and activity windows and the two pickers: their layout, the sort shared
// with every other view of a table, the re-read on activation, the commands with their error
// texts, and the pick actions.

#include "ReferenceFixture.h"

#include "Act.h"
#include "Act1.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "Emp.h"
#include "EmpAm.h"
#include "Prj.h"
#include "Prj1.h"
#include "ReferenceDialog.h"
#include "TitlesColour.h"

#include <QAction>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

namespace
{
QStringList gridRows(const qui::DBGrid* grid)
{
    QStringList rows;
    const QAbstractItemModel* m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cols;
        for (int c = 0; c < m->columnCount(); ++c)
            if (const QString t = m->index(r, c).data().toString(); !t.isEmpty())
                cols << t;
        rows << cols.join(QLatin1Char('/'));
    }
    return rows;
}

QColor textColour(const QWidget* w)
{
    return w->palette().color(QPalette::WindowText);
}

void doubleClickRow(qui::DBGrid* grid, int row)
{
    const QRect r = grid->visualRect(grid->model()->index(row, 1));
    // A double-click arrives after the press of its first click, as from a mouse.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
}
}

class TestReferenceWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void lastColumnTakesTheRest_data();
    void lastColumnTakesTheRest();
    void sortLabelsSortAndPaint();
    void sortIsSharedWithOtherViews();
    void activationReadsAgainAndPaints();
    void editAndDeleteOnAnEmptyListDoNothing_data();
    void editAndDeleteOnAnEmptyListDoNothing();

    void addEmployeeInCapitals();
    void addEmployeeWithATakenNumber();
    void cancelledAddLeavesNothing();
    void editEmployee();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void usedEmployeeCannotBeDeletedNorRekeyed();
    void usedActivityCanBeDeleted();
    void projectDeletionTakesItsLinks();
    void doubleClickEditsInBrowseMode();

    void projectPickerPicks_data();
    void projectPickerPicks();
    void activityPickerPicks();
    void pickersAreDialogsOfTheirOwn();

    void renders();

private:
    ReferenceFixture f;
    // Records the user-change handlers of the entry dialog's two activity choices.
    QStringList choiceClicks;
};

void TestReferenceWindows::init()
{
    f.create();
    choiceClicks.clear();
}

void TestReferenceWindows::cleanup()
{
    f.destroy();
}

// ---- layout ----------------------------------------------------------------------------------

void TestReferenceWindows::layout_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("hints");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("basePixels");
    QTest::newRow("FEmp") << "FEmp" << QSize(522, 307) << "Employees" << QStringList { "Employee #", "Name" }
                          << QStringList { "Add an employee", "Edit an employee", "Delete an employee" }
                          << QStringList { "", "EMPCOD", "EMPNOM" } << QList<int> { 70, 129 } << 13;
    QTest::newRow("FPrj") << "FPrj" << QSize(520, 273) << "Projects"
                          << QStringList { "Project #", "Description" }
                          << QStringList { "Add a project", "Edit a project", "Delete a project" }
                          << QStringList { "", "PRJCOD", "PRJDES" } << QList<int> { 68, 132 } << 11;
    QTest::newRow("FAct") << "FAct" << QSize(427, 273) << "Activities"
                          << QStringList { "Activity #", "Description" }
                          << QStringList { "Add an activity", "Edit an activity", "Delete an activity" }
                          << QStringList { "ACTCOD", "", "ACTDES" } << QList<int> { 97, 103 } << 11;
}

void TestReferenceWindows::layout()
{
    QFETCH(QString, window);
    QFETCH(QSize, client);
    QFETCH(QString, title);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, hints);
    QFETCH(QStringList, columns);
    QFETCH(QList<int>, widths);
    QFETCH(int, basePixels);
    f.open();
    std::unique_ptr<ReferenceListWindow> w;
    if (window == QLatin1String("FEmp"))
        w = std::make_unique<TFEmp>();
    else if (window == QLatin1String("FPrj"))
        w = std::make_unique<TFPrj>();
    else
        w = std::make_unique<TFAct>();
    QCOMPARE(w->objectName(), window);
    QCOMPARE(w->size(), client);
    QCOMPARE(w->windowTitle(), title);
    QCOMPARE(w->font().pixelSize(), basePixels);
    QCOMPARE(w->findChild<QLabel*>("Label1")->text(), title);
    QCOMPARE(w->findChild<QLabel*>("Label1")->pos(), QPoint(64, 22));
    QCOMPARE(w->findChild<QLabel*>("Label1")->font().pixelSize(), 16);
    QVERIFY(
        w->findChild<QLabel*>("Label1")->font().bold() && w->findChild<QLabel*>("Label1")->font().italic());
    QCOMPARE(w->findChild<QLabel*>("Image1")->geometry(), QRect(11, 13, 57, 41));
    QVERIFY(!w->findChild<QLabel*>("Image1")->pixmap().isNull());
    QCOMPARE(w->findChild<QFrame*>("Panel1")->maximumHeight(), 65);
    QCOMPARE(w->findChild<QFrame*>("Panel2")->maximumHeight(), 29);
    QCOMPARE(w->findChild<QWidget*>("ToolBar1")->pos(), QPoint(202, 8));
    const char* buttons[] = { "ToolButton1", "ToolButton2", "ToolButton3" };
    // The design widened its buttons with blanks around "Add"; here the buttons have their width.
    const QStringList captions { "Add", "Edit", "Delete" };
    for (int i = 0; i < 3; ++i) {
        auto* b = w->findChild<QToolButton*>(QLatin1String(buttons[i]));
        QCOMPARE(b->size(), QSize(62, 36));
        QCOMPARE(b->text(), captions[i]);
        QCOMPARE(b->toolTip(), hints[i]);
        QVERIFY(!b->icon().isNull());
    }
    QCOMPARE(w->findChild<QToolButton*>("ToolButton2")->x() - 62, 8); // an 8-pixel separator
    QCOMPARE(w->findChild<QLabel*>("Label2")->text(), labels[0]);
    QCOMPARE(w->findChild<QLabel*>("Label3")->text(), labels[1]);
    QCOMPARE(w->findChild<QLabel*>("Label2")->pos(), QPoint(72, 8));
    QCOMPARE(w->findChild<QLabel*>("Label3")->pos(), QPoint(200, 8));
    QCOMPARE(w->findChild<QLabel*>("Label2")->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(w->findChild<QLabel*>("Label2")->font().pixelSize(), 11);
    // The popup runs the three commands under their shortcuts.
    QMenu* popup = w->popupMenu();
    QCOMPARE(popup->actions().size(), 3);
    const QList<QKeySequence> keys { QKeySequence(Qt::Key_Insert), QKeySequence(Qt::Key_F2),
        QKeySequence(Qt::Key_Delete) };
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(popup->actions()[i]->text(), hints[i]);
        QCOMPARE(popup->actions()[i]->shortcut(), keys[i]);
        QVERIFY(!popup->actions()[i]->icon().isNull());
    }
    qui::DBGrid* grid = w->grid();
    QCOMPARE(grid->columns(), columns);
    QCOMPARE(grid->columnWidth(0), widths[0]);
    QCOMPARE(grid->columnWidth(1), widths[1]);
    QVERIFY(grid->horizontalHeader()->isHidden());
    QVERIFY(grid->verticalHeader()->isHidden());
    QVERIFY(!grid->showGrid());
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->frameShape(), QFrame::NoFrame);
    QCOMPARE(grid->palette().color(QPalette::Base), grid->palette().color(QPalette::Button));
    QCOMPARE(grid->palette().color(QPalette::Inactive, QPalette::Highlight),
        grid->palette().color(QPalette::Active, QPalette::Highlight));
    QCOMPARE(w->Tag, 0);
    QVERIFY(!w->isWindow() || !w->parentWidget()); // a child window until it is placed in the main window
}

void TestReferenceWindows::lastColumnTakesTheRest_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("third");
    QTest::newRow("narrow: never under 280") << 400 << 280;
    QTest::newRow("exactly 496") << 496 << 280;
    QTest::newRow("design width") << 522 << 306;
    QTest::newRow("wide: all extra width") << 900 << 684;
}

void TestReferenceWindows::lastColumnTakesTheRest()
{
    QFETCH(int, width);
    QFETCH(int, third);
    f.open();
    TFEmp w;
    w.resize(width, 300);
    w.show();
    QCOMPARE(w.grid()->width(), width);
    QCOMPARE(w.grid()->columnWidth(2), third);
}

// ---- sort, activation ------------------------------------------------------------------------

void TestReferenceWindows::sortLabelsSortAndPaint()
{
    f.addEmployee("E1", "Cyd");
    f.addEmployee("E2", "Ann");
    f.open();
    setTitlesColour(0x0000FF); // red
    TFEmp w;
    auto* number = w.findChild<QLabel*>("Label2");
    auto* name = w.findChild<QLabel*>("Label3");
    QVERIFY(w.sortedByName()); // the tables open on their name index
    QCOMPARE(textColour(name), QColor(Qt::red));
    QVERIFY(textColour(number) != QColor(Qt::red));
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E2"));
    QTest::mouseClick(number, Qt::LeftButton);
    QCOMPARE(FData->TabEmp->indexName(), QString());
    QCOMPARE(textColour(number), QColor(Qt::red));
    QVERIFY(textColour(name) != QColor(Qt::red));
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E2")); // the current record stays
    QCOMPARE(gridRows(w.grid()), (QStringList { "E1/Cyd", "E2/Ann" }));
    QTest::mouseClick(name, Qt::LeftButton);
    QCOMPARE(FData->TabEmp->indexName(), QStringLiteral("XEMPNOM"));
    QCOMPARE(textColour(name), QColor(Qt::red));
    QCOMPARE(gridRows(w.grid()), (QStringList { "E2/Ann", "E1/Cyd" }));
    // A new titles colour (the system parameters) is painted on demand.
    setTitlesColour(0x00FF00);
    w.paintTitles();
    QCOMPARE(textColour(w.findChild<QLabel*>("Label1")), QColor(Qt::green));
    QCOMPARE(textColour(name), QColor(Qt::green));
    QVERIFY(textColour(number) != QColor(Qt::green));
    setTitlesColour(0xFFFF);
}

void TestReferenceWindows::sortIsSharedWithOtherViews()
{
    // By name Ann, Bob, Cyd; by number E1 (Cyd), E2 (Bob), E3 (Ann): Bob keeps his row.
    f.addEmployee("E1", "Cyd");
    f.addEmployee("E2", "Bob");
    f.addEmployee("E3", "Ann");
    f.open();
    TFEmp w;
    qui::DBGrid other; // the employee list of another window
    other.setDataSource(FData->SouEmp);
    other.setColumns({ QStringLiteral("EMPCOD"), QStringLiteral("EMPNOM") });
    QVERIFY(FData->TabEmp->locate("EMPCOD", QStringLiteral("E2")));
    QCOMPARE(gridRows(&other), (QStringList { "E3/Ann", "E2/Bob", "E1/Cyd" }));
    QTest::mouseClick(w.findChild<QLabel*>("Label2"), Qt::LeftButton);
    QCOMPARE(gridRows(&other), (QStringList { "E1/Cyd", "E2/Bob", "E3/Ann" }));
    QCOMPARE(other.currentIndex().row(), 1);
    // Another employee window shows the same order and paints its labels for it.
    TFEmp second;
    QVERIFY(!second.sortedByName());
    QCOMPARE(gridRows(second.grid()), (QStringList { "E1/Cyd", "E2/Bob", "E3/Ann" }));
    QTest::mouseClick(second.findChild<QLabel*>("Label3"), Qt::LeftButton);
    QCOMPARE(gridRows(&other), (QStringList { "E3/Ann", "E2/Bob", "E1/Cyd" }));
    QCOMPARE(gridRows(w.grid()), (QStringList { "E3/Ann", "E2/Bob", "E1/Cyd" }));
}

void TestReferenceWindows::activationReadsAgainAndPaints()
{
    f.addEmployee("E1", "Ann");
    f.addEmployee("E2", "Bob");
    f.addProject("P1", "Bridge");
    f.open();
    QMdiArea area;
    area.resize(700, 500);
    auto* emp = new TFEmp;
    auto* prj = new TFPrj;
    QMdiSubWindow* empSub = area.addSubWindow(emp, Qt::FramelessWindowHint);
    QMdiSubWindow* prjSub = area.addSubWindow(prj, Qt::FramelessWindowHint);
    QVERIFY(!emp->isWindow());
    area.show();
    area.setActiveSubWindow(empSub);
    QCOMPARE(gridRows(emp->grid()), (QStringList { "E1/Ann", "E2/Bob" }));

    // Another workstation renames an employee: the row count and the current row stay the same.
    auto other = f.otherWorkstation();
    other->execute(QStringLiteral("UPDATE Emp SET EMPNOM = 'Bea' WHERE EMPCOD = 'E2'"));
    setTitlesColour(0x00FF00); // green
    QColor empTitle = textColour(emp->findChild<QLabel*>("Label1"));
    area.setActiveSubWindow(prjSub);
    QCOMPARE(textColour(prj->findChild<QLabel*>("Label1")),
        QColor(Qt::green)); // the project window paints its title
    QCOMPARE(textColour(prj->findChild<QLabel*>("Label3")), QColor(Qt::green));
    area.setActiveSubWindow(empSub);
    QCOMPARE(gridRows(emp->grid()), (QStringList { "E1/Ann", "E2/Bea" }));
    QCOMPARE(textColour(emp->findChild<QLabel*>("Label1")),
        empTitle); // the main window paints the employees' title
    QCOMPARE(textColour(emp->findChild<QLabel*>("Label3")), QColor(Qt::green));
    setTitlesColour(0xFFFF);
}

void TestReferenceWindows::editAndDeleteOnAnEmptyListDoNothing_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("employees") << "Emp";
    QTest::newRow("projects") << "Prj";
    QTest::newRow("activities") << "Act";
}

void TestReferenceWindows::editAndDeleteOnAnEmptyListDoNothing()
{
    QFETCH(QString, window);
    f.open();
    std::unique_ptr<ReferenceListWindow> w;
    if (window == QLatin1String("Emp"))
        w = std::make_unique<TFEmp>();
    else if (window == QLatin1String("Prj"))
        w = std::make_unique<TFPrj>();
    else
        w = std::make_unique<TFAct>();
    w->ToolButton2Click();
    w->ToolButton3Click();
    w->DBGrid1DblClick();
    QVERIFY(f.dialogs->dialogs.isEmpty());
    QVERIFY(f.dialogs->messages.isEmpty());
    QVERIFY(f.errors.isEmpty());
    for (qdb::Table* t : { FData->TabEmp, FData->TabPrj, FData->TabAct })
        QCOMPARE(t->state(), qdb::Dataset::State::Browse);
}

// ---- employee commands -----------------------------------------------------------------------

void TestReferenceWindows::addEmployeeInCapitals()
{
    f.addEmployee("E1", "Zoe");
    f.open();
    TFEmp w;
    QString heading;
    bool numberEnabled = false;
    int tag = -1;
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        heading = f.text(d, "Label1");
        numberEnabled = d->findChild<QLineEdit*>("DBEdit1")->isEnabled();
        tag = static_cast<ReferenceDialog*>(d)->Tag;
        DCOMPARE(d->findChild<QLineEdit*>("DBEdit1")->maxLength(), 12);
        DCOMPARE(d->findChild<QLineEdit*>("DBEdit2")->maxLength(), 35);
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit1"));
        f.type(d, "DBEdit1", "ab12");
        DCOMPARE(f.text(d, "DBEdit1"), QStringLiteral("AB12"));
        f.type(d, "DBEdit2", "Ada Lovelace");
        f.click(d, "BitBtn1");
        return d->result();
    };
    QTest::mouseClick(w.findChild<QToolButton*>("ToolButton1"), Qt::LeftButton);
    QCOMPARE(f.dialogs->dialogs, QStringList { "FEmpAM" });
    QCOMPARE(heading, QStringLiteral("Adding an employee"));
    QVERIFY(numberEnabled);
    QCOMPARE(tag, 1);
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT EMPCOD, EMPNOM FROM Emp ORDER BY EMPCOD"),
        (QStringList { "AB12/Ada Lovelace", "E1/Zoe" }));
    // The grid shows the new record as the current one.
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("AB12"));
    QCOMPARE(w.grid()->currentIndex().row(), 0);
    QCOMPARE(gridRows(w.grid()), (QStringList { "AB12/Ada Lovelace", "E1/Zoe" }));
}

void TestReferenceWindows::addEmployeeWithATakenNumber()
{
    f.addEmployee("E1", "Zoe");
    f.open();
    TFEmp w;
    bool stayedOpen = false;
    QString keptNumber, keptName;
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        f.type(d, "DBEdit1", "e1");
        f.type(d, "DBEdit2", "Someone");
        f.click(d, "BitBtn1");
        stayedOpen = d->isVisible() && d->result() == 0;
        keptNumber = f.text(d, "DBEdit1");
        keptName = f.text(d, "DBEdit2");
        DCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Insert);
        // The user corrects the number and presses Ok again.
        f.type(d, "DBEdit1", "e2");
        f.click(d, "BitBtn1");
        return d->result();
    };
    w.ToolButton1Click();
    QCOMPARE(f.errors, QStringList { "Unable to add an employee. | A record with this key already exists." });
    QVERIFY(stayedOpen);
    QCOMPARE(keptNumber, QStringLiteral("E1"));
    QCOMPARE(keptName, QStringLiteral("Someone"));
    QCOMPARE(
        f.rows("SELECT EMPCOD, EMPNOM FROM Emp ORDER BY EMPCOD"), (QStringList { "E1/Zoe", "E2/Someone" }));
}

void TestReferenceWindows::cancelledAddLeavesNothing()
{
    f.addEmployee("E1", "Zoe");
    f.open();
    TFEmp w;
    int tagAfterClose = -1;
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        f.type(d, "DBEdit1", "E7");
        f.type(d, "DBEdit2", "Typed");
        f.click(d, "BitBtn2");
        tagAfterClose = static_cast<ReferenceDialog*>(d)->Tag;
        return d->result();
    };
    w.ToolButton1Click();
    QCOMPARE(tagAfterClose, 0);
    QCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Browse);
    QCOMPARE(f.rows("SELECT EMPCOD FROM Emp"), QStringList { "E1" });
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E1"));
    // Escape cancels as well.
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        f.type(d, "DBEdit2", "Changed");
        QTest::keyClick(d->findChild<QLineEdit*>("DBEdit2"), Qt::Key_Escape); // gives the stored text back
        QTest::keyClick(d->findChild<QLineEdit*>("DBEdit2"), Qt::Key_Escape); // cancels the dialog
        return d->result();
    };
    w.ToolButton2Click();
    QCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Browse);
    QCOMPARE(f.rows("SELECT EMPNOM FROM Emp"), QStringList { "Zoe" });
}

void TestReferenceWindows::editEmployee()
{
    f.addEmployee("E1", "Zoe");
    f.addEmployee("E2", "Abe");
    f.open();
    TFEmp w;
    QVERIFY(FData->TabEmp->locate("EMPCOD", QStringLiteral("E1")));
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        DCOMPARE(f.text(d, "Label1"), QStringLiteral("Editing an employee"));
        DVERIFY(!d->findChild<QLineEdit*>("DBEdit1")->isEnabled()); // greyed out
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit2"));
        DCOMPARE(f.text(d, "DBEdit1"), QStringLiteral("E1"));
        DCOMPARE(static_cast<ReferenceDialog*>(d)->Tag, 0);
        DCOMPARE(d->windowTitle(), QStringLiteral("Quillmark 3.53"));
        f.type(d, "DBEdit2", "Zoe Smith");
        f.click(d, "BitBtn1");
        return d->result();
    };
    QTest::keyClick(w.grid(), Qt::Key_F2);
    w.ToolButton2Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(
        f.rows("SELECT EMPCOD, EMPNOM FROM Emp ORDER BY EMPCOD"), (QStringList { "E1/Zoe Smith", "E2/Abe" }));
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E1"));
}

void TestReferenceWindows::deleteAsksFirst_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("question");
    QTest::newRow("employee, yes") << "Emp" << int(qui::Answer::Yes) << true
                                   << "Do you really want to delete this employee?";
    QTest::newRow("employee, no") << "Emp" << int(qui::Answer::No) << false
                                  << "Do you really want to delete this employee?";
    QTest::newRow("project, yes") << "Prj" << int(qui::Answer::Yes) << true
                                  << "Do you really want to delete this project?";
    QTest::newRow("project, no") << "Prj" << int(qui::Answer::No) << false
                                 << "Do you really want to delete this project?";
    QTest::newRow("activity, yes") << "Act" << int(qui::Answer::Yes) << true
                                   << "Do you really want to delete this activity?";
    QTest::newRow("activity, no") << "Act" << int(qui::Answer::No) << false
                                  << "Do you really want to delete this activity?";
}

void TestReferenceWindows::deleteAsksFirst()
{
    QFETCH(QString, window);
    QFETCH(int, answer);
    QFETCH(bool, deleted);
    QFETCH(QString, question);
    f.addEmployee("E1", "Zoe");
    f.addProject("P1", "Bridge");
    f.addActivity(1, "Design");
    f.open();
    std::unique_ptr<ReferenceListWindow> w;
    QString table;
    if (window == QLatin1String("Emp"))
        w = std::make_unique<TFEmp>(), table = "Emp";
    else if (window == QLatin1String("Prj"))
        w = std::make_unique<TFPrj>(), table = "Prj";
    else
        w = std::make_unique<TFAct>(), table = "Act";
    f.dialogs->answers = { qui::Answer(answer) };
    w->ToolButton3Click();
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.dialogs->messages[0].caption, QStringLiteral("Confirmation please"));
    QCOMPARE(f.dialogs->messages[0].text, question);
    QCOMPARE(f.dialogs->messages[0].icon, qui::Icon::Question);
    QCOMPARE(f.dialogs->messages[0].buttons, qui::Buttons::YesNo);
    QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)),
        deleted ? QStringLiteral("0") : QStringLiteral("1"));
    QVERIFY(f.errors.isEmpty());
}

void TestReferenceWindows::usedEmployeeCannotBeDeletedNorRekeyed()
{
    f.addEmployee("E1", "Zoe");
    f.addProject("P1", "Bridge");
    f.addEntry(1, "E1", "P1", 1);
    f.open();
    TFEmp w;
    w.ToolButton3Click();
    QCOMPARE(f.errors,
        QStringList {
            "Unable to delete this employee. | This record is used by the system and cannot be deleted." });
    QCOMPARE(f.rows("SELECT EMPCOD FROM Emp"), QStringList { "E1" });
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E1"));

    // The number box is greyed out; a number changed all the same is refused as well.
    f.errors.clear();
    f.drivers["FEmpAM"] = [&](QDialog* d) {
        FData->TabEmpEMPCOD->setAsString(QStringLiteral("E9"));
        f.click(d, "BitBtn1");
        DCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Edit);
        f.click(d, "BitBtn2");
        return d->result();
    };
    w.ToolButton2Click();
    QCOMPARE(f.errors,
        QStringList {
            "Unable to edit this employee. | This record is used by the system and cannot be deleted." });
    QCOMPARE(f.rows("SELECT EMPCOD FROM Emp"), QStringList { "E1" });
    // So are projects.
    f.errors.clear();
    TFPrj prj;
    prj.ToolButton3Click();
    QCOMPARE(f.errors,
        QStringList {
            "Unable to delete this project. | This record is used by the system and cannot be deleted." });
    QCOMPARE(f.rows("SELECT PRJCOD FROM Prj"), QStringList { "P1" });
}

void TestReferenceWindows::usedActivityCanBeDeleted()
{
    f.addEmployee("E1", "Zoe");
    f.addProject("P1", "Bridge");
    f.addActivity(1, "Design");
    f.addLink("P1", 1);
    f.addEntry(1, "E1", "P1", 1);
    f.open();
    TFAct w;
    w.ToolButton3Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.scalar("SELECT count(*) FROM Act"), QStringLiteral("0"));
    // Timesheets and links keep the number.
    QCOMPARE(f.rows("SELECT ACTCOD FROM Tem"), QStringList { "1" });
    QCOMPARE(f.rows("SELECT PRJCOD, ACTCOD FROM PrjAct"), QStringList { "P1/1" });
}

void TestReferenceWindows::projectDeletionTakesItsLinks()
{
    f.addProject("P1", "Bridge");
    f.addProject("P2", "Canal");
    for (int a : { 1, 2, 3 }) {
        f.addActivity(a, QStringLiteral("Activity %1").arg(a));
        f.addLink("P1", a);
    }
    f.addLink("P2", 2);
    f.open();
    TFPrj w;
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P1"));
    QCOMPARE(FData->TabPrjAct->recordCount(), 3);
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    w.ToolButton3Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT PRJCOD FROM Prj"), QStringList { "P2" });
    QCOMPARE(f.rows("SELECT PRJCOD, ACTCOD FROM PrjAct"), QStringList { "P2/2" });
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P2"));
    QCOMPARE(FData->TabPrjAct->recordCount(), 1);
}

void TestReferenceWindows::doubleClickEditsInBrowseMode()
{
    f.addProject("P1", "Bridge");
    f.addProject("P2", "Canal");
    f.open();
    TFPrj w;
    w.resize(520, 273);
    w.show();
    int tag = -1;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        tag = static_cast<ReferenceDialog*>(d)->Tag;
        f.click(d, "BitBtn2");
        return d->result();
    };
    doubleClickRow(w.grid(), 1);
    QCOMPARE(f.dialogs->dialogs, QStringList { "FPrjAm" });
    QCOMPARE(tag, 0);
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P2"));
    QCOMPARE(FData->TabPrj->state(), qdb::Dataset::State::Browse);
}

// ---- pickers ---------------------------------------------------------------------------------

void TestReferenceWindows::projectPickerPicks_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<int>("activity");
    QTest::addColumn<QStringList>("clicks");
    // Activities by description: Build (9), Design (4), Travel (2).
    QTest::newRow("links 4 and 9: the first link") << "P1" << false << true << 4 << QStringList();
    QTest::newRow("by Enter") << "P1" << true << true << 4 << QStringList();
    QTest::newRow("no links: all activities, the first of them")
        << "P2" << false << false << 9 << QStringList { "all" };
}

void TestReferenceWindows::projectPickerPicks()
{
    QFETCH(QString, project);
    QFETCH(bool, byEnter);
    QFETCH(bool, linked);
    QFETCH(int, activity);
    QFETCH(QStringList, clicks);
    f.addEmployee("E1", "Zoe");
    f.addProject("P1", "Bridge");
    f.addProject("P2", "Canal");
    f.addActivity(2, "Travel");
    f.addActivity(4, "Design");
    f.addActivity(9, "Build");
    f.addLink("P1", 9);
    f.addLink("P1", 4);
    f.open();
    // The entry dialog: a new timesheet entry and its two activity choices.
    QWidget entry;
    QRadioButton linkedChoice("Display activities linked to this project", &entry);
    QRadioButton allChoice("Display all activities", &entry);
    linkedChoice.setChecked(true);
    connect(&linkedChoice, &QRadioButton::clicked, this, [this] { choiceClicks << "linked"; });
    connect(&allChoice, &QRadioButton::clicked, this, [this] { choiceClicks << "all"; });
    FData->TabTem->append();
    FData->TabTemACTCOD->setAsInteger(2);

    f.drivers["FPrj1"] = [&](QDialog* d) {
        auto* picker = static_cast<TFPrj1*>(d);
        DVERIFY(FData->TabPrj->locate("PRJCOD", project));
        if (byEnter)
            QTest::keyClick(picker->grid(), Qt::Key_Return);
        else
            doubleClickRow(picker->grid(), FData->TabPrj->recNo() - 1);
        return d->result();
    };
    auto* picker = new TFPrj1(&entry);
    picker->setActivityChoices(&linkedChoice, &allChoice);
    picker->Tag = 1;
    QPointer<TFPrj1> guard = picker;
    const int result = qui::DialogService::instance().exec(picker);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(picker->Tag, 0);
    delete guard.data();
    QCOMPARE(FData->TabTemPRJCOD->asString(), project);
    QCOMPARE(FData->TabTemACTCOD->asInteger(), activity);
    QCOMPARE(linkedChoice.isChecked(), linked);
    QCOMPARE(allChoice.isChecked(), !linked);
    QCOMPARE(choiceClicks, clicks);
    QVERIFY(f.dialogs->dialogs == QStringList { "FPrj1" }); // no project dialog: the pick, not Edit
    FData->TabTem->cancel();
}

void TestReferenceWindows::activityPickerPicks()
{
    f.addEmployee("E1", "Zoe");
    f.addActivity(2, "Travel");
    f.addActivity(4, "Design");
    f.addActivity(9, "Build");
    f.open();
    TFAct activities;
    activities.grid()->setFocus();
    QTest::keyClick(activities.grid(), Qt::Key_T);
    QVERIFY(FData->TabAct->locate("ACTCOD", 4));
    FData->TabTem->append();
    QString searchAtStart;
    int firstAtStart = 0;
    f.drivers["FAct1"] = [&](QDialog* d) {
        auto* picker = static_cast<TFAct1*>(d);
        searchAtStart = picker->searchText();
        firstAtStart = FData->TabActACTCOD->asInteger();
        QTest::keyClick(picker->grid(), Qt::Key_D); // Design
        QTest::keyClick(picker->grid(), Qt::Key_Return);
        return d->result();
    };
    auto* picker = new TFAct1;
    picker->Tag = 1;
    QPointer<TFAct1> guard = picker;
    QCOMPARE(qui::DialogService::instance().exec(picker), int(QDialog::Accepted));
    delete guard.data();
    QCOMPARE(searchAtStart, QString()); // each opening starts a new search
    QCOMPARE(firstAtStart, 9); // on the first activity: Build
    QCOMPARE(FData->TabTemACTCOD->asInteger(), 4);
    QCOMPARE(activities.searchText(), QStringLiteral("\r")); // the class's one text, Enter typed into it
    FData->TabTem->cancel();
}

void TestReferenceWindows::pickersAreDialogsOfTheirOwn()
{
    f.open();
    QWidget entry;
    TFPrj1 prj(&entry);
    TFAct1 act(&entry);
    QVERIFY(prj.isWindow());
    QVERIFY(act.isWindow());
    QCOMPARE(prj.windowTitle(), QStringLiteral("Quillmark 3.0"));
    QCOMPARE(act.windowTitle(), QStringLiteral("Quillmark 3.0"));
    QCOMPARE(prj.width(), 536);
    QCOMPARE(act.width(), 523);
    QVERIFY(prj.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!prj.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!prj.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(prj.objectName(), QStringLiteral("FPrj1"));
    QCOMPARE(act.objectName(), QStringLiteral("FAct1"));
    // Escape closes a picker, never a child window of the main window.
    prj.show();
    QTest::keyClick(prj.grid(), Qt::Key_Escape);
    QVERIFY(!prj.isVisible());
    TFPrj window;
    window.show();
    QTest::keyClick(window.grid(), Qt::Key_Escape);
    QVERIFY(window.isVisible());
}

// ---- rendering -------------------------------------------------------------------------------

void TestReferenceWindows::renders()
{
    const char* names[][2]
        = { { "E1001", "Ada Lovelace" }, { "E1002", "Charles Babbage" }, { "E1003", "Grace Hopper" },
              { "E1004", "Alan Turing" }, { "E1005", "Katherine Johnson" }, { "E1006", "Edsger Dijkstra" },
              { "E1007", "Barbara Liskov" }, { "E1008", "Donald Knuth" }, { "E1009", "Margaret Hamilton" },
              { "E1010", "Niklaus Wirth" }, { "E1011", "Frances Allen" }, { "E1012", "John Backus" } };
    for (const auto& n : names)
        f.addEmployee(QLatin1String(n[0]), QLatin1String(n[1]));
    const char* projects[][2]
        = { { "BRIDGE-01", "North bridge renovation" }, { "CANAL-07", "Canal lock survey" },
              { "HQ-2026", "Headquarters move" }, { "WEB-3", "Customer portal" }, { "AUDIT", "Yearly audit" },
              { "TRAIN-12", "Staff training programme" } };
    for (const auto& p : projects)
        f.addProject(QLatin1String(p[0]), QLatin1String(p[1]));
    const char* acts[]
        = { "Analysis", "Design", "Build", "Testing", "Documentation", "Meetings", "Travel", "Support" };
    for (int i = 0; i < 8; ++i)
        f.addActivity(i + 1, QLatin1String(acts[i]));
    f.open();
    const QString dir = QDir::tempPath();
    auto save = [&](QWidget* w, const char* name) {
        w->show();
        QCoreApplication::processEvents();
        const QPixmap pm = w->grab();
        QVERIFY(!pm.isNull());
        QVERIFY(pm.save(dir + QStringLiteral("/qm-%1.png").arg(QLatin1String(name))));
    };
    TFEmp emp;
    emp.resize(522, 307);
    FData->TabEmp->locate("EMPCOD", QStringLiteral("E1003"));
    save(&emp, "emp");
    TFPrj prj;
    prj.resize(520, 273);
    prj.FormActivate();
    save(&prj, "prj");
    TFAct act;
    act.resize(427, 273);
    QTest::mouseClick(act.findChild<QLabel*>("Label2"), Qt::LeftButton);
    act.FormActivate();
    save(&act, "act");
    QTest::mouseClick(act.findChild<QLabel*>("Label3"), Qt::LeftButton);
    TFPrj1 prj1;
    prj1.FormActivate();
    save(&prj1, "prj1");
    TFAct1 act1;
    act1.FormActivate();
    save(&act1, "act1");

    // As the main window shows them: maximised in the document area, frameless.
    QMdiArea area;
    area.resize(760, 420);
    auto* child = new TFEmp;
    QMdiSubWindow* sub = area.addSubWindow(child, Qt::FramelessWindowHint);
    area.show();
    sub->showMaximized();
    child->paintTitles(); // as the main window does when it is first shown
    save(&area, "emp-maximised");

    FData->TabEmp->edit();
    TFEmpAM dialog;
    dialog.Tag = 0;
    save(&dialog, "empam");
    QCOMPARE(dialog.size(), QSize(427, 146));
    FData->TabEmp->cancel();
}

QTEST_MAIN(TestReferenceWindows)
#include "tst_referencewindows.moc"
