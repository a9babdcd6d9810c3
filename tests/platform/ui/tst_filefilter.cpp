#include "FileFilter.h"

#include <QtTest>

class tst_FileFilter : public QObject {
    Q_OBJECT
private slots:
    void qtFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two entries") << QStringLiteral("dbase  files (*.dbf)|*.dbf|Text files (*.txt)|*.txt")
                                     << QStringLiteral("dbase  files (*.dbf);;Text files (*.txt)");
        QTest::newRow("description without patterns")
            << QStringLiteral("All files|*.*") << QStringLiteral("All files (*.*)");
        QTest::newRow("several patterns")
            << QStringLiteral("Images|*.png;*.bmp") << QStringLiteral("Images (*.png *.bmp)");
        QTest::newRow("trailing separator")
            << QStringLiteral("Text files (*.txt)|*.txt|") << QStringLiteral("Text files (*.txt)");
        QTest::newRow("already Qt form")
            << QStringLiteral("Text files (*.txt);;All files (*)") << QStringLiteral("Text files (*.txt);;All files (*)");
        QTest::newRow("empty") << QString() << QString();
    }
    void qtFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(qui::qtFilter(filter), expected);
    }
};

QTEST_MAIN(tst_FileFilter)
#include "tst_filefilter.moc"
