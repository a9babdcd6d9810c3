// The project dialog and the activities allowed on a project: the check list and its ticks, the
// popup commands, the collapsed and enlarged states, and the two all-or-nothing saves: Ok (the
// project with its links) and the deletion of a project with its links.

#include "ReferenceFixture.h"

#include "Prj.h"
#include "PrjAm.h"

#include "DBGrid.h"

#include <QListWidget>
#include <QMenu>
#include <QtTest>

namespace
{
// "Design" or "Design [x]" per item of the check list.
QStringList items(QDialog* d)
{
    QStringList out;
    auto* list = d->findChild<QListWidget*>("CheckListBox1");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text()
                + (list->item(i)->checkState() == Qt::Checked ? QStringLiteral(" [x]") : QString());
    return out;
}

void tick(QDialog* d, const QString& description, bool on = true)
{
    auto* list = d->findChild<QListWidget*>("CheckListBox1");
    const auto found = list->findItems(description, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(description));
    found.first()->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void select(QDialog* d, const QString& description)
{
    auto* list = d->findChild<QListWidget*>("CheckListBox1");
    const auto found = list->findItems(description, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(description));
    list->setCurrentItem(found.first());
}

TFPrjAm* dialogOf(QDialog* d)
{
    return static_cast<TFPrjAm*>(d);
}
}

class TestProjectDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void collapsedAndEnlarged();
    void editShowsTheLinksTickedAndRewritesThem();
    void addWithoutEnlargingSavesNoLinks();
    void addWithTicksSavesThem();
    void takenNumberFailsBeforeAnyLink();
    void emptySelection_data();
    void emptySelection();
    void addingAnActivityKeepsTheTicks();
    void editActivityNeedsASelection();
    void deletingATickedActivity();
    void popupShortcutsBelongToTheList();
    void failedOkChangesNothing_data();
    void failedOkChangesNothing();
    void refusedDeletionKeepsProjectAndLinks_data();
    void refusedDeletionKeepsProjectAndLinks();
    void renders();

private:
    void openWindow();
    QStringList links(const QString& project)
    {
        return f.rows(
            QStringLiteral("SELECT ACTCOD FROM PrjAct WHERE PRJCOD = '%1' ORDER BY ACTCOD").arg(project));
    }

    ReferenceFixture f;
    std::unique_ptr<TFPrj> window;
    QStringList events; // deletes and posts of links, as TabPrjAct saw them
};

void TestProjectDialog::init()
{
    f.create();
    f.addProject("P1", "Bridge");
    f.addProject("P2", "Canal");
    // By description: Build (7), Design (3), Meetings (5), Testing (1).
    f.addActivity(1, "Testing");
    f.addActivity(3, "Design");
    f.addActivity(5, "Meetings");
    f.addActivity(7, "Build");
    f.addLink("P1", 3);
    f.addLink("P1", 7);
    f.addLink("P2", 5);
    events.clear();
}

void TestProjectDialog::cleanup()
{
    window.reset();
    if (FData) {
        FData->TabPrjAct->setBeforeDelete({});
        FData->TabPrjAct->setBeforePost({});
    }
    f.destroy();
}

void TestProjectDialog::openWindow()
{
    f.open();
    window = std::make_unique<TFPrj>();
    FData->TabPrjAct->setBeforeDelete(
        [this](qdb::Dataset&) { events << "delete " + FData->TabPrjActACTCOD->asString(); });
    FData->TabPrjAct->setBeforePost(
        [this](qdb::Dataset&) { events << "post " + FData->TabPrjActACTCOD->asString(); });
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P1"));
}

