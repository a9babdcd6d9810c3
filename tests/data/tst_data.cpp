#include "Data.h"
#include "EngineError.h"
#include "TestEnv.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

namespace ErrorCode = qdb::ErrorCode;

namespace {
// Stands in for the timesheet window: records the totals refreshes it is asked for.
class FakeTotalsView : public TotalsView {
public:
    bool active = true;
    QDate date { 2026, 3, 4 };
    QStringList calls;
    bool isTimesheetViewActive() const override { return active; }
    QDate calendarDate() const override { return date; }
    void UpdateDayHours(bool billable, const QDate& d) override
    {
        calls << QStringLiteral("day %1 %2").arg(billable).arg(d.toString(Qt::ISODate));
    }
    void UpdatePeriodHours(bool billable, const QDate& d) override
    {
        calls << QStringLiteral("period %1 %2").arg(billable).arg(d.toString(Qt::ISODate));
    }
};
}

class TestData : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void freshDatabaseHasSchema35();
    void reopenedDatabaseKeepsItsData();
    void constraintsRefuse_data();
    void constraintsRefuse();
    void hoursText_data();
    void hoursText();
    void projectActivityText();
    void billableSplit_data();
    void billableSplit();
    void dayFilter();
    void rangeFilter_data();
    void rangeFilter();
    void sumQueriesAreNullOnNoRows();
    void sumQueriesAddBillableAndNot();
    void exportQueryJoinsNames();
    void projectActivitiesFollowProject();
    void editSeesOtherWorkstationsNewEntry();
    void undurablePostIsRefusedAndKept();
    void totalsFollowEmployeeOnlyInTimesheetView();

private:
    void openAll();
    void addEmployee(const QString& code, const QString& name);
    void addProject(const QString& code, const QString& des);
    void addActivity(int code, const QString& des);
    void addEntry(int code, const QString& emp, const QDate& day, const QVariant& hours, const QVariant& billable,
        const QString& prj = QStringLiteral("P1"), int act = 1);
    std::unique_ptr<qdb::Database> otherWorkstation();

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<TFData> data;
    QString dir;
};

void TestData::init()
{
    env = std::make_unique<TestEnv>();
    dir = env->newDatabaseDir();
    qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
    qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
    data = std::make_unique<TFData>();
}

void TestData::cleanup()
{
    data.reset();
    env.reset();
}

void TestData::openAll()
{
    FData->Db->open();
    for (qdb::Table* t : FData->TablesInOpenOrder())
        t->open();
}

void TestData::addEmployee(const QString& code, const QString& name)
{
    FData->Db->execute(QStringLiteral("INSERT INTO Emp VALUES (?, ?)"), { code, name });
}

void TestData::addProject(const QString& code, const QString& des)
{
    FData->Db->execute(QStringLiteral("INSERT INTO Prj VALUES (?, ?)"), { code, des });
}

void TestData::addActivity(int code, const QString& des)
{
    FData->Db->execute(QStringLiteral("INSERT INTO Act VALUES (?, ?)"), { code, des });
}

void TestData::addEntry(int code, const QString& emp, const QDate& day, const QVariant& hours, const QVariant& billable,
    const QString& prj, int act)
{
    FData->Db->execute(QStringLiteral("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, ACTCOD, TEMFAC, TEMNOT, PRJCOD)"
                                      " VALUES (?, ?, ?, ?, ?, ?, NULL, ?)"),
        { code, day.toString(Qt::ISODate), emp, hours, act, billable, prj });
}

std::unique_ptr<qdb::Database> TestData::otherWorkstation()
{
    auto db = std::make_unique<qdb::Database>();
    db->setAliasName(QStringLiteral("QUILLMARK"));
    db->open();
    return db;
}

