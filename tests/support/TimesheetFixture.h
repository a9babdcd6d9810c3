#pragma once

// A database with reference rows and the long-lived timesheet windows over it, for the tests of
// the timesheet and system parameter windows. Header-only: it needs the timesheet subsystem,
// which only the tests that include it link.

#include "Cal.h"
#include "Data.h"
#include "DialogService.h"
#include "EngineError.h"
#include "Res.h"
#include "Tem.h"
#include "TestEnv.h"
#include "rech.h"

#include <QDialog>
#include <QLabel>
#include <memory>

class TimesheetFixture {
public:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<TFData> data;
    std::unique_ptr<qui::ScriptedDialogService> dialogs;
    QStringList errorLines; // first line and explanation of every database error dialog shown
    QString dir;

    // Creates the database; rows may be added before open().
    void create()
    {
        errorLines.clear();
        onOtherDialog = nullptr;
        env = std::make_unique<TestEnv>();
        dir = env->newDatabaseDir();
        qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
        qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
        dialogs = std::make_unique<qui::ScriptedDialogService>();
        dialogs->onDialog = [this](QDialog* dialog) { return answerDialog(dialog); };
        data = std::make_unique<TFData>();
        DayNames.clear();
        for (const QString& day : Res::DayName)
            DayNames << day;
        FData->Db->open();
    }

    // Answers the modal dialogs; tests replace it to drive a dialog. Error dialogs are recorded.
    std::function<int(QDialog*)> onOtherDialog;
    int answerDialog(QDialog* dialog)
    {
        if (dialog->objectName() == QLatin1String("FDBErreur")) {
            const auto* l1 = dialog->findChild<QLabel*>(QStringLiteral("Label1"));
            const auto* l2 = dialog->findChild<QLabel*>(QStringLiteral("Label2"));
            errorLines << (l1 ? l1->text() : QString()) + QStringLiteral(" | ") + (l2 ? l2->text() : QString());
            return QDialog::Accepted;
        }
        return onOtherDialog ? onOtherDialog(dialog) : int(QDialog::Accepted);
    }

    // Opens the tables and creates the windows as start-up does.
    void open(const QDate& calendarDate)
    {
        for (qdb::Table* t : FData->TablesInOpenOrder())
            t->open();
        rech = new TFRech;
        cal = new TFCal;
        cal->setDate(calendarDate);
        tem = new TFTem;
        tem->resize(800, 619);
        tem->show();
        tem->setProperty("Tag", 1);
        tem->showCalendarDate();
    }

    void destroy()
    {
        delete tem;
        delete cal;
        delete rech;
        tem = nullptr;
        cal = nullptr;
        rech = nullptr;
        data.reset();
        dialogs.reset();
        env.reset();
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
    void addActivity(int code, const QString& des) { exec(QStringLiteral("INSERT INTO Act VALUES (?, ?)"), { code, des }); }
    void addLink(const QString& prj, int act) { exec(QStringLiteral("INSERT INTO PrjAct VALUES (?, ?)"), { prj, act }); }
    void addEntry(int code, const QString& emp, const QDate& day, const QVariant& hours, const QVariant& billable,
        const QString& prj = QStringLiteral("P1"), int act = 1, const QVariant& note = QVariant())
    {
        exec(QStringLiteral("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, ACTCOD, TEMFAC, TEMNOT, PRJCOD)"
                            " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            { code, day.toString(Qt::ISODate), emp, hours, act, billable, note, prj });
    }
    void setSys(const QString& field, const QVariant& value)
    {
        exec(QStringLiteral("UPDATE Sys SET %1 = ?").arg(field), { value });
    }
    QVariant scalar(const QString& sql)
    {
        qdb::Query q;
        q.setDatabase(FData->Db);
        q.setSql({ sql });
        q.open();
        const QVariant v = q.isEmpty() ? QVariant() : q.fields().front()->value();
        q.close();
        return v;
    }

    std::unique_ptr<qdb::Database> otherWorkstation()
    {
        auto db = std::make_unique<qdb::Database>();
        db->setAliasName(QStringLiteral("QUILLMARK"));
        db->open();
        return db;
    }

    QString totals(TFTem* w) const
    {
        QStringList parts;
        for (const char* name : { "Label5", "Label7", "Label8", "Label4", "Label6", "Label9" })
            parts << w->findChild<QLabel*>(QString::fromLatin1(name))->text();
        return parts.join(QLatin1Char(' '));
    }

    TFCal* cal = nullptr;
    TFTem* tem = nullptr;
    TFRech* rech = nullptr;
};
