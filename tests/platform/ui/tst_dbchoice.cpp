#include "DBCheckBox.h"
#include "DBLookupComboBox.h"
#include "DBRadioGroup.h"
#include "ErrorReporter.h"
#include "TestEnv.h"
#include "UiFixture.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

using namespace qui;
using namespace uifixture;

namespace
{

// A reference table: KEY (integer), LABEL (text), in key order.
std::unique_ptr<qdb::MemTable> activities(const QList<QPair<int, QString>>& rows)
{
    auto t = std::make_unique<qdb::MemTable>();
    t->setObjectName(QStringLiteral("Act"));
    t->addFieldDef(QStringLiteral("KEY"), qdb::FieldType::Integer);
    t->addFieldDef(QStringLiteral("LABEL"), qdb::FieldType::String, 20);
    t->createDataSet();
    for (const auto& [key, label] : rows) {
        t->append();
        t->fieldByName(QStringLiteral("KEY"))->setValue(key);
        t->fieldByName(QStringLiteral("LABEL"))->setValue(label);
        t->post();
    }
    t->first();
    return t;
}

const QList<QPair<int, QString>> ActivityRows { { 10, QStringLiteral("Design") },
    { 21, QStringLiteral("Build") }, { 35, QStringLiteral("Test") } };

} // namespace

class TestDBChoice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkBoxShowsNullGreyed_data();
    void checkBoxShowsNullGreyed();
    void checkBoxClickWritesBoolean_data();
    void checkBoxClickWritesBoolean();
    void checkBoxReadOnlyIgnoresClicks();
    void lookupShowsItemOfKey();
    void lookupChoiceWritesKeyAndMovesList();
    void lookupFollowsListChanges();
    void lookupRefusedWriteIsReported();
    void radioGroupMapsIndexAndValue_data();
    void radioGroupMapsIndexAndValue();
    void radioGroupWritesClickedValue();
    void radioGroupLaysOutColumnByColumn();

private:
    std::unique_ptr<TestEnv> env;
    QStringList errors;
};

void TestDBChoice::init()
{
    env = std::make_unique<TestEnv>();
    errors.clear();
    setErrorHook([this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
}

void TestDBChoice::cleanup()
{
    setErrorHook({});
    env.reset();
}

void TestDBChoice::checkBoxShowsNullGreyed_data()
{
    QTest::addColumn<int>("recNo");
    QTest::addColumn<Qt::CheckState>("shown");
    // ACTIVE: row 1 true, row 2 false, row 3 null.
    QTest::newRow("true") << 1 << Qt::Checked;
    QTest::newRow("false") << 2 << Qt::Unchecked;
    QTest::newRow("null") << 3 << Qt::PartiallyChecked;
}

void TestDBChoice::checkBoxShowsNullGreyed()
{
    QFETCH(int, recNo);
    QFETCH(Qt::CheckState, shown);
    People p = people(Backend::Memory, 3);
    DBCheckBox box(QStringLiteral("Active"));
    box.setDataSource(p.source.get());
    box.setDataField(QStringLiteral("ACTIVE"));
    QVERIFY_ENGINE(p.dataset->setRecNo(recNo));
    QCOMPARE(box.checkState(), shown);
    QCOMPARE(box.accessibleName(), QString()); // its caption names it
}

void TestDBChoice::checkBoxClickWritesBoolean_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("written");
    QTest::newRow("memory, true to false") << Backend::Memory << 1 << false;
    QTest::newRow("memory, false to true") << Backend::Memory << 2 << true;
    QTest::newRow("memory, null to true") << Backend::Memory << 3 << true;
    QTest::newRow("stored, true to false") << Backend::Stored << 1 << false;
    QTest::newRow("stored, null to true") << Backend::Stored << 3 << true;
}

void TestDBChoice::checkBoxClickWritesBoolean()
{
    QFETCH(Backend, backend);
    QFETCH(int, recNo);
    QFETCH(bool, written);
    People p = people(backend, 3, env->newDatabaseDir());
    DBCheckBox box(QStringLiteral("Active"));
    box.setDataSource(p.source.get());
    box.setDataField(QStringLiteral("ACTIVE"));
    box.resize(120, 24);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY_ENGINE(p.dataset->setRecNo(recNo));
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Edit);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("ACTIVE"))->value(), QVariant(written));
    QCOMPARE(box.checkState(), written ? Qt::Checked : Qt::Unchecked);
    // A second click never comes back to greyed.
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("ACTIVE"))->value(), QVariant(!written));
    QVERIFY_ENGINE(p.dataset->post());
    QVERIFY(errors.isEmpty());
}

