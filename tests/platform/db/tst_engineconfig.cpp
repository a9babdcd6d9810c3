#include "EngineConfig.h"
#include "EngineError.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtTest>

using qdb::EngineConfig;
using Node = EngineConfig::Node;
using Option = EngineConfig::Option;
using Nodes = QList<Node>;

Q_DECLARE_METATYPE(Nodes)

namespace {

// Quoted so that stray or missing whitespace shows in a failed comparison.
QString dump(const Nodes& nodes)
{
    QString out;
    for (const Node& node : nodes) {
        out += QStringLiteral("[\"%1\"]").arg(node.path);
        for (const Option& o : node.options)
            out += QStringLiteral(" \"%1\"=\"%2\"").arg(o.name, o.value);
        out += QLatin1Char('\n');
    }
    return out;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeBytes(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

const Nodes StandardDefaults {
    { QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\"), { { QStringLiteral("LEVEL"), QStringLiteral("3") } } },
    { QStringLiteral("\\SYSTEM\\INIT\\"),
        { { QStringLiteral("LOCAL SHARE"), QStringLiteral("FALSE") }, { QStringLiteral("LANGDRIVER"), QStringLiteral("ascii") } } },
};

// A hand-written file: comments and blank lines that any rewrite would drop.
const QByteArray HandWritten = "; edited by hand\n"
                               "[\\DATABASES\\Quillmark\\DB INFO\\]\n"
                               "PATH=/data/quillmark\n"
                               "\n"
                               "# keep this\n"
                               "[\\SYSTEM\\INIT\\]\n"
                               "LOCAL SHARE=TRUE\n"
                               "NET DIR=/srv/net\n";

} // namespace

class TestEngineConfig : public QObject {
    Q_OBJECT

private slots:
    void instanceFollowsInstanceFile();

    void ensureExistsWritesDefaultsOnce_data();
    void ensureExistsWritesDefaultsOnce();
    void ensureExistsLeavesExistingFileUntouched();

    void roundTrip_data();
    void roundTrip();
    void reading_data();
    void reading();
    void malformedFileIsAConfigError();
    void unrepresentableContentIsRefused_data();
    void unrepresentableContentIsRefused();

    void aliasLookup_data();
    void aliasLookup();
    void unknownAlias_data();
    void unknownAlias();
    void setAliasPath_data();
    void setAliasPath();

    void listWalkAndWrite();
    void listWithoutWritesDoesNotRewrite();
    void listDestructorSavesAndMoveSavesOnce();
    void listCloseKeepsConcurrentChanges();
    void listAfterClose();
    void unknownNode_data();
    void unknownNode();

    void unreadableFile();
    void unwritableFile_data();
    void unwritableFile();
    void listCloseFailureIsConfigAndDestructorSwallows();
};

void TestEngineConfig::instanceFollowsInstanceFile()
{
    TestEnv env;
    EngineConfig& first = EngineConfig::instance();
    QCOMPARE(first.filePath(), env.configFile());

    const QString other = env.path(QStringLiteral("elsewhere/engine.cfg"));
    EngineConfig::setInstanceFile(other);
    QCOMPARE(&EngineConfig::instance(), &first);
    QCOMPARE(EngineConfig::instance().filePath(), other);

    EngineConfig::setInstanceFile(QString());
    QCOMPARE(EngineConfig::instance().filePath(), EngineConfig::defaultFile());
    QCOMPARE(EngineConfig::defaultFile(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/qdb/engine.cfg"));
    EngineConfig::setInstanceFile(env.configFile()); // nothing below may reach the real file
}

void TestEngineConfig::ensureExistsWritesDefaultsOnce_data()
{
    QTest::addColumn<QString>("relativeFile");
    QTest::newRow("in existing directory") << QStringLiteral("engine.cfg");
    QTest::newRow("parent directories missing") << QStringLiteral("a/b/c/engine.cfg");
}

void TestEngineConfig::ensureExistsWritesDefaultsOnce()
{
    QFETCH(QString, relativeFile);
    TestEnv env;
    EngineConfig config(env.path(relativeFile));
    QVERIFY(!config.exists());

    QVERIFY_ENGINE(config.ensureExists(StandardDefaults));
    QVERIFY(config.exists());
    QCOMPARE(readBytes(config.filePath()),
        QByteArray("[\\DRIVERS\\DBASE\\TABLE CREATE\\]\nLEVEL=3\n"
                   "[\\SYSTEM\\INIT\\]\nLOCAL SHARE=FALSE\nLANGDRIVER=ascii\n"));

    // Later calls, even with other defaults, keep what is there, including user changes.
    QVERIFY_ENGINE(config.setAliasPath(QStringLiteral("Quillmark"), QStringLiteral("/data/qm")));
    const QByteArray before = readBytes(config.filePath());
    QVERIFY_ENGINE(config.ensureExists({ { QStringLiteral("\\OTHER\\"), { { QStringLiteral("X"), QStringLiteral("1") } } } }));
    QCOMPARE(readBytes(config.filePath()), before);
    QCOMPARE(config.aliasPath(QStringLiteral("Quillmark")), QStringLiteral("/data/qm"));
}

void TestEngineConfig::ensureExistsLeavesExistingFileUntouched()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    QVERIFY_ENGINE(config.ensureExists(StandardDefaults));
    QCOMPARE(readBytes(env.configFile()), HandWritten);
}

void TestEngineConfig::roundTrip_data()
{
    QTest::addColumn<Nodes>("nodes");
    QTest::newRow("order of nodes and options kept, not sorted")
        << Nodes { { QStringLiteral("\\Z\\"), { { QStringLiteral("ZETA"), QStringLiteral("1") }, { QStringLiteral("ALPHA"), QStringLiteral("2") } } },
               { QStringLiteral("\\A\\"), { { QStringLiteral("MID"), QStringLiteral("3") } } } };
    QTest::newRow("values with '=' and backslashes")
        << Nodes { { QStringLiteral("\\DATABASES\\X\\DB INFO\\"),
               { { QStringLiteral("PATH"), QStringLiteral("C:\\data\\x") }, { QStringLiteral("FILTER"), QStringLiteral("a=b==c=") },
                   { QStringLiteral("EMPTY"), QString() } } } };
    QTest::newRow("names differing only in case are distinct")
        << Nodes { { QStringLiteral("\\N\\"), { { QStringLiteral("Level"), QStringLiteral("1") }, { QStringLiteral("LEVEL"), QStringLiteral("2") } } },
               { QStringLiteral("\\n\\"), {} } };
    QTest::newRow("spaces, brackets and non-ASCII text")
        << Nodes { { QStringLiteral("\\DRIVERS\\DBASE\\TABLE [CREATE]\\"),
               { { QStringLiteral("LANG DRIVER"), QStringLiteral(" Zürich ; # ") }, { QStringLiteral("Größe"), QStringLiteral("[x]") } } } };
    QTest::newRow("empty node between others")
        << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("K"), QStringLiteral("v") } } }, { QStringLiteral("\\EMPTY\\"), {} },
               { QStringLiteral("\\B\\"), { { QStringLiteral("K"), QStringLiteral("w") } } } };
}

