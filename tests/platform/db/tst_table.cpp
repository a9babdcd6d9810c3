#include "DataSource.h"
#include "Fixture.h"
#include "Table.h"
#include "TestEnv.h"

#include <QSignalSpy>
#include <QtTest>

using namespace qdb;

class TestTable : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void engineErrorCodes_data();
    void engineErrorCodes();
    void refusedPostKeepsInsertState();
    void walksEveryRowAcrossChunks_data();
    void walksEveryRowAcrossChunks();
    void indexOrderIsCaseInsensitiveAndKeepsCurrent();
    void masterDetailFollowsMaster();
    void detailAppendPresetsMasterFields();
    void filterConditionAppliesOnlyWhenFiltered();
    void locate_data();
    void locate();
    void lookupAndCalcFields();
    void lockConflictBetweenWorkstations();
    void lockReleasedByPostCancelAndClose_data();
    void lockReleasedByPostCancelAndClose();
    void editStartsFromOtherWorkstationsChange();
    void saveRefusedWhenRowChangedUnderneath();
    void deleteRefusedWhileLocked();
    void exclusiveOpenRefusedWhileShared();
    void refreshKeepsCurrentRecord();
    void changesInACallersTransactionGoTogether_data();
    void changesInACallersTransactionGoTogether();
    void damagedDatabaseIsRefused();
    void tableWithoutKeyUsesRowId();
    void recNoAndRecordCount();

private:
    std::unique_ptr<TestEnv> env;
    QString dir;
    std::unique_ptr<Database> db;

    void addMasters(const QStringList& codes)
    {
        for (const QString& c : codes)
            db->execute(QStringLiteral("INSERT INTO M (CODE, NAME) VALUES (?, ?)"), { c, QStringLiteral("Name ") + c });
    }
    void addDetail(int id, const QString& m, const QDate& day, double hours = 1.0)
    {
        db->execute(QStringLiteral("INSERT INTO D (ID, MCODE, DAY, HOURS, FLAG) VALUES (?, ?, ?, ?, 1)"),
            { id, m, day.toString(Qt::ISODate), hours });
    }
    std::unique_ptr<Table> table(Database* on, const QString& name, const QString& index = QString())
    {
        auto t = std::make_unique<Table>();
        t->setObjectName(name);
        t->setDatabase(on);
        t->setTableName(name + QStringLiteral(".db"));
        t->setIndexName(index);
        return t;
    }
};

void TestTable::init()
{
    env = std::make_unique<TestEnv>();
    dir = env->newDatabaseDir();
    db = fixture::open(dir, true);
}

void TestTable::cleanup()
{
    db.reset();
    env.reset();
}

void TestTable::engineErrorCodes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("code");
    QTest::newRow("duplicate key") << "duplicate" << int(ErrorCode::KeyViolation);
    QTest::newRow("required value missing") << "required" << int(ErrorCode::RequiredMissing);
    QTest::newRow("detail without master") << "orphan" << int(ErrorCode::MasterMissing);
    QTest::newRow("delete master with details") << "deleteMaster" << int(ErrorCode::DetailsExist);
    QTest::newRow("re-key master with details") << "rekeyMaster" << int(ErrorCode::DetailsExist);
}

void TestTable::engineErrorCodes()
{
    QFETCH(QString, action);
    QFETCH(int, code);
    addMasters({ QStringLiteral("A") });
    addDetail(1, QStringLiteral("A"), QDate(2026, 1, 5));
    auto m = table(db.get(), QStringLiteral("M"));
    auto d = table(db.get(), QStringLiteral("D"));
    m->open();
    d->open();
    if (action == QLatin1String("duplicate")) {
        m->append();
        m->fieldByName(QStringLiteral("CODE"))->setAsString(QStringLiteral("A"));
        QVERIFY_ENGINE_CODE(m->post(), code);
    } else if (action == QLatin1String("required")) {
        d->append();
        d->fieldByName(QStringLiteral("ID"))->setAsInteger(2);
        QVERIFY_ENGINE_CODE(d->post(), code);
    } else if (action == QLatin1String("orphan")) {
        d->append();
        d->fieldByName(QStringLiteral("ID"))->setAsInteger(2);
        d->fieldByName(QStringLiteral("MCODE"))->setAsString(QStringLiteral("NOPE"));
        QVERIFY_ENGINE_CODE(d->post(), code);
    } else if (action == QLatin1String("deleteMaster")) {
        QVERIFY_ENGINE_CODE(m->remove(), code);
        QCOMPARE(m->recordCount(), 1);
    } else if (action == QLatin1String("rekeyMaster")) {
        m->edit();
        m->fieldByName(QStringLiteral("CODE"))->setAsString(QStringLiteral("B"));
        QVERIFY_ENGINE_CODE(m->post(), code);
    }
}

