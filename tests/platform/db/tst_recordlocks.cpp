#include "Fixture.h"
#include "RecordLocks.h"
#include "Table.h"
#include "TestEnv.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <iostream>

using namespace qdb;

// Run as a child workstation: open the database, put row CODE=A of M in edit, say so, wait.
static int runChild(const QString& dir)
{
    try {
        auto db = fixture::open(dir, false);
        Table m;
        m.setDatabase(db.get());
        m.setTableName(QStringLiteral("M"));
        m.open();
        m.edit();
        std::cout << "editing" << std::endl;
        std::string line;
        std::getline(std::cin, line); // killed before this returns
    } catch (const EngineError& e) {
        std::cout << "error " << qPrintable(e.message()) << std::endl;
        return 1;
    }
    return 0;
}

class TestRecordLocks : public QObject {
    Q_OBJECT
private slots:
    void nestedLocksOfOneWorkstation();
    void resourceLocksShareAndExclude();
    void lockAcrossProcessesAndAfterKill();
};

void TestRecordLocks::nestedLocksOfOneWorkstation()
{
    TestEnv env;
    RecordLocks a(env.path(QStringLiteral("NET"))), b(env.path(QStringLiteral("NET")));
    QVERIFY(a.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("42")));
    QVERIFY(a.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("42"))); // same workstation: counted
    QVERIFY(!b.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("42")));
    QVERIFY(b.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("43")));
    QVERIFY(b.tryLockRecord(QStringLiteral("Emp"), QStringLiteral("42"))); // other table
    a.unlockRecord(QStringLiteral("Tem"), QStringLiteral("42"));
    QVERIFY(!b.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("42")));
    a.unlockRecord(QStringLiteral("Tem"), QStringLiteral("42"));
    QVERIFY(b.tryLockRecord(QStringLiteral("Tem"), QStringLiteral("42")));
}

void TestRecordLocks::resourceLocksShareAndExclude()
{
    TestEnv env;
    RecordLocks a(env.path(QStringLiteral("NET"))), b(env.path(QStringLiteral("NET")));
    QVERIFY(a.tryLockResource(QStringLiteral("session"), false));
    QVERIFY(a.tryLockResource(QStringLiteral("session"), false));
    QVERIFY(b.tryLockResource(QStringLiteral("session"), false));
    QVERIFY(!b.tryLockResource(QStringLiteral("session"), true)); // a is a user too
    b.unlockResource(QStringLiteral("session"), false);
    a.unlockResource(QStringLiteral("session"), false);
    QVERIFY(!b.tryLockResource(QStringLiteral("session"), true)); // a still has one holder
    a.unlockResource(QStringLiteral("session"), false);
    QVERIFY(b.tryLockResource(QStringLiteral("session"), true));
    QVERIFY(!a.tryLockResource(QStringLiteral("session"), false));
}

void TestRecordLocks::lockAcrossProcessesAndAfterKill()
{
    TestEnv env;
    const QString dir = env.newDatabaseDir();
    {
        auto db = fixture::open(dir, true);
        db->execute(QStringLiteral("INSERT INTO M VALUES ('A', 'one')"));
    }
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({ QStringLiteral("--child"), dir });
    child.start();
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("editing"));

    auto db = fixture::open(dir, false);
    Table m;
    m.setDatabase(db.get());
    m.setTableName(QStringLiteral("M"));
    m.open();
    QVERIFY_ENGINE_CODE(m.edit(), ErrorCode::RecordLocked);

    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    QVERIFY_ENGINE(m.edit()); // the kernel dropped the dead workstation's lock
    m.fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("two"));
    QVERIFY_ENGINE(m.post());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(QString::fromLocal8Bit(argv[2]));
    TestRecordLocks t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_recordlocks.moc"
