#include "Database.h"
#include "EngineError.h"
#include "Query.h"
#include "TestEnv.h"

#include <QtTest>
#include <memory>

using namespace qdb;

namespace {

const QDate D1(2024, 3, 1), D2(2024, 3, 2), D3(2024, 3, 3);

// Tem: time entries; Emp: employees. Dates are stored as ISO text, booleans as 0/1.
void createTables(Database& db)
{
    db.createTable(TableDef { QStringLiteral("Emp"),
        { { QStringLiteral("EmpCod"), FieldType::String, 5 }, { QStringLiteral("EmpNom"), FieldType::String, 30 } },
        { QStringLiteral("EmpCod") }, {} });
    db.createTable(TableDef { QStringLiteral("Tem"),
        { { QStringLiteral("TemNum"), FieldType::Integer }, { QStringLiteral("TemDat"), FieldType::Date },
            { QStringLiteral("EmpCod"), FieldType::String, 5 }, { QStringLiteral("TemNbrHeu"), FieldType::Float },
            { QStringLiteral("TemFac"), FieldType::Boolean }, { QStringLiteral("TemDes"), FieldType::Memo } },
        { QStringLiteral("TemNum") }, {} });
    const QString emp = QStringLiteral("INSERT INTO Emp (EmpCod, EmpNom) VALUES (?, ?)");
    db.execute(emp, { "ANN", "Ann Archer" });
    db.execute(emp, { "BOB", "Bob Baker" });
    const QString tem = QStringLiteral("INSERT INTO Tem (TemNum, TemDat, EmpCod, TemNbrHeu, TemFac, TemDes) VALUES (?, ?, ?, ?, ?, ?)");
    db.execute(tem, { 1, "2024-03-01", "ANN", 2.5, 1, "it's :NotAParam" });
    db.execute(tem, { 2, "2024-03-02", "ANN", 4.0, 0, QVariant() });
    db.execute(tem, { 3, "2024-03-02", "BOB", 1.5, 1, QVariant() });
    db.execute(tem, { 4, "2024-03-03", "ANN", 3.0, 1, QVariant() });
    db.execute(tem, { 5, "2024-03-03", "BOB", 8.0, 1, QVariant() });
}

// One database per test, with the tables filled.
struct Fixture {
    TestEnv env;
    Database db;
    Fixture()
    {
        db.setDirectory(env.newDatabaseDir());
        db.open();
        createTables(db);
    }
};

std::unique_ptr<Query> makeQuery(Database& db, const QStringList& sql)
{
    auto q = std::make_unique<Query>();
    q->setDatabase(&db);
    q->setSql(sql);
    return q;
}

const QStringList SumSql { QStringLiteral("Select Sum(TemNbrHeu) From Tem "),
    QStringLiteral("Where TemDat >= :Debut And TemDat <= :Fin And EmpCod = :Emp And TemFac = :Fac") };

} // namespace

class TstQuery : public QObject {
    Q_OBJECT

private slots:
    void sumWithParams_data();
    void sumWithParams();
    void columnNaming_data();
    void columnNaming();
    void joinReadsTypedFields();
    void parameterDiscovery();
    void paramsSurviveSqlChange();
    void declaredFields();
    void refusesChanges_data();
    void refusesChanges();
    void errors_data();
    void errors();
    void releasesTheStorageWhenOpen();
    void refreshAndNavigation();
};

void TstQuery::sumWithParams_data()
{
    QTest::addColumn<QDate>("debut");
    QTest::addColumn<QDate>("fin");
    QTest::addColumn<QString>("emp");
    QTest::addColumn<bool>("fac");
    QTest::addColumn<QVariant>("sum"); // invalid: null

    QTest::newRow("one day") << D1 << D1 << "ANN" << true << QVariant(2.5);
    QTest::newRow("range, billable") << D1 << D3 << "ANN" << true << QVariant(5.5);
    QTest::newRow("not billable") << D1 << D3 << "ANN" << false << QVariant(4.0);
    QTest::newRow("other employee") << D2 << D3 << "BOB" << true << QVariant(9.5);
    QTest::newRow("no rows gives null") << D3 << D2 << "ANN" << true << QVariant();
}

