#include "Gauge.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QImage>
#include <QtTest>

class TestGauge : public QObject {
    Q_OBJECT
private slots:
    void progressIsClamped_data();
    void progressIsClamped();
    void paintsTheFilledPartFromTheLeft();
    void accessibleValue();
};

void TestGauge::progressIsClamped_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("expected");
    QTest::newRow("inside") << 0 << 7 << 3 << 2 << 5;
    QTest::newRow("past the end") << 0 << 7 << 6 << 5 << 7;
    QTest::newRow("below the start") << 10 << 20 << 12 << -5 << 10;
    QTest::newRow("negative range") << -5 << 5 << 0 << -3 << -3;
}

void TestGauge::progressIsClamped()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, start);
    QFETCH(int, added);
    QFETCH(int, expected);
    qui::Gauge gauge;
    gauge.setMinValue(min);
    gauge.setMaxValue(max);
    gauge.setProgress(start);
    gauge.addProgress(added);
    QCOMPARE(gauge.progress(), expected);

    // Narrowing the range pulls the progress into it.
    gauge.setMaxValue(min);
    QCOMPARE(gauge.progress(), min);
}

void TestGauge::paintsTheFilledPartFromTheLeft()
{
    qui::Gauge gauge;
    gauge.resize(104, 20);
    gauge.setForeColor(Qt::blue);
    gauge.setBackColor(Qt::white);
    gauge.setMaxValue(4);
    gauge.setProgress(1); // a quarter of the 100 inner pixels
    QImage image(gauge.size(), QImage::Format_RGB32);
    gauge.render(&image);
    QCOMPARE(gauge.foreColor(), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(10, 10), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(26, 10), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(28, 10), QColor(Qt::white));
    QCOMPARE(image.pixelColor(100, 10), QColor(Qt::white));
}

void TestGauge::accessibleValue()
{
    qui::Gauge gauge;
    gauge.setMinValue(2);
    gauge.setMaxValue(9);
    gauge.setProgress(5);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&gauge);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* value = iface->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 5);
    QCOMPARE(value->minimumValue().toInt(), 2);
    QCOMPARE(value->maximumValue().toInt(), 9);
}

QTEST_MAIN(TestGauge)
#include "tst_gauge.moc"
