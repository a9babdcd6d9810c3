#include "DBEdit.h"
#include "DBMemo.h"
#include "DBText.h"
#include "ErrorReporter.h"
#include "TestEnv.h"
#include "UiFixture.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace qui;
using namespace uifixture;

// A window holding the control under test and a plain line edit to take the focus away.
struct Window {
    QWidget widget;
    QLineEdit* other;

    explicit Window(QWidget* control)
    {
        auto* layout = new QVBoxLayout(&widget);
        layout->addWidget(control);
        other = new QLineEdit(&widget);
        layout->addWidget(other);
        widget.show();
        widget.activateWindow();
    }
};

class TestDBEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesOnFocusOutOrEnterOnlyWhenChanged_data();
    void writesOnFocusOutOrEnterOnlyWhenChanged();
    void followsCurrentRecordAndNamesItself();
    void upperCasesTypedLetters();
    void limitsLengthToFieldSize();
    void numberFieldsAcceptOnlyNumbers_data();
    void numberFieldsAcceptOnlyNumbers();
    void refusedWriteRestoresStoredText_data();
    void refusedWriteRestoresStoredText();
    void escapeGivesBackStoredText();
    void readOnlyNeverWrites();
    void memoWritesOnFocusOut();
    void textShowsDisplayText();

private:
    std::unique_ptr<TestEnv> env;
    QStringList errors;
};

void TestDBEdit::init()
{
    env = std::make_unique<TestEnv>();
    errors.clear();
    setErrorHook([this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
}

void TestDBEdit::cleanup()
{
    setErrorHook({});
    env.reset();
}

void TestDBEdit::writesOnFocusOutOrEnterOnlyWhenChanged_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<bool>("enter");
    QTest::newRow("memory, focus out") << Backend::Memory << false;
    QTest::newRow("memory, enter") << Backend::Memory << true;
    QTest::newRow("stored, focus out") << Backend::Stored << false;
    QTest::newRow("stored, enter") << Backend::Stored << true;
}

void TestDBEdit::writesOnFocusOutOrEnterOnlyWhenChanged()
{
    QFETCH(Backend, backend);
    QFETCH(bool, enter);
    People p = people(backend, 3, env->newDatabaseDir());
    auto* edit = new DBEdit;
    edit->setDataSource(p.source.get());
    edit->setDataField(QStringLiteral("NAME"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    QCOMPARE(edit->text(), name(1));

    // Through the box without typing: nothing written, no edit state.
    edit->setFocus();
    w.other->setFocus();
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);

    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("X"));
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse); // typing alone writes nothing
    if (enter)
        QTest::keyClick(edit, Qt::Key_Return);
    else
        w.other->setFocus();
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Edit);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("NAME"))->asString(), name(1) + QStringLiteral("X"));
    QVERIFY_ENGINE(p.dataset->post());
    QCOMPARE(edit->text(), name(1) + QStringLiteral("X"));
    QVERIFY(errors.isEmpty());
}

void TestDBEdit::followsCurrentRecordAndNamesItself()
{
    People p = people(Backend::Memory, 3);
    p.dataset->fieldByName(QStringLiteral("NAME"))->setDisplayLabel(QStringLiteral("Full name"));
    DBEdit edit;
    edit.setDataSource(p.source.get());
    edit.setDataField(QStringLiteral("NAME"));
    QCOMPARE(edit.accessibleName(), QStringLiteral("Full name"));
    QVERIFY_ENGINE(p.dataset->last());
    QCOMPARE(edit.text(), name(3));
    p.dataset->close();
    QCOMPARE(edit.text(), QString());
    QVERIFY_ENGINE(p.dataset->open());
    QCOMPARE(edit.text(), name(1));

    DBEdit named;
    named.setAccessibleName(QStringLiteral("Employee name"));
    named.setDataSource(p.source.get());
    named.setDataField(QStringLiteral("NAME"));
    QCOMPARE(named.accessibleName(), QStringLiteral("Employee name"));
}

void TestDBEdit::upperCasesTypedLetters()
{
    People p = people(Backend::Memory, 1);
    auto* edit = new DBEdit;
    edit->setCharCase(DBEdit::CharCase::Upper);
    edit->setDataSource(p.source.get());
    edit->setDataField(QStringLiteral("CODE"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("ab-1"));
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("é"));
    QApplication::sendEvent(edit, &accented); // keyClicks() types ASCII only
    QCOMPARE(edit->text(), QStringLiteral("AB-1É"));
    w.other->setFocus();
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("CODE"))->asString(), QStringLiteral("AB-1É"));
}