void TstQuery::sumWithParams()
{
    QFETCH(QDate, debut);
    QFETCH(QDate, fin);
    QFETCH(QString, emp);
    QFETCH(bool, fac);
    QFETCH(QVariant, sum);

    Fixture fx;
    auto q = makeQuery(fx.db, SumSql);
    q->paramByName(QStringLiteral("debut")).setAsDate(debut);
    q->paramByName(QStringLiteral("Fin")).setAsDate(fin);
    q->paramByName(QStringLiteral("Emp")).setAsString(emp);
    q->paramByName(QStringLiteral("FAC")).setAsBoolean(fac);
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->recordCount(), 1); // an aggregate gives its row even over nothing
    Field* f = q->fieldByName(QStringLiteral("SUM OF TemNbrHeu"));
    QCOMPARE(f->dataType(), FieldType::Float);
    QCOMPARE(f->isNull(), !sum.isValid());
    if (sum.isValid())
        QCOMPARE(f->asFloat(), sum.toDouble());

    // Reopening with other values reuses the statement.
    q->close();
    q->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("nobody"));
    QVERIFY_ENGINE(q->open());
    QVERIFY(q->fieldByName(QStringLiteral("SUM OF TemNbrHeu"))->isNull());
}

void TstQuery::columnNaming_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("sum") << "Select Sum(TemNbrHeu) From Tem"
                         << "SUM OF TemNbrHeu" << int(FieldType::Float) << QVariant(19.0);
    QTest::newRow("sum, qualified") << "Select Sum(Tem.TemNbrHeu) From Tem"
                                    << "SUM OF TemNbrHeu" << int(FieldType::Float) << QVariant(19.0);
    QTest::newRow("sum of an integer column") << "Select sum( T.TemNum ) From Tem T"
                                              << "SUM OF TemNum" << int(FieldType::Float) << QVariant(15.0);
    QTest::newRow("count") << "Select Count(EmpCod) From Tem Where TemFac = True"
                           << "COUNT OF EmpCod" << int(FieldType::Integer) << QVariant(4);
    QTest::newRow("max of a date") << "Select Max(TemDat) From Tem"
                                   << "MAX OF TemDat" << int(FieldType::Date) << QVariant(D3);
    QTest::newRow("min, qualified") << "Select Min(Emp.EmpNom) From Emp"
                                    << "MIN OF EmpNom" << int(FieldType::String) << QVariant("Ann Archer");
    QTest::newRow("alias wins") << "Select Sum(TemNbrHeu) As Total From Tem"
                                << "Total" << int(FieldType::Float) << QVariant(19.0);
    QTest::newRow("aliased column keeps its type") << "Select E.TemDat D From Tem E Where TemNum = 2"
                                                   << "D" << int(FieldType::Date) << QVariant(D2);
    QTest::newRow("expression typed by its values") << "Select TemNum * 2 As Twice From Tem Where TemNum = 3"
                                                    << "Twice" << int(FieldType::Integer) << QVariant(6);
    QTest::newRow("boolean column") << "Select TemFac From Tem Where TemNum = 2"
                                    << "TemFac" << int(FieldType::Boolean) << QVariant(false);
}

void TstQuery::columnNaming()
{
    QFETCH(QString, sql);
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QVariant, value);

    Fixture fx;
    auto q = makeQuery(fx.db, { sql });
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->fieldCount(), 1);
    QCOMPARE(q->fields().front()->fieldName(), name);
    QCOMPARE(int(q->fields().front()->dataType()), type);
    QCOMPARE(q->fields().front()->value(), value);
}

