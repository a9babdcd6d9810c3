#include "DBCtrlGrid.h"
#include "ErrorReporter.h"
#include "TestEnv.h"
#include "UiFixture.h"

#include <QAccessible>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace qui;
using namespace uifixture;

namespace
{

struct Painted {
    int row;
    QString code;
    bool selected;
};

// A panel list over p drawing CODE, NAME and RATE, recording every call of its paint hook.
struct Panels {
    DBCtrlGrid grid;
    QList<Painted> painted;

    Panels(People& p, int rows, int height)
    {
        grid.setFrameShape(QFrame::NoFrame);
        grid.setRowCount(rows);
        grid.resize(300, height);
        qdb::Dataset* ds = p.dataset.get();
        grid.setPaintPanel([this, ds](QPainter& painter, const QRect& rect, int row, bool selected) {
            const QString code = ds->fieldByName(QStringLiteral("CODE"))->asString();
            painted << Painted { row, code, selected };
            painter.drawText(rect.adjusted(8, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, code);
            painter.drawText(rect.adjusted(88, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                ds->fieldByName(QStringLiteral("NAME"))->asString());
            painter.drawText(rect.adjusted(8, 22, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                ds->fieldByName(QStringLiteral("RATE"))->displayText() + QStringLiteral(" hour(s)"));
        });
        grid.setPanelTextFields({ QStringLiteral("CODE"), QStringLiteral("NAME") });
        grid.setDataSource(p.source.get());
    }

    QImage image() { return grid.grab().toImage(); }
    QSet<int> paintedRows() const
    {
        QSet<int> rows;
        for (const Painted& p : painted)
            rows << p.row;
        return rows;
    }
};

// Whether anything is drawn in the area besides the colour of its bottom right corner.
bool hasInk(const QImage& img, const QRect& area)
{
    const QColor background = img.pixelColor(area.right(), area.bottom());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixelColor(x, y) != background)
                return true;
    return false;
}

QSet<int> range(int first, int last)
{
    QSet<int> s;
    for (int i = first; i <= last; ++i)
        s << i;
    return s;
}

} // namespace

class TestDBCtrlGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void panelHeightFollowsRowCount_data();
    void panelHeightFollowsRowCount();
    void highlightsCurrentRecord();
    void paintHookSeesItsRow_data();
    void paintHookSeesItsRow();
    void clickAndKeysMoveDataset();
    void readsOnlyVisibleRows();
    void editedRecordDrawnFromBuffer();
    void accessibilityExposesPanels();
    void rendersToPng();

private:
    std::unique_ptr<TestEnv> env;
    QStringList errors;
};

void TestDBCtrlGrid::init()
{
    env = std::make_unique<TestEnv>();
    errors.clear();
    setErrorHook([this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
}

void TestDBCtrlGrid::cleanup()
{
    setErrorHook({});
    env.reset();
}

void TestDBCtrlGrid::panelHeightFollowsRowCount_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("panelHeight");
    // The windows set the row count to their height divided by 41.
    QTest::newRow("410 high") << 410 << 410 / 41 << 41;
    QTest::newRow("409 high") << 409 << 409 / 41 << 45;
    QTest::newRow("204 high, 6 rows") << 204 << 6 << 34;
}

void TestDBCtrlGrid::panelHeightFollowsRowCount()
{
    QFETCH(int, height);
    QFETCH(int, rows);
    QFETCH(int, panelHeight);
    People p = people(Backend::Memory, 20);
    Panels panels(p, rows, height);
    QCOMPARE(panels.grid.rowCount(), rows);
    QCOMPARE(panels.grid.panelHeight(), panelHeight);
    panels.grid.setPanelHeight(50);
    QCOMPARE(panels.grid.rowCount(), height / 50);
}

void TestDBCtrlGrid::highlightsCurrentRecord()
{
    People p = people(Backend::Memory, 20);
    Panels panels(p, 5, 205);
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    QVERIFY_ENGINE(p.dataset->setRecNo(3));
    QCOMPARE(panels.grid.currentRow(), 2);
    const QColor highlight = panels.grid.palette().color(QPalette::Active, QPalette::Highlight);
    QImage img = panels.image();
    const auto colourAt = [&img](int panel) { return img.pixelColor(img.width() - 30, panel * 41 + 38); };
    QCOMPARE(colourAt(2), highlight);
    QVERIFY(colourAt(1) != highlight);
    QVERIFY(colourAt(3) != highlight);

    // Moving past the last visible panel scrolls to keep the current one in sight.
    QVERIFY_ENGINE(p.dataset->setRecNo(12));
    QCOMPARE(panels.grid.currentRow(), 11);
    QCOMPARE(panels.grid.topRow(), 7);
    img = panels.image();
    QCOMPARE(colourAt(4), highlight);
    QVERIFY(colourAt(2) != highlight);
}

void TestDBCtrlGrid::paintHookSeesItsRow_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("memory") << Backend::Memory;
    QTest::newRow("stored") << Backend::Stored;
}

void TestDBCtrlGrid::paintHookSeesItsRow()
{
    QFETCH(Backend, backend);
    People p = people(backend, 30, env->newDatabaseDir());
    Panels panels(p, 6, 6 * 34);
    QVERIFY_ENGINE(p.dataset->setRecNo(4));
    int told = 0;
    connect(p.source.get(), &qdb::DataSource::dataChange, this, [&told]() { ++told; });
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    panels.image();

    QCOMPARE(panels.paintedRows(), range(0, 5));
    for (const Painted& painted : std::as_const(panels.painted)) {
        QCOMPARE(painted.code, code(painted.row + 1));
        QCOMPARE(painted.selected, painted.row == 3);
    }
    // Drawing came back to the current record and told no other control about its reading.
    QCOMPARE(p.dataset->recNo(), 4);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("CODE"))->asString(), code(4));
    QCOMPARE(told, 0);
    QVERIFY(errors.isEmpty());
}