void TestDBChoice::checkBoxReadOnlyIgnoresClicks()
{
    People p = people(Backend::Memory, 3);
    DBCheckBox box;
    box.setReadOnly(true);
    box.setDataSource(p.source.get());
    box.setDataField(QStringLiteral("ACTIVE"));
    QCOMPARE(box.accessibleName(), QStringLiteral("ACTIVE")); // no caption: the field's label
    box.click();
    QCOMPARE(box.checkState(), Qt::Checked);
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);
}

void TestDBChoice::lookupShowsItemOfKey()
{
    auto act = activities(ActivityRows);
    qdb::DataSource actSource;
    actSource.setDataSet(act.get());
    People p = people(Backend::Memory, 3);
    DBLookupComboBox combo;
    combo.setListSource(&actSource);
    combo.setKeyField(QStringLiteral("KEY"));
    combo.setListField(QStringLiteral("LABEL"));
    combo.setDataSource(p.source.get());
    combo.setDataField(QStringLiteral("AGE")); // row i: 20 + i

    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(2), QStringLiteral("Test"));
    QCOMPARE(combo.currentIndex(), 1); // row 1 has AGE 21
    QCOMPARE(combo.currentText(), QStringLiteral("Build"));
    QCOMPARE(combo.keyAt(1), QVariant(21));
    QCOMPARE(combo.accessibleName(), QStringLiteral("AGE"));
    QVERIFY_ENGINE(p.dataset->next()); // AGE 22: no such key
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.currentText(), QString());
}

void TestDBChoice::lookupChoiceWritesKeyAndMovesList()
{
    auto act = activities(ActivityRows);
    qdb::DataSource actSource;
    actSource.setDataSet(act.get());
    People p = people(Backend::Memory, 3);
    DBLookupComboBox combo;
    combo.setListSource(&actSource);
    combo.setKeyField(QStringLiteral("KEY"));
    combo.setListField(QStringLiteral("LABEL"));
    combo.setDataSource(p.source.get());
    combo.setDataField(QStringLiteral("AGE"));
    QSignalSpy chosen(&combo, &DBLookupComboBox::itemChosen);
    bool listWasCurrentWhenChosen = false;
    connect(&combo, &DBLookupComboBox::itemChosen, this,
        [&]() { listWasCurrentWhenChosen = act->fieldByName(QStringLiteral("KEY"))->asInteger() == 35; });
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.setFocus();

    // The keyboard chooses as the list does: Down goes to the next item.
    QTest::keyClick(&combo, Qt::Key_Down);
    QCOMPARE(combo.currentText(), QStringLiteral("Test"));
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Edit);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("AGE"))->asInteger(), 35);
    QCOMPARE(chosen.size(), 1);
    QVERIFY(listWasCurrentWhenChosen);

    // A key no item has shows nothing; moving the dataset shows its key's item.
    QVERIFY_ENGINE(p.dataset->fieldByName(QStringLiteral("AGE"))->setValue(99));
    QCOMPARE(combo.currentIndex(), -1);
    QVERIFY_ENGINE(p.dataset->cancel());
    QCOMPARE(combo.currentText(), QStringLiteral("Build"));
    QVERIFY_ENGINE(p.dataset->next()); // AGE 22
    QCOMPARE(combo.currentIndex(), -1);
    QVERIFY(errors.isEmpty());
}

void TestDBChoice::lookupFollowsListChanges()
{
    auto act = activities(ActivityRows);
    qdb::DataSource actSource;
    actSource.setDataSet(act.get());
    People p = people(Backend::Memory, 2);
    DBLookupComboBox combo;
    combo.setListSource(&actSource);
    combo.setKeyField(QStringLiteral("KEY"));
    combo.setListField(QStringLiteral("LABEL"));
    combo.setDataSource(p.source.get());
    combo.setDataField(QStringLiteral("AGE"));
    QVERIFY_ENGINE(p.dataset->next()); // AGE 22
    QCOMPARE(combo.currentIndex(), -1);

    QVERIFY_ENGINE(act->append());
    QVERIFY_ENGINE(act->fieldByName(QStringLiteral("KEY"))->setValue(22));
    QVERIFY_ENGINE(act->fieldByName(QStringLiteral("LABEL"))->setValue(QStringLiteral("Deploy")));
    QVERIFY_ENGINE(act->post());
    QTRY_COMPARE(combo.currentText(), QStringLiteral("Deploy"));
    QCOMPARE(combo.count(), 4);
    // Another list source: the other list.
    auto other = activities({ { 22, QStringLiteral("Elsewhere") } });
    qdb::DataSource otherSource;
    otherSource.setDataSet(other.get());
    combo.setListSource(&otherSource);
    QTRY_COMPARE(combo.currentText(), QStringLiteral("Elsewhere"));
    QCOMPARE(combo.count(), 1);
}