void TstQuery::joinReadsTypedFields()
{
    Fixture fx;
    auto q = makeQuery(fx.db,
        { QStringLiteral("Select Tem.TemDat, Tem.EmpCod, Emp.EmpNom, Tem.TemFac, Tem.TemNbrHeu, Tem.TemDes"),
            QStringLiteral("From Tem, Emp"), QStringLiteral("Where Tem.EmpCod = Emp.EmpCod And Tem.TemFac = True And Tem.TemDat >= :Debut"),
            QStringLiteral("Order By Tem.TemDat, Tem.EmpCod") });
    q->paramByName(QStringLiteral("Debut")).setAsDate(D2);
    QVERIFY_ENGINE(q->open());

    QStringList names;
    for (Field* f : q->fields())
        names << f->fieldName();
    QCOMPARE(names, (QStringList { "TemDat", "EmpCod", "EmpNom", "TemFac", "TemNbrHeu", "TemDes" }));
    QCOMPARE(q->fieldByName(QStringLiteral("TEMDAT"))->dataType(), FieldType::Date);
    QCOMPARE(q->fieldByName(QStringLiteral("TemFac"))->dataType(), FieldType::Boolean);
    QCOMPARE(q->fieldByName(QStringLiteral("EmpNom"))->size(), 30);

    QStringList rows;
    for (q->first(); !q->eof(); q->next())
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(q->fieldByName(QStringLiteral("TemDat"))->value().toDate().toString(Qt::ISODate),
                        q->fieldByName(QStringLiteral("EmpNom"))->asString(),
                        q->fieldByName(QStringLiteral("TemFac"))->value().typeId() == QMetaType::Bool ? "bool" : "not bool")
                    .arg(q->fieldByName(QStringLiteral("TemNbrHeu"))->asFloat());
    QCOMPARE(rows, (QStringList { "2024-03-02 Bob Baker bool 1.5", "2024-03-03 Ann Archer bool 3", "2024-03-03 Bob Baker bool 8" }));
    QVERIFY(q->fieldByName(QStringLiteral("TemDes"))->isNull());
}

void TstQuery::parameterDiscovery()
{
    Fixture fx;
    // A repeated name is one parameter; quoted text and comments hold none.
    auto q = makeQuery(fx.db,
        { QStringLiteral("Select TemNum, ':Quoted' As \":Ident\" From Tem -- :Comment"),
            QStringLiteral("Where TemDat >= :Jour And TemDat <= :jour /* :Other */ And TemDes Is Null"),
            QStringLiteral("Order By TemNum") });
    QStringList names;
    for (Param* p : q->params())
        names << p->name();
    QCOMPARE(names, QStringList { "Jour" });
    QVERIFY_ENGINE_CODE(q->paramByName(QStringLiteral("Quoted")), ErrorCode::NoSuchObject);

    q->paramByName(QStringLiteral("JOUR")).setAsDate(D3);
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->recordCount(), 2);
    QCOMPARE(q->fieldByName(QStringLiteral("TemNum"))->asInteger(), 4);
    QCOMPARE(q->fieldByName(QStringLiteral(":Ident"))->asString(), QStringLiteral(":Quoted"));

    // Values of each kind bind as the storage holds them.
    Param p(QStringLiteral("x"));
    p.setAsDate(D1);
    QCOMPARE(p.bindValue(), QVariant(QStringLiteral("2024-03-01")));
    p.setAsBoolean(true);
    QCOMPARE(p.bindValue(), QVariant(1));
    p.setValue(QVariant(false));
    QCOMPARE(p.bindValue(), QVariant(0));
    QCOMPARE(p.dataType(), FieldType::Boolean);
    p.clear();
    QVERIFY(p.isNull());
    QVERIFY(!p.bindValue().isValid());
    QCOMPARE(p.dataType(), FieldType::Boolean);

    // A null parameter matches nothing, as in SQL.
    auto n = makeQuery(fx.db, { QStringLiteral("Select TemNum From Tem Where EmpCod = :Emp") });
    n->paramByName(QStringLiteral("Emp")).clear();
    QVERIFY_ENGINE(n->open());
    QVERIFY(n->isEmpty());
}

