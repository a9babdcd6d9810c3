#include "About.h"
#include "Data.h"
#include "DialogService.h"
#include "Help.h"
#include "Main.h"
#include "Res.h"
#include "TestEnv.h"
#include "Fin.h"
#include "Gauge.h"
#include "Splash.h"
#include "Wait.h"

#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QtTest>

namespace {
class FakeTotalsView : public TotalsView {
public:
    QStringList calls;
    bool isTimesheetViewActive() const override { return FMain && FMain->timesheetViewFlag() == 1; }
    QDate calendarDate() const override { return QDate(2026, 12, 9); }
    void UpdateDayHours(bool billable, const QDate&) override { calls << QStringLiteral("day %1").arg(billable); }
    void UpdatePeriodHours(bool billable, const QDate&) override { calls << QStringLiteral("period %1").arg(billable); }
};
}

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void viewCommandsSwitchWindowsAndFlag_data();
    void viewCommandsSwitchWindowsAndFlag();
    void timesheetsRefreshesTotalsInOrder();
    void commandsWithoutTheirWindowAreDisabled();
    void selectionsGetThePeriodOfTheCalendarDate();
    void helpOpensThePresentation();
    void aboutShowsVersions();
    void waitWindowTags_data();
    void waitWindowTags();
    void renders();

private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<qui::ScriptedDialogService> dialogs;
    std::unique_ptr<TFData> data;
    std::unique_ptr<TFMain> main;
    QWidget* windows[4] = {};
    QAction* action(const char* name) { return main->findChild<QAction*>(QLatin1String(name)); }
};

void TestMainWindow::init()
{
    env = std::make_unique<TestEnv>();
    dialogs = std::make_unique<qui::ScriptedDialogService>();
    qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
    qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), env->newDatabaseDir());
    data = std::make_unique<TFData>();
    data->Db->open();
    for (qdb::Table* t : data->TablesInOpenOrder())
        t->open();
    main = std::make_unique<TFMain>();
    const char* names[] = { "FEmp", "FPrj", "FAct", "FTem" };
    for (int i = 0; i < 4; ++i) {
        windows[i] = new QWidget;
        windows[i]->setObjectName(QLatin1String(names[i]));
        main->setChildWindow(TFMain::View(i), windows[i]);
    }
}

void TestMainWindow::cleanup()
{
    main.reset();
    data.reset();
    dialogs.reset();
    env.reset();
}

void TestMainWindow::viewCommandsSwitchWindowsAndFlag_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("flag");
    QTest::newRow("Employees") << int(TFMain::View::Employees) << 0;
    QTest::newRow("Projects") << int(TFMain::View::Projects) << 0;
    QTest::newRow("Activities") << int(TFMain::View::Activities) << 0;
    QTest::newRow("Timesheets") << int(TFMain::View::Timesheets) << 1;
}

void TestMainWindow::viewCommandsSwitchWindowsAndFlag()
{
    QFETCH(int, view);
    QFETCH(int, flag);
    main->show();
    const char* actions[] = { "actEmployees", "actProjects", "actActivities", "actTimesheets" };
    for (int repeat = 0; repeat < 2; ++repeat) { // the same command twice changes nothing more
        action(actions[view])->trigger();
        QCOMPARE(main->timesheetViewFlag(), flag);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(main->subWindow(TFMain::View(i))->isMaximized(), i == view);
            QCOMPARE(main->subWindow(TFMain::View(i))->isMinimized(), i != view);
        }
    }
}

void TestMainWindow::timesheetsRefreshesTotalsInOrder()
{
    FakeTotalsView view;
    data->setTotalsView(&view);
    action("actEmployees")->trigger();
    QVERIFY(view.calls.isEmpty());
    action("actTimesheets")->trigger();
    QCOMPARE(view.calls, (QStringList { "period 1", "period 0", "day 1", "day 0" }));
    data->setTotalsView(nullptr);
}