void TestDBCtrlGrid::clickAndKeysMoveDataset()
{
    People p = people(Backend::Memory, 40);
    Panels panels(p, 5, 205);
    QSignalSpy doubleClicked(&panels.grid, &DBCtrlGrid::doubleClicked);
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));

    QTest::mouseClick(panels.grid.viewport(), Qt::LeftButton, {}, panels.grid.panelRect(3).center());
    QCOMPARE(p.dataset->recNo(), 4);
    QCOMPARE(panels.grid.currentRow(), 3);
    QTest::mouseDClick(panels.grid.viewport(), Qt::LeftButton, {}, panels.grid.panelRect(1).center());
    QCOMPARE(p.dataset->recNo(), 2);
    QCOMPARE(doubleClicked.size(), 1);

    struct Step {
        Qt::Key key;
        int recNo;
    };
    for (const Step& s : { Step { Qt::Key_Down, 3 }, Step { Qt::Key_Up, 2 }, Step { Qt::Key_PageDown, 7 },
             Step { Qt::Key_End, 40 }, Step { Qt::Key_PageUp, 35 }, Step { Qt::Key_Home, 1 } }) {
        QTest::keyClick(&panels.grid, s.key);
        QCOMPARE(p.dataset->recNo(), s.recNo);
        QCOMPARE(panels.grid.currentRow(), s.recNo - 1);
        QVERIFY(panels.grid.isRowVisible(s.recNo - 1));
    }
    QVERIFY(errors.isEmpty());
}

