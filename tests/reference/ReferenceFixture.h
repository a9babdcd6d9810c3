#pragma once

// A database of the program's schema with the data module over it, and a scripted dialog service
// that drives the modal dialogs of the reference windows, for the tests of those windows.

#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "TestEnv.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <memory>

// QCOMPARE and QVERIFY inside the driver of a dialog, which returns the dialog's result: a failure
// is recorded and the driver goes on.
#define DCOMPARE(actual, expected) [&] { QCOMPARE(actual, expected); }()
#define DVERIFY(condition) [&] { QVERIFY(condition); }()

class ReferenceFixture
{
public:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<qui::ScriptedDialogService> dialogs;
    std::unique_ptr<TFData> data;
    QString dir;
    // First line and explanation of every database error dialog shown: "line 1 | line 2".
    QStringList errors;
    // How each modal dialog is driven, by object name ("FEmpAM", ...); a dialog without a driver
    // is cancelled. The driver returns the dialog's result.
    QMap<QString, std::function<int(QDialog*)>> drivers;

    void create()
    {
        env = std::make_unique<TestEnv>();
        dir = env->newDatabaseDir();
        qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
        qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
        dialogs = std::make_unique<qui::ScriptedDialogService>();
        dialogs->onDialog = [this](QDialog* dialog) { return drive(dialog); };
        data = std::make_unique<TFData>();
        FData->Db->open();
    }
    // Rows may be added between create() and open().
    void open()
    {
        for (qdb::Table* t : FData->TablesInOpenOrder())
            t->open();
    }
    void destroy()
    {
        drivers.clear();
        data.reset();
        dialogs.reset();
        env.reset();
        errors.clear();
    }

    int drive(QDialog* dialog)
    {
        if (dialog->objectName() == QLatin1String("FDBErreur")) {
            const auto* l1 = dialog->findChild<QLabel*>(QStringLiteral("Label1"));
            const auto* l2 = dialog->findChild<QLabel*>(QStringLiteral("Label2"));
            errors << (l1 ? l1->text() : QString()) + QStringLiteral(" | ") + (l2 ? l2->text() : QString());
            return QDialog::Accepted;
        }
        const auto it = drivers.constFind(dialog->objectName());
        if (it != drivers.cend())
            return (*it)(dialog);
        dialog->reject();
        return dialog->result();
    }

    // Types into an edit box of a dialog, replacing its text, as a user does.
    static void type(QDialog* dialog, const char* edit, const QString& text)
    {
        auto* box = dialog->findChild<QLineEdit*>(QLatin1String(edit));
        QVERIFY2(box, edit);
        box->setFocus();
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, text);
    }
    static void click(QDialog* dialog, const char* button)
    {
        auto* b = dialog->findChild<QPushButton*>(QLatin1String(button));
        QVERIFY2(b, button);
        b->click();
    }
    static QString text(QDialog* dialog, const char* name)
    {
        if (auto* edit = dialog->findChild<QLineEdit*>(QLatin1String(name)))
            return edit->text();
        if (auto* label = dialog->findChild<QLabel*>(QLatin1String(name)))
            return label->text();
        return QStringLiteral("<no %1>").arg(QLatin1String(name));
    }

    void exec(const QString& sql, const QVariantList& binds = {}) { FData->Db->execute(sql, binds); }
    void addEmployee(const QString& code, const QString& name)
    {
        exec(QStringLiteral("INSERT INTO Emp VALUES (?, ?)"), { code, name });
    }
    void addProject(const QString& code, const QString& des)
    {
        exec(QStringLiteral("INSERT INTO Prj VALUES (?, ?)"), { code, des });
    }
    void addActivity(int code, const QString& des)
    {
        exec(QStringLiteral("INSERT INTO Act VALUES (?, ?)"), { code, des });
    }
    void addLink(const QString& prj, int act)
    {
        exec(QStringLiteral("INSERT INTO PrjAct VALUES (?, ?)"), { prj, act });
    }
    void addEntry(int code, const QString& emp, const QString& prj, int act)
    {
        exec(QStringLiteral("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, ACTCOD, TEMFAC, PRJCOD)"
                            " VALUES (?, '2026-03-04', ?, 1, ?, 1, ?)"),
            { code, emp, act, prj });
    }
    void setCounter(int next) { exec(QStringLiteral("UPDATE Sys SET SYSACTCODCPT = ?"), { next }); }

    // The rows as stored: one text per row, the columns joined by "/", in the given order.
    QStringList rows(const QString& sql)
    {
        qdb::Query q;
        q.setDatabase(FData->Db);
        q.setSql({ sql });
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next()) {
            QStringList cols;
            for (qdb::Field* f : q.fields())
                cols << f->asString();
            out << cols.join(QLatin1Char('/'));
        }
        q.close();
        return out;
    }
    QString scalar(const QString& sql)
    {
        const QStringList r = rows(sql);
        return r.isEmpty() ? QString() : r.first();
    }

    // Another workstation on the same database directory.
    std::unique_ptr<qdb::Database> otherWorkstation()
    {
        auto db = std::make_unique<qdb::Database>();
        db->setAliasName(QStringLiteral("QUILLMARK"));
        db->open();
        return db;
    }
    static std::unique_ptr<qdb::Table> tableOf(qdb::Database* db, const QString& name)
    {
        auto t = std::make_unique<qdb::Table>();
        t->setDatabase(db);
        t->setTableName(name);
        t->open();
        return t;
    }
};
