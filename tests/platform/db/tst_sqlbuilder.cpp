#include "SqlBuilder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace qdb;

// The seek conditions are checked against SQLite itself: over a small table with nulls and
// ties, each boundary must select exactly the rows that follow (or precede) it in the order.
class TestSqlBuilder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void seekMatchesOrder_data();
    void seekMatchesOrder();
    void likePrefixEscapes();

private:
    QList<QVariantList> ordered(const QString& where, const QVariantList& binds);
};

void TestSqlBuilder::initTestCase()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sb"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (a TEXT, b INTEGER, id INTEGER PRIMARY KEY)")));
    const QList<QVariantList> rows = { { QVariant(), 1 }, { QVariant(), QVariant() }, { "alpha", 2 }, { "Alpha", 1 },
        { "beta", QVariant() }, { "beta", 1 }, { "beta", 1 }, { "gamma", 3 } };
    int id = 1;
    for (const QVariantList& r : rows) {
        q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"));
        q.addBindValue(r[0]);
        q.addBindValue(r[1]);
        q.addBindValue(id++);
        QVERIFY(q.exec());
    }
}

void TestSqlBuilder::cleanupTestCase() { QSqlDatabase::removeDatabase(QStringLiteral("sb")); }

QList<QVariantList> TestSqlBuilder::ordered(const QString& where, const QVariantList& binds)
{
    const QList<SortKey> keys { { QStringLiteral("a"), true }, { QStringLiteral("b"), false }, { QStringLiteral("id"), false } };
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("sb")));
    q.prepare(QStringLiteral("SELECT a, b, id FROM t %1 ORDER BY %2").arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where, SqlBuilder::orderBy(keys, false)));
    for (const QVariant& v : binds)
        q.addBindValue(v);
    q.exec();
    QList<QVariantList> out;
    while (q.next())
        out << QVariantList { q.value(0), q.value(1), q.value(2) };
    return out;
}

void TestSqlBuilder::seekMatchesOrder_data()
{
    QTest::addColumn<int>("direction");
    for (int d : { int(Seek::After), int(Seek::AtOrAfter), int(Seek::Before), int(Seek::AtOrBefore) })
        QTest::addRow("direction %d", d) << d;
}

void TestSqlBuilder::seekMatchesOrder()
{
    QFETCH(int, direction);
    const QList<SortKey> keys { { QStringLiteral("a"), true }, { QStringLiteral("b"), false }, { QStringLiteral("id"), false } };
    const QList<QVariantList> all = ordered(QString(), {});
    for (int i = 0; i < all.size(); ++i) {
        const Condition c = SqlBuilder::seek(keys, all[i], Seek(direction));
        QList<QVariantList> expected;
        switch (Seek(direction)) {
        case Seek::After: expected = all.mid(i + 1); break;
        case Seek::AtOrAfter: expected = all.mid(i); break;
        case Seek::Before: expected = all.mid(0, i); break;
        case Seek::AtOrBefore: expected = all.mid(0, i + 1); break;
        }
        QCOMPARE(ordered(c.sql, c.binds), expected);
    }
}

void TestSqlBuilder::likePrefixEscapes()
{
    QCOMPARE(SqlBuilder::likePrefix(QStringLiteral("50%_a\\")), QStringLiteral("50\\%\\_a\\\\%"));
}

QTEST_GUILESS_MAIN(TestSqlBuilder)
#include "tst_sqlbuilder.moc"
