#include "Data.h"
#include "EngineError.h"
#include "TestEnv.h"

#include <QtTest>

// The one engine option the program sets at every start, and how it fails.
class TestEngineConfigEntry : public QObject {
    Q_OBJECT
private slots:
    void setsLevel();
    void refusals_data();
    void refusals();
    void defaultsCreatedOnce();
};

void TestEngineConfigEntry::setsLevel()
{
    TestEnv env;
    qdb::EngineConfig::instance().ensureExists(
        { { QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\"), { { QStringLiteral("VERSION"), QStringLiteral("1") }, { QStringLiteral("LEVEL"), QStringLiteral("5") } } } });
    QVERIFY_ENGINE(TFData::SetEngineConfig(QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\;LEVEL"), QStringLiteral("3")));
    const auto nodes = qdb::EngineConfig(env.configFile()).nodes();
    QCOMPARE(nodes.first().options.at(1).value, QStringLiteral("3"));
    QCOMPARE(nodes.first().options.at(0).value, QStringLiteral("1"));
}

void TestEngineConfigEntry::refusals_data()
{
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("message");
    QTest::newRow("no semicolon") << "\\DRIVERS\\DBASE\\TABLE CREATE\\"
                                  << "Invalid parameter passed to function.  There must be a semi-colon delimited sting passed";
    QTest::newRow("option missing") << "\\DRIVERS\\DBASE\\TABLE CREATE\\;BLOCK SIZE"
                                    << "\\DRIVERS\\DBASE\\TABLE CREATE\\;BLOCK SIZE entry was not found in configuration file";
    QTest::newRow("option name is case-sensitive") << "\\DRIVERS\\DBASE\\TABLE CREATE\\;Level"
                                                   << "\\DRIVERS\\DBASE\\TABLE CREATE\\;Level entry was not found in configuration file";
}

void TestEngineConfigEntry::refusals()
{
    QFETCH(QString, parameter);
    QFETCH(QString, message);
    TestEnv env;
    qdb::EngineConfig::instance().ensureExists(
        { { QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\"), { { QStringLiteral("VERSION"), QStringLiteral("1") }, { QStringLiteral("LEVEL"), QStringLiteral("5") } } } });
    try {
        TFData::SetEngineConfig(parameter, QStringLiteral("3"));
        QFAIL("no error raised");
    } catch (const qdb::EngineError& e) {
        QCOMPARE(e.message(), message);
    }
}

void TestEngineConfigEntry::defaultsCreatedOnce()
{
    TestEnv env;
    QVERIFY(!qdb::EngineConfig::instance().exists());
    QVERIFY_ENGINE(TFData::SetEngineConfig(QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\;LEVEL"), QStringLiteral("3")));
    QVERIFY(qdb::EngineConfig::instance().exists());
    QCOMPARE(qdb::EngineConfig::instance().aliasPath(QStringLiteral("QUILLMARK")), TFData::DefaultDataDirectory());
}

QTEST_GUILESS_MAIN(TestEngineConfigEntry)
#include "tst_engineconfigentry.moc"