void TestTable::refusedPostKeepsInsertState()
{
    addMasters({ QStringLiteral("A") });
    auto m = table(db.get(), QStringLiteral("M"));
    m->open();
    m->append();
    m->fieldByName(QStringLiteral("CODE"))->setAsString(QStringLiteral("A"));
    m->fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("typed by the user"));
    QVERIFY_ENGINE_CODE(m->post(), ErrorCode::KeyViolation);
    QCOMPARE(m->state(), Dataset::State::Insert);
    QCOMPARE(m->fieldByName(QStringLiteral("NAME"))->asString(), QStringLiteral("typed by the user"));
    m->fieldByName(QStringLiteral("CODE"))->setAsString(QStringLiteral("B"));
    QVERIFY_ENGINE(m->post());
    QCOMPARE(m->state(), Dataset::State::Browse);
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("B"));
}

void TestTable::walksEveryRowAcrossChunks_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("exactly one chunk") << 64;
    QTest::newRow("many chunks") << 9000;
}

void TestTable::walksEveryRowAcrossChunks()
{
    QFETCH(int, rows);
    addMasters({ QStringLiteral("A") });
    {
        WriteTransaction t(*db);
        for (int i = 1; i <= rows; ++i)
            addDetail(i, QStringLiteral("A"), QDate(2020, 1, 1).addDays((i * 7919) % 1000));
        t.commit();
    }
    auto d = table(db.get(), QStringLiteral("D"), QStringLiteral("XDAY"));
    d->open();
    QCOMPARE(d->isEmpty(), rows == 0);
    int seen = 0;
    QDate lastDay;
    int lastId = 0;
    for (d->first(); !d->eof(); d->next()) {
        const QDate day = d->fieldByName(QStringLiteral("DAY"))->asDate();
        const int id = d->fieldByName(QStringLiteral("ID"))->asInteger();
        QVERIFY2(!lastDay.isValid() || lastDay < day || (lastDay == day && lastId < id), "order broken");
        lastDay = day;
        lastId = id;
        ++seen;
    }
    QCOMPARE(seen, rows);
    int back = 0;
    for (d->last(); !d->bof(); d->prior())
        ++back;
    QCOMPARE(back, rows);
}

void TestTable::indexOrderIsCaseInsensitiveAndKeepsCurrent()
{
    db->execute(QStringLiteral("INSERT INTO M VALUES ('1', 'bravo'), ('2', 'Alpha'), ('3', 'charlie'), ('4', NULL)"));
    auto m = table(db.get(), QStringLiteral("M"), QStringLiteral("XNAME"));
    m->open();
    QStringList names;
    for (m->first(); !m->eof(); m->next())
        names << m->fieldByName(QStringLiteral("NAME"))->asString();
    QCOMPARE(names, (QStringList { QString(), QStringLiteral("Alpha"), QStringLiteral("bravo"), QStringLiteral("charlie") }));
    QVERIFY(m->locate(QStringLiteral("CODE"), QStringLiteral("3")));
    m->setIndexName(QString());
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("3"));
    m->next();
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("4"));
}

void TestTable::masterDetailFollowsMaster()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
    addDetail(1, QStringLiteral("A"), QDate(2026, 1, 5));
    addDetail(2, QStringLiteral("B"), QDate(2026, 1, 5));
    addDetail(3, QStringLiteral("A"), QDate(2026, 1, 4));
    auto m = table(db.get(), QStringLiteral("M"));
    DataSource src;
    src.setDataSet(m.get());
    auto d = table(db.get(), QStringLiteral("D"), QStringLiteral("XM"));
    d->setMasterSource(&src);
    d->setMasterFields(QStringLiteral("CODE"));
    m->open();
    d->open();
    auto ids = [&]() {
        QList<int> out;
        for (d->first(); !d->eof(); d->next())
            out << d->fieldByName(QStringLiteral("ID"))->asInteger();
        return out;
    };
    QCOMPARE(ids(), (QList<int> { 3, 1 }));
    m->next();
    QCOMPARE(ids(), QList<int> { 2 });
    m->next();
    QVERIFY(d->isEmpty());
    QCOMPARE(d->recordCount(), 0);
}