void TestDBChoice::lookupRefusedWriteIsReported()
{
    auto act = activities(ActivityRows);
    qdb::DataSource actSource;
    actSource.setDataSet(act.get());
    People p = people(Backend::Memory, 2);
    p.dataset->setBeforeEdit([](qdb::Dataset&) {
        throw qdb::EngineError(qdb::ErrorCode::RecordLocked, QStringLiteral("Locked"));
    });
    DBLookupComboBox combo;
    combo.setListSource(&actSource);
    combo.setKeyField(QStringLiteral("KEY"));
    combo.setListField(QStringLiteral("LABEL"));
    combo.setDataSource(p.source.get());
    combo.setDataField(QStringLiteral("AGE"));
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    QCOMPARE(errors, QStringList { QStringLiteral("Locked") });
    QCOMPARE(combo.currentText(), QStringLiteral("Build"));
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("AGE"))->asInteger(), 21);
}

void TestDBChoice::radioGroupMapsIndexAndValue_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("age"); // stored in the field
    QTest::addColumn<int>("index"); // item shown checked
    const QStringList none;
    const QStringList week { "0", "4", "1", "5", "2", "6", "3" };
    QTest::newRow("index 0") << none << 0 << 0;
    QTest::newRow("index 6") << none << 6 << 6;
    QTest::newRow("index beyond items") << none << 7 << -1;
    QTest::newRow("negative") << none << -1 << -1;
    QTest::newRow("value 4 is item 1") << week << 4 << 1;
    QTest::newRow("value 3 is item 6") << week << 3 << 6;
    QTest::newRow("value not listed") << week << 9 << -1;
}

void TestDBChoice::radioGroupMapsIndexAndValue()
{
    QFETCH(QStringList, values);
    QFETCH(int, age);
    QFETCH(int, index);
    People p = people(Backend::Memory, 1);
    DBRadioGroup group(QStringLiteral(" First day "));
    group.setItems({ "Sunday", "Thursday", "Monday", "Friday", "Tuesday", "Saturday", "Wednesday" });
    group.setValues(values);
    group.setDataSource(p.source.get());
    group.setDataField(QStringLiteral("AGE"));
    QVERIFY_ENGINE(p.dataset->edit());
    QVERIFY_ENGINE(p.dataset->fieldByName(QStringLiteral("AGE"))->setValue(age));
    QCOMPARE(group.itemIndex(), index);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(group.button(i)->isChecked(), i == index);
    QVERIFY_ENGINE(p.dataset->fieldByName(QStringLiteral("AGE"))->clear());
    QCOMPARE(group.itemIndex(), -1);
}

void TestDBChoice::radioGroupWritesClickedValue()
{
    People p = people(Backend::Memory, 1);
    DBRadioGroup group;
    group.setItems({ "Sunday", "Thursday", "Monday", "Friday", "Tuesday", "Saturday", "Wednesday" });
    group.setValues({ "0", "4", "1", "5", "2", "6", "3" });
    group.setColumns(4);
    group.setDataSource(p.source.get());
    group.setDataField(QStringLiteral("AGE"));
    QCOMPARE(group.accessibleName(), QStringLiteral("AGE")); // no title: the field's label
    QSignalSpy clicked(&group, &DBRadioGroup::itemClicked);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    QTest::mouseClick(group.button(3), Qt::LeftButton);
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Edit);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("AGE"))->asInteger(), 5);
    QCOMPARE(group.itemIndex(), 3);
    QCOMPARE(clicked.size(), 1);

    // Read-only: the click changes nothing.
    group.setReadOnly(true);
    QTest::mouseClick(group.button(0), Qt::LeftButton);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("AGE"))->asInteger(), 5);
    QCOMPARE(group.itemIndex(), 3);
}

void TestDBChoice::radioGroupLaysOutColumnByColumn()
{
    DBRadioGroup group;
    group.setColumns(4);
    group.setItems({ "Sunday", "Thursday", "Monday", "Friday", "Tuesday", "Saturday", "Wednesday" });
    group.resize(320, 80);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    // Two per column: the first row reads Sunday, Monday, Tuesday, Wednesday.
    const int top = group.button(0)->y();
    for (int i : { 2, 4, 6 }) {
        QCOMPARE(group.button(i)->y(), top);
        QVERIFY(group.button(i)->x() > group.button(i - 2)->x());
    }
    QVERIFY(group.button(1)->y() > top);
    QCOMPARE(group.button(1)->x(), group.button(0)->x());
}

QTEST_MAIN(TestDBChoice)
#include "tst_dbchoice.moc"