void TestDBCtrlGrid::readsOnlyVisibleRows()
{
    People p = people(Backend::Memory, 10000);
    int moves = 0;
    p.dataset->setAfterScroll([&moves](qdb::Dataset&) { ++moves; });
    Panels panels(p, 10, 410);
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    panels.image();
    QCOMPARE(panels.paintedRows(), range(0, 9));
    QCOMPARE(panels.painted.size(), 10);
    QVERIFY2(moves <= 10 + 1, qPrintable(QString::number(moves))); // the rows, and back

    // Drawn again without a change: the panels kept, nothing read.
    panels.painted.clear();
    moves = 0;
    panels.image();
    QCOMPARE(panels.painted.size(), 0);
    QCOMPARE(moves, 0);

    // The end of the table: only its last panels.
    panels.painted.clear();
    QVERIFY_ENGINE(p.dataset->last());
    moves = 0;
    panels.image();
    QCOMPARE(panels.paintedRows(), range(9990, 9999));
    QCOMPARE(panels.painted.size(), 10);
    QVERIFY2(moves <= 10 + 1, qPrintable(QString::number(moves)));
    QCOMPARE(p.dataset->recNo(), 10000);
}

void TestDBCtrlGrid::editedRecordDrawnFromBuffer()
{
    People p = people(Backend::Memory, 20);
    Panels panels(p, 5, 205);
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    QVERIFY_ENGINE(p.dataset->setRecNo(2));
    panels.image();
    int moves = 0;
    p.dataset->setAfterScroll([&moves](qdb::Dataset&) { ++moves; });
    panels.painted.clear();

    QVERIFY_ENGINE(p.dataset->edit());
    QVERIFY_ENGINE(p.dataset->fieldByName(QStringLiteral("CODE"))->setValue(QStringLiteral("NEW")));
    // Even for a new size the other panels are drawn again only once it browses: until then they
    // keep their pictures.
    panels.grid.resize(310, 205);
    const QImage img = panels.image();
    QCOMPARE(panels.paintedRows(), QSet<int> { 1 });
    QVERIFY(hasInk(img, QRect(0, 3 * 41, 300, 41)));
    QCOMPARE(panels.painted.last().code, QStringLiteral("NEW"));
    QCOMPARE(moves, 0);
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Edit);

    QVERIFY_ENGINE(p.dataset->post());
    panels.painted.clear();
    panels.image();
    QCOMPARE(panels.paintedRows(), range(0, 4));
}

void TestDBCtrlGrid::accessibilityExposesPanels()
{
    People p = people(Backend::Memory, 20);
    Panels panels(p, 5, 205);
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    QVERIFY_ENGINE(p.dataset->setRecNo(8)); // scrolls: panels show rows 3 to 7
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&panels.grid);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("CODE, NAME"));
    QCOMPARE(list->childCount(), 5);
    QAccessibleInterface* first = list->child(0);
    QVERIFY(first);
    QCOMPARE(first->role(), QAccessible::ListItem);
    QCOMPARE(first->text(QAccessible::Name), code(4) + QLatin1Char(' ') + name(4));
    QVERIFY(!first->state().selected);
    QAccessibleInterface* current = list->child(4);
    QCOMPARE(current->text(QAccessible::Name), code(8) + QLatin1Char(' ') + name(8));
    QVERIFY(current->state().selected);
    QCOMPARE(list->indexOfChild(current), 4);
    QCOMPARE(current->parent(), list);
    const QRect r = current->rect();
    QCOMPARE(list->childAt(r.center().x(), r.center().y()), current);
    QCOMPARE(p.dataset->recNo(), 8);
}

void TestDBCtrlGrid::rendersToPng()
{
    People p = people(Backend::Memory, 30);
    Panels panels(p, 6, 6 * 41);
    QVERIFY_ENGINE(p.dataset->setRecNo(3));
    panels.grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels.grid));
    QVERIFY(panels.grid.verticalScrollBar()->isVisible());
    QCOMPARE(panels.grid.verticalScrollBar()->maximum(), 30 - 6);
    QVERIFY(panels.grid.grab().save(QStringLiteral("/tmp/ui-panels.png")));
}

QTEST_MAIN(TestDBCtrlGrid)
#include "tst_dbctrlgrid.moc"