void TestProjectDialog::collapsedAndEnlarged()
{
    openWindow();
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        auto* list = d->findChild<QListWidget*>("CheckListBox1");
        auto* toggle = d->findChild<QPushButton*>("BitBtn3");
        auto* ok = d->findChild<QPushButton*>("BitBtn1");
        auto* cancel = d->findChild<QPushButton*>("BitBtn2");
        DCOMPARE(d->size(), QSize(395, 183));
        DCOMPARE(toggle->text(), QStringLiteral("Activities >> "));
        DCOMPARE(toggle->toolTip(), QStringLiteral("Activities"));
        DCOMPARE(toggle->geometry(), QRect(304, 112, 83, 25));
        DVERIFY(list->isHidden());
        DCOMPARE(ok->geometry(), QRect(232, 151, 75, 25));
        DCOMPARE(cancel->geometry(), QRect(312, 151, 75, 25));
        DVERIFY(ok->isDefault());
        DCOMPARE(f.text(d, "Label1"), QStringLiteral("Editing a project"));
        DVERIFY(!d->findChild<QLineEdit*>("DBEdit1")->isEnabled());
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit2"));
        toggle->click();
        DCOMPARE(d->size(), QSize(395, 287));
        DCOMPARE(toggle->text(), QStringLiteral("Activities << "));
        DVERIFY(!list->isHidden());
        DCOMPARE(list->geometry(), QRect(8, 150, 379, 97));
        DCOMPARE(list->currentRow(), 0);
        DCOMPARE(ok->y(), 255);
        DCOMPARE(cancel->y(), 255);
        toggle->click();
        DCOMPARE(d->size(), QSize(395, 183));
        DVERIFY(list->isHidden());
        DCOMPARE(ok->y(), 151);
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(f.dialogs->dialogs, QStringList { "FPrjAm" });
    QCOMPARE(FData->TabPrj->state(), qdb::Dataset::State::Browse);
}

void TestProjectDialog::editShowsTheLinksTickedAndRewritesThem()
{
    openWindow();
    QStringList shown;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn3");
        shown = items(d);
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(shown, (QStringList { "Build [x]", "Design [x]", "Meetings", "Testing" }));
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(links("P1"), (QStringList { "3", "7" }));
    QCOMPARE(links("P2"), QStringList { "5" });
    // Written back as a whole, in list order.
    QCOMPARE(events, (QStringList { "delete 3", "delete 7", "post 7", "post 3" }));
    QCOMPARE(FData->TabPrjAct->recordCount(), 2);
}

void TestProjectDialog::addWithoutEnlargingSavesNoLinks()
{
    openWindow();
    QStringList shown;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        DCOMPARE(f.text(d, "Label1"), QStringLiteral("Adding a project"));
        DVERIFY(d->findChild<QLineEdit*>("DBEdit1")->isEnabled());
        DCOMPARE(d->focusWidget(), d->findChild<QLineEdit*>("DBEdit1"));
        shown = items(d);
        f.type(d, "DBEdit1", "p9");
        f.type(d, "DBEdit2", "Harbour");
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton1Click();
    QCOMPARE(
        shown, (QStringList { "Build", "Design", "Meetings", "Testing" })); // every activity, none ticked
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT PRJCOD, PRJDES FROM Prj WHERE PRJCOD = 'P9'"), QStringList { "P9/Harbour" });
    QCOMPARE(links("P9"), QStringList());
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P9"));
}

void TestProjectDialog::addWithTicksSavesThem()
{
    openWindow();
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.type(d, "DBEdit1", "P9");
        f.type(d, "DBEdit2", "Harbour");
        f.click(d, "BitBtn3");
        tick(d, "Testing");
        tick(d, "Meetings");
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton1Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(links("P9"), (QStringList { "1", "5" }));
    QCOMPARE(FData->TabPrjAct->recordCount(), 2);
}

void TestProjectDialog::takenNumberFailsBeforeAnyLink()
{
    openWindow();
    bool stayed = false;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.type(d, "DBEdit1", "P2");
        f.type(d, "DBEdit2", "Another canal");
        f.click(d, "BitBtn3");
        tick(d, "Build");
        f.click(d, "BitBtn1");
        stayed = d->isVisible() && d->result() == 0;
        DCOMPARE(FData->TabPrj->state(), qdb::Dataset::State::Insert);
        DCOMPARE(f.text(d, "DBEdit2"), QStringLiteral("Another canal"));
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton1Click();
    QVERIFY(stayed);
    QCOMPARE(f.errors, QStringList { "Unable to add a project. | A record with this key already exists." });
    QCOMPARE(events, QStringList());
    QCOMPARE(links("P2"), QStringList { "5" });
    QCOMPARE(f.rows("SELECT PRJDES FROM Prj WHERE PRJCOD = 'P2'"), QStringList { "Canal" });
}

void TestProjectDialog::emptySelection_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("then Ok: no links") << true << QStringList();
    QTest::newRow("then Cancel: links unchanged") << false << QStringList { "3", "7" };
}