void TestTable::detailAppendPresetsMasterFields()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B") });
    auto m = table(db.get(), QStringLiteral("M"));
    DataSource src;
    src.setDataSet(m.get());
    auto d = table(db.get(), QStringLiteral("D"), QStringLiteral("XM"));
    d->setMasterSource(&src);
    d->setMasterFields(QStringLiteral("CODE"));
    m->open();
    d->open();
    m->next();
    d->append();
    QCOMPARE(d->fieldByName(QStringLiteral("MCODE"))->asString(), QStringLiteral("B"));
    d->fieldByName(QStringLiteral("ID"))->setAsInteger(7);
    QVERIFY_ENGINE(d->post());
    QCOMPARE(d->fieldByName(QStringLiteral("ID"))->asInteger(), 7);
    QCOMPARE(d->recordCount(), 1);
}

void TestTable::filterConditionAppliesOnlyWhenFiltered()
{
    addMasters({ QStringLiteral("A") });
    for (int i = 1; i <= 6; ++i)
        addDetail(i, QStringLiteral("A"), QDate(2026, 3, i));
    auto d = table(db.get(), QStringLiteral("D"), QStringLiteral("XDAY"));
    QDate from(2026, 3, 2), to(2026, 3, 4);
    d->setFilterCondition([&]() { return Condition { QStringLiteral("DAY >= ? AND DAY <= ?"), { from.toString(Qt::ISODate), to.toString(Qt::ISODate) } }; });
    d->open();
    QCOMPARE(d->recordCount(), 6);
    d->setFiltered(true);
    QCOMPARE(d->recordCount(), 3);
    QCOMPARE(d->fieldByName(QStringLiteral("ID"))->asInteger(), 2);
    to = from; // the condition is asked again at each read
    d->setFiltered(true);
    QCOMPARE(d->recordCount(), 1);
    d->setFiltered(false);
    QCOMPARE(d->recordCount(), 6);
}

void TestTable::locate_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("expected"); // code found, empty when not found

    const int ci = int(LocateOption::CaseInsensitive), partial = int(LocateOption::PartialKey);
    QTest::newRow("exact") << "NAME" << QVariant("Bravo two") << 0 << "B2";
    QTest::newRow("exact is case-sensitive") << "NAME" << QVariant("bravo two") << 0 << "";
    QTest::newRow("case-insensitive") << "NAME" << QVariant("bravo TWO") << ci << "B2";
    QTest::newRow("partial, first in index order") << "NAME" << QVariant("bra") << (ci | partial) << "B1";
    QTest::newRow("partial keeps wildcards literal") << "NAME" << QVariant("50%") << (ci | partial) << "P";
    QTest::newRow("partial case-sensitive") << "NAME" << QVariant("bra") << partial << "";
    QTest::newRow("not found") << "NAME" << QVariant("zulu") << (ci | partial) << "";
}

void TestTable::locate()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(int, options);
    QFETCH(QString, expected);
    db->execute(QStringLiteral("INSERT INTO M VALUES ('A', 'Alpha'), ('B2', 'Bravo two'), ('B1', 'Bravo one'), ('P', '50% done'), ('Q', '500 done')"));
    auto m = table(db.get(), QStringLiteral("M"), QStringLiteral("XNAME"));
    m->open();
    m->last();
    const QString before = m->fieldByName(QStringLiteral("CODE"))->asString();
    const bool found = m->locate(field, value, LocateOptions(options));
    QCOMPARE(found, !expected.isEmpty());
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), found ? expected : before);
}

void TestTable::lookupAndCalcFields()
{
    addMasters({ QStringLiteral("A") });
    addDetail(1, QStringLiteral("A"), QDate(2026, 1, 5), 2.5);
    auto m = table(db.get(), QStringLiteral("M"));
    auto d = table(db.get(), QStringLiteral("D"));
    d->addField(QStringLiteral("ID"));
    d->addField(QStringLiteral("MCODE"));
    d->addField(QStringLiteral("HOURS"));
    Field* name = d->addLookupField(QStringLiteral("mname"), 35, QStringLiteral("MCODE"), m.get(), QStringLiteral("CODE"), QStringLiteral("NAME"));
    Field* text = d->addCalcField(QStringLiteral("text"), FieldType::String, 20);
    d->setOnCalcFields([&](Dataset&) { text->setAsString(name->asString() + QStringLiteral(":") + d->fieldByName(QStringLiteral("HOURS"))->asString()); });
    m->open();
    d->open();
    QCOMPARE(name->asString(), QStringLiteral("Name A"));
    QCOMPARE(text->asString(), QStringLiteral("Name A:2.5"));
    d->edit();
    d->fieldByName(QStringLiteral("MCODE"))->setAsString(QStringLiteral("X"));
    QVERIFY(name->isNull()); // no match: empty
    QCOMPARE(text->asString(), QStringLiteral(":2.5"));
    d->cancel();
    QCOMPARE(name->asString(), QStringLiteral("Name A"));
}

