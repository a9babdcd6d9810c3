#include "EngineError.h"
#include "MemTable.h"
#include "TestEnv.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace qdb;

namespace {

struct Row {
    QVariant prj;
    QVariant date;
    QVariant hours;
};

// PRJCOD (text), TEMDAT (date), NBRHEU (float), in this insertion order.
void fill(MemTable& t, const QList<Row>& rows)
{
    for (const Row& r : rows) {
        t.append();
        t.fieldByName(QStringLiteral("PRJCOD"))->setValue(r.prj);
        t.fieldByName(QStringLiteral("TEMDAT"))->setValue(r.date);
        t.fieldByName(QStringLiteral("NBRHEU"))->setValue(r.hours);
        t.post();
    }
}

void define(MemTable& t)
{
    t.clearFieldDefs();
    t.addFieldDef(QStringLiteral("PRJCOD"), FieldType::String, 10);
    t.addFieldDef(QStringLiteral("TEMDAT"), FieldType::Date);
    t.addFieldDef(QStringLiteral("NBRHEU"), FieldType::Float);
    t.createDataSet();
}

// The hours of every row in the current order: the hours identify the rows in these tests.
QList<double> hoursInOrder(MemTable& t)
{
    QList<double> out;
    for (t.first(); !t.eof(); t.next())
        out << t.fieldByName(QStringLiteral("NBRHEU"))->asFloat();
    return out;
}

const QDate D1(2024, 3, 1), D2(2024, 3, 2), D3(2024, 3, 3);

QList<Row> sampleRows()
{
    return {
        { QStringLiteral("beta"), D2, 1.0 },
        { QStringLiteral("Alpha"), D3, 2.0 },
        { QVariant(), D1, 3.0 },
        { QStringLiteral("alpha"), D1, 4.0 },
        { QStringLiteral("Gamma"), QVariant(), 5.0 },
        { QStringLiteral("alpha"), D2, 6.0 },
    };
}

} // namespace

class TstMemTable : public QObject {
    Q_OBJECT

private slots:
    void indexOrder_data();
    void indexOrder();
    void switchingIndexKeepsCurrentRecord();
    void findKey_data();
    void findKey();
    void findKeyRefusals();
    void postKeepsIndexOrder();
    void deleteAndCancel();
    void emptyDataSet();
    void locate_data();
    void locate();
    void lookupValue();
    void redefineFields();
    void largeTableStaysFast();
};

void TstMemTable::indexOrder_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QList<double>>("expected");

    QTest::newRow("insertion order") << QString() << true << QList<double> { 1, 2, 3, 4, 5, 6 };
    // Null first; "Alpha" and "alpha" are equal keys, kept in insertion order.
    QTest::newRow("text, case-insensitive") << "PRJCOD" << true << QList<double> { 3, 2, 4, 6, 1, 5 };
    QTest::newRow("text, case-sensitive") << "PRJCOD" << false << QList<double> { 3, 2, 5, 4, 6, 1 };
    QTest::newRow("date, nulls first") << "TEMDAT" << true << QList<double> { 5, 3, 4, 1, 6, 2 };
    QTest::newRow("two fields, lower-case names") << "prjcod;temdat" << true << QList<double> { 3, 4, 6, 2, 1, 5 };
}

void TstMemTable::indexOrder()
{
    QFETCH(QString, fields);
    QFETCH(bool, caseInsensitive);
    QFETCH(QList<double>, expected);

    TestEnv env;
    MemTable t;
    define(t);
    if (!fields.isEmpty())
        t.addIndex(QStringLiteral("ByKey"), fields, caseInsensitive);
    QVERIFY_ENGINE(fill(t, sampleRows()));
    QVERIFY_ENGINE(t.setIndexName(fields.isEmpty() ? QString() : QStringLiteral("bykey")));
    QCOMPARE(hoursInOrder(t), expected);
    QCOMPARE(t.recordCount(), expected.size());

    // The same order when the index is chosen before the rows arrive (binary insertion).
    MemTable u;
    define(u);
    if (!fields.isEmpty()) {
        u.addIndex(QStringLiteral("ByKey"), fields, caseInsensitive);
        u.setIndexName(QStringLiteral("ByKey"));
    }
    QVERIFY_ENGINE(fill(u, sampleRows()));
    QCOMPARE(hoursInOrder(u), expected);
}

