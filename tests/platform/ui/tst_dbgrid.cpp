#include "DBGrid.h"
#include "DatasetModel.h"
#include "ErrorReporter.h"
#include "TestEnv.h"
#include "UiFixture.h"

#include <QHeaderView>
#include <QtTest>

using namespace qui;
using namespace uifixture;

class TestDBGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void followsAndSetsCurrentRecord_data();
    void followsAndSetsCurrentRecord();
    void showsLabelsAndAlignsNumbers();
    void rowsChangedAreReadAgain_data();
    void rowsChangedAreReadAgain();
    void detailRangeChangeIsReadAgain();
    void anotherOrderIsReadAgain();
    void refusedMoveIsReportedAndViewStays();
    void bulkWorkWithControlsDisabledReadsOnce();
    void largeDatasetReadsOnlyShownPages();
    void rendersToPng();

private:
    std::unique_ptr<TestEnv> env;
    QStringList errors;
};

namespace
{
void addBackends()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("memory") << Backend::Memory;
    QTest::newRow("stored") << Backend::Stored;
}

QString cell(const DBGrid& grid, int row, int column)
{
    return grid.model()->index(row, column).data().toString();
}
}

void TestDBGrid::init()
{
    env = std::make_unique<TestEnv>();
    errors.clear();
    qui::setErrorHook([this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
}

void TestDBGrid::cleanup()
{
    qui::setErrorHook({});
    env.reset();
}

void TestDBGrid::followsAndSetsCurrentRecord_data()
{
    addBackends();
}

void TestDBGrid::followsAndSetsCurrentRecord()
{
    QFETCH(Backend, backend);
    People p = people(backend, 30, env->newDatabaseDir());
    DBGrid grid;
    grid.setColumns({ QStringLiteral("CODE"), QStringLiteral("NAME") });
    grid.setDataSource(p.source.get());
    grid.resize(300, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    QCOMPARE(cell(grid, 0, 0), code(1));
    QCOMPARE(cell(grid, 29, 1), name(30));
    QCOMPARE(grid.currentIndex().row(), 0);

    // The dataset moves: the view follows and shows the row.
    QVERIFY_ENGINE(p.dataset->setRecNo(25));
    QCOMPARE(grid.currentIndex().row(), 24);
    QVERIFY(grid.viewport()->rect().intersects(grid.visualRect(grid.currentIndex())));
    QVERIFY_ENGINE(p.dataset->first());
    QCOMPARE(grid.currentIndex().row(), 0);

    // The keyboard and the mouse move the dataset.
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("CODE"))->asString(), code(3));
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("CODE"))->asString(), code(30));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    const QRect r = grid.visualRect(grid.model()->index(4, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("CODE"))->asString(), code(5));
    QCOMPARE(grid.selectionModel()->selectedRows().value(0).row(), 4);
    QVERIFY(errors.isEmpty());
}

void TestDBGrid::showsLabelsAndAlignsNumbers()
{
    People p = people(Backend::Memory, 3);
    p.dataset->fieldByName(QStringLiteral("NAME"))->setDisplayLabel(QStringLiteral("Full name"));
    DBGrid grid;
    grid.setDataSource(p.source.get());
    grid.setColumns({ QString(), QStringLiteral("NAME"), QStringLiteral("RATE") });
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Full name"));
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("RATE"));
    QCOMPARE(cell(grid, 1, 0), QString()); // the empty column
    QCOMPARE(cell(grid, 1, 2), QStringLiteral("3"));
    QCOMPARE(cell(grid, 0, 2), QStringLiteral("1.5"));
    const auto align = Qt::Alignment(grid.model()->index(0, 2).data(Qt::TextAlignmentRole).toInt());
    QVERIFY(align & Qt::AlignRight);
    QCOMPARE(grid.accessibleName(), QStringLiteral("Full name, RATE"));
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable));
}

void TestDBGrid::rowsChangedAreReadAgain_data()
{
    addBackends();
}

