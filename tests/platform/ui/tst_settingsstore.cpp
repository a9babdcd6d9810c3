#include "SettingsStore.h"
#include "TestEnv.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

using qui::ReadRegInteger;
using qui::RootKey;
using qui::WriteRegInteger;

Q_DECLARE_METATYPE(qui::RootKey)

namespace {
const QString kKey = QStringLiteral("Software\\Veltrix Inc.\\Quillmark3.0");

// Writes a raw value straight into one scope's file, bypassing the store's own checks.
void storeRaw(QSettings::Scope scope, const QString& valueName, const QVariant& value)
{
    QSettings settings(QSettings::IniFormat, scope, QStringLiteral("quillmark-registry"));
    settings.setFallbacksEnabled(false);
    settings.setValue(QStringLiteral("Software/Veltrix Inc./Quillmark3.0/") + valueName, value);
}
} // namespace

class tst_SettingsStore : public QObject {
    Q_OBJECT
private slots:
    void roots_data()
    {
        QTest::addColumn<RootKey>("root");
        QTest::newRow("LocalMachine") << RootKey::LocalMachine;
        QTest::newRow("CurrentUser") << RootKey::CurrentUser;
    }

    void defaultWhenMissing_data() { roots_data(); }
    void defaultWhenMissing()
    {
        QFETCH(RootKey, root);
        TestEnv env;
        QCOMPARE(ReadRegInteger(root, kKey, 0x00FF8040u, "BackColor"), 0x00FF8040u);
    }

    void roundTrip_data()
    {
        QTest::addColumn<RootKey>("root");
        QTest::addColumn<quint32>("value");
        QTest::newRow("machine zero") << RootKey::LocalMachine << 0u;
        QTest::newRow("machine max") << RootKey::LocalMachine << 0xFFFFFFFFu;
        QTest::newRow("user colour") << RootKey::CurrentUser << 0x00C0FFEEu;
    }
    void roundTrip()
    {
        QFETCH(RootKey, root);
        QFETCH(quint32, value);
        TestEnv env;
        WriteRegInteger(root, kKey, value, "BackColor");
        QCOMPARE(ReadRegInteger(root, kKey, 12345u, "BackColor"), value);
        // Other value names stay untouched.
        QCOMPARE(ReadRegInteger(root, kKey, 12345u, "ForeColor"), 12345u);
    }

    void machineWriteGoesToSystemScope()
    {
        TestEnv env;
        WriteRegInteger(RootKey::LocalMachine, kKey, 7u, "BackColor");
        QVERIFY(QFile::exists(env.path("settings-system/quillmark-registry.ini")));
        QCOMPARE(ReadRegInteger(RootKey::CurrentUser, kKey, 0u, "BackColor"), 0u);
    }

    void machineWriteFallsBackToUserScope()
    {
        TestEnv env;
        WriteRegInteger(RootKey::LocalMachine, kKey, 1u, "BackColor");
        QFile blocker(env.path("not-a-dir"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        // Root may write anywhere; a path below a regular file cannot be created by anyone.
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, env.path("not-a-dir/system"));

        WriteRegInteger(RootKey::LocalMachine, kKey, 0x123456u, "BackColor");
        QCOMPARE(ReadRegInteger(RootKey::CurrentUser, kKey, 0u, "BackColor"), 0x123456u);

        // The machine-wide file comes back (an administrator's start): the user's choice still wins.
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, env.path("settings-system"));
        QCOMPARE(ReadRegInteger(RootKey::LocalMachine, kKey, 0u, "BackColor"), 0x123456u);
    }

    void invalidStoredValueReadsAsDefault_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("text") << QVariant(QStringLiteral("blue"));
        QTest::newRow("negative") << QVariant(-1);
        QTest::newRow("too large") << QVariant(QStringLiteral("4294967296"));
        QTest::newRow("fraction") << QVariant(QStringLiteral("1.5"));
    }
    void invalidStoredValueReadsAsDefault()
    {
        QFETCH(QVariant, stored);
        TestEnv env;
        storeRaw(QSettings::SystemScope, "BackColor", stored);
        QCOMPARE(ReadRegInteger(RootKey::LocalMachine, kKey, 99u, "BackColor"), 99u);
    }
};

QTEST_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
