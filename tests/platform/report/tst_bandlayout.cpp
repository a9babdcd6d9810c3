// Band placement and page breaking on plain numbers (millimetres), apart from any painting.
#include "BandLayout.h"

#include <QTest>

using qrep::BandLayout;

struct Band {
    double height;
    double keepWith;
};

struct Where {
    int page;
    double top;
    bool newPage;

    friend bool operator==(const Where&, const Where&) = default;
};

QT_BEGIN_NAMESPACE
namespace QTest {
template <> inline char* toString(const Where& w)
{
    return qstrdup(QByteArray("page ") + QByteArray::number(w.page) + " top " + QByteArray::number(w.top) + (w.newPage ? " (new page)" : ""));
}
}
QT_END_NAMESPACE

struct LayoutCase {
    double top;
    double bottom;
    double header;
    QList<Band> bands;
    QList<Where> expected;
};
Q_DECLARE_METATYPE(LayoutCase)

class TestBandLayout : public QObject {
    Q_OBJECT
private slots:
    void place_data();
    void place();
    void breakPage();
};

void TestBandLayout::place_data()
{
    QTest::addColumn<LayoutCase>("c");
    // A body from 10 to 100 (90 mm), no repeated header unless said.
    QTest::newRow("bands stack from the top") << LayoutCase{10, 100, 0, {{20, 0}, {30, 0}, {40, 0}},
        {{1, 10, false}, {1, 30, false}, {1, 60, false}}};
    QTest::newRow("an exact fit stays on the page") << LayoutCase{10, 100, 0, {{45, 0}, {45, 0}},
        {{1, 10, false}, {1, 55, false}}};
    QTest::newRow("sums of decimals that fit exactly stay") << LayoutCase{0, 0.3, 0, {{0.1, 0}, {0.1, 0}, {0.1, 0}},
        {{1, 0, false}, {1, 0.1, false}, {1, 0.2, false}}};
    QTest::newRow("a band that does not fit starts a page") << LayoutCase{10, 100, 0, {{50, 0}, {41, 0}},
        {{1, 10, false}, {2, 10, true}}};
    QTest::newRow("later pages start under the repeated header") << LayoutCase{10, 100, 8, {{50, 0}, {41, 0}, {30, 0}},
        {{1, 10, false}, {2, 18, true}, {2, 59, false}}};
    QTest::newRow("a keep-with chain that does not fit breaks before its first band")
        << LayoutCase{10, 100, 0, {{60, 0}, {10, 25}, {10, 15}, {15, 0}},
               {{1, 10, false}, {2, 10, true}, {2, 20, false}, {2, 30, false}}};
    QTest::newRow("a chain that fits stays") << LayoutCase{10, 100, 0, {{40, 0}, {10, 25}, {10, 15}, {15, 0}},
        {{1, 10, false}, {1, 50, false}, {1, 60, false}, {1, 70, false}}};
    QTest::newRow("the band alone would fit, its chain does not") << LayoutCase{10, 100, 0, {{70, 0}, {10, 11}},
        {{1, 10, false}, {2, 10, true}}};
    QTest::newRow("a chain taller than a page does not break an empty page")
        << LayoutCase{10, 100, 5, {{10, 200}}, {{1, 10, false}}};
    QTest::newRow("a band taller than a page is placed once, the next breaks")
        << LayoutCase{10, 100, 5, {{5, 0}, {120, 0}, {5, 0}}, {{1, 10, false}, {2, 15, true}, {3, 15, true}}};
    QTest::newRow("zero-height bands never break") << LayoutCase{10, 100, 0, {{90, 0}, {0, 0}, {0, 0}},
        {{1, 10, false}, {1, 100, false}, {1, 100, false}}};
    QTest::newRow("many pages") << LayoutCase{0, 10, 2, {{6, 0}, {6, 0}, {6, 0}, {6, 0}},
        {{1, 0, false}, {2, 2, true}, {3, 2, true}, {4, 2, true}}};
}

void TestBandLayout::place()
{
    QFETCH(LayoutCase, c);
    QCOMPARE(c.bands.size(), c.expected.size());
    BandLayout layout(c.top, c.bottom, c.header);
    QVERIFY(layout.pageEmpty());
    for (qsizetype i = 0; i < c.bands.size(); ++i) {
        const BandLayout::Placement p = layout.place(c.bands[i].height, c.bands[i].keepWith);
        const Where got{p.page, p.top, p.newPage};
        QCOMPARE(got, c.expected[i]);
        if (p.newPage)
            QCOMPARE(p.headerTop, c.top);
        QVERIFY(!layout.pageEmpty());
    }
}

void TestBandLayout::breakPage()
{
    BandLayout layout(10, 100, 6);
    layout.place(20);
    const BandLayout::Placement p = layout.breakPage();
    QVERIFY(p.newPage);
    QCOMPARE(p.page, 2);
    QCOMPARE(p.headerTop, 10.0);
    QCOMPARE(p.top, 16.0);
    QVERIFY(layout.pageEmpty());
    QCOMPARE(layout.spaceLeft(), 84.0);
    QCOMPARE(layout.place(10).top, 16.0);
    QCOMPARE(layout.cursor(), 26.0);
}

QTEST_GUILESS_MAIN(TestBandLayout)
#include "tst_bandlayout.moc"