void TestTable::lockConflictBetweenWorkstations()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B") });
    auto other = fixture::open(dir, false);
    auto mine = table(db.get(), QStringLiteral("M"));
    auto theirs = table(other.get(), QStringLiteral("M"));
    mine->open();
    theirs->open();
    mine->edit();
    QVERIFY_ENGINE_CODE(theirs->edit(), ErrorCode::RecordLocked);
    QCOMPARE(theirs->state(), Dataset::State::Browse);
    QVERIFY_ENGINE_CODE(theirs->remove(), ErrorCode::RecordLocked);
    theirs->next(); // another row is free
    QVERIFY_ENGINE(theirs->edit());
    theirs->cancel();
}

void TestTable::lockReleasedByPostCancelAndClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("post") << "post";
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("close") << "close";
    QTest::newRow("disconnect") << "disconnect";
}

void TestTable::lockReleasedByPostCancelAndClose()
{
    QFETCH(QString, how);
    addMasters({ QStringLiteral("A") });
    auto other = fixture::open(dir, false);
    auto mine = table(db.get(), QStringLiteral("M"));
    auto theirs = table(other.get(), QStringLiteral("M"));
    mine->open();
    theirs->open();
    mine->edit();
    mine->fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("changed"));
    if (how == QLatin1String("post"))
        mine->post();
    else if (how == QLatin1String("cancel"))
        mine->cancel();
    else if (how == QLatin1String("close"))
        mine->close();
    else
        db->close();
    QVERIFY_ENGINE(theirs->edit());
    QCOMPARE(theirs->fieldByName(QStringLiteral("NAME"))->asString(), how == QLatin1String("post") ? QStringLiteral("changed") : QStringLiteral("Name A"));
}

void TestTable::editStartsFromOtherWorkstationsChange()
{
    addMasters({ QStringLiteral("A") });
    auto other = fixture::open(dir, false);
    auto mine = table(db.get(), QStringLiteral("M"));
    auto theirs = table(other.get(), QStringLiteral("M"));
    mine->open();
    theirs->open();
    theirs->edit();
    theirs->fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("saved elsewhere"));
    theirs->post();
    QCOMPARE(mine->fieldByName(QStringLiteral("NAME"))->asString(), QStringLiteral("Name A")); // still what it read
    mine->edit();
    QCOMPARE(mine->fieldByName(QStringLiteral("NAME"))->asString(), QStringLiteral("saved elsewhere"));
}

void TestTable::saveRefusedWhenRowChangedUnderneath()
{
    addMasters({ QStringLiteral("A") });
    auto mine = table(db.get(), QStringLiteral("M"));
    mine->open();
    mine->edit();
    mine->fieldByName(QStringLiteral("NAME"))->setAsString(QStringLiteral("mine"));
    // A writer that did not take the lock (as after a lost lock) changes the row.
    auto other = fixture::open(dir, false);
    other->execute(QStringLiteral("UPDATE M SET NAME = 'theirs' WHERE CODE = 'A'"));
    QVERIFY_ENGINE_CODE(mine->post(), ErrorCode::RecordChanged);
    QCOMPARE(mine->state(), Dataset::State::Edit);
    mine->cancel();
    mine->refresh();
    QCOMPARE(mine->fieldByName(QStringLiteral("NAME"))->asString(), QStringLiteral("theirs"));
}

void TestTable::deleteRefusedWhileLocked()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B") });
    auto other = fixture::open(dir, false);
    auto mine = table(db.get(), QStringLiteral("M"));
    auto theirs = table(other.get(), QStringLiteral("M"));
    mine->open();
    theirs->open();
    theirs->edit();
    QVERIFY_ENGINE_CODE(mine->remove(), ErrorCode::RecordLocked);
    QCOMPARE(mine->recordCount(), 2);
    theirs->cancel();
    QVERIFY_ENGINE(mine->remove());
    QCOMPARE(mine->recordCount(), 1);
    QCOMPARE(mine->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("B"));
}