void TestData::freshDatabaseHasSchema35()
{
    openAll();
    QCOMPARE(FData->Db->tableNames(), (QStringList { "Act", "Emp", "Prj", "PrjAct", "Sys", "Tem" }));
    QCOMPARE(FData->TabSys->recordCount(), 1);
    QCOMPARE(FData->TabSysSYSACTCODCPT->asInteger(), 1);
    QCOMPARE(FData->TabSysSYSTEMCODCPT->asInteger(), 1);
    QCOMPARE(FData->TabSysSYSPREJOUPER->asInteger(), 0);
    QCOMPARE(FData->TabSysSYSVER->asFloat(), 3.5);
    QCOMPARE(FData->TabSysSYSVER->displayText(), QStringLiteral("3.50"));
    QCOMPARE(FData->TabEmpEMPCOD->size(), 12);
    QCOMPARE(FData->TabTemPRJCOD->size(), 12);
    QCOMPARE(FData->Db->refConstraints(QStringLiteral("Tem.db")).size(), 2);
    QCOMPARE(FData->Db->refConstraints(QStringLiteral("PrjAct.db")).size(), 1);
    QVERIFY(QDir(FData->Db->directory() + QStringLiteral("NET")).exists());
    QCOMPARE(FData->Db->netFileDir(), FData->Db->directory() + QStringLiteral("NET"));
}

void TestData::reopenedDatabaseKeepsItsData()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addActivity(1, QStringLiteral("Design"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 7.5, true);
    FData->Db->close();
    data.reset();

    data = std::make_unique<TFData>();
    openAll();
    QCOMPARE(FData->TabSysSYSVER->asFloat(), 3.5);
    QCOMPARE(FData->TabEmpEMPNOM->asString(), QStringLiteral("Ada"));
    QCOMPARE(FData->TabTemTEMNBRHEU->asFloat(), 7.5);
    QCOMPARE(FData->TabTemprjdes->asString(), QStringLiteral("Bridge"));
    QCOMPARE(FData->TabSys->recordCount(), 1); // not created a second time
}

void TestData::constraintsRefuse_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("code"); // 0: allowed
    QTest::newRow("delete employee with entries") << "delEmp" << int(ErrorCode::DetailsExist);
    QTest::newRow("delete project with entries") << "delPrjTem" << int(ErrorCode::DetailsExist);
    QTest::newRow("delete project with activities") << "delPrjAct" << int(ErrorCode::DetailsExist);
    QTest::newRow("delete activity in use") << "delAct" << 0;
    QTest::newRow("entry of an unknown employee") << "orphanEmp" << int(ErrorCode::MasterMissing);
    QTest::newRow("duplicate employee") << "dupEmp" << int(ErrorCode::KeyViolation);
    QTest::newRow("two entries alike but their number") << "twin" << 0;
}

void TestData::constraintsRefuse()
{
    QFETCH(QString, action);
    QFETCH(int, code);
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addProject(QStringLiteral("P2"), QStringLiteral("Tunnel"));
    addActivity(1, QStringLiteral("Design"));
    FData->Db->execute(QStringLiteral("INSERT INTO PrjAct VALUES ('P2', 1)"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 2, true);
    FData->TabEmp->refresh();
    FData->TabPrj->refresh();
    FData->TabAct->refresh();

    auto attempt = [&]() {
        if (action == QLatin1String("delEmp")) {
            FData->TabEmp->remove();
        } else if (action == QLatin1String("delPrjTem")) {
            QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P1")));
            FData->TabPrj->remove();
        } else if (action == QLatin1String("delPrjAct")) {
            QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P2")));
            FData->TabPrj->remove();
        } else if (action == QLatin1String("delAct")) {
            FData->TabAct->remove();
        } else if (action == QLatin1String("orphanEmp") || action == QLatin1String("twin")) {
            FData->TabTemTmp->append();
            FData->TabTemTmpTEMCOD->setAsInteger(2);
            FData->TabTemTmpTEMDAT->setAsDate(QDate(2026, 3, 4));
            FData->TabTemTmpEMPCOD->setAsString(action == QLatin1String("twin") ? QStringLiteral("E1") : QStringLiteral("NOBODY"));
            FData->TabTemTmpPRJCOD->setAsString(QStringLiteral("P1"));
            FData->TabTemTmpACTCOD->setAsInteger(1);
            FData->TabTemTmpTEMNBRHEU->setAsFloat(2);
            FData->TabTemTmp->post();
        } else if (action == QLatin1String("dupEmp")) {
            FData->TabEmp->append();
            FData->TabEmpEMPCOD->setAsString(QStringLiteral("E1"));
            FData->TabEmp->post();
        }
    };
    if (code == 0) {
        QVERIFY_ENGINE(attempt());
    } else {
        QVERIFY_ENGINE_CODE(attempt(), code);
        QCOMPARE(FData->Db->execute(QStringLiteral("UPDATE Sys SET SYSVER = SYSVER")), 1); // storage still writable
    }
}

void TestData::hoursText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QVariant>("hours");
    QTest::addColumn<QString>("text");
    const QLocale us(QLocale::English, QLocale::UnitedStates), fr(QLocale::French, QLocale::France);
    QTest::newRow("whole") << us << QVariant(8.0) << "8 hour(s)";
    QTest::newRow("quarter") << us << QVariant(0.25) << "0.25 hour(s)";
    QTest::newRow("third, cut to 15") << us << QVariant(1.0 / 3.0) << "0.3333333333333";
    QTest::newRow("null") << us << QVariant() << " hour(s)";
    QTest::newRow("decimal comma") << fr << QVariant(7.5) << "7,5 hour(s)";
    QTest::newRow("large, no thousands separator") << fr << QVariant(1234.0) << "1234 hour(s)";
}