void TestDBEdit::limitsLengthToFieldSize()
{
    People p = people(Backend::Memory, 1);
    auto* edit = new DBEdit;
    edit->setDataSource(p.source.get());
    edit->setDataField(QStringLiteral("CODE"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    QCOMPARE(edit->maxLength(), 8);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(edit->text(), QStringLiteral("ABCDEFGH"));
    edit->setDataField(QStringLiteral("NOTE")); // a memo has no size limit
    QCOMPARE(edit->maxLength(), 32767);
}

void TestDBEdit::numberFieldsAcceptOnlyNumbers_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // in the box after typing
    QTest::addColumn<QVariant>("stored"); // after leaving the box
    QTest::addColumn<bool>("refused"); // the write was refused and reported

    // AGE of row 1 is 21, RATE 1.5.
    QTest::newRow("integer digits") << "AGE"
                                    << "123"
                                    << "123" << QVariant(123) << false;
    QTest::newRow("integer letters dropped") << "AGE"
                                             << "4x2"
                                             << "42" << QVariant(42) << false;
    QTest::newRow("integer sign") << "AGE"
                                  << "-7"
                                  << "-7" << QVariant(-7) << false;
    QTest::newRow("integer no point") << "AGE"
                                      << "3.5"
                                      << "35" << QVariant(35) << false;
    QTest::newRow("integer beyond 32 bits") << "AGE"
                                            << "99999999999"
                                            << "9999999999" << QVariant(21) << true;
    QTest::newRow("integer sign alone") << "AGE"
                                        << "-"
                                        << "-" << QVariant(21) << true;
    QTest::newRow("float decimals") << "RATE"
                                    << "2.25"
                                    << "2.25" << QVariant(2.25) << false;
    QTest::newRow("float exponent") << "RATE"
                                    << "1.5e3"
                                    << "1.5e3" << QVariant(1500.0) << false;
    QTest::newRow("float letters dropped") << "RATE"
                                           << "7a"
                                           << "7" << QVariant(7.0) << false;
    QTest::newRow("cleared") << "RATE"
                             << ""
                             << "" << QVariant() << false;
}

void TestDBEdit::numberFieldsAcceptOnlyNumbers()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QVariant, stored);
    QFETCH(bool, refused);
    People p = people(Backend::Memory, 1);
    auto* edit = new DBEdit;
    edit->setDataSource(p.source.get());
    edit->setDataField(field);
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    const QString before = edit->text();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
    w.other->setFocus();
    QCOMPARE(p.dataset->fieldByName(field)->value(), stored);
    QCOMPARE(errors.size(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(edit->text(), before);
}

void TestDBEdit::refusedWriteRestoresStoredText_data()
{
    QTest::addColumn<bool>("refuseEdit"); // refused when entering edit state, else by the field
    QTest::newRow("edit refused") << true;
    QTest::newRow("value refused") << false;
}

void TestDBEdit::refusedWriteRestoresStoredText()
{
    QFETCH(bool, refuseEdit);
    People p = people(Backend::Memory, 2);
    if (refuseEdit)
        p.dataset->setBeforeEdit([](qdb::Dataset&) {
            throw qdb::EngineError(
                qdb::ErrorCode::RecordLocked, QStringLiteral("Record locked by another user."));
        });
    auto* edit = new DBEdit;
    edit->setDataSource(p.source.get());
    edit->setDataField(refuseEdit ? QStringLiteral("NAME") : QStringLiteral("AGE"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    const QString before = edit->text();
    edit->setFocus();
    // setText() passes by the validator, as a paste of anything would not.
    edit->setText(refuseEdit ? QStringLiteral("Other") : QStringLiteral("abc"));
    w.other->setFocus();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(edit->text(), before);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("NAME"))->asString(), name(1));
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("AGE"))->asInteger(), 21);
    if (refuseEdit)
        QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);
}

void TestDBEdit::escapeGivesBackStoredText()
{
    People p = people(Backend::Memory, 1);
    auto* edit = new DBEdit;
    edit->setDataSource(p.source.get());
    edit->setDataField(QStringLiteral("NAME"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("zz"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), name(1));
    w.other->setFocus();
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);
}

void TestDBEdit::readOnlyNeverWrites()
{
    People p = people(Backend::Memory, 1);
    auto* edit = new DBEdit;
    edit->setReadOnly(true);
    edit->setDataSource(p.source.get());
    edit->setDataField(QStringLiteral("NAME"));
    Window w(edit);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    edit->setFocus();
    edit->setText(QStringLiteral("changed by code"));
    w.other->setFocus();
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("NAME"))->asString(), name(1));
}

void TestDBEdit::memoWritesOnFocusOut()
{
    People p = people(Backend::Memory, 2);
    auto* memo = new DBMemo;
    memo->setDataSource(p.source.get());
    memo->setDataField(QStringLiteral("NOTE"));
    Window w(memo);
    QVERIFY(QTest::qWaitForWindowActive(&w.widget));
    QCOMPARE(memo->toPlainText(), QString());
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("first"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("second"));
    QCOMPARE(p.dataset->state(), qdb::Dataset::State::Browse);
    w.other->setFocus();
    QCOMPARE(p.dataset->fieldByName(QStringLiteral("NOTE"))->asString(), QStringLiteral("first\nsecond"));
    QVERIFY_ENGINE(p.dataset->post());
    QVERIFY_ENGINE(p.dataset->next());
    QCOMPARE(memo->toPlainText(), QString());
    QVERIFY_ENGINE(p.dataset->prior());
    QCOMPARE(memo->toPlainText(), QStringLiteral("first\nsecond"));
    QCOMPARE(memo->accessibleName(), QStringLiteral("NOTE"));
}

void TestDBEdit::textShowsDisplayText()
{
    People p = people(Backend::Memory, 2);
    p.dataset->fieldByName(QStringLiteral("RATE"))->setDisplayFormat(QStringLiteral("###0.00"));
    DBText text;
    text.setDataSource(p.source.get());
    text.setDataField(QStringLiteral("RATE"));
    QCOMPARE(text.text(), QStringLiteral("1.50"));
    QVERIFY_ENGINE(p.dataset->next());
    QCOMPARE(text.text(), QStringLiteral("3.00"));
    // Follows an edit as it is typed elsewhere.
    QVERIFY_ENGINE(p.dataset->edit());
    QVERIFY_ENGINE(p.dataset->fieldByName(QStringLiteral("RATE"))->setValue(4.5));
    QCOMPARE(text.text(), QStringLiteral("4.50"));
    QVERIFY_ENGINE(p.dataset->cancel());
    QCOMPARE(text.text(), QStringLiteral("3.00"));
}

QTEST_MAIN(TestDBEdit)
#include "tst_dbedit.moc"