void TestDBGrid::rowsChangedAreReadAgain()
{
    QFETCH(Backend, backend);
    People p = people(backend, 5, env->newDatabaseDir());
    DBGrid grid;
    grid.setColumns({ QStringLiteral("CODE"), QStringLiteral("NAME") });
    grid.setDataSource(p.source.get());
    qdb::Dataset& ds = *p.dataset;

    // An edit shows in the row while it lasts and after the post.
    QVERIFY_ENGINE(ds.setRecNo(2));
    QVERIFY_ENGINE(ds.edit());
    QVERIFY_ENGINE(ds.fieldByName(QStringLiteral("NAME"))->setValue(QStringLiteral("Renamed")));
    QCOMPARE(cell(grid, 1, 1), QStringLiteral("Renamed"));
    QVERIFY_ENGINE(ds.post());
    QCOMPARE(cell(grid, 1, 1), QStringLiteral("Renamed"));
    QCOMPARE(grid.currentIndex().row(), 1);

    // A new row and a deleted one.
    QVERIFY_ENGINE(ds.append());
    QVERIFY_ENGINE(ds.fieldByName(QStringLiteral("CODE"))->setValue(code(6)));
    QVERIFY_ENGINE(ds.post());
    QCOMPARE(grid.model()->rowCount(), 6);
    QCOMPARE(cell(grid, 5, 0), code(6));
    QCOMPARE(grid.currentIndex().row(), 5);
    QVERIFY_ENGINE(ds.setRecNo(1));
    QVERIFY_ENGINE(ds.remove());
    QCOMPARE(grid.model()->rowCount(), 5);
    QCOMPARE(cell(grid, 0, 0), code(2));
    QCOMPARE(grid.currentIndex().row(), ds.recNo() - 1);

    ds.close();
    QCOMPARE(grid.model()->rowCount(), 0);
    QVERIFY_ENGINE(ds.open());
    QCOMPARE(grid.model()->rowCount(), 5);
    QVERIFY(errors.isEmpty());
}

void TestDBGrid::detailRangeChangeIsReadAgain()
{
    // Two masters with as many details each: the detail's row count stays, its rows change.
    const QString dir = env->newDatabaseDir();
    qdb::Database db;
    db.setDirectory(dir);
    db.open();
    using qdb::FieldDef;
    using qdb::FieldType;
    db.createTable({ QStringLiteral("M"), { FieldDef { QStringLiteral("CODE"), FieldType::String, 4 } },
        { QStringLiteral("CODE") }, {} });
    db.createTable({ QStringLiteral("D"),
        { FieldDef { QStringLiteral("MCODE"), FieldType::String, 4 },
            FieldDef { QStringLiteral("N"), FieldType::Integer },
            FieldDef { QStringLiteral("TXT"), FieldType::String, 10 } },
        { QStringLiteral("MCODE"), QStringLiteral("N") }, {} });
    for (const char* m : { "A", "B" }) {
        db.execute(QStringLiteral("INSERT INTO M (CODE) VALUES (?)"), { QString::fromLatin1(m) });
        for (int n = 1; n <= 3; ++n)
            db.execute(QStringLiteral("INSERT INTO D (MCODE, N, TXT) VALUES (?, ?, ?)"),
                { QString::fromLatin1(m), n, QStringLiteral("%1-%2").arg(QString::fromLatin1(m)).arg(n) });
    }
    qdb::Table master, detail;
    master.setDatabase(&db);
    master.setTableName(QStringLiteral("M"));
    qdb::DataSource masterSource, detailSource;
    masterSource.setDataSet(&master);
    detail.setDatabase(&db);
    detail.setTableName(QStringLiteral("D"));
    detail.setMasterSource(&masterSource);
    detail.setMasterFields(QStringLiteral("CODE"));
    detailSource.setDataSet(&detail);
    QVERIFY_ENGINE(master.open());
    QVERIFY_ENGINE(detail.open());

    DBGrid grid;
    grid.setColumns({ QStringLiteral("TXT") });
    grid.setDataSource(&detailSource);
    QCOMPARE(cell(grid, 2, 0), QStringLiteral("A-3"));
    QVERIFY_ENGINE(master.next());
    QCOMPARE(grid.model()->rowCount(), 3);
    QCOMPARE(cell(grid, 0, 0), QStringLiteral("B-1"));
    QCOMPARE(cell(grid, 2, 0), QStringLiteral("B-3"));
    QVERIFY(errors.isEmpty());
}

void TestDBGrid::anotherOrderIsReadAgain()
{
    // By name Ann, Bob, Cyd; by code 1 (Cyd), 2 (Bob), 3 (Ann): the current Bob keeps his row,
    // the row count stays, and yet every other row changed.
    qdb::Database db;
    db.setDirectory(env->newDatabaseDir());
    db.open();
    db.createTable(qdb::TableDef { QStringLiteral("N"),
        { qdb::FieldDef { QStringLiteral("CODE"), qdb::FieldType::String, 4 },
            qdb::FieldDef { QStringLiteral("NAME"), qdb::FieldType::String, 10 } },
        { QStringLiteral("CODE") },
        { qdb::IndexDef { QStringLiteral("XNAME"), { QStringLiteral("NAME"), QStringLiteral("CODE") }, true, false } } });
    db.execute(QStringLiteral("INSERT INTO N VALUES ('1', 'Cyd'), ('2', 'Bob'), ('3', 'Ann')"));
    qdb::Table table;
    table.setDatabase(&db);
    table.setTableName(QStringLiteral("N.db"));
    table.setIndexName(QStringLiteral("XNAME"));
    QVERIFY_ENGINE(table.open());
    qdb::DataSource source;
    source.setDataSet(&table);
    DBGrid grid;
    grid.setColumns({ QStringLiteral("CODE"), QStringLiteral("NAME") });
    grid.setDataSource(&source);
    QVERIFY_ENGINE(table.locate(QStringLiteral("CODE"), QStringLiteral("2")));
    QCOMPARE(cell(grid, 0, 1), QStringLiteral("Ann"));
    QVERIFY_ENGINE(table.setIndexName(QString()));
    QCOMPARE(grid.currentIndex().row(), 1);
    QCOMPARE(cell(grid, 0, 1), QStringLiteral("Cyd"));
    QCOMPARE(cell(grid, 2, 1), QStringLiteral("Ann"));
    QVERIFY(errors.isEmpty());
}

