#include "DialogService.h"
#include "EngineError.h"
#include "TitlesColour.h"
#include "dberreur.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace ErrorCode = qdb::ErrorCode;

namespace {
// What the dialog showed while it was up.
struct Shown {
    QString caption;
    QString line1;
    QString line2;
    QStringList listing;
    int height = 0;
    int width = 0;
    int tag = -1;
    bool timerActive = false;
    bool ranThroughService = false;
    bool freed = false;
};

// Runs ShowDbError under a scripted service; `drive` may press buttons while the dialog is up.
Shown showError(const qdb::EngineError& error, const QString& context, const QString& second,
    const std::function<void(TFDBErreur*)>& drive = {})
{
    qui::ScriptedDialogService service;
    Shown shown;
    QPointer<QDialog> seen;
    service.onDialog = [&](QDialog* d) {
        seen = d;
        auto* dialog = qobject_cast<TFDBErreur*>(d);
        if (!dialog)
            return int(QDialog::Rejected);
        shown.caption = dialog->windowTitle();
        shown.line1 = dialog->findChild<QLabel*>(QStringLiteral("Label1"))->text();
        shown.line2 = dialog->findChild<QLabel*>(QStringLiteral("Label2"))->text();
        shown.listing = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().split(QLatin1Char('\n'));
        shown.timerActive = dialog->Timer1->isActive();
        if (drive)
            drive(dialog);
        shown.height = dialog->height();
        shown.width = dialog->width();
        shown.tag = dialog->Tag;
        dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        return dialog->result();
    };
    ShowDbError(error, context, second);
    shown.ranThroughService = service.dialogs == QStringList { QStringLiteral("FDBErreur") };
    shown.freed = seen.isNull();
    return shown;
}

void clickDetails(TFDBErreur* dialog) { dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click(); }
}

class TestDbErreur : public QObject {
    Q_OBJECT
private slots:
    void knownCodesAreExplained_data();
    void knownCodesAreExplained();
    void otherCodesKeepTheSecondText_data();
    void otherCodesKeepTheSecondText();
    void listingShowsTheWholeChain();
    void detailsToggleTheListing_data();
    void detailsToggleTheListing();
    void blinksWhileShownAndIsFreedOnClose();
};

void TestDbErreur::knownCodesAreExplained_data()
{
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QString>("explanation");
    QTest::newRow("key violation") << quint16(ErrorCode::KeyViolation) << "A record with this key already exists.";
    QTest::newRow("required value") << quint16(ErrorCode::RequiredMissing) << "A value is required for a field.";
    QTest::newRow("master missing") << quint16(ErrorCode::MasterMissing) << "Unable to find the master record.";
    QTest::newRow("details exist") << quint16(ErrorCode::DetailsExist)
                                   << "This record is used by the system and cannot be deleted.";
    QTest::newRow("record locked") << quint16(ErrorCode::RecordLocked) << "This record is locked by another user.";
}

void TestDbErreur::knownCodesAreExplained()
{
    QFETCH(quint16, code);
    QFETCH(QString, explanation);
    const Shown shown = showError(qdb::EngineError(code, QStringLiteral("engine text")),
        QStringLiteral("Unable to delete this employee."), QStringLiteral("caller's text"));
    QCOMPARE(shown.caption, QStringLiteral("Quillmark 3.53"));
    QCOMPARE(shown.line1, QStringLiteral("Unable to delete this employee."));
    QCOMPARE(shown.line2, explanation);
}

void TestDbErreur::otherCodesKeepTheSecondText_data()
{
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QString>("second");
    QTest::newRow("sql error, empty second") << quint16(ErrorCode::SqlError) << QString();
    QTest::newRow("file locked, given second") << quint16(ErrorCode::FileLocked) << "Try again later.";
    // Same sub-code as a key violation, other category: not a key violation.
    QTest::newRow("0x2701") << quint16(0x2701) << "x";
}

void TestDbErreur::otherCodesKeepTheSecondText()
{
    QFETCH(quint16, code);
    QFETCH(QString, second);
    const Shown shown = showError(qdb::EngineError(code, QStringLiteral("the storage said no")),
        QStringLiteral("Unable to add an employee."), second);
    QCOMPARE(shown.line1, QStringLiteral("Unable to add an employee."));
    QCOMPARE(shown.line2, second);
    // The engine's own text is only in the listing.
    QVERIFY(shown.listing.contains(QStringLiteral("Error message : the storage said no")));
}

