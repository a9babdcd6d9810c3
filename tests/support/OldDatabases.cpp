#include "OldDatabases.h"

#include "Database.h"
#include "Schema.h"

#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>

namespace olddb {

using qdb::FieldDef;
using qdb::FieldType;
using qdb::IndexDef;

void create(const QString& dir, Shape shape, int entries, double version)
{
    const int w = shape == Shape::AlreadyWide ? 12 : 8;
    auto str = [](const char* n, int size, bool req = false) { return FieldDef { QLatin1String(n), FieldType::String, size, req }; };
    auto typed = [](const char* n, FieldType t, bool req = false) { return FieldDef { QLatin1String(n), t, 0, req }; };
    const QList<qdb::TableDef> tables {
        { QStringLiteral("Emp"), { str("EMPCOD", w), str("EMPNOM", 35) }, { QStringLiteral("EMPCOD") },
            { IndexDef { QStringLiteral("XEMPNOM"), { QStringLiteral("EMPNOM"), QStringLiteral("EMPCOD") }, true, false } } },
        { QStringLiteral("Prj"), { str("PRJCOD", w), str("PRJDES", 35) }, { QStringLiteral("PRJCOD") },
            { IndexDef { QStringLiteral("XPRJDES"), { QStringLiteral("PRJDES"), QStringLiteral("PRJCOD") }, true, false } } },
        { QStringLiteral("Act"), { typed("ACTCOD", FieldType::Integer), str("ACTDES", 35) }, { QStringLiteral("ACTCOD") },
            { IndexDef { QStringLiteral("XACTDES"), { QStringLiteral("ACTDES"), QStringLiteral("ACTCOD") }, true, false } } },
        { QStringLiteral("PrjAct"), { str("PRJCOD", w), typed("ACTCOD", FieldType::Integer) }, { QStringLiteral("PRJCOD"), QStringLiteral("ACTCOD") }, {} },
        { QStringLiteral("Tem"),
            { typed("TEMCOD", FieldType::Integer), typed("TEMDAT", FieldType::Date, true), str("EMPCOD", w, true),
                typed("TEMNBRHEU", FieldType::Float), typed("ACTCOD", FieldType::Integer), typed("TEMFAC", FieldType::Boolean),
                typed("TEMNOT", FieldType::Memo), str("PRJCOD", w) },
            { QStringLiteral("TEMCOD") },
            { IndexDef { QStringLiteral("XEMPCOD"), { QStringLiteral("EMPCOD"), QStringLiteral("TEMDAT"), QStringLiteral("TEMCOD") }, false, false },
                IndexDef { QStringLiteral("XTEMDAT"), { QStringLiteral("TEMDAT"), QStringLiteral("TEMCOD") }, false, false },
                IndexDef { QStringLiteral("EMPCOD"), { QStringLiteral("EMPCOD") }, false, false },
                IndexDef { QStringLiteral("PRJCOD"), { QStringLiteral("PRJCOD") }, false, false } } },
        { QStringLiteral("Sys"),
            { typed("SYSACTCODCPT", FieldType::Integer), typed("SYSTEMCODCPT", FieldType::Integer),
                typed("SYSPREJOUPER", FieldType::Integer), typed("SYSVER", FieldType::Float) },
            {}, {} },
    };
    qdb::Database db;
    db.setDirectory(dir);
    db.open();
    qdb::WriteTransaction t(db);
    for (const auto& def : tables)
        db.backend().createTable(def);
    if (shape != Shape::NeverHadConstraints) {
        db.backend().addRefConstraint({ QStringLiteral("ZEMPCOD"), QStringLiteral("Tem"), QStringLiteral("EMPCOD"), QStringLiteral("Emp"), QStringLiteral("EMPCOD") });
        db.backend().addRefConstraint({ QStringLiteral("ZPRJCOD"), QStringLiteral("Tem"), QStringLiteral("PRJCOD"), QStringLiteral("Prj"), QStringLiteral("PRJCOD") });
        db.backend().addRefConstraint({ QStringLiteral("ZPRJCOD"), QStringLiteral("PrjAct"), QStringLiteral("PRJCOD"), QStringLiteral("Prj"), QStringLiteral("PRJCOD") });
    }
    for (int e = 1; e <= 5; ++e)
        db.execute(QStringLiteral("INSERT INTO Emp VALUES (?, ?)"), { QStringLiteral("E%1").arg(e), QStringLiteral("Employé %1").arg(e) });
    for (int p = 1; p <= 4; ++p)
        db.execute(QStringLiteral("INSERT INTO Prj VALUES (?, ?)"), { QStringLiteral("PRJ%1").arg(p), QStringLiteral("Project %1").arg(p) });
    for (int a = 1; a <= 3; ++a) {
        db.execute(QStringLiteral("INSERT INTO Act VALUES (?, ?)"), { a, QStringLiteral("Activity %1").arg(a) });
        for (int p = 1; p <= 4; ++p)
            db.execute(QStringLiteral("INSERT INTO PrjAct VALUES (?, ?)"), { QStringLiteral("PRJ%1").arg(p), a });
    }
    QSqlQuery ins(db.connection());
    ins.prepare(QStringLiteral("INSERT INTO Tem VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 1; i <= entries; ++i) {
        ins.addBindValue(i);
        ins.addBindValue(QDate(2019, 1, 1).addDays(i % 900).toString(Qt::ISODate));
        ins.addBindValue(QStringLiteral("E%1").arg(1 + i % 5));
        ins.addBindValue(0.25 * (1 + i % 32));
        ins.addBindValue(1 + i % 3);
        ins.addBindValue(i % 10 == 0 ? QVariant() : QVariant(i % 4 ? 1 : 0));
        ins.addBindValue(i % 3 ? QVariant(QStringLiteral("Note %1 with some words\nand a second line").arg(i)) : QVariant());
        ins.addBindValue(QStringLiteral("PRJ%1").arg(1 + i % 4));
        ins.exec();
    }
    ins.finish();
    db.execute(QStringLiteral("INSERT INTO Sys VALUES (4, ?, 1, ?)"), { entries + 1, version });
    t.commit();
}

QStringList dump(const QString& dir)
{
    qdb::Database db;
    db.setDirectory(dir);
    db.open();
    QStringList out;
    const struct {
        const char* table;
        const char* order;
    } tables[] = { { "Emp", "EMPCOD" }, { "Prj", "PRJCOD" }, { "Act", "ACTCOD" }, { "PrjAct", "PRJCOD, ACTCOD" },
        { "Tem", "TEMCOD" }, { "Sys", "rowid" } };
    for (const auto& t : tables) {
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(QLatin1String(t.table), QLatin1String(t.order)));
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            out << QLatin1String(t.table) + QLatin1Char(':') + cols.join(QLatin1Char('|'));
        }
    }
    return out;
}

} // namespace olddb