void TestData::hoursText()
{
    QFETCH(QLocale, locale);
    QFETCH(QVariant, hours);
    QFETCH(QString, text);
    QLocale::setDefault(locale);
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), hours, true);
    FData->TabEmp->refresh();
    QCOMPARE(FData->TabTemheures->asString(), text);
}

void TestData::projectActivityText()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addActivity(1, QStringLiteral("Design"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 1, true);
    addEntry(2, QStringLiteral("E1"), QDate(2026, 3, 5), 1, true, QStringLiteral("P1"), 99); // activity gone
    FData->TabEmp->refresh();
    QCOMPARE(FData->TabTemprjact->asString(), QStringLiteral("Bridge \\ Design"));
    FData->TabTem->next();
    QCOMPARE(FData->TabTemprjact->asString(), QStringLiteral("Bridge \\ "));
    QVERIFY(FData->TabTemactdes->isNull());
}

void TestData::billableSplit_data()
{
    QTest::addColumn<QVariant>("billable");
    QTest::addColumn<QVariant>("hours");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("fac");
    QTest::addColumn<double>("nonFac");
    QTest::newRow("billable") << QVariant(1) << QVariant(3.5) << "Chargeables" << 3.5 << 0.0;
    QTest::newRow("not billable") << QVariant(0) << QVariant(3.5) << "Not chargeables" << 0.0 << 3.5;
    QTest::newRow("never set") << QVariant() << QVariant(3.5) << "Not chargeables" << 0.0 << 3.5;
    QTest::newRow("null hours") << QVariant(1) << QVariant() << "Chargeables" << 0.0 << 0.0;
}

void TestData::billableSplit()
{
    QFETCH(QVariant, billable);
    QFETCH(QVariant, hours);
    QFETCH(QString, text);
    QFETCH(double, fac);
    QFETCH(double, nonFac);
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), hours, billable);
    FData->TabTemTmp->refresh();
    QCOMPARE(FData->TabTemTmptemfacdes->asString(), text);
    QCOMPARE(FData->TabTemTmptemnbrheufac->asFloat(), fac);
    QCOMPARE(FData->TabTemTmptemnbrheunonfac->asFloat(), nonFac);
    QCOMPARE(FData->TabTemTmpempnom->asString(), QStringLiteral("Ada"));
}

void TestData::dayFilter()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addEmployee(QStringLiteral("E2"), QStringLiteral("Bob"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 1, true);
    addEntry(2, QStringLiteral("E1"), QDate(2026, 3, 4), 2, false);
    addEntry(3, QStringLiteral("E1"), QDate(2026, 3, 5), 3, true);
    addEntry(4, QStringLiteral("E2"), QDate(2026, 3, 4), 4, true);
    FData->TabEmp->refresh();
    QCOMPARE(FData->TabTem->recordCount(), 3); // unfiltered: every entry of the employee
    FData->DatJou = QDate(2026, 3, 4);
    FData->TabTem->setFiltered(true);
    QCOMPARE(FData->TabTem->recordCount(), 2);
    FData->DatJou = QDate(2026, 3, 6);
    FData->TabTem->setFiltered(true);
    QVERIFY(FData->TabTem->isEmpty());
    FData->DatJou = QDate(2026, 3, 4);
    FData->TabTem->setFiltered(true);
    FData->TabEmp->next();
    QCOMPARE(FData->TabTem->recordCount(), 1);
    QCOMPARE(FData->TabTemTEMCOD->asInteger(), 4);
}