void TestDBGrid::refusedMoveIsReportedAndViewStays()
{
    People p = people(Backend::Memory, 10);
    DBGrid grid;
    grid.setColumns({ QStringLiteral("CODE") });
    grid.setDataSource(p.source.get());
    grid.resize(200, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    p.dataset->setBeforePost([](qdb::Dataset&) {
        throw qdb::EngineError(qdb::ErrorCode::RequiredMissing, QStringLiteral("Field value required"));
    });
    QVERIFY_ENGINE(p.dataset->setRecNo(3));
    QVERIFY_ENGINE(p.dataset->edit());

    QTest::mouseClick(
        grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(6, 0)).center());
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().contains(QStringLiteral("Field value required")));
    QCOMPARE(p.dataset->recNo(), 3);
    QVERIFY(p.dataset->isEditing());
    QTRY_COMPARE(grid.currentIndex().row(), 2);
}

void TestDBGrid::bulkWorkWithControlsDisabledReadsOnce()
{
    People p = people(Backend::Memory, 200);
    DBGrid grid;
    grid.setColumns({ QStringLiteral("NAME") });
    grid.setDataSource(p.source.get());
    int moves = 0;
    p.dataset->setAfterScroll([&moves](qdb::Dataset&) { ++moves; });

    qdb::Dataset& ds = *p.dataset;
    ds.disableControls();
    for (ds.first(); !ds.eof(); ds.next()) {
        ds.edit();
        ds.fieldByName(QStringLiteral("NAME"))
            ->setValue(ds.fieldByName(QStringLiteral("NAME"))->asString() + QStringLiteral("*"));
        ds.post();
    }
    const int ownMoves = moves;
    ds.first();
    ds.enableControls();
    // One reading of the 200 rows once enabled, not one per post.
    QVERIFY2(moves - ownMoves < 2 * 200 + 10, qPrintable(QString::number(moves - ownMoves)));
    QCOMPARE(cell(grid, 199, 0), name(200) + QStringLiteral("*"));
}

void TestDBGrid::largeDatasetReadsOnlyShownPages()
{
    People p = people(Backend::Memory, 10000);
    int moves = 0;
    p.dataset->setAfterScroll([&moves](qdb::Dataset&) { ++moves; });
    DBGrid grid;
    grid.setColumns({ QStringLiteral("CODE"), QStringLiteral("NAME") });
    grid.setDataSource(p.source.get());
    grid.resize(300, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    auto* model = grid.datasetModel();
    QVERIFY(!model->allRowsRead());
    QCOMPARE(model->rowCount(), 10000);

    QTRY_COMPARE(cell(grid, 0, 0), code(1));
    QVERIFY2(moves <= 2 * model->pageSize() + 4, qPrintable(QString::number(moves)));

    moves = 0;
    QVERIFY_ENGINE(p.dataset->last());
    QTRY_COMPARE(cell(grid, 9999, 1), name(10000));
    QCOMPARE(grid.currentIndex().row(), 9999);
    QVERIFY2(moves <= 2 * model->pageSize() + 4, qPrintable(QString::number(moves)));
    QCOMPARE(p.dataset->recNo(), 10000); // the reading came back to the current record
}

void TestDBGrid::rendersToPng()
{
    People p = people(Backend::Memory, 12);
    p.dataset->fieldByName(QStringLiteral("NAME"))->setDisplayLabel(QStringLiteral("Name"));
    p.dataset->fieldByName(QStringLiteral("RATE"))->setDisplayFormat(QStringLiteral("###0.00"));
    DBGrid grid;
    grid.setColumns(
        { QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("RATE"), QStringLiteral("ACTIVE") });
    grid.setDataSource(p.source.get());
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setStretchLastSection(true);
    grid.resize(360, 220);
    QVERIFY_ENGINE(p.dataset->setRecNo(4));
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QVERIFY(grid.grab().save(QStringLiteral("/tmp/ui-grid.png")));
}

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