void TstMemTable::switchingIndexKeepsCurrentRecord()
{
    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Prj"), QStringLiteral("PRJCOD"));
    t.addIndex(QStringLiteral("Dat"), QStringLiteral("TEMDAT"));
    fill(t, sampleRows());

    t.setIndexName(QStringLiteral("Prj"));
    t.setRecNo(4); // "alpha", 2024-03-02
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 6.0);
    t.setIndexName(QStringLiteral("Dat"));
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 6.0);
    QCOMPARE(t.recNo(), 5);
    QCOMPARE(t.indexName(), QStringLiteral("Dat"));

    // Dropping the current index falls back to insertion order.
    t.deleteIndex(QStringLiteral("DAT"));
    QCOMPARE(t.indexName(), QString());
    QCOMPARE(hoursInOrder(t), (QList<double> { 1, 2, 3, 4, 5, 6 }));
    QVERIFY_ENGINE_CODE(t.setIndexName(QStringLiteral("Dat")), ErrorCode::NoSuchObject);
    QVERIFY_ENGINE_CODE(t.deleteIndex(QStringLiteral("Nope")), ErrorCode::NoSuchObject);

    // An index naming a field the table lacks is refused when chosen, and the order stays.
    t.addIndex(QStringLiteral("Bad"), QStringLiteral("PRJCOD;NOPE"));
    QVERIFY_ENGINE_CODE(t.setIndexName(QStringLiteral("Bad")), ErrorCode::NoSuchObject);
    QCOMPARE(t.indexName(), QString());
    QCOMPARE(hoursInOrder(t), (QList<double> { 1, 2, 3, 4, 5, 6 }));
}

void TstMemTable::findKey_data()
{
    QTest::addColumn<QVariantList>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("hours"); // of the current record afterwards

    // Before each search the current record is the last one (Gamma, hours 5).
    QTest::newRow("full key") << QVariantList { QStringLiteral("alpha"), D2 } << true << 6.0;
    QTest::newRow("full key, other case") << QVariantList { QStringLiteral("ALPHA"), D3 } << true << 2.0;
    QTest::newRow("date given as text") << QVariantList { QStringLiteral("beta"), QStringLiteral("2024-03-02") } << true << 1.0;
    QTest::newRow("leading field: first of the group") << QVariantList { QStringLiteral("Alpha") } << true << 4.0;
    QTest::newRow("null key") << QVariantList { QVariant() } << true << 3.0;
    QTest::newRow("missing date stays") << QVariantList { QStringLiteral("alpha"), QDate(2024, 3, 9) } << false << 5.0;
    QTest::newRow("missing prefix stays") << QVariantList { QStringLiteral("alp") } << false << 5.0;
    QTest::newRow("beyond the last key stays") << QVariantList { QStringLiteral("zzz") } << false << 5.0;
}

void TstMemTable::findKey()
{
    QFETCH(QVariantList, key);
    QFETCH(bool, found);
    QFETCH(double, hours);

    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Key"), QStringLiteral("PrjCod;TemDat"));
    t.setIndexName(QStringLiteral("Key"));
    fill(t, sampleRows());
    t.last();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 5.0);

    int scrolled = 0;
    t.setAfterScroll([&](Dataset&) { ++scrolled; });
    bool result = false;
    QVERIFY_ENGINE(result = t.findKey(key));
    QCOMPARE(result, found);
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), hours);
    QCOMPARE(scrolled > 0, found);
    if (found) {
        QVERIFY(!t.eof());
        t.next(); // navigation goes on from the found record
        QVERIFY(t.eof() || t.fieldByName(QStringLiteral("NBRHEU"))->asFloat() != hours);
    }
}