void TestDbErreur::listingShowsTheWholeChain()
{
    qdb::EngineError error(QStringLiteral("Key violation."),
        { { ErrorCode::KeyViolation, QStringLiteral("Duplicate key in Emp.db"), 19 },
            { ErrorCode::SqlError, QStringLiteral("UNIQUE constraint failed"), 2067 } });
    const Shown shown = showError(error, QStringLiteral("Unable to add an employee."), QString());
    const QStringList expected {
        QStringLiteral("Error count : 2"),
        QStringLiteral("Message : Duplicate key in Emp.db"),
        QStringLiteral("Category : 38"),
        QStringLiteral("Exception in EDBEngineError"),
        QString(),
        QStringLiteral("Error code : 9729"),
        QStringLiteral("Sub-code : 1"),
        QStringLiteral("Native error : 19"),
        QStringLiteral("Error message : Key violation."),
        QString(),
        QStringLiteral("Message : UNIQUE constraint failed"),
        QStringLiteral("Category : 51"),
        QStringLiteral("Exception in EDBEngineError"),
        QString(),
        QStringLiteral("Error code : 13059"),
        QStringLiteral("Sub-code : 3"),
        QStringLiteral("Native error : 2067"),
        QStringLiteral("Error message : Key violation."),
        QString(),
    };
    QCOMPARE(shown.listing, expected);
    QCOMPARE(shown.line2, QStringLiteral("A record with this key already exists."));
}

void TestDbErreur::detailsToggleTheListing_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("tag");
    QTest::newRow("none") << 0 << TFDBErreur::ShortHeight << 0;
    QTest::newRow("once") << 1 << TFDBErreur::LongHeight << 1;
    QTest::newRow("twice") << 2 << TFDBErreur::ShortHeight << 0;
    QTest::newRow("three times") << 3 << TFDBErreur::LongHeight << 1;
}

void TestDbErreur::detailsToggleTheListing()
{
    QFETCH(int, presses);
    QFETCH(int, height);
    QFETCH(int, tag);
    const Shown shown = showError(qdb::EngineError(ErrorCode::RecordLocked, QStringLiteral("locked")),
        QStringLiteral("Unable to edit this timesheet."), QString(), [&](TFDBErreur* dialog) {
            for (int i = 0; i < presses; ++i)
                clickDetails(dialog);
            // The listing shows exactly when the dialog is tall enough for it.
            auto* memo = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
            QCOMPARE(memo->geometry().bottom() < dialog->height(), dialog->Tag == 1);
        });
    QCOMPARE(shown.height, height);
    QCOMPARE(shown.width, 545);
    QCOMPARE(shown.tag, tag);
}

void TestDbErreur::blinksWhileShownAndIsFreedOnClose()
{
    setTitlesColour(0x0000FF); // red, to see that the colour is read when shown
    bool blinked = false;
    QColor colour;
    bool timerAfterClose = true;
    const Shown shown = showError(qdb::EngineError(ErrorCode::General, QStringLiteral("x")), QStringLiteral("c"),
        QString(), [&](TFDBErreur* dialog) {
            auto* text = dialog->findChild<QLabel*>(QStringLiteral("Label3"));
            colour = text->palette().color(QPalette::WindowText);
            const bool before = text->isVisible();
            blinked = QTest::qWaitFor([&] { return text->isVisible() != before; }, 2000);
            clickDetails(dialog);
            dialog->close();
            timerAfterClose = dialog->Timer1->isActive();
        });
    setTitlesColour(0xFFFF);
    QVERIFY(shown.timerActive);
    QVERIFY(blinked);
    QCOMPARE(colour, QColor(Qt::red));
    QVERIFY(!timerAfterClose);
    QCOMPARE(shown.tag, 0); // closing resets the details state
    QVERIFY(shown.ranThroughService);
    QVERIFY(shown.freed);
}

QTEST_MAIN(TestDbErreur)
#include "tst_dberreur.moc"
