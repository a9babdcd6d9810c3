#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "OldDatabases.h"
#include "TestEnv.h"

#include <QApplication>
#include <QProcess>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <iostream>

namespace ErrorCode = qdb::ErrorCode;

// Child mode: upgrade the database of the alias in the given engine configuration.
static int runChild(const QString& config)
{
    qdb::EngineConfig::setInstanceFile(config);
    qui::ScriptedDialogService dialogs; // answers Yes
    TFData data;
    std::cout << "started" << std::endl;
    const int r = data.UpgradeDatabase();
    std::cout << "result " << r << std::endl;
    return r;
}

// The rows as they must be after an upgrade: only the version of the Sys row changes.
static QStringList withVersion35(QStringList rows)
{
    for (QString& r : rows)
        if (r.startsWith(QLatin1String("Sys:")))
            r = r.section(QLatin1Char('|'), 0, 2) + QStringLiteral("|3.5");
    return rows;
}

class TestUpgrade : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shapesUpgradeWithTheirData_data();
    void shapesUpgradeWithTheirData();
    void declineChangesNothing();
    void refusedWhileAnotherWorkstationHasItOpen();
    void failureAfterDropsCanBeRunAgain();
    void routinePreconditions_data();
    void routinePreconditions();
    void killDuringUpgradeNeverCorrupts();

private:
    int version();
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<qui::ScriptedDialogService> dialogs;
    std::unique_ptr<TFData> data;
    QString dir;
};

void TestUpgrade::init()
{
    env = std::make_unique<TestEnv>();
    dialogs = std::make_unique<qui::ScriptedDialogService>();
    dir = env->newDatabaseDir();
    qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
    qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
    data = std::make_unique<TFData>();
}

void TestUpgrade::cleanup()
{
    data.reset();
    dialogs.reset();
    env.reset();
}

int TestUpgrade::version()
{
    qdb::Database db;
    db.setDirectory(dir);
    db.open();
    QSqlQuery q(db.connection());
    q.exec(QStringLiteral("SELECT SYSVER FROM Sys"));
    return q.next() ? int(std::lround(q.value(0).toDouble() * 100)) : 0;
}

void TestUpgrade::shapesUpgradeWithTheirData_data()
{
    QTest::addColumn<int>("shape");
    QTest::newRow("never had the constraints") << int(olddb::Shape::NeverHadConstraints);
    QTest::newRow("had the constraints") << int(olddb::Shape::HadConstraints);
    QTest::newRow("fields already 12 wide") << int(olddb::Shape::AlreadyWide);
}

void TestUpgrade::shapesUpgradeWithTheirData()
{
    QFETCH(int, shape);
    olddb::create(dir, olddb::Shape(shape));
    QStringList before = olddb::dump(dir);
    QCOMPARE(data->UpgradeDatabase(), 0);
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages.first().caption, QStringLiteral("Confirmation ..."));
    QStringList after = olddb::dump(dir);
    // Only the version changed.
    QCOMPARE(after, withVersion35(before));
    QCOMPARE(version(), 350);

    data->Db->open();
    for (const char* t : { "Emp", "Prj", "PrjAct", "Tem" })
        for (const char* f : { "EMPCOD", "PRJCOD" }) {
            const qdb::TableDef def = data->Db->tableDef(QLatin1String(t));
            const int i = def.fieldIndex(QLatin1String(f));
            if (i >= 0)
                QCOMPARE(def.fields[i].size, 12);
        }
    QCOMPARE(data->Db->refConstraints(QStringLiteral("Tem")).size(), 2);
    QCOMPARE(data->Db->refConstraints(QStringLiteral("PrjAct")).size(), 1);
    for (qdb::Table* t : data->TablesInOpenOrder())
        t->open();
    QVERIFY_ENGINE_CODE(data->TabEmp->remove(), ErrorCode::DetailsExist);
    data->TabTemTmp->append();
    data->TabTemTmpTEMCOD->setAsInteger(99999);
    data->TabTemTmpTEMDAT->setAsDate(QDate(2026, 1, 1));
    data->TabTemTmpEMPCOD->setAsString(QStringLiteral("NOBODY"));
    QVERIFY_ENGINE_CODE(data->TabTemTmp->post(), ErrorCode::MasterMissing);
    data->TabTemTmp->cancel();
    data->TabEmp->append();
    data->TabEmpEMPCOD->setAsString(QStringLiteral("ABCDEFGHIJKL"));
    QVERIFY_ENGINE(data->TabEmp->post());
    QVERIFY(data->TabEmp->locate(QStringLiteral("EMPCOD"), QStringLiteral("ABCDEFGHIJKL")));
}

void TestUpgrade::declineChangesNothing()
{
    olddb::create(dir, olddb::Shape::HadConstraints);
    const QStringList before = olddb::dump(dir);
    dialogs->answers = { qui::Answer::No };
    QCOMPARE(data->UpgradeDatabase(), 1);
    QCOMPARE(olddb::dump(dir), before);
    QCOMPARE(version(), 300);
}

void TestUpgrade::refusedWhileAnotherWorkstationHasItOpen()
{
    olddb::create(dir, olddb::Shape::NeverHadConstraints);
    const QStringList before = olddb::dump(dir);
    qdb::Database other;
    other.setDirectory(dir);
    other.open();
    QCOMPARE(data->UpgradeDatabase(), 2);
    other.close();
    QCOMPARE(olddb::dump(dir), before);
    QCOMPARE(version(), 300);
    QVERIFY(!data->Db->connected());
    QVERIFY(!data->Db->exclusive());
}