void TstMemTable::findKeyRefusals()
{
    TestEnv env;
    MemTable t;
    define(t);
    fill(t, sampleRows());
    QVERIFY_ENGINE_CODE(t.findKey({ QStringLiteral("alpha") }), ErrorCode::InvalidState); // no index
    t.addIndex(QStringLiteral("Prj"), QStringLiteral("PRJCOD"));
    t.setIndexName(QStringLiteral("Prj"));
    QVERIFY_ENGINE_CODE(t.findKey({ QStringLiteral("alpha"), D1 }), ErrorCode::InvalidParameter);
    t.close();
    QVERIFY_ENGINE_CODE(t.findKey({ QStringLiteral("alpha") }), ErrorCode::InvalidState);
}

void TstMemTable::postKeepsIndexOrder()
{
    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Key"), QStringLiteral("PRJCOD;TEMDAT"));
    t.setIndexName(QStringLiteral("Key"));
    fill(t, sampleRows()); // order: 3 4 6 2 1 5

    // A changed key moves the row, which stays current.
    QVERIFY(t.findKey({ QStringLiteral("beta") }));
    t.edit();
    t.fieldByName(QStringLiteral("PRJCOD"))->setAsString(QStringLiteral("AAA"));
    t.post();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 1.0);
    QCOMPARE(t.recNo(), 2);
    QCOMPARE(hoursInOrder(t), (QList<double> { 3, 1, 4, 6, 2, 5 }));

    // A change that leaves the key in place, and one to the last position.
    QVERIFY(t.findKey({ QStringLiteral("alpha"), D2 }));
    t.edit();
    t.fieldByName(QStringLiteral("NBRHEU"))->setAsFloat(60);
    t.post();
    QCOMPARE(t.recNo(), 4);
    t.first();
    t.edit();
    t.fieldByName(QStringLiteral("PRJCOD"))->setAsString(QStringLiteral("zeta"));
    t.post();
    QCOMPARE(t.recNo(), 6);
    QCOMPARE(hoursInOrder(t), (QList<double> { 1, 4, 60, 2, 5, 3 }));

    // An appended row lands at its key's place and becomes current; the key still finds it.
    t.append();
    t.fieldByName(QStringLiteral("PRJCOD"))->setAsString(QStringLiteral("Beta"));
    t.fieldByName(QStringLiteral("NBRHEU"))->setAsFloat(7);
    t.post();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 7.0);
    QCOMPARE(t.recNo(), 5);
    QCOMPARE(hoursInOrder(t), (QList<double> { 1, 4, 60, 2, 7, 5, 3 }));
    QVERIFY(t.findKey({ QStringLiteral("beta") }));
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 7.0);
}

void TstMemTable::deleteAndCancel()
{
    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Key"), QStringLiteral("PRJCOD;TEMDAT"));
    t.setIndexName(QStringLiteral("Key"));
    fill(t, sampleRows()); // order: 3 4 6 2 1 5

    t.setRecNo(3);
    t.append();
    t.fieldByName(QStringLiteral("PRJCOD"))->setAsString(QStringLiteral("aaa"));
    t.cancel();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 6.0);
    QCOMPARE(t.recordCount(), 6);

    t.edit();
    t.fieldByName(QStringLiteral("PRJCOD"))->setAsString(QStringLiteral("zzz"));
    t.cancel();
    QCOMPARE(t.fieldByName(QStringLiteral("PRJCOD"))->asString(), QStringLiteral("alpha"));

    // Deleting moves to the next record, or the previous at the end; the order stays searchable.
    t.remove();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 2.0);
    t.last();
    t.remove();
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 1.0);
    QCOMPARE(hoursInOrder(t), (QList<double> { 3, 4, 2, 1 }));
    QVERIFY(t.findKey({ QStringLiteral("beta"), D2 }));
    QVERIFY(!t.findKey({ QStringLiteral("alpha"), D2 }));
    t.setIndexName(QString());
    QCOMPARE(hoursInOrder(t), (QList<double> { 1, 2, 3, 4 }));
}