void TestEngineConfig::roundTrip()
{
    QFETCH(Nodes, nodes);
    TestEnv env;
    EngineConfig writer(env.configFile());
    QVERIFY_ENGINE(writer.ensureExists(nodes));

    // A separate object, so nothing can come from memory.
    EngineConfig reader(env.configFile());
    Nodes read;
    QVERIFY_ENGINE(read = reader.nodes());
    QCOMPARE(dump(read), dump(nodes));
}

void TestEngineConfig::reading_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Nodes>("expected");
    QTest::newRow("comments and blank lines ignored")
        << HandWritten
        << Nodes { { QStringLiteral("\\DATABASES\\Quillmark\\DB INFO\\"), { { QStringLiteral("PATH"), QStringLiteral("/data/quillmark") } } },
               { QStringLiteral("\\SYSTEM\\INIT\\"),
                   { { QStringLiteral("LOCAL SHARE"), QStringLiteral("TRUE") }, { QStringLiteral("NET DIR"), QStringLiteral("/srv/net") } } } };
    QTest::newRow("CRLF line ends and a byte order mark")
        << QByteArray("\xEF\xBB\xBF[\\A\\]\r\nK=v\r\n\r\n; note\r\n")
        << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("K"), QStringLiteral("v") } } } };
    QTest::newRow("split at the first '=', no final newline")
        << QByteArray("[\\A\\]\nK==x=y")
        << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("K"), QStringLiteral("=x=y") } } } };
    QTest::newRow("empty file") << QByteArray() << Nodes {};
}

void TestEngineConfig::reading()
{
    QFETCH(QByteArray, text);
    QFETCH(Nodes, expected);
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), text));
    Nodes read;
    QVERIFY_ENGINE(read = EngineConfig(env.configFile()).nodes());
    QCOMPARE(dump(read), dump(expected));
}