void TstQuery::paramsSurviveSqlChange()
{
    Fixture fx;
    auto q = makeQuery(fx.db, { QStringLiteral("Select Count(*) From Tem Where EmpCod = :Emp") });
    q->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("BOB"));
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->fields().front()->asInteger(), 2);

    // Changing the lines closes the query; :Emp keeps its value, :Fac is new.
    q->sql().clear();
    q->sql() << QStringLiteral("Select Count(*) As N From Tem") << QStringLiteral("Where EmpCod = :EMP And TemFac = :Fac");
    QVERIFY_ENGINE(q->paramByName(QStringLiteral("Fac")).setAsBoolean(false));
    QVERIFY(!q->active());
    QVERIFY(!q->prepared());
    QCOMPARE(q->paramByName(QStringLiteral("emp")).value(), QVariant(QStringLiteral("BOB")));
    QVERIFY_ENGINE(q->prepare());
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->fieldByName(QStringLiteral("N"))->asInteger(), 0);

    q->setSql({ QStringLiteral("Select Count(*) As N From Tem Where TemFac = :Fac") });
    QVERIFY(!q->active());
    QVERIFY_ENGINE_CODE(q->paramByName(QStringLiteral("Emp")), ErrorCode::NoSuchObject);
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->fieldByName(QStringLiteral("N"))->asInteger(), 1);
}

void TstQuery::declaredFields()
{
    Fixture fx;
    auto q = makeQuery(fx.db, { QStringLiteral("Select EmpCod, Sum(TemNbrHeu) From Tem Group By EmpCod Order By EmpCod") });
    q->addField(QStringLiteral("sum of temnbrheu"), FieldType::Float);
    q->addField(QStringLiteral("EMPCOD")); // typed from the table
    int calcs = 0;
    q->addCalcField(QStringLiteral("Days"), FieldType::Float);
    q->setOnCalcFields([&](Dataset& d) {
        ++calcs;
        d.fieldByName(QStringLiteral("Days"))->setAsFloat(d.fieldByName(QStringLiteral("SUM OF TemNbrHeu"))->asFloat() / 8);
    });
    QVERIFY_ENGINE(q->open());
    QCOMPARE(q->fieldCount(), 3);
    QCOMPARE(q->fieldByName(QStringLiteral("EmpCod"))->dataType(), FieldType::String);
    QCOMPARE(q->fieldByName(QStringLiteral("EmpCod"))->asString(), QStringLiteral("ANN"));
    QCOMPARE(q->fieldByName(QStringLiteral("SUM OF TEMNBRHEU"))->asFloat(), 9.5);
    QVERIFY(calcs >= 2);
    q->last();
    QCOMPARE(q->fieldByName(QStringLiteral("Days"))->asFloat(), 9.5 / 8);

    // A declared field the result lacks is refused, and the query can open once it is fixed.
    q->close();
    auto bad = makeQuery(fx.db, { QStringLiteral("Select EmpCod From Emp") });
    bad->addField(QStringLiteral("EmpNom"), FieldType::String);
    QVERIFY_ENGINE_CODE(bad->open(), ErrorCode::NoSuchObject);
    QVERIFY(!bad->active());
    bad->setSql({ QStringLiteral("Select EmpCod, EmpNom From Emp") });
    QVERIFY_ENGINE(bad->open());
    QCOMPARE(bad->fieldCount(), 1);
    QCOMPARE(bad->fieldByName(QStringLiteral("EmpNom"))->asString(), QStringLiteral("Ann Archer"));
}

void TstQuery::refusesChanges_data()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("edit") << 0;
    QTest::newRow("append") << 1;
    QTest::newRow("delete") << 2;
}

void TstQuery::refusesChanges()
{
    QFETCH(int, operation);
    Fixture fx;
    auto q = makeQuery(fx.db, { QStringLiteral("Select EmpCod, EmpNom From Emp Order By EmpCod") });
    q->open();
    switch (operation) {
    case 0: QVERIFY_ENGINE_CODE(q->edit(), ErrorCode::NotSupported); break;
    case 1: QVERIFY_ENGINE_CODE(q->append(), ErrorCode::NotSupported); break;
    case 2: QVERIFY_ENGINE_CODE(q->remove(), ErrorCode::NotSupported); break;
    }
    QCOMPARE(q->state(), Dataset::State::Browse);
    QCOMPARE(q->recordCount(), 2);
    QCOMPARE(q->fieldByName(QStringLiteral("EmpCod"))->asString(), QStringLiteral("ANN"));
    QVERIFY_ENGINE_CODE(q->fieldByName(QStringLiteral("EmpNom"))->setAsString(QStringLiteral("x")), ErrorCode::InvalidState);
}

