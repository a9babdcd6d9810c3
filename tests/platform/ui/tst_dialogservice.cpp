#include "DialogService.h"

#include <QDialog>
#include <QLineEdit>
#include <QtTest>

using qui::Answer;
using qui::Buttons;
using qui::DialogService;
using qui::Icon;
using qui::ScriptedDialogService;

Q_DECLARE_METATYPE(qui::Buttons)
Q_DECLARE_METATYPE(qui::Answer)

class tst_DialogService : public QObject {
    Q_OBJECT
private slots:
    void answersInOrderThenDefault_data()
    {
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<Answer>("fallback");
        QTest::newRow("Ok") << Buttons::Ok << Answer::Ok;
        QTest::newRow("OkCancel") << Buttons::OkCancel << Answer::Ok;
        QTest::newRow("YesNo") << Buttons::YesNo << Answer::Yes;
        QTest::newRow("YesNoCancel") << Buttons::YesNoCancel << Answer::Yes;
    }
    void answersInOrderThenDefault()
    {
        QFETCH(Buttons, buttons);
        QFETCH(Answer, fallback);
        ScriptedDialogService dialogs;
        dialogs.answers = { Answer::No, Answer::Cancel };
        auto& service = DialogService::instance();
        QCOMPARE(service.message(nullptr, "Delete", "Delete the entry?", Icon::Question, buttons), Answer::No);
        QCOMPARE(service.message(nullptr, "Delete", "Really?", Icon::Warning, buttons), Answer::Cancel);
        QCOMPARE(service.message(nullptr, "Done", "Deleted.", Icon::Information, buttons), fallback);
    }

    void recordsMessages()
    {
        ScriptedDialogService dialogs;
        DialogService::instance().message(nullptr, "Quillmark", "Saved.", Icon::Information, Buttons::Ok);
        DialogService::instance().message(nullptr, "Error", "Disk full.", Icon::Error, Buttons::OkCancel);
        QStringList captions;
        for (const auto& m : dialogs.messages)
            captions << m.caption;
        QCOMPARE(captions, QStringList({ "Quillmark", "Error" }));
        const auto& last = dialogs.messages.last();
        QCOMPARE(last.caption, QStringLiteral("Error"));
        QCOMPARE(last.text, QStringLiteral("Disk full."));
        QCOMPARE(last.icon, Icon::Error);
        QCOMPARE(last.buttons, Buttons::OkCancel);
    }

    void execShowsDialogToHandler()
    {
        ScriptedDialogService dialogs;
        QDialog named;
        named.setObjectName("ProjectDialog");
        auto* edit = new QLineEdit(&named);
        bool visibleInHandler = false;
        dialogs.onDialog = [&](QDialog* d) {
            visibleInHandler = d->isVisible();
            edit->setText("typed");
            return int(QDialog::Rejected);
        };
        QCOMPARE(DialogService::instance().exec(&named), int(QDialog::Rejected));
        QVERIFY(visibleInHandler);
        QVERIFY(!named.isVisible());
        QCOMPARE(edit->text(), QStringLiteral("typed"));

        dialogs.onDialog = nullptr;
        QDialog unnamed;
        QCOMPARE(DialogService::instance().exec(&unnamed), int(QDialog::Accepted));
        QCOMPARE(dialogs.dialogs, QStringList({ "ProjectDialog", "QDialog" }));
    }

    void fileDialogs()
    {
        ScriptedDialogService dialogs;
        dialogs.fileNames = { "/tmp/out", "/tmp/in.txt" };
        dialogs.selectedFilters = { 2 };
        const QString filter = "dbase  files (*.dbf)|*.dbf|Text files (*.txt)|*.txt";
        QString selected = "dbase  files (*.dbf)";
        auto& service = DialogService::instance();
        QCOMPARE(service.saveFileName(nullptr, "Export", "/tmp", filter, &selected, "txt"), QStringLiteral("/tmp/out.txt"));
        QCOMPARE(selected, QStringLiteral("Text files (*.txt)"));
        QCOMPARE(service.openFileName(nullptr, "Import", "/tmp", filter), QStringLiteral("/tmp/in.txt"));
        // The script ran out: the user cancelled.
        QCOMPARE(service.saveFileName(nullptr, "Export", "/tmp", filter, &selected, "txt"), QString());
        QCOMPARE(selected, QStringLiteral("Text files (*.txt)"));
    }

    void colorAndPrint()
    {
        ScriptedDialogService dialogs;
        auto& service = DialogService::instance();
        QCOMPARE(service.color(nullptr, Qt::red), std::optional<QColor>());
        QVERIFY(!service.print(nullptr, nullptr));
        dialogs.colorAnswer = QColor(Qt::blue);
        dialogs.printAnswer = true;
        QCOMPARE(service.color(nullptr, Qt::red), std::optional<QColor>(QColor(Qt::blue)));
        QVERIFY(service.print(nullptr, nullptr));
    }

    void restoresPreviousInstance()
    {
        DialogService* real = &DialogService::instance();
        QVERIFY(dynamic_cast<qui::WidgetDialogService*>(real));
        {
            ScriptedDialogService outer;
            QCOMPARE(&DialogService::instance(), &outer);
            {
                ScriptedDialogService inner;
                QCOMPARE(&DialogService::instance(), &inner);
            }
            QCOMPARE(&DialogService::instance(), &outer);
        }
        QCOMPARE(&DialogService::instance(), real);
    }
};

QTEST_MAIN(tst_DialogService)
#include "tst_dialogservice.moc"