void TstMemTable::emptyDataSet()
{
    TestEnv env;
    MemTable t;
    define(t);
    fill(t, sampleRows());
    t.emptyDataSet();
    QVERIFY(t.active());
    QVERIFY(t.isEmpty());
    QVERIFY(t.eof());
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.recNo(), 0);
    fill(t, { { QStringLiteral("x"), D1, 9.0 } });
    QCOMPARE(hoursInOrder(t), QList<double> { 9 });
}

void TstMemTable::locate_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<int>("options");
    QTest::addColumn<double>("hours"); // -1: not found

    const int ci = int(LocateOption::CaseInsensitive), partial = int(LocateOption::PartialKey);
    QTest::newRow("exact") << "PRJCOD" << QVariantList { "alpha" } << 0 << 4.0;
    QTest::newRow("exact is case-sensitive") << "PRJCOD" << QVariantList { "ALPHA" } << 0 << -1.0;
    QTest::newRow("case-insensitive") << "prjcod" << QVariantList { "ALPHA" } << ci << 2.0;
    QTest::newRow("partial is case-sensitive") << "PRJCOD" << QVariantList { "Al" } << partial << 2.0;
    QTest::newRow("partial, case-insensitive") << "PRJCOD" << QVariantList { "GA" } << (ci | partial) << 5.0;
    QTest::newRow("two fields") << "PRJCOD;TEMDAT" << QVariantList { "alpha", D2 } << 0 << 6.0;
    QTest::newRow("null") << "PRJCOD" << QVariantList { QVariant() } << 0 << 3.0;
    QTest::newRow("number") << "NBRHEU" << QVariantList { 5 } << 0 << 5.0;
    QTest::newRow("text no date can be") << "TEMDAT" << QVariantList { "soon" } << 0 << -1.0;
}

void TstMemTable::locate()
{
    QFETCH(QString, fields);
    QFETCH(QVariantList, values);
    QFETCH(int, options);
    QFETCH(double, hours);

    TestEnv env;
    MemTable t;
    define(t);
    fill(t, sampleRows());
    t.setRecNo(2);
    bool found = false;
    QVERIFY_ENGINE(found = t.locate(fields, values, LocateOptions(options)));
    QCOMPARE(found, hours >= 0);
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), found ? hours : 2.0);
}

void TstMemTable::lookupValue()
{
    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Key"), QStringLiteral("PRJCOD;TEMDAT"));
    t.setIndexName(QStringLiteral("Key"));
    fill(t, sampleRows());
    t.setRecNo(2);
    // Leading index fields (searched in the index) and others (scanned); the record stays.
    QCOMPARE(t.lookupValue(QStringLiteral("PRJCOD;TEMDAT"), { QStringLiteral("Alpha"), D2 }, QStringLiteral("NBRHEU")), QVariant(6.0));
    QCOMPARE(t.lookupValue(QStringLiteral("TEMDAT"), { D3 }, QStringLiteral("prjcod")), QVariant(QStringLiteral("Alpha")));
    QVERIFY(!t.lookupValue(QStringLiteral("NBRHEU"), { 42 }, QStringLiteral("PRJCOD")).isValid());
    QCOMPARE(t.recNo(), 2);
    QVERIFY_ENGINE_CODE(t.lookupValue(QStringLiteral("NOPE"), { 1 }, QStringLiteral("PRJCOD")), ErrorCode::NoSuchObject);
}