void TestEngineConfig::malformedFileIsAConfigError()
{
    // Dropping an unparseable line silently would lose it on the next save.
    TestEnv env;
    const QByteArray text = "[\\A\\]\nK=v\nno equals sign here\n";
    QVERIFY(writeBytes(env.configFile(), text));
    EngineConfig config(env.configFile());
    QVERIFY_ENGINE_CODE(config.nodes(), qdb::ErrorCode::Config);
    QVERIFY_ENGINE_CODE(config.setAliasPath(QStringLiteral("X"), QStringLiteral("/x")), qdb::ErrorCode::Config);
    QCOMPARE(readBytes(env.configFile()), text);
}

void TestEngineConfig::unrepresentableContentIsRefused_data()
{
    QTest::addColumn<Nodes>("nodes");
    QTest::newRow("line break in value")
        << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("K"), QStringLiteral("one\n[\\B\\]") } } } };
    QTest::newRow("'=' in name") << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("K=1"), QStringLiteral("v") } } } };
    QTest::newRow("name read back as a comment") << Nodes { { QStringLiteral("\\A\\"), { { QStringLiteral("; K"), QStringLiteral("v") } } } };
    QTest::newRow("empty name") << Nodes { { QStringLiteral("\\A\\"), { { QString(), QStringLiteral("v") } } } };
    QTest::newRow("line break in node path") << Nodes { { QStringLiteral("\\A\n\\"), {} } };
}

void TestEngineConfig::unrepresentableContentIsRefused()
{
    QFETCH(Nodes, nodes);
    TestEnv env;
    EngineConfig config(env.configFile());
    QVERIFY_ENGINE_CODE(config.ensureExists(nodes), qdb::ErrorCode::InvalidParameter);
    QVERIFY(!config.exists());
}

void TestEngineConfig::aliasLookup_data()
{
    QTest::addColumn<QString>("alias");
    QTest::newRow("as stored") << QStringLiteral("Quillmark");
    QTest::newRow("lower case") << QStringLiteral("quillmark");
    QTest::newRow("upper case") << QStringLiteral("QUILLMARK");
}

void TestEngineConfig::aliasLookup()
{
    QFETCH(QString, alias);
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    QCOMPARE(EngineConfig::aliasNode(alias), QStringLiteral("\\DATABASES\\") + alias + QStringLiteral("\\DB INFO\\"));
    QString path;
    QVERIFY_ENGINE(path = config.aliasPath(alias));
    QCOMPARE(path, QStringLiteral("/data/quillmark"));
}

void TestEngineConfig::unknownAlias_data()
{
    QTest::addColumn<QByteArray>("text"); // empty: no file at all
    QTest::addColumn<QString>("alias");
    QTest::newRow("no configuration file") << QByteArray() << QStringLiteral("Quillmark");
    QTest::newRow("other alias only") << HandWritten << QStringLiteral("Archive");
    QTest::newRow("prefix of an alias") << HandWritten << QStringLiteral("Quill");
    QTest::newRow("alias node without PATH")
        << QByteArray("[\\DATABASES\\Quillmark\\DB INFO\\]\npath=/lower/case/name\n") << QStringLiteral("Quillmark");
    QTest::newRow("node outside DATABASES") << QByteArray("[\\DATABASE\\Quillmark\\DB INFO\\]\nPATH=/x\n") << QStringLiteral("Quillmark");
}

void TestEngineConfig::unknownAlias()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, alias);
    TestEnv env;
    if (!text.isEmpty())
        QVERIFY(writeBytes(env.configFile(), text));
    EngineConfig config(env.configFile());
    try {
        config.aliasPath(alias);
        QFAIL("expected an engine error");
    } catch (const qdb::EngineError& e) {
        QCOMPARE(e.code(), quint16(qdb::ErrorCode::NoSuchObject));
        QCOMPARE(e.message(), QStringLiteral("Unknown database alias: ") + alias);
    }
}