void TestProjectDialog::emptySelection()
{
    QFETCH(bool, ok);
    QFETCH(QStringList, after);
    openWindow();
    QStringList shown;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn3");
        dialogOf(d)->Viderlaslection1Click();
        shown = items(d);
        f.click(d, ok ? "BitBtn1" : "BitBtn2");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(shown, (QStringList { "Build", "Design", "Meetings", "Testing" }));
    QCOMPARE(links("P1"), after);
    QCOMPARE(FData->TabPrj->state(), qdb::Dataset::State::Browse);
}

void TestProjectDialog::addingAnActivityKeepsTheTicks()
{
    f.setCounter(20);
    openWindow();
    QStringList shown;
    QStringList remembered;
    int selected = 0;
    f.drivers["FActAm"] = [&](QDialog* d) {
        f.type(d, "DBEdit2", "Analysis");
        f.click(d, "BitBtn1");
        return d->result();
    };
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn3");
        tick(d, "Testing");
        tick(d, "Build", false);
        dialogOf(d)->Ajouteruneaction1Click();
        shown = items(d);
        remembered = dialogOf(d)->rememberedActivities();
        selected = d->findChild<QListWidget*>("CheckListBox1")->currentRow();
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton2Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(remembered, (QStringList { "3", "1" }));
    QCOMPARE(shown, (QStringList { "Analysis", "Build", "Design [x]", "Meetings", "Testing [x]" }));
    QCOMPARE(selected, -1);
    QCOMPARE(f.rows("SELECT ACTCOD FROM Act WHERE ACTDES = 'Analysis'"), QStringList { "20" });
    QCOMPARE(links("P1"), (QStringList { "1", "3" }));
}

void TestProjectDialog::editActivityNeedsASelection()
{
    openWindow();
    QString edited;
    f.drivers["FActAm"] = [&](QDialog* d) {
        edited = f.text(d, "DBEdit2");
        f.type(d, "DBEdit2", "Building");
        f.click(d, "BitBtn1");
        return d->result();
    };
    QStringList shown;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn3");
        dialogOf(d)->Modifieruneaction1Click(); // the first item, selected on enlarging
        shown = items(d);
        dialogOf(d)->Modifieruneaction1Click(); // nothing selected after the reload
        dialogOf(d)->Effaceruneaction1Click();
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(edited, QStringLiteral("Build"));
    QCOMPARE(shown, (QStringList { "Building [x]", "Design [x]", "Meetings", "Testing" }));
    QCOMPARE(f.dialogs->dialogs, (QStringList { "FPrjAm", "FActAm" }));
    QCOMPARE(f.dialogs->messages.size(), 2);
    QCOMPARE(f.dialogs->messages[0].caption, QStringLiteral("Warning ..."));
    QCOMPARE(f.dialogs->messages[0].text, QStringLiteral("To edit an activity, you must first select one."));
    QCOMPARE(f.dialogs->messages[0].icon, qui::Icon::Information);
    QCOMPARE(f.dialogs->messages[0].buttons, qui::Buttons::Ok);
    QCOMPARE(
        f.dialogs->messages[1].text, QStringLiteral("To delete an activity, you must first select one."));
    QCOMPARE(f.rows("SELECT ACTDES FROM Act WHERE ACTCOD = 7"), QStringList { "Building" });
    QCOMPARE(links("P1"), (QStringList { "3", "7" })); // cancelled
}

void TestProjectDialog::deletingATickedActivity()
{
    openWindow();
    QStringList shown;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn3");
        select(d, "Build");
        f.dialogs->answers = { qui::Answer::Yes };
        dialogOf(d)->Effaceruneaction1Click();
        shown = items(d);
        f.click(d, "BitBtn1");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.dialogs->messages[0].text, QStringLiteral("Do you really want to delete this activity?"));
    QCOMPARE(shown, (QStringList { "Design [x]", "Meetings", "Testing" }));
    QCOMPARE(f.scalar("SELECT count(*) FROM Act WHERE ACTCOD = 7"),
        QStringLiteral("0")); // from the activities themselves
    QCOMPARE(links("P1"), QStringList { "3" });
}