void TestUpgrade::failureAfterDropsCanBeRunAgain()
{
    olddb::create(dir, olddb::Shape::NeverHadConstraints);
    {
        qdb::Database db;
        db.setDirectory(dir);
        db.open();
        db.execute(QStringLiteral("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, PRJCOD) VALUES (5000, '2020-01-01', 'GHOST', 'PRJ1')"));
    }
    QCOMPARE(data->UpgradeDatabase(), 2); // the employee constraint cannot hold
    QCOMPARE(version(), 300);
    {
        qdb::Database db;
        db.setDirectory(dir);
        db.open();
        QCOMPARE(db.tableDef(QStringLiteral("Tem")).fields[2].size, 12); // widened before the failure
        db.execute(QStringLiteral("DELETE FROM Tem WHERE TEMCOD = 5000"));
    }
    QCOMPARE(data->UpgradeDatabase(), 0);
    QCOMPARE(version(), 350);
}

void TestUpgrade::routinePreconditions_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("message");
    QTest::newRow("drop: neither") << "drop0" << "SeqNo must be positive or a RI name must be specified";
    QTest::newRow("drop: both") << "dropBoth" << "You must either use the SeqNo or RIName to specify the constraint; not both";
    QTest::newRow("drop: shared table") << "dropShared" << "Table must be opened and in exclusive mode";
    QTest::newRow("drop: no constraints") << "dropNone" << "There are no RI constraints on this table";
    QTest::newRow("drop: unknown name") << "dropUnknown" << "Constraint was not found";
    QTest::newRow("field: closed") << "fieldClosed" << "Table must be opened to restructure";
    QTest::newRow("field: shared") << "fieldShared" << "Table must be opened exclusively to restructure";
    QTest::newRow("add: master closed") << "addMasterClosed" << "Master table: Emp.db is not opened";
    QTest::newRow("add: detail closed") << "addDetailClosed" << "Detail table: Tem.db is not opened";
    QTest::newRow("add: master shared") << "addMasterShared" << "Table: Emp.db must be opened exclusively";
    QTest::newRow("add: detail shared") << "addDetailShared" << "Table: Tem.db must be opened exclusively";
    QTest::newRow("add: cascade") << "addCascade" << "Cannot use cascading delete RI with Paradox tables";
}

void TestUpgrade::routinePreconditions()
{
    QFETCH(QString, call);
    QFETCH(QString, message);
    olddb::create(dir, call == QLatin1String("dropNone") ? olddb::Shape::NeverHadConstraints : olddb::Shape::HadConstraints);
    data->Db->open();
    qdb::Table tem, emp;
    for (auto [t, name] : { std::pair { &tem, "Tem.db" }, std::pair { &emp, "Emp.db" } }) {
        t->setDatabase(data->Db);
        t->setTableName(QLatin1String(name));
        t->setExclusive(!call.endsWith(QLatin1String("Shared")) || (call == QLatin1String("addDetailShared") && t == &emp)
            || (call == QLatin1String("addMasterShared") && t == &tem));
        if (!(call == QLatin1String("fieldClosed") || (call == QLatin1String("addMasterClosed") && t == &emp)
                || (call == QLatin1String("addDetailClosed") && t == &tem)))
            t->open();
    }
    TFData::FieldChange widen;
    widen.newSize = 12;
    try {
        if (call.startsWith(QLatin1String("drop")))
            data->DropRefConstraint(tem, call == QLatin1String("dropBoth") ? 1 : 0,
                call == QLatin1String("drop0") ? QString() : (call == QLatin1String("dropUnknown") ? QStringLiteral("ZNOPE") : QStringLiteral("ZEMPCOD")));
        else if (call.startsWith(QLatin1String("field")))
            data->RestructureField(tem, QStringLiteral("EMPCOD"), widen);
        else
            data->AddRefConstraint(emp, tem, qdb::RefRule::Restrict,
                call == QLatin1String("addCascade") ? qdb::RefRule::Cascade : qdb::RefRule::Restrict, QStringLiteral("ZX"));
        QFAIL("no error raised");
    } catch (const qdb::EngineError& e) {
        QCOMPARE(e.message(), message);
    }
}

void TestUpgrade::killDuringUpgradeNeverCorrupts()
{
    olddb::create(dir, olddb::Shape::HadConstraints, 120000);
    QStringList before = olddb::dump(dir);
    const QString config = env->configFile();
    for (int round = 0; round < 6; ++round) {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({ QStringLiteral("--child-upgrade"), config });
        child.start();
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(20000));
        QTest::qWait(int(QRandomGenerator::global()->bounded(30 + round * 60)));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(10000);

        // Whatever the moment, the database opens with every table and every row.
        const QStringList now = olddb::dump(dir);
        QCOMPARE(now.size(), before.size());
        const int v = version();
        QVERIFY(v == 300 || v == 350);
    }
    QCOMPARE(data->UpgradeDatabase(), 0); // and the upgrade can always run again to the end
    QCOMPARE(version(), 350);
    QCOMPARE(olddb::dump(dir), withVersion35(before));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--child-upgrade")
        return runChild(QString::fromLocal8Bit(argv[2]));
    TestUpgrade t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_upgrade.moc"