void TestEngineConfig::setAliasPath_data()
{
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("path");
    QTest::addColumn<Nodes>("expected");
    const Node init { QStringLiteral("\\SYSTEM\\INIT\\"),
        { { QStringLiteral("LOCAL SHARE"), QStringLiteral("TRUE") }, { QStringLiteral("NET DIR"), QStringLiteral("/srv/net") } } };
    QTest::newRow("updates the existing node in place, whatever the case")
        << QStringLiteral("QUILLMARK") << QStringLiteral("D:\\new=place")
        << Nodes { { QStringLiteral("\\DATABASES\\Quillmark\\DB INFO\\"), { { QStringLiteral("PATH"), QStringLiteral("D:\\new=place") } } }, init };
    QTest::newRow("appends a node for a new alias")
        << QStringLiteral("Archive") << QStringLiteral("/data/archive")
        << Nodes { { QStringLiteral("\\DATABASES\\Quillmark\\DB INFO\\"), { { QStringLiteral("PATH"), QStringLiteral("/data/quillmark") } } }, init,
               { QStringLiteral("\\DATABASES\\Archive\\DB INFO\\"), { { QStringLiteral("PATH"), QStringLiteral("/data/archive") } } } };
}

void TestEngineConfig::setAliasPath()
{
    QFETCH(QString, alias);
    QFETCH(QString, path);
    QFETCH(Nodes, expected);
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    QVERIFY_ENGINE(config.setAliasPath(alias, path));

    EngineConfig reader(env.configFile());
    QCOMPARE(reader.aliasPath(alias), path);
    QCOMPARE(dump(reader.nodes()), dump(expected));
}

void TestEngineConfig::listWalkAndWrite()
{
    TestEnv env;
    EngineConfig config(env.configFile());
    const QString node = QStringLiteral("\\SYSTEM\\INIT\\");
    QVERIFY_ENGINE(config.ensureExists(StandardDefaults));
    {
        EngineConfig::List list = config.openList(node);
        QStringList seen;
        while (list.next()) {
            seen << list.current().name + QLatin1Char('=') + list.current().value;
            if (list.current().name == QStringLiteral("LOCAL SHARE"))
                list.write(QStringLiteral("TRUE=yes\\really"));
        }
        QCOMPARE(seen, QStringList({ QStringLiteral("LOCAL SHARE=FALSE"), QStringLiteral("LANGDRIVER=ascii") }));
        QVERIFY(!list.next()); // stays at the end
        QVERIFY_ENGINE(list.close());
    }
    Nodes expected = StandardDefaults;
    expected[1].options[0].value = QStringLiteral("TRUE=yes\\really");
    QCOMPARE(dump(EngineConfig(env.configFile()).nodes()), dump(expected));
}

void TestEngineConfig::listWithoutWritesDoesNotRewrite()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    {
        EngineConfig::List list = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
        while (list.next()) { }
        list.close();
    }
    QCOMPARE(readBytes(env.configFile()), HandWritten); // comments would be gone after a save
}

void TestEngineConfig::listDestructorSavesAndMoveSavesOnce()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    {
        EngineConfig::List opened = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
        QVERIFY(opened.next());
        opened.write(QStringLiteral("FALSE"));
        EngineConfig::List moved(std::move(opened));
        QVERIFY(!opened.next()); // the moved-from list is spent
        QVERIFY(moved.next());
        QCOMPARE(moved.current().name, QStringLiteral("NET DIR"));
        moved.write(QStringLiteral("/srv/other"));
        // No close(): destruction stores the changes.
    }
    EngineConfig reader(env.configFile());
    QCOMPARE(dump(reader.nodes()),
        dump(Nodes { { QStringLiteral("\\DATABASES\\Quillmark\\DB INFO\\"), { { QStringLiteral("PATH"), QStringLiteral("/data/quillmark") } } },
            { QStringLiteral("\\SYSTEM\\INIT\\"),
                { { QStringLiteral("LOCAL SHARE"), QStringLiteral("FALSE") }, { QStringLiteral("NET DIR"), QStringLiteral("/srv/other") } } } }));
}

void TestEngineConfig::listCloseKeepsConcurrentChanges()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    EngineConfig::List list = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
    QVERIFY(list.next());
    list.write(QStringLiteral("FALSE"));
    // Another user of the file changes a different node while the list is open.
    QVERIFY_ENGINE(EngineConfig(env.configFile()).setAliasPath(QStringLiteral("Archive"), QStringLiteral("/data/archive")));
    QVERIFY_ENGINE(list.close());

    EngineConfig reader(env.configFile());
    QCOMPARE(reader.aliasPath(QStringLiteral("Archive")), QStringLiteral("/data/archive"));
    QCOMPARE(reader.aliasPath(QStringLiteral("Quillmark")), QStringLiteral("/data/quillmark"));
    EngineConfig::List check = reader.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
    QVERIFY(check.next());
    QCOMPARE(check.current().value, QStringLiteral("FALSE"));
}