void TstQuery::errors_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("bindEmp");
    QTest::addColumn<int>("code");

    QTest::newRow("syntax") << "Selct * From Tem" << true << int(ErrorCode::SqlError);
    QTest::newRow("unknown table") << "Select * From Nope" << true << int(ErrorCode::SqlError);
    QTest::newRow("parameter without a value") << "Select * From Tem Where EmpCod = :Emp" << false << int(ErrorCode::InvalidParameter);
    QTest::newRow("no SQL") << "" << false << int(ErrorCode::InvalidState);
}

void TstQuery::errors()
{
    QFETCH(QString, sql);
    QFETCH(bool, bindEmp);
    QFETCH(int, code);

    Fixture fx;
    auto q = makeQuery(fx.db, sql.isEmpty() ? QStringList() : QStringList { sql });
    if (bindEmp && q->findParam(QStringLiteral("Emp")))
        q->paramByName(QStringLiteral("Emp")).setAsString(QStringLiteral("ANN"));
    QVERIFY_ENGINE_CODE(q->open(), code);
    QVERIFY(!q->active());
    QCOMPARE(q->fieldCount(), 0); // no fields are left behind by the failed opening

    Query unattached;
    unattached.setSql({ QStringLiteral("Select * From Tem") });
    QVERIFY_ENGINE_CODE(unattached.open(), ErrorCode::NotInitialized);
}

void TstQuery::releasesTheStorageWhenOpen()
{
    // Another workstation commits while the query is open: a statement kept open would hold
    // the shared lock and make that commit wait out the busy timeout, then fail.
    Fixture fx;
    auto q = makeQuery(fx.db, { QStringLiteral("Select TemNum From Tem Order By TemNum") });
    QVERIFY_ENGINE(q->open());
    QVERIFY(!q->eof());

    Database other;
    other.setDirectory(fx.db.directory());
    QVERIFY_ENGINE(other.open());
    QElapsedTimer timer;
    timer.start();
    QVERIFY_ENGINE(other.execute(QStringLiteral("UPDATE Tem SET TemNbrHeu = 0 WHERE TemNum = 1")));
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(q->recordCount(), 5);

    // Closing the connection closes its queries.
    fx.db.close();
    QVERIFY(!q->active());
}

void TstQuery::refreshAndNavigation()
{
    Fixture fx;
    auto q = makeQuery(fx.db, { QStringLiteral("Select TemNum, EmpCod From Tem Order By TemNum") });
    q->open();
    q->setRecNo(3);
    QCOMPARE(q->fieldByName(QStringLiteral("TemNum"))->asInteger(), 3);
    QVERIFY(q->locate(QStringLiteral("EmpCod"), QStringLiteral("bob"), LocateOption::CaseInsensitive));
    QCOMPARE(q->recNo(), 3);
    QVERIFY(!q->locate(QStringLiteral("EmpCod"), QStringLiteral("bob")));
    QCOMPARE(q->lookupValue(QStringLiteral("TemNum"), { 5 }, QStringLiteral("EmpCod")), QVariant(QStringLiteral("BOB")));

    fx.db.execute(QStringLiteral("DELETE FROM Tem WHERE TemNum > 1"));
    QVERIFY_ENGINE(q->refresh());
    QCOMPARE(q->recordCount(), 1);
    QCOMPARE(q->fieldByName(QStringLiteral("TemNum"))->asInteger(), 1);
    q->next();
    QVERIFY(q->eof());
}

QTEST_GUILESS_MAIN(TstQuery)
#include "tst_query.moc"
