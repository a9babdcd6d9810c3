#include "Data.h"
#include "DialogService.h"
#include "Fin.h"
#include "Gauge.h"
#include "Main.h"
#include "Res.h"
#include "SettingsStore.h"
#include "Startup.h"
#include "TestEnv.h"
#include "TitlesColour.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void freshDirectoryStartsAndShutsDownInOrder();
    void reopensSchema35WithoutQuestion();
    void versionDecides_data();
    void versionDecides();
    void unreadableDatabaseEndsWithFailure();
    void missingLevelEntryEndsWithFailure();
    void colourReadAndWrittenBack();

private:
    void setSysVer(const QVariant& version);
    void end();

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<qui::ScriptedDialogService> dialogs;
    QString dir;
};

void TestStartup::init()
{
    env = std::make_unique<TestEnv>();
    dialogs = std::make_unique<qui::ScriptedDialogService>();
    dir = env->newDatabaseDir();
    qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
    qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
}

void TestStartup::end()
{
    delete FMain;
    delete FData;
}

void TestStartup::cleanup()
{
    end();
    dialogs.reset();
    env.reset();
}

void TestStartup::setSysVer(const QVariant& version)
{
    qdb::Database db;
    db.setAliasName(QStringLiteral("QUILLMARK"));
    db.setAfterConnect([](qdb::Database& d) {
        if (d.tableNames().isEmpty())
            TFData::CreateSchema(d);
    });
    db.open();
    if (version.isValid())
        db.execute(QStringLiteral("UPDATE Sys SET SYSVER = ?"), { version });
    else
        db.execute(QStringLiteral("DELETE FROM Sys"));
}

void TestStartup::freshDirectoryStartsAndShutsDownInOrder()
{
    QVERIFY(StartUp());
    QVERIFY(dialogs->messages.isEmpty());
    QVERIFY(FMain->isVisible());
    for (qdb::Table* t : FData->TablesInOpenOrder())
        QVERIFY2(t->active(), qPrintable(t->objectName()));
    QCOMPARE(FData->TabSysSYSVER->asFloat(), 3.5);
    QCOMPARE(FData->Db->netFileDir(), dir + QStringLiteral("/NET"));
    QCOMPARE(DayNames.size(), 7);
    QCOMPARE(DayNames.first(), QStringLiteral("Sunday"));

    QStringList closed;
    QList<int> gauge;
    for (qdb::Table* t : FData->TablesInOpenOrder())
        connect(t, &qdb::Dataset::closed, this, [&closed, &gauge, t]() {
            closed << t->objectName();
            gauge << (FFin ? FFin->Gauge1()->progress() : -1);
        });
    connect(FData->Db, &qdb::Database::connectionChanged, this, [&](bool on) {
        if (!on) {
            closed << QStringLiteral("Db");
            gauge << (FFin ? FFin->Gauge1()->progress() : -1);
        }
    });
    FMain->close();
    QCOMPARE(closed, (QStringList { "TabEmp", "TabPrj", "TabAct", "TabPrjAct", "TabTem", "TabTemTmp", "TabSys", "Db" }));
    // The gauge is read as each closes, before its own step: it ends full after the eighth.
    QCOMPARE(gauge, (QList<int> { 0, 10, 20, 30, 40, 40, 50, 60 }));
    QCOMPARE(FMain->shutdownGauge(), 70);
    QVERIFY(!FFin); // freed
}

void TestStartup::reopensSchema35WithoutQuestion()
{
    QVERIFY(StartUp());
    FData->TabEmp->append();
    FData->TabEmpEMPCOD->setAsString(QStringLiteral("E1"));
    FData->TabEmp->post();
    FMain->close();
    end();
    QVERIFY(StartUp());
    QVERIFY(dialogs->messages.isEmpty());
    QCOMPARE(FData->TabEmp->recordCount(), 1);
}

void TestStartup::versionDecides_data()
{
    QTest::addColumn<QVariant>("version");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QString>("message");
    QTest::newRow("3.5 runs") << QVariant(3.5) << true << QString();
    QTest::newRow("3.51 is newer") << QVariant(3.51) << false << Res::DatabaseTooNew;
    // Older versions go to the upgrade; until it can restructure, it reports failure.
    QTest::newRow("3.49 is older") << QVariant(3.49) << false << Res::UpgradeFailed;
    QTest::newRow("no Sys row reads as 0") << QVariant() << false << Res::UpgradeFailed;
}

void TestStartup::versionDecides()
{
    QFETCH(QVariant, version);
    QFETCH(bool, runs);
    QFETCH(QString, message);
    setSysVer(version);
    QCOMPARE(StartUp(), runs);
    if (message.isEmpty()) {
        QVERIFY(dialogs->messages.isEmpty());
    } else {
        QCOMPARE(dialogs->messages.size(), 1);
        QCOMPARE(dialogs->messages.first().text, message);
        QCOMPARE(dialogs->messages.first().icon, message == Res::DatabaseTooNew ? qui::Icon::Warning : qui::Icon::Error);
        QCOMPARE(dialogs->messages.first().caption, message == Res::DatabaseTooNew ? Res::CaptionWarning : Res::CaptionError);
        QVERIFY(!FMain->isVisible());
    }
}

void TestStartup::unreadableDatabaseEndsWithFailure()
{
    QFile f(QDir(dir).filePath(QStringLiteral("tables.sqlite")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'z'));
    f.close();
    QVERIFY(!StartUp());
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages.first().text, Res::DatabaseFailure);
    QCOMPARE(dialogs->messages.first().caption, Res::CaptionWarning);
    QCOMPARE(dialogs->messages.first().icon, qui::Icon::Information);
    QCOMPARE(QFileInfo(f.fileName()).size(), 8192);
}

void TestStartup::missingLevelEntryEndsWithFailure()
{
    QFile::remove(env->configFile());
    qdb::EngineConfig::instance().ensureExists(
        { { QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\"), { { QStringLiteral("VERSION"), QStringLiteral("4") } } },
            { qdb::EngineConfig::aliasNode(QStringLiteral("QUILLMARK")), { { QStringLiteral("PATH"), dir } } } });
    QVERIFY(!StartUp());
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages.first().text, Res::DatabaseFailure);
}

void TestStartup::colourReadAndWrittenBack()
{
    QVERIFY(StartUp());
    QCOMPARE(TitlesColour(), quint32(0xFFFF));
    QCOMPARE(qui::ReadRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, 0x123456, Res::RegistryColour), quint32(0xFFFF));
    FMain->close();
    end();
    qui::WriteRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, 0x00FF8000, Res::RegistryColour);
    QVERIFY(StartUp());
    QCOMPARE(TitlesColour(), quint32(0x00FF8000));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
