// Two workstations on one database: a record edited on one is refused at once on the other, and
// the next edit starts from what the first one saved.

#include "ReferenceFixture.h"

#include "Act.h"
#include "Emp.h"
#include "Prj.h"

#include "DBGrid.h"
#include "DataSource.h"

#include <QElapsedTimer>
#include <QtTest>

class TestWorkstations : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void recordEditedElsewhereIsRefused_data();
    void recordEditedElsewhereIsRefused();
    void recordDeletedElsewhere();

private:
    ReferenceFixture f;
};

void TestWorkstations::init()
{
    f.create();
    f.addEmployee("E1", "Zoe");
    f.addProject("P1", "Bridge");
    f.addActivity(1, "Design");
    f.open();
}

void TestWorkstations::cleanup()
{
    f.destroy();
}

void TestWorkstations::recordEditedElsewhereIsRefused_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("nameField");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("error");
    QTest::newRow("employee") << "Emp"
                              << "Emp.db"
                              << "EMPNOM"
                              << "FEmpAM"
                              << "Unable to edit this employee.";
    QTest::newRow("project") << "Prj"
                             << "Prj.db"
                             << "PRJDES"
                             << "FPrjAm"
                             << "Unable to edit this project.";
    QTest::newRow("activity") << "Act"
                              << "Act.DB"
                              << "ACTDES"
                              << "FActAm"
                              << "Unable to edit this activity.";
}

void TestWorkstations::recordEditedElsewhereIsRefused()
{
    QFETCH(QString, window);
    QFETCH(QString, table);
    QFETCH(QString, nameField);
    QFETCH(QString, dialog);
    QFETCH(QString, error);
    std::unique_ptr<ReferenceListWindow> w;
    if (window == QLatin1String("Emp"))
        w = std::make_unique<TFEmp>();
    else if (window == QLatin1String("Prj"))
        w = std::make_unique<TFPrj>();
    else
        w = std::make_unique<TFAct>();
    auto other = f.otherWorkstation();
    auto theirs = f.tableOf(other.get(), table);
    theirs->edit();
    theirs->fieldByName(nameField)->setAsString(QStringLiteral("Saved elsewhere"));

    QElapsedTimer clock;
    clock.start();
    w->ToolButton2Click();
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(f.errors, QStringList { error + QStringLiteral(" | This record is locked by another user.") });
    QCOMPARE(f.dialogs->dialogs, QStringList { "FDBErreur" }); // the edit dialog is not shown
    const qdb::Table* mine = static_cast<qdb::Table*>(w->grid()->dataSource()->dataSet());
    QCOMPARE(mine->state(), qdb::Dataset::State::Browse);

    theirs->post();
    QString startedFrom;
    f.drivers[dialog] = [&](QDialog* d) {
        startedFrom = f.text(d, "DBEdit2");
        f.click(d, "BitBtn2");
        return d->result();
    };
    w->ToolButton2Click();
    QCOMPARE(startedFrom, QStringLiteral("Saved elsewhere"));
    QCOMPARE(f.errors.size(), 1);
}

void TestWorkstations::recordDeletedElsewhere()
{
    TFEmp w;
    auto other = f.otherWorkstation();
    other->execute(QStringLiteral("DELETE FROM Emp"));
    // The list still shows the employee; editing it finds it gone: refused, and the list is
    // read again.
    QCOMPARE(w.grid()->model()->rowCount(), 1);
    w.ToolButton2Click();
    QCOMPARE(f.errors, QStringList { "Unable to edit this employee. | " });
    QCOMPARE(f.dialogs->dialogs, QStringList { "FDBErreur" });
    QCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Browse);
    QCOMPARE(w.grid()->model()->rowCount(), 0);
}

QTEST_MAIN(TestWorkstations)
#include "tst_workstations.moc"