void TestEngineConfig::listAfterClose()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    EngineConfig::List list = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
    QVERIFY_ENGINE_CODE(list.current(), qdb::ErrorCode::InvalidState); // before the first option
    QVERIFY(list.next());
    list.write(QStringLiteral("FALSE"));
    QVERIFY_ENGINE(list.close());
    const QByteArray saved = readBytes(env.configFile());
    QVERIFY_ENGINE(list.close()); // idempotent
    QVERIFY(!list.next());
    QVERIFY_ENGINE_CODE(list.write(QStringLiteral("x")), qdb::ErrorCode::InvalidState);
    QCOMPARE(readBytes(env.configFile()), saved);
}

void TestEngineConfig::unknownNode_data()
{
    QTest::addColumn<QString>("node");
    QTest::newRow("absent") << QStringLiteral("\\DRIVERS\\PARADOX\\");
    QTest::newRow("case differs") << QStringLiteral("\\system\\init\\");
    QTest::newRow("trailing backslash missing") << QStringLiteral("\\SYSTEM\\INIT");
    QTest::newRow("forward slashes") << QStringLiteral("/SYSTEM/INIT/");
}

void TestEngineConfig::unknownNode()
{
    QFETCH(QString, node);
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    QVERIFY_ENGINE_CODE(config.openList(node), qdb::ErrorCode::NoSuchObject);
}

void TestEngineConfig::unreadableFile()
{
    TestEnv env;
    QVERIFY(QDir().mkpath(env.configFile())); // a directory where the file should be
    EngineConfig config(env.configFile());
    QVERIFY(!config.exists());
    QVERIFY_ENGINE_CODE(config.nodes(), qdb::ErrorCode::Config);
    QVERIFY_ENGINE_CODE(config.aliasPath(QStringLiteral("Quillmark")), qdb::ErrorCode::Config);
    QVERIFY_ENGINE_CODE(config.openList(QStringLiteral("\\SYSTEM\\INIT\\")), qdb::ErrorCode::Config);
}

void TestEngineConfig::unwritableFile_data()
{
    QTest::addColumn<QString>("directory"); // created in the file's place
    QTest::addColumn<QString>("regularFile"); // created where a parent directory is needed
    QTest::addColumn<QString>("relativeFile");
    QTest::newRow("path is a directory") << QStringLiteral("engine.cfg") << QString() << QStringLiteral("engine.cfg");
    QTest::newRow("parent is a regular file") << QString() << QStringLiteral("blocker") << QStringLiteral("blocker/qdb/engine.cfg");
}

void TestEngineConfig::unwritableFile()
{
    QFETCH(QString, directory);
    QFETCH(QString, regularFile);
    QFETCH(QString, relativeFile);
    TestEnv env;
    if (!directory.isEmpty())
        QVERIFY(QDir().mkpath(env.path(directory)));
    if (!regularFile.isEmpty())
        QVERIFY(writeBytes(env.path(regularFile), "not a directory"));
    EngineConfig config(env.path(relativeFile));
    QVERIFY_ENGINE_CODE(config.ensureExists(StandardDefaults), qdb::ErrorCode::Config);
    QVERIFY_ENGINE_CODE(config.setAliasPath(QStringLiteral("Quillmark"), QStringLiteral("/x")), qdb::ErrorCode::Config);
    QVERIFY(!config.exists());
}

void TestEngineConfig::listCloseFailureIsConfigAndDestructorSwallows()
{
    TestEnv env;
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    EngineConfig config(env.configFile());
    const auto breakFile = [&] { return QFile::remove(env.configFile()) && QDir().mkpath(env.configFile()); };
    {
        EngineConfig::List list = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
        QVERIFY(list.next());
        list.write(QStringLiteral("FALSE"));
        QVERIFY(breakFile());
        QVERIFY_ENGINE_CODE(list.close(), qdb::ErrorCode::Config);
        QVERIFY_ENGINE(list.close()); // reported once; the destructor stays quiet too
    }
    QVERIFY(QDir(env.configFile()).removeRecursively());
    QVERIFY(writeBytes(env.configFile(), HandWritten));
    {
        EngineConfig::List list = config.openList(QStringLiteral("\\SYSTEM\\INIT\\"));
        QVERIFY(list.next());
        list.write(QStringLiteral("FALSE"));
        QVERIFY(breakFile());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("engine configuration changes lost")));
    } // must not throw
    QVERIFY(QFileInfo(env.configFile()).isDir());
}

QTEST_GUILESS_MAIN(TestEngineConfig)
#include "tst_engineconfig.moc"