void TestTable::exclusiveOpenRefusedWhileShared()
{
    Database second;
    second.setDirectory(dir);
    second.setExclusive(true);
    QVERIFY_ENGINE_CODE(second.open(), ErrorCode::FileLocked);
    db->close();
    QVERIFY_ENGINE(second.open());
    Database third;
    third.setDirectory(dir);
    QVERIFY_ENGINE_CODE(third.open(), ErrorCode::FileLocked); // shared refused while exclusive
}

void TestTable::refreshKeepsCurrentRecord()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
    auto m = table(db.get(), QStringLiteral("M"));
    m->open();
    m->next();
    auto other = fixture::open(dir, false);
    other->execute(QStringLiteral("INSERT INTO M VALUES ('AA', 'new')"));
    m->refresh();
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("B"));
    m->prior();
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("AA"));
    other->execute(QStringLiteral("DELETE FROM M WHERE CODE = 'AA'"));
    m->refresh(); // current row gone: the next one becomes current
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("B"));
}

void TestTable::changesInACallersTransactionGoTogether_data()
{
    QTest::addColumn<bool>("commit");
    QTest::newRow("committed") << true;
    QTest::newRow("rolled back") << false;
}

void TestTable::changesInACallersTransactionGoTogether()
{
    QFETCH(bool, commit);
    addMasters({ QStringLiteral("A") });
    auto m = table(db.get(), QStringLiteral("M"));
    m->setAfterPost([&m](Dataset&) { m->flush(); }); // as the data module does after each change
    m->setAfterDelete([&m](Dataset&) { m->flush(); });
    m->open();
    {
        WriteTransaction t(*db);
        QVERIFY_ENGINE(m->remove());
        QVERIFY_ENGINE(m->append());
        m->fieldByName(QStringLiteral("CODE"))->setAsString(QStringLiteral("B"));
        QVERIFY_ENGINE(m->post());
        if (commit)
            QVERIFY_ENGINE(t.commit());
    }
    QVERIFY_ENGINE(m->refresh());
    QStringList codes;
    for (m->first(); !m->eof(); m->next())
        codes << m->fieldByName(QStringLiteral("CODE"))->asString();
    QCOMPARE(codes, commit ? QStringList { QStringLiteral("B") } : QStringList { QStringLiteral("A") });
}

void TestTable::damagedDatabaseIsRefused()
{
    const QString bad = env->newDatabaseDir(QStringLiteral("bad"));
    QFile f(QDir(bad).filePath(QStringLiteral("tables.sqlite")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    Database d;
    d.setDirectory(bad);
    QVERIFY_ENGINE_CODE(d.open(), ErrorCode::IoError);
    QCOMPARE(QFileInfo(f.fileName()).size(), 4096); // never replaced
}

void TestTable::tableWithoutKeyUsesRowId()
{
    db->createTable({ QStringLiteral("S"), { { QStringLiteral("COUNTER"), FieldType::Integer, 0, false } }, {}, {} });
    db->execute(QStringLiteral("INSERT INTO S VALUES (1)"));
    auto s = table(db.get(), QStringLiteral("S"));
    s->open();
    auto other = fixture::open(dir, false);
    auto s2 = table(other.get(), QStringLiteral("S"));
    s2->open();
    s->edit();
    QVERIFY_ENGINE_CODE(s2->edit(), ErrorCode::RecordLocked);
    s->fieldByName(QStringLiteral("COUNTER"))->setAsInteger(s->fieldByName(QStringLiteral("COUNTER"))->asInteger() + 1);
    s->post();
    s2->edit();
    QCOMPARE(s2->fieldByName(QStringLiteral("COUNTER"))->asInteger(), 2);
}

void TestTable::recNoAndRecordCount()
{
    addMasters({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D") });
    auto m = table(db.get(), QStringLiteral("M"));
    m->open();
    QCOMPARE(m->recordCount(), 4);
    QCOMPARE(m->recNo(), 1);
    m->setRecNo(3);
    QCOMPARE(m->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("C"));
    QCOMPARE(m->recNo(), 3);
    QSignalSpy moved(m.get(), &Dataset::dataChanged);
    m->disableControls();
    m->first();
    m->next();
    QCOMPARE(moved.count(), 0);
    m->enableControls();
    QCOMPARE(moved.count(), 1);
}

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
