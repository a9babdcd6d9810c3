#include "Act1.h"
#include "Prj1.h"
#include "TemAm.h"
#include "TimesheetFixture.h"
#include "ui_TemAm.h"

#include "DBGrid.h"

#include <QtTest>

namespace {
const QDate Wed10 { 2021, 3, 10 };
}

// The entry dialog, driven as the user does while it is shown.
class TestTemAm : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f.destroy(); }

    void linkedAndAllActivities_data();
    void linkedAndAllActivities();
    void projectWithoutLinksChosen();
    void editingKeepsTheActivity_data();
    void editingKeepsTheActivity();
    void numbersDrawnOnEveryOk();
    void cancelLeavesNothing();
    void pickedDateMovesTheEntry();
    void refusedSaveKeepsWhatWasTyped();
    void hoursBoxAcceptsOnlyNumbers();
    void lockedCounterRefusesTheAdd();
    void twoWorkstationsNeverShareANumber();
    void totalsRefreshAfterOk();
    void pickersSetProjectAndActivity();

private:
    // Runs the add command with `drive` acting on the shown dialog.
    void add(const std::function<void(TFTemAm*)>& drive);
    void edit(const std::function<void(TFTemAm*)>& drive);
    static QStringList listed(TFTemAm* am);
    static int activity() { return FData->TabTemACTCOD->isNull() ? -1 : FData->TabTemACTCOD->asInteger(); }
    TimesheetFixture f;
};

void TestTemAm::init()
{
    f.create();
    f.addEmployee(QStringLiteral("E1"), QStringLiteral("Ann"));
    f.addProject(QStringLiteral("P1"), QStringLiteral("Alpha"));
    f.addProject(QStringLiteral("P2"), QStringLiteral("Beta"));
    f.addProject(QStringLiteral("P3"), QStringLiteral("Gamma"));
    f.addActivity(1, QStringLiteral("Design"));
    f.addActivity(4, QStringLiteral("Meeting"));
    f.addActivity(7, QStringLiteral("Review"));
    f.addActivity(9, QStringLiteral("Travel"));
    f.addLink(QStringLiteral("P2"), 9);
    f.addLink(QStringLiteral("P2"), 4);
    f.addLink(QStringLiteral("P3"), 7);
    FData->TabAct->setIndexName(QString()); // activities by number: the first one is 1
}

void TestTemAm::add(const std::function<void(TFTemAm*)>& drive)
{
    f.onOtherDialog = [&](QDialog* dialog) {
        auto* am = qobject_cast<TFTemAm*>(dialog);
        drive(am);
        return am->result();
    };
    f.tem->ToolButton1Click();
}

void TestTemAm::edit(const std::function<void(TFTemAm*)>& drive)
{
    f.onOtherDialog = [&](QDialog* dialog) {
        auto* am = qobject_cast<TFTemAm*>(dialog);
        drive(am);
        return am->result();
    };
    f.tem->ToolButton2Click();
}