void TestProjectDialog::popupShortcutsBelongToTheList()
{
    openWindow();
    QStringList shown;
    f.drivers["FActAm"] = [&](QDialog* d) {
        f.click(d, "BitBtn2");
        return d->result();
    };
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        auto* list = d->findChild<QListWidget*>("CheckListBox1");
        auto* name = d->findChild<QLineEdit*>("DBEdit2");
        d->activateWindow();
        DVERIFY(QTest::qWaitForWindowActive(d));
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Home);
        QTest::keyClick(name, Qt::Key_Delete); // edits the text, deletes no activity
        DCOMPARE(name->text(), QStringLiteral("ridge"));
        f.click(d, "BitBtn3");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F2); // the first item is selected: edit it
        QTest::keyClick(list, Qt::Key_Insert);
        // The popup menu gives the focus to the list first.
        name->setFocus();
        emit list->customContextMenuRequested(QPoint(5, 5));
        DCOMPARE(d->focusWidget(), static_cast<QWidget*>(list));
        if (auto* menu = d->findChild<QMenu*>("PopupMenu1"))
            menu->close();
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton2Click();
    QCOMPARE(f.dialogs->dialogs, (QStringList { "FPrjAm", "FActAm", "FActAm" }));
    QCOMPARE(f.rows("SELECT count(*) FROM Act"), QStringList { "4" });
    QCOMPARE(f.rows("SELECT PRJDES FROM Prj WHERE PRJCOD = 'P1'"), QStringList { "Bridge" });
}

void TestProjectDialog::failedOkChangesNothing_data()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("editing: a link locked by another workstation") << false;
    QTest::newRow("adding: the second link refused") << true;
}

void TestProjectDialog::failedOkChangesNothing()
{
    QFETCH(bool, adding);
    openWindow();
    const QString project = adding ? QStringLiteral("P9") : QStringLiteral("P1");
    const QStringList before = f.rows("SELECT PRJCOD, PRJDES FROM Prj ORDER BY PRJCOD");
    const QStringList linksBefore = f.rows("SELECT PRJCOD, ACTCOD FROM PrjAct ORDER BY PRJCOD, ACTCOD");

    auto other = f.otherWorkstation();
    auto otherLinks = f.tableOf(other.get(), QStringLiteral("PrjAct.db"));
    std::function<void(qdb::Dataset&)> refuse;
    if (adding) {
        // Stands for any refusal of the storage after the project and a first link are written.
        int posts = 0;
        FData->TabPrjAct->setBeforePost([this, posts](qdb::Dataset&) mutable {
            events << "post " + FData->TabPrjActACTCOD->asString();
            if (++posts == 2)
                throw qdb::EngineError(qdb::ErrorCode::IoError, QStringLiteral("Cannot write PrjAct.db"));
        });
    } else {
        QVERIFY(otherLinks->locate("PRJCOD;ACTCOD", { QStringLiteral("P1"), 7 }));
        otherLinks->edit(); // the other workstation holds the link P1/7
    }

    QStringList shownAfterFailure, ticksAfterFailure;
    qdb::Dataset::State stateAfterFailure {};
    int linksShownAfterFailure = -1;
    QStringList storedDuringFailure, linksStoredDuringFailure;
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        if (adding)
            f.type(d, "DBEdit1", project);
        f.type(d, "DBEdit2", "Typed description");
        f.click(d, "BitBtn3");
        if (!adding)
            tick(d, "Design", false);
        tick(d, "Testing");
        tick(d, "Meetings");
        f.click(d, "BitBtn1");
        shownAfterFailure = { f.text(d, "DBEdit1"), f.text(d, "DBEdit2") };
        ticksAfterFailure = items(d);
        stateAfterFailure = FData->TabPrj->state();
        linksShownAfterFailure = FData->TabPrjAct->recordCount();
        storedDuringFailure = f.rows("SELECT PRJCOD, PRJDES FROM Prj ORDER BY PRJCOD");
        linksStoredDuringFailure = f.rows("SELECT PRJCOD, ACTCOD FROM PrjAct ORDER BY PRJCOD, ACTCOD");
        DVERIFY(d->isVisible());
        // The obstacle goes away; Ok again saves it all.
        if (adding)
            FData->TabPrjAct->setBeforePost({});
        else
            otherLinks->cancel();
        f.click(d, "BitBtn1");
        return d->result();
    };
    if (adding)
        window->ToolButton1Click();
    else
        window->ToolButton2Click();

    QCOMPARE(f.errors,
        QStringList { adding
                ? QStringLiteral("Unable to add a project. | ")
                : QStringLiteral("Unable to edit this project. | This record is locked by another user.") });
    // Nothing of the failed Ok was stored...
    QCOMPARE(storedDuringFailure, before);
    QCOMPARE(linksStoredDuringFailure, linksBefore);
    // ...the datasets showed what is stored, and the dialog what the user typed and ticked.
    QCOMPARE(stateAfterFailure, adding ? qdb::Dataset::State::Insert : qdb::Dataset::State::Edit);
    QCOMPARE(linksShownAfterFailure, adding ? 0 : 2);
    QCOMPARE(shownAfterFailure, (QStringList { project, "Typed description" }));
    QCOMPARE(ticksAfterFailure,
        adding ? (QStringList { "Build", "Design", "Meetings [x]", "Testing [x]" })
               : (QStringList { "Build [x]", "Design", "Meetings [x]", "Testing [x]" }));
    // The second Ok stored the project with exactly its ticked links.
    QCOMPARE(f.rows(QStringLiteral("SELECT PRJDES FROM Prj WHERE PRJCOD = '%1'").arg(project)),
        QStringList { "Typed description" });
    QCOMPARE(links(project), adding ? (QStringList { "1", "5" }) : (QStringList { "1", "5", "7" }));
    QCOMPARE(links("P2"), QStringList { "5" });
    QCOMPARE(FData->TabPrj->state(), qdb::Dataset::State::Browse);
    QCOMPARE(FData->TabPrjPRJCOD->asString(), project);
    QCOMPARE(FData->TabPrjAct->recordCount(), adding ? 2 : 3);
}