void TestMainWindow::commandsWithoutTheirWindowAreDisabled()
{
    TFMain bare;
    for (const char* name : { "actEmployees", "actTimesheets", "actCalendar", "actSystemParameters", "actRepHeuPrj", "actExportEmployees", "actPurgeTimesheets" })
        QVERIFY2(!bare.findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
    for (const char* name : { "actQuit", "actHelp", "actAbout" })
        QVERIFY2(bare.findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(action("actEmployees")->isEnabled());
}

void TestMainWindow::selectionsGetThePeriodOfTheCalendarDate()
{
    struct Opened {
        QString dialog;
        int tag;
        QDate first, last;
    };
    QList<Opened> opened;
    main->openSelection = [&](const QString& d, int tag, const QDate& f, const QDate& l) { opened << Opened { d, tag, f, l }; };
    main->calendarDate = [] { return QDate(2026, 12, 9); }; // a Wednesday
    main->selectedDayTab = [] { return 2; };               // periods start on Monday
    main->updateCommands();
    action("actRepHeuPrjActEmp")->trigger();
    action("actRepDetHeuEmp")->trigger();
    action("actPurgeTimesheets")->trigger();
    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0].dialog, QStringLiteral("FSelDat"));
    QCOMPARE(opened[0].tag, 6);
    QCOMPARE(opened[0].first, QDate(2026, 12, 7));
    QCOMPARE(opened[0].last, QDate(2026, 12, 13));
    QCOMPARE(opened[1].dialog, QStringLiteral("FSelDatEmp"));
    QCOMPARE(opened[1].tag, 8);
    QCOMPARE(opened[2].tag, 7);
    QCOMPARE(opened[2].first, QDate::currentDate());
    QCOMPARE(opened[2].last, QDate::currentDate());
}

void TestMainWindow::helpOpensThePresentation()
{
    QList<QUrl> opened;
    qui::Help::setOpener([&](const QUrl& u) { opened << u; });
    qui::Help::setPages(QStringLiteral(":/help"));
    main->show();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QTest::keyClick(main.get(), Qt::Key_F1);
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened.first().toString().contains(QLatin1String("ID_PRESENTATION")), qPrintable(opened.first().toString()));
    qui::Help::setOpener({});
}

void TestMainWindow::aboutShowsVersions()
{
    QStringList texts;
    dialogs->onDialog = [&](QDialog* d) {
        for (QLabel* l : d->findChildren<QLabel*>())
            texts << l->text();
        d->grab().save(QStringLiteral("/tmp/qm-about.png"));
        return int(QDialog::Accepted);
    };
    action("actAbout")->trigger();
    QVERIFY(texts.contains(QStringLiteral("Product version : 3.53")));
    QVERIFY(texts.contains(QStringLiteral("Database version : 3.50")));
    QVERIFY(texts.contains(QStringLiteral("BDE version : 1.00")));
    QCOMPARE(TFAbout::engineVersionText(500), QStringLiteral("5.00"));
}

void TestMainWindow::waitWindowTags_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("height");
    QTest::newRow("plain") << 0 << 65;
    QTest::newRow("recycle") << 1 << 163;
    QTest::newRow("copy") << 2 << 163;
}

void TestMainWindow::waitWindowTags()
{
    QFETCH(int, tag);
    QFETCH(int, height);
    QPointer<TFWait> wait = TFMain::ShowWait(tag);
    QVERIFY(wait->isVisible());
    QCOMPARE(wait->tag(), tag);
    QCOMPARE(wait->height(), height);
    QCOMPARE(wait->windowTitle(), Res::AppTitle);
    QTest::qWait(150);
    wait->grab().save(QStringLiteral("/tmp/qm-wait-%1.png").arg(tag));
    wait->close();
    QTRY_VERIFY(wait.isNull()); // closing frees it
}

void TestMainWindow::renders()
{
    main->resize(800, 520);
    main->show();
    action("actEmployees")->trigger();
    QTest::qWait(50);
    main->grab().save(QStringLiteral("/tmp/qm-main.png"));
    TFSplash splash;
    splash.Gauge1()->setMaxValue(70);
    splash.Gauge1()->setForeColor(QColor(255, 255, 0));
    splash.Gauge1()->setProgress(30);
    splash.setTitleColour(QColor(255, 255, 0));
    QCOMPARE(splash.size(), QSize(378, 120));
    splash.grab().save(QStringLiteral("/tmp/qm-splash.png"));
    TFFin fin;
    fin.show();
    fin.Gauge1()->setProgress(50);
    QCOMPARE(fin.Gauge1()->maxValue(), 70);
    fin.grab().save(QStringLiteral("/tmp/qm-fin.png"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