void TstMemTable::redefineFields()
{
    TestEnv env;
    MemTable t;
    define(t);
    t.addIndex(QStringLiteral("Prj"), QStringLiteral("PRJCOD"));
    t.setIndexName(QStringLiteral("Prj"));
    fill(t, sampleRows());

    // Rows survive close and open.
    t.close();
    t.open();
    QCOMPARE(t.recordCount(), 6);
    QCOMPARE(t.fieldByName(QStringLiteral("NBRHEU"))->asFloat(), 3.0);

    QVERIFY_ENGINE_CODE(t.addFieldDef(QStringLiteral("X"), FieldType::Integer), ErrorCode::InvalidState);
    QVERIFY_ENGINE_CODE(t.clearFieldDefs(), ErrorCode::InvalidState);

    // Redefined: other fields, no rows; the old index no longer fits.
    t.close();
    t.clearFieldDefs();
    t.clearIndexDefs();
    t.addFieldDef(QStringLiteral("EmpCod"), FieldType::String, 5);
    t.addFieldDef(QStringLiteral("Total"), FieldType::Integer);
    QVERIFY_ENGINE_CODE(t.addFieldDef(QStringLiteral("EMPCOD"), FieldType::String), ErrorCode::InvalidParameter);
    t.addIndex(QStringLiteral("Emp"), QStringLiteral("EMPCOD"));
    t.setIndexName(QStringLiteral("Emp"));
    QVERIFY_ENGINE(t.createDataSet());
    QCOMPARE(t.fieldCount(), 2);
    QVERIFY(!t.findField(QStringLiteral("PRJCOD")));
    QCOMPARE(t.recordCount(), 0);
    QVERIFY(t.isEmpty());

    t.append();
    t.fieldByName(QStringLiteral("empcod"))->setAsString(QStringLiteral("toolong"));
    t.fieldByName(QStringLiteral("TOTAL"))->setAsInteger(3);
    t.post();
    QCOMPARE(t.fieldByName(QStringLiteral("EmpCod"))->asString(), QStringLiteral("toolo")); // the size holds
    QVERIFY(t.findKey({ QStringLiteral("TOOLO") }));

    // createDataSet again empties the table and keeps the definitions.
    t.createDataSet();
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.fieldCount(), 2);

    // Without definitions or fields there is nothing to open.
    MemTable empty;
    QVERIFY_ENGINE_CODE(empty.open(), ErrorCode::InvalidState);
    QVERIFY(!empty.active());
}

void TstMemTable::largeTableStaysFast()
{
    // A report build: many appends, a new order, then one search per source row. Quadratic
    // work would take minutes here.
    TestEnv env;
    MemTable t;
    t.addFieldDef(QStringLiteral("EMPCOD"), FieldType::String, 10);
    t.addFieldDef(QStringLiteral("NUM"), FieldType::Integer);
    t.addIndex(QStringLiteral("Emp"), QStringLiteral("EMPCOD;NUM"));
    t.createDataSet();
    const int n = 100000;
    QElapsedTimer timer;
    timer.start();
    Field* emp = t.fieldByName(QStringLiteral("EMPCOD"));
    Field* num = t.fieldByName(QStringLiteral("NUM"));
    for (int i = 0; i < n; ++i) {
        t.append();
        emp->setAsString(QStringLiteral("E%1").arg((i * 7919) % 1000));
        num->setAsInteger(i);
        t.post();
    }
    t.setIndexName(QStringLiteral("Emp"));
    for (int i = 0; i < n; i += 10)
        QVERIFY(t.findKey({ QStringLiteral("e%1").arg((i * 7919) % 1000), i }));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));

    t.first();
    QString previous;
    int count = 0;
    for (; !t.eof(); t.next(), ++count) {
        QVERIFY(QString::compare(previous, emp->asString(), Qt::CaseInsensitive) <= 0);
        previous = emp->asString();
    }
    QCOMPARE(count, n);
}

QTEST_GUILESS_MAIN(TstMemTable)
#include "tst_memtable.moc"
