// The activity dialog: numbers drawn from the activity counter of the Sys row, under its lock,
// never twice, also from two workstations.

#include "ReferenceFixture.h"

#include "Act.h"
#include "ActAm.h"

#include <QtTest>

class TestActivityDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void numbering_data();
    void numbering();
    void drawnNumberAlreadyTaken();
    void editingNeverTouchesTheCounter();
    void lockedCounterRefusesAtOnce();
    void twoWorkstationsNeverDrawOneNumber();
    void renders();

private:
    // Adds an activity through the activity window, typing a number (may be empty) and a
    // description, and pressing Ok once; returns what the dialog showed afterwards.
    QString addActivity(const QString& number, const QString& description, bool cancelAfterwards = false);
    QString counter() { return f.scalar("SELECT SYSACTCODCPT FROM Sys"); }

    ReferenceFixture f;
    std::unique_ptr<TFAct> window;
};

void TestActivityDialog::init()
{
    f.create();
    f.addActivity(3, "Design");
    f.setCounter(17);
}

void TestActivityDialog::cleanup()
{
    window.reset();
    f.destroy();
}

QString TestActivityDialog::addActivity(
    const QString& number, const QString& description, bool cancelAfterwards)
{
    if (!window) {
        f.open();
        window = std::make_unique<TFAct>();
    }
    QString shown;
    f.drivers["FActAm"] = [&](QDialog* d) {
        DCOMPARE(f.text(d, "Label1"), QStringLiteral("Adding an activity"));
        DVERIFY(d->findChild<QLineEdit*>("DBEdit1")->isEnabled());
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit2")); // typed without a number
        if (!number.isEmpty())
            f.type(d, "DBEdit1", number);
        f.type(d, "DBEdit2", description);
        f.click(d, "BitBtn1");
        shown = f.text(d, "DBEdit1");
        if (d->result() != QDialog::Accepted && cancelAfterwards)
            f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton1Click();
    return shown;
}

void TestActivityDialog::numbering_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("counterAfter");
    QTest::newRow("empty number: the counter's, which moves on") << ""
                                                                 << "17"
                                                                 << "18";
    QTest::newRow("typed 5: kept, the counter unchanged") << "5"
                                                          << "5"
                                                          << "17";
    QTest::newRow("typed 0 counts as empty") << "0"
                                             << "17"
                                             << "18";
    QTest::newRow("letters cannot be typed") << "x"
                                             << "17"
                                             << "18";
}

void TestActivityDialog::numbering()
{
    QFETCH(QString, typed);
    QFETCH(QString, activity);
    QFETCH(QString, counterAfter);
    addActivity(typed, QStringLiteral("Travel"));
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT ACTCOD, ACTDES FROM Act ORDER BY ACTDES"),
        (QStringList { "3/Design", activity + QStringLiteral("/Travel") }));
    QCOMPARE(counter(), counterAfter);
    QCOMPARE(FData->TabActACTCOD->asString(), activity); // the new activity is the current one
}

