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
#include "Cal.h"
#include "Tem.h"

#include <QMdiArea>
#include <QMdiSubWindow>

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
    void upgradeRefusedWhileAnotherWorkstationHasItOpen();
    void unreadableDatabaseEndsWithFailure();
    void missingLevelEntryEndsWithFailure();
    void colourReadAndWrittenBack();
    void timesheetWindowFirstAndReportPeriod();

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
    QTest::addColumn<int>("answer"); // to the upgrade question
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QStringList>("messages");
    const QString question = QStringLiteral("Confirmation ...");
    QTest::newRow("3.5 runs") << QVariant(3.5) << int(qui::Answer::Yes) << true << QStringList();
    QTest::newRow("3.51 is newer") << QVariant(3.51) << int(qui::Answer::Yes) << false << QStringList { Res::CaptionWarning };
    QTest::newRow("3.49 upgraded") << QVariant(3.49) << int(qui::Answer::Yes) << true << QStringList { question };
    QTest::newRow("3.49 declined ends silently") << QVariant(3.49) << int(qui::Answer::No) << false << QStringList { question };
    QTest::newRow("no Sys row reads as 0") << QVariant() << int(qui::Answer::Yes) << true << QStringList { question };
}

void TestStartup::versionDecides()
{
    QFETCH(QVariant, version);
    QFETCH(int, answer);
    QFETCH(bool, runs);
    QFETCH(QStringList, messages);
    setSysVer(version);
    dialogs->answers = { qui::Answer(answer) };
    QCOMPARE(StartUp(), runs);
    QStringList captions;
    for (const auto& m : dialogs->messages)
        captions << m.caption;
    QCOMPARE(captions, messages);
    if (messages.contains(Res::CaptionWarning)) {
        QCOMPARE(dialogs->messages.first().text, Res::DatabaseTooNew);
        QCOMPARE(dialogs->messages.first().icon, qui::Icon::Warning);
    }
    QCOMPARE(FMain->isVisible(), runs);
    if (runs) {
        QCOMPARE(FData->TabSysSYSVER->asFloat(), 3.5);
        QVERIFY(FData->TabSysSYSTEMCODCPT->asInteger() >= 1);
    }
}

void TestStartup::upgradeRefusedWhileAnotherWorkstationHasItOpen()
{
    setSysVer(3.4);
    qdb::Database other;
    other.setAliasName(QStringLiteral("QUILLMARK"));
    other.open();
    QVERIFY(!StartUp());
    QCOMPARE(dialogs->messages.size(), 2);
    QCOMPARE(dialogs->messages.last().text, Res::UpgradeFailed);
    QCOMPARE(dialogs->messages.last().caption, Res::CaptionError);
    QCOMPARE(dialogs->messages.last().icon, qui::Icon::Error);
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


void TestStartup::timesheetWindowFirstAndReportPeriod()
{
    setSysVer(3.5);
    {
        qdb::Database db;
        db.setAliasName(QStringLiteral("QUILLMARK"));
        db.open();
        db.execute(QStringLiteral("UPDATE Sys SET SYSPREJOUPER = 1")); // periods start on Monday
    }
    QVERIFY(StartUp());
    QVERIFY(FTem && FCal);
    QCOMPARE(FMain->timesheetViewFlag(), 1);
    QVERIFY(FMain->subWindow(TFMain::View::Timesheets)->isMaximized());
    QCOMPARE(FTem->calendarDate(), QDate::currentDate());

    // A Wednesday chosen in the calendar: the reports get Monday to Sunday of its week.
    FCal->setDate(QDate(2021, 3, 10));
    FCal->MonthCalendar1Click();
    QCOMPARE(FMain->periodStart(), QDate(2021, 3, 8));
    QCOMPARE(FMain->periodEnd(), QDate(2021, 3, 14));

    FMain->CalendarClick();
    QVERIFY(FCal->isVisible());
    FMain->EmployeesClick();
    QCOMPARE(FMain->timesheetViewFlag(), 0);
    FMain->TimesheetsClick();
    QCOMPARE(FMain->timesheetViewFlag(), 1);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