void TestData::rangeFilter_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("count");
    QTest::newRow("one day") << QDate(2026, 3, 4) << QDate(2026, 3, 4) << 1;
    QTest::newRow("both ends included") << QDate(2026, 3, 3) << QDate(2026, 3, 5) << 3;
    QTest::newRow("reversed") << QDate(2026, 3, 5) << QDate(2026, 3, 3) << 0;
}

void TestData::rangeFilter()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, count);
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    for (int d = 2; d <= 6; ++d)
        addEntry(d, QStringLiteral("E1"), QDate(2026, 3, d), 1, true);
    FData->DatDeb = from;
    FData->DatFin = to;
    FData->TabTemTmp->setFiltered(true);
    QCOMPARE(FData->TabTemTmp->recordCount(), count);
    FData->TabTemTmp->setFiltered(false);
    QCOMPARE(FData->TabTemTmp->recordCount(), 5);
}

void TestData::sumQueriesAreNullOnNoRows()
{
    openAll();
    FData->QNbrHeuJou->paramByName(QStringLiteral("Dat")).setAsDate(QDate(2026, 3, 4));
    FData->QNbrHeuJou->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("E1"));
    FData->QNbrHeuJou->paramByName(QStringLiteral("Fac")).setAsBoolean(true);
    FData->QNbrHeuJou->open();
    QVERIFY(FData->QNbrHeuJouSUMOFTemNbrHeu->isNull());
    FData->QNbrHeuJou->close();
}

void TestData::sumQueriesAddBillableAndNot()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 2), 1.5, true);
    addEntry(2, QStringLiteral("E1"), QDate(2026, 3, 4), 2.25, true);
    addEntry(3, QStringLiteral("E1"), QDate(2026, 3, 4), 4, false);
    addEntry(4, QStringLiteral("E1"), QDate(2026, 3, 4), 8, QVariant()); // counts in neither
    addEntry(5, QStringLiteral("E1"), QDate(2026, 3, 9), 16, true);      // outside the period
    auto day = [](bool fac) {
        FData->QNbrHeuJou->close();
        FData->QNbrHeuJou->paramByName(QStringLiteral("Dat")).setAsDate(QDate(2026, 3, 4));
        FData->QNbrHeuJou->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("E1"));
        FData->QNbrHeuJou->paramByName(QStringLiteral("Fac")).setAsBoolean(fac);
        FData->QNbrHeuJou->open();
        return FData->QNbrHeuJouSUMOFTemNbrHeu->asFloat();
    };
    auto period = [](bool fac) {
        FData->QNbrHeuSem->close();
        FData->QNbrHeuSem->paramByName(QStringLiteral("Debut")).setAsDate(QDate(2026, 3, 1));
        FData->QNbrHeuSem->paramByName(QStringLiteral("Fin")).setAsDate(QDate(2026, 3, 7));
        FData->QNbrHeuSem->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("E1"));
        FData->QNbrHeuSem->paramByName(QStringLiteral("Fac")).setAsBoolean(fac);
        FData->QNbrHeuSem->open();
        return FData->QNbrHeuSemSUMOFTemNbrHeu->asFloat();
    };
    QCOMPARE(day(true), 2.25);
    QCOMPARE(day(false), 4.0);
    QCOMPARE(period(true), 3.75);
    QCOMPARE(period(false), 4.0);
}

void TestData::exportQueryJoinsNames()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addActivity(1, QStringLiteral("Design"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 2, true);
    addEntry(2, QStringLiteral("E1"), QDate(2026, 3, 4), 2, true, QStringLiteral("P1"), 99); // no such activity
    FData->QExpTem->paramByName(QStringLiteral("Debut")).setAsDate(QDate(2026, 3, 1));
    FData->QExpTem->paramByName(QStringLiteral("Fin")).setAsDate(QDate(2026, 3, 31));
    FData->QExpTem->open();
    QCOMPARE(FData->QExpTem->recordCount(), 1);
    QStringList names;
    for (qdb::Field* f : FData->QExpTem->fields())
        names << f->fieldName();
    QCOMPARE(names.join(QLatin1Char(',')).toUpper(), QStringLiteral("TEMDAT,EMPCOD,EMPNOM,PRJCOD,PRJDES,ACTCOD,ACTDES,TEMNBRHEU,TEMFAC,TEMNOT"));
    QCOMPARE(FData->QExpTem->fieldByName(QStringLiteral("TemDat"))->asDate(), QDate(2026, 3, 4));
    QCOMPARE(FData->QExpTem->fieldByName(QStringLiteral("ActDes"))->asString(), QStringLiteral("Design"));
    FData->QExpTem->close();
}