void TestActivityDialog::drawnNumberAlreadyTaken()
{
    f.addActivity(17, "Testing");
    QString shown;
    f.open();
    window = std::make_unique<TFAct>();
    f.drivers["FActAm"] = [&](QDialog* d) {
        f.type(d, "DBEdit2", QStringLiteral("Travel"));
        f.click(d, "BitBtn1");
        shown = f.text(d, "DBEdit1");
        DCOMPARE(counter(), QStringLiteral("18"));
        // Ok again posts the same number and fails the same way: the counter stays.
        f.click(d, "BitBtn1");
        DCOMPARE(counter(), QStringLiteral("18"));
        DVERIFY(d->isVisible());
        DCOMPARE(FData->TabAct->state(), qdb::Dataset::State::Insert);
        DCOMPARE(FData->TabSys->state(), qdb::Dataset::State::Browse);
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton1Click();
    QCOMPARE(shown, QStringLiteral("17"));
    QCOMPARE(f.errors,
        (QStringList { "Unable to add an activity. | A record with this key already exists.",
            "Unable to add an activity. | A record with this key already exists." }));
    // Cancelled: no activity, the counter stays advanced.
    QCOMPARE(f.rows("SELECT ACTCOD FROM Act ORDER BY ACTCOD"), (QStringList { "3", "17" }));
    QCOMPARE(counter(), QStringLiteral("18"));
    // A number typed instead goes through.
    f.errors.clear();
    QCOMPARE(addActivity(QStringLiteral("40"), QStringLiteral("Travel")), QStringLiteral("40"));
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT ACTCOD FROM Act ORDER BY ACTCOD"), (QStringList { "3", "17", "40" }));
}

void TestActivityDialog::editingNeverTouchesTheCounter()
{
    f.open();
    window = std::make_unique<TFAct>();
    f.drivers["FActAm"] = [&](QDialog* d) {
        DCOMPARE(f.text(d, "Label1"), QStringLiteral("Editing an activity"));
        DVERIFY(!d->findChild<QLineEdit*>("DBEdit1")->isEnabled());
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit2"));
        f.type(d, "DBEdit2", QStringLiteral("Design work"));
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton2Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT ACTCOD, ACTDES FROM Act"), QStringList { "3/Design work" });
    QCOMPARE(counter(), QStringLiteral("17"));
}

void TestActivityDialog::lockedCounterRefusesAtOnce()
{
    f.open();
    auto other = f.otherWorkstation();
    auto sys = f.tableOf(other.get(), QStringLiteral("Sys.db"));
    sys->edit(); // the other workstation is drawing a number
    QElapsedTimer clock;
    clock.start();
    addActivity(QString(), QStringLiteral("Travel"), true);
    QVERIFY(clock.elapsed() < 3000); // refused at once, no waiting for the lock
    QCOMPARE(f.errors, QStringList { "Unable to add an activity. | This record is locked by another user." });
    QCOMPARE(f.scalar("SELECT count(*) FROM Act"), QStringLiteral("1")); // not posted
    QCOMPARE(counter(), QStringLiteral("17")); // no number drawn
    QCOMPARE(FData->TabAct->state(), qdb::Dataset::State::Browse); // cancelled afterwards
    QCOMPARE(FData->TabSys->state(), qdb::Dataset::State::Browse);
}

void TestActivityDialog::twoWorkstationsNeverDrawOneNumber()
{
    f.open();
    window = std::make_unique<TFAct>();
    // The other workstation read the counter (17) before this one drew it.
    auto other = f.otherWorkstation();
    auto sys = f.tableOf(other.get(), QStringLiteral("Sys.db"));
    QCOMPARE(sys->fieldByName("SYSACTCODCPT")->asInteger(), 17);
    auto draw = [&]() {
        sys->edit(); // re-read under the row's lock
        const int n = sys->fieldByName("SYSACTCODCPT")->asInteger();
        sys->fieldByName("SYSACTCODCPT")->setAsInteger(n + 1);
        sys->post();
        return n;
    };
    addActivity(QString(), QStringLiteral("Travel"));
    int theirs = 0;
    QVERIFY_ENGINE(theirs = draw());
    addActivity(QString(), QStringLiteral("Support"));
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(theirs, 18);
    QCOMPARE(f.rows("SELECT ACTCOD, ACTDES FROM Act ORDER BY ACTCOD"),
        (QStringList { "3/Design", "17/Travel", "19/Support" }));
    QCOMPARE(counter(), QStringLiteral("20"));

    // At the same moment: the other workstation holds the row while this one presses Ok; this one
    // is refused with the lock text, keeps what was typed, and draws the next number once the
    // other has posted.
    sys->edit();
    f.drivers["FActAm"] = [&](QDialog* d) {
        f.type(d, "DBEdit2", QStringLiteral("Meetings"));
        f.click(d, "BitBtn1");
        DCOMPARE(
            f.errors, QStringList { "Unable to add an activity. | This record is locked by another user." });
        DCOMPARE(f.text(d, "DBEdit2"), QStringLiteral("Meetings"));
        DCOMPARE(f.text(d, "DBEdit1"), QString());
        const int n = sys->fieldByName("SYSACTCODCPT")->asInteger();
        sys->fieldByName("SYSACTCODCPT")->setAsInteger(n + 1);
        sys->post(); // theirs: 20
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton1Click();
    QCOMPARE(
        f.rows("SELECT ACTCOD, ACTDES FROM Act WHERE ACTDES = 'Meetings'"), QStringList { "21/Meetings" });
    QCOMPARE(counter(), QStringLiteral("22"));
}

void TestActivityDialog::renders()
{
    f.open();
    FData->TabAct->edit();
    TFActAm dialog;
    dialog.Tag = 0;
    dialog.show();
    QVERIFY(dialog.grab().save(QDir::tempPath() + QStringLiteral("/qm-actam.png")));
    QCOMPARE(dialog.size(), QSize(395, 146));
    FData->TabAct->cancel();
}

QTEST_MAIN(TestActivityDialog)
#include "tst_activitydialog.moc"