QStringList TestTemAm::listed(TFTemAm* am)
{
    QStringList items;
    auto* box = am->form()->DBLookupComboBox2;
    box->ensureList();
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void TestTemAm::linkedAndAllActivities_data()
{
    QTest::addColumn<int>("dialogs");
    QTest::newRow("first dialog of the run") << 1;
    QTest::newRow("a later dialog") << 2;
}

void TestTemAm::linkedAndAllActivities()
{
    QFETCH(int, dialogs);
    f.open(Wed10);
    for (int n = 0; n < dialogs; ++n) {
        QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P2")));
        add([&](TFTemAm* am) {
            auto& u = *am->form();
            QCOMPARE(am->mode(), 1);
            QCOMPARE(u.Label1->text(), QStringLiteral("Adding a timesheet"));
            QVERIFY(u.RadioButton1->isChecked());
            QCOMPARE(listed(am), (QStringList { "Meeting", "Travel" }));
            QCOMPARE(activity(), 4);
            QVERIFY(!u.SpeedButton2->isEnabled());
            u.RadioButton2->click();
            QVERIFY(!u.RadioButton1->isChecked());
            QCOMPARE(listed(am), (QStringList { "Design", "Meeting", "Review", "Travel" }));
            QCOMPARE(activity(), 1);
            QVERIFY(u.SpeedButton2->isEnabled());
            u.RadioButton1->click();
            QCOMPARE(activity(), 4);
            QVERIFY(!u.SpeedButton2->isEnabled());
            u.BitBtn2->click();
        });
    }
}

void TestTemAm::projectWithoutLinksChosen()
{
    f.open(Wed10);
    QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P2")));
    add([&](TFTemAm* am) {
        auto& u = *am->form();
        // Alpha has no links.
        u.DBLookupComboBox1->ensureList();
        u.DBLookupComboBox1->setCurrentIndex(u.DBLookupComboBox1->indexOfKey(QStringLiteral("P1")));
        QMetaObject::invokeMethod(u.DBLookupComboBox1, "activated", Q_ARG(int, u.DBLookupComboBox1->currentIndex()));
        QCOMPARE(FData->TabTemPRJCOD->asString(), QStringLiteral("P1"));
        QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P1"));
        QVERIFY(u.RadioButton2->isChecked());
        QCOMPARE(activity(), 1);
        u.RadioButton1->click();
        QCOMPARE(activity(), -1);
        QVERIFY(listed(am).isEmpty());
        // Back to a project with links: the first link.
        u.DBLookupComboBox1->setCurrentIndex(u.DBLookupComboBox1->indexOfKey(QStringLiteral("P3")));
        QMetaObject::invokeMethod(u.DBLookupComboBox1, "activated", Q_ARG(int, u.DBLookupComboBox1->currentIndex()));
        QVERIFY(u.RadioButton1->isChecked());
        QCOMPARE(activity(), 7);
        u.BitBtn2->click();
    });
}

void TestTemAm::editingKeepsTheActivity_data()
{
    QTest::addColumn<int>("act");
    QTest::addColumn<bool>("linked");
    QTest::newRow("a link of its project") << 9 << true;
    QTest::newRow("not a link") << 1 << false;
}

void TestTemAm::editingKeepsTheActivity()
{
    QFETCH(int, act);
    QFETCH(bool, linked);
    f.addEntry(5, QStringLiteral("E1"), Wed10, 2, true, QStringLiteral("P2"), act);
    f.open(Wed10);
    QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P1"))); // another project current
    edit([&](TFTemAm* am) {
        auto& u = *am->form();
        QCOMPARE(am->mode(), 0);
        QCOMPARE(u.Label1->text(), QStringLiteral("Editing a timesheet"));
        QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P2"));
        QCOMPARE(u.RadioButton1->isChecked(), linked);
        QCOMPARE(u.RadioButton2->isChecked(), !linked);
        QCOMPARE(activity(), act);
        QVERIFY(TFTemAm::SetupFlag);
        u.DBEdit1->setText(QStringLiteral("3.25"));
        u.BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT TEMNBRHEU FROM Tem WHERE TEMCOD = 5")).toDouble(), 3.25);
    QCOMPARE(f.scalar(QStringLiteral("SELECT ACTCOD FROM Tem WHERE TEMCOD = 5")).toInt(), act);
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSTEMCODCPT FROM Sys")).toInt(), 1); // an edit draws no number
}

void TestTemAm::numbersDrawnOnEveryOk()
{
    f.setSys(QStringLiteral("SYSTEMCODCPT"), 250);
    f.open(Wed10);
    add([&](TFTemAm* am) { am->form()->BitBtn1->click(); });
    QCOMPARE(f.scalar(QStringLiteral("SELECT MAX(TEMCOD) FROM Tem")).toInt(), 250);
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSTEMCODCPT FROM Sys")).toInt(), 251);

    // A refused first Ok (no date) uses a number; the second gets the next one.
    add([&](TFTemAm* am) {
        auto& u = *am->form();
        u.DBEdit2->setText(QString());
        u.BitBtn1->click();
        QVERIFY(am->isVisible());
        QCOMPARE(f.errorLines.size(), 1);
        QVERIFY2(f.errorLines[0].startsWith(QStringLiteral("Unable to add a timesheet.")), qPrintable(f.errorLines[0]));
        QCOMPARE(FData->TabTem->state(), qdb::Dataset::State::Insert);
        u.DBEdit2->setText(QLocale().toString(Wed10, QLocale::ShortFormat));
        u.BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Tem")).toInt(), 2);
    QCOMPARE(f.scalar(QStringLiteral("SELECT MAX(TEMCOD) FROM Tem")).toInt(), 252);
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSTEMCODCPT FROM Sys")).toInt(), 253);
    QCOMPARE(FData->TabSys->state(), qdb::Dataset::State::Browse);
}

void TestTemAm::cancelLeavesNothing()
{
    f.open(Wed10);
    add([&](TFTemAm* am) {
        am->form()->DBEdit1->setText(QStringLiteral("8"));
        am->form()->BitBtn2->click();
        QCOMPARE(am->mode(), 0);
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Tem")).toInt(), 0);
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSTEMCODCPT FROM Sys")).toInt(), 1);
    QCOMPARE(FData->TabTem->state(), qdb::Dataset::State::Browse);
}

void TestTemAm::pickedDateMovesTheEntry()
{
    f.open(Wed10);
    add([&](TFTemAm* am) {
        auto& u = *am->form();
        am->DateTimePicker1Enter();
        QCOMPARE(u.DateTimePicker1->date(), Wed10);
        u.DateTimePicker1->setDate(QDate(2021, 3, 15)); // picked in the drop-down
        QCOMPARE(u.DBEdit2->text(), QLocale().toString(QDate(2021, 3, 15), QLocale::ShortFormat));
        u.DBEdit1->setText(QStringLiteral("1"));
        u.BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT TEMDAT FROM Tem")).toString(), QStringLiteral("2021-03-15"));
    QVERIFY(FData->TabTem->isEmpty()); // not the day shown
}

void TestTemAm::refusedSaveKeepsWhatWasTyped()
{
    f.open(Wed10);
    auto other = f.otherWorkstation();
    qdb::Table sys;
    sys.setDatabase(other.get());
    sys.setTableName(QStringLiteral("Sys.db"));
    sys.open();
    add([&](TFTemAm* am) {
        auto& u = *am->form();
        u.DBEdit1->setText(QStringLiteral("7.5"));
        u.DBMemo1->setPlainText(QStringLiteral("Kick-off meeting\nwith the client"));
        u.DBCheckBox1->click();
        sys.edit(); // the system parameters open on another workstation
        u.BitBtn1->click();
        QVERIFY(am->isVisible());
        QCOMPARE(u.DBEdit1->text(), QStringLiteral("7.5"));
        QCOMPARE(u.DBMemo1->toPlainText(), QStringLiteral("Kick-off meeting\nwith the client"));
        QVERIFY(u.DBCheckBox1->isChecked());
        QCOMPARE(FData->TabTemTEMNBRHEU->asFloat(), 7.5);
        sys.cancel();
        u.BitBtn1->click();
    });
    QCOMPARE(f.errorLines.size(), 1);
    QCOMPARE(f.scalar(QStringLiteral("SELECT TEMNOT FROM Tem")).toString(), QStringLiteral("Kick-off meeting\nwith the client"));
    QCOMPARE(f.scalar(QStringLiteral("SELECT TEMFAC FROM Tem")).toBool(), true);
}

void TestTemAm::hoursBoxAcceptsOnlyNumbers()
{
    f.open(Wed10);
    add([&](TFTemAm* am) {
        auto* box = am->form()->DBEdit1;
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("1x2.5e1"));
        QCOMPARE(box->text(), QStringLiteral("12.5e1"));
        am->form()->BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT TEMNBRHEU FROM Tem")).toDouble(), 125.0);
}

void TestTemAm::lockedCounterRefusesTheAdd()
{
    f.open(Wed10);
    auto other = f.otherWorkstation();
    qdb::Table sys;
    sys.setDatabase(other.get());
    sys.setTableName(QStringLiteral("Sys.db"));
    sys.open();
    sys.edit();
    add([&](TFTemAm* am) {
        am->form()->BitBtn1->click();
        am->form()->BitBtn2->click();
    });
    QCOMPARE(f.errorLines.size(), 1);
    QVERIFY2(f.errorLines[0].startsWith(QStringLiteral("Unable to add a timesheet. | This record is locked by another user.")),
        qPrintable(f.errorLines[0]));
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Tem")).toInt(), 0);
    sys.cancel();
}

void TestTemAm::twoWorkstationsNeverShareANumber()
{
    f.open(Wed10);
    auto other = f.otherWorkstation();
    qdb::Table sys;
    sys.setDatabase(other.get());
    sys.setTableName(QStringLiteral("Sys.db"));
    sys.open();
    QList<int> drawn;
    for (int i = 0; i < 5; ++i) {
        // The other workstation draws a number between our dialog's opening and its Ok.
        add([&](TFTemAm* am) {
            sys.edit();
            drawn << sys.fieldByName(QStringLiteral("SYSTEMCODCPT"))->asInteger();
            sys.fieldByName(QStringLiteral("SYSTEMCODCPT"))->setAsInteger(drawn.last() + 1);
            sys.post();
            am->form()->BitBtn1->click();
        });
        drawn << f.scalar(QStringLiteral("SELECT MAX(TEMCOD) FROM Tem")).toInt();
    }
    QCOMPARE(QSet<int>(drawn.cbegin(), drawn.cend()).size(), 10);
    QCOMPARE(drawn, (QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }));
}

void TestTemAm::totalsRefreshAfterOk()
{
    f.addEntry(5, QStringLiteral("E1"), Wed10, 2, true);
    f.open(Wed10);
    add([&](TFTemAm* am) {
        auto& u = *am->form();
        u.DBEdit1->setText(QStringLiteral("0.5"));
        u.DBCheckBox1->click(); // empty → ticked
        u.DBCheckBox1->click(); // → unticked
        u.BitBtn1->click();
    });
    QCOMPARE(f.totals(f.tem), QStringLiteral("2 0.5 2.5 2 0.5 2.5"));
    QCOMPARE(FData->TabTem->recordCount(), 2);
}

void TestTemAm::pickersSetProjectAndActivity()
{
    f.open(Wed10);
    QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P1")));
    f.onOtherDialog = [&](QDialog* d) -> int {
        if (auto* picker = qobject_cast<TFPrj1*>(d)) {
            FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P2"));
            QTest::keyClick(picker->grid(), Qt::Key_Return);
            return d->result();
        }
        if (auto* picker = qobject_cast<TFAct1*>(d)) {
            FData->TabAct->locate(QStringLiteral("ACTCOD"), 7);
            QTest::keyClick(picker->grid(), Qt::Key_Return);
            return d->result();
        }
        auto* am = qobject_cast<TFTemAm*>(d);
        auto& u = *am->form();
        [&] { QVERIFY2(u.RadioButton2->isChecked(), "Alpha has no links"); }();
        u.SpeedButton1->click();
        [&] {
            QCOMPARE(FData->TabTemPRJCOD->asString(), QStringLiteral("P2"));
            QVERIFY(u.RadioButton1->isChecked());
            QCOMPARE(activity(), 4);
            QVERIFY(!u.SpeedButton2->isEnabled());
        }();
        u.RadioButton2->click();
        u.SpeedButton2->click();
        [&] { QCOMPARE(activity(), 7); }();
        u.BitBtn1->click();
        return am->result();
    };
    f.tem->ToolButton1Click();
    QCOMPARE(f.scalar(QStringLiteral("SELECT PRJCOD FROM Tem")).toString(), QStringLiteral("P2"));
    QCOMPARE(f.scalar(QStringLiteral("SELECT ACTCOD FROM Tem")).toInt(), 7);
}

QTEST_MAIN(TestTemAm)
#include "tst_temam.moc"