void TestProjectDialog::refusedDeletionKeepsProjectAndLinks_data()
{
    QTest::addColumn<bool>("timesheets");
    QTest::addColumn<QString>("error");
    QTest::newRow("the project still has timesheets")
        << true
        << "Unable to delete this project. | This record is used by the system and cannot be deleted.";
    QTest::newRow("a link locked by another workstation")
        << false << "Unable to delete this project. | This record is locked by another user.";
}

void TestProjectDialog::refusedDeletionKeepsProjectAndLinks()
{
    QFETCH(bool, timesheets);
    QFETCH(QString, error);
    f.addActivity(9, "Support");
    f.addLink("P1", 9);
    f.addEmployee("E1", "Zoe");
    if (timesheets)
        f.addEntry(1, "E1", "P1", 3);
    openWindow();
    auto other = f.otherWorkstation();
    auto otherLinks = f.tableOf(other.get(), QStringLiteral("PrjAct.db"));
    if (!timesheets) {
        QVERIFY(otherLinks->locate("PRJCOD;ACTCOD", { QStringLiteral("P1"), 9 }));
        otherLinks->edit(); // the last link, after the others were deleted
    }
    window->ToolButton3Click();
    QCOMPARE(f.errors, QStringList { error });
    QCOMPARE(events,
        (QStringList { "delete 3", "delete 7", "delete 9" })); // the links went first, then came the refusal
    QCOMPARE(f.rows("SELECT PRJCOD FROM Prj ORDER BY PRJCOD"), (QStringList { "P1", "P2" }));
    QCOMPARE(links("P1"), (QStringList { "3", "7", "9" }));
    // The windows show the project and its links as they are stored.
    QCOMPARE(FData->TabPrjPRJCOD->asString(), QStringLiteral("P1"));
    QCOMPARE(FData->TabPrjAct->recordCount(), 3);
    QCOMPARE(window->grid()->model()->rowCount(), 2);
    // Once the obstacle is gone the deletion goes through, links and all.
    f.errors.clear();
    if (timesheets)
        f.exec("DELETE FROM Tem");
    else
        otherLinks->cancel();
    window->ToolButton3Click();
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.rows("SELECT PRJCOD FROM Prj"), QStringList { "P2" });
    QCOMPARE(links("P1"), QStringList());
}

void TestProjectDialog::renders()
{
    openWindow();
    f.drivers["FPrjAm"] = [&](QDialog* d) {
        DVERIFY(d->grab().save(QDir::tempPath() + QStringLiteral("/qm-prjam.png")));
        f.click(d, "BitBtn3");
        DVERIFY(d->grab().save(QDir::tempPath() + QStringLiteral("/qm-prjam-enlarged.png")));
        f.click(d, "BitBtn2");
        return d->result();
    };
    window->ToolButton2Click();
}

QTEST_MAIN(TestProjectDialog)
#include "tst_projectdialog.moc"