void TestData::projectActivitiesFollowProject()
{
    openAll();
    addProject(QStringLiteral("P1"), QStringLiteral("Alpha"));
    addProject(QStringLiteral("P2"), QStringLiteral("Beta"));
    addActivity(1, QStringLiteral("Design"));
    addActivity(2, QStringLiteral("Build"));
    FData->Db->execute(QStringLiteral("INSERT INTO PrjAct VALUES ('P1', 2), ('P1', 1), ('P2', 2)"));
    FData->TabPrj->refresh();
    QCOMPARE(FData->TabPrjAct->recordCount(), 2);
    QCOMPARE(FData->TabPrjActACTCOD->asInteger(), 1);
    QCOMPARE(FData->TabPrjActactdes->asString(), QStringLiteral("Design"));
    FData->TabPrj->next();
    QCOMPARE(FData->TabPrjAct->recordCount(), 1);
    QCOMPARE(FData->TabPrjActactdes->asString(), QStringLiteral("Build"));
}

void TestData::editSeesOtherWorkstationsNewEntry()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addProject(QStringLiteral("P1"), QStringLiteral("Bridge"));
    addEntry(1, QStringLiteral("E1"), QDate(2026, 3, 4), 2, true);
    FData->TabEmp->refresh();
    FData->DatJou = QDate(2026, 3, 4);
    FData->TabTem->setFiltered(true);
    QCOMPARE(FData->TabTem->recordCount(), 1);

    auto other = otherWorkstation();
    other->execute(QStringLiteral("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, PRJCOD) VALUES (0, '2026-03-04', 'E1', 1, 'P1')"));
    FData->TabTem->edit(); // refresh before edit: the new entry is now in view
    FData->TabTem->cancel();
    FData->TabTem->first();
    QCOMPARE(FData->TabTemTEMCOD->asInteger(), 0);
}

void TestData::undurablePostIsRefusedAndKept()
{
    FData->Db->setBusyTimeout(100);
    openAll();
    auto other = otherWorkstation();
    QSqlQuery hold(other->connection());
    QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE"))); // another workstation is writing
    FData->TabEmp->append();
    FData->TabEmpEMPCOD->setAsString(QStringLiteral("E9"));
    FData->TabEmpEMPNOM->setAsString(QStringLiteral("Typed"));
    QVERIFY_ENGINE_CODE(FData->TabEmp->post(), ErrorCode::Busy);
    QCOMPARE(FData->TabEmp->state(), qdb::Dataset::State::Insert);
    QCOMPARE(FData->TabEmpEMPNOM->asString(), QStringLiteral("Typed"));
    QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
    QVERIFY_ENGINE(FData->TabEmp->post());
    QCOMPARE(FData->TabEmp->recordCount(), 1);
}

void TestData::totalsFollowEmployeeOnlyInTimesheetView()
{
    openAll();
    addEmployee(QStringLiteral("E1"), QStringLiteral("Ada"));
    addEmployee(QStringLiteral("E2"), QStringLiteral("Bob"));
    FData->TabEmp->refresh();
    FakeTotalsView view;
    FData->setTotalsView(&view);
    FData->TabEmp->next();
    QCOMPARE(view.calls, (QStringList { "day 1 2026-03-04", "day 0 2026-03-04", "period 1 2026-03-04", "period 0 2026-03-04" }));
    view.calls.clear();
    view.active = false;
    FData->TabEmp->prior();
    QVERIFY(view.calls.isEmpty());
    FData->setTotalsView(nullptr);
}

QTEST_GUILESS_MAIN(TestData)
#include "tst_data.moc"
