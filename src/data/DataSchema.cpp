// The tables of a database of schema version 3.5, as a new database gets them.
#include "Data.h"

#include "EngineError.h"

using qdb::FieldDef;
using qdb::FieldType;
using qdb::IndexDef;
using qdb::TableDef;

QList<TableDef> TFData::SchemaTables()
{
    auto str = [](const char* n, int size, bool required = false) { return FieldDef { QLatin1String(n), FieldType::String, size, required }; };
    auto typed = [](const char* n, FieldType t, bool required = false) { return FieldDef { QLatin1String(n), t, 0, required }; };
    auto idx = [](const char* n, const QStringList& fields, bool ci = false) { return IndexDef { QLatin1String(n), fields, ci, false }; };

    TableDef emp { QStringLiteral("Emp"), { str("EMPCOD", 12), str("EMPNOM", 35) }, { QStringLiteral("EMPCOD") },
        { idx("XEMPNOM", { QStringLiteral("EMPNOM"), QStringLiteral("EMPCOD") }, true) } };
    TableDef prj { QStringLiteral("Prj"), { str("PRJCOD", 12), str("PRJDES", 35) }, { QStringLiteral("PRJCOD") },
        { idx("XPRJDES", { QStringLiteral("PRJDES"), QStringLiteral("PRJCOD") }, true) } };
    TableDef act { QStringLiteral("Act"), { typed("ACTCOD", FieldType::Integer), str("ACTDES", 35) }, { QStringLiteral("ACTCOD") },
        { idx("XACTDES", { QStringLiteral("ACTDES"), QStringLiteral("ACTCOD") }, true) } };
    TableDef prjAct { QStringLiteral("PrjAct"), { str("PRJCOD", 12), typed("ACTCOD", FieldType::Integer) },
        { QStringLiteral("PRJCOD"), QStringLiteral("ACTCOD") }, {} };
    // An entry is always created for an employee and a day; the rest may be filled in later.
    TableDef tem { QStringLiteral("Tem"),
        { typed("TEMCOD", FieldType::Integer), typed("TEMDAT", FieldType::Date, true), str("EMPCOD", 12, true),
            typed("TEMNBRHEU", FieldType::Float), typed("ACTCOD", FieldType::Integer), typed("TEMFAC", FieldType::Boolean),
            typed("TEMNOT", FieldType::Memo), str("PRJCOD", 12) },
        { QStringLiteral("TEMCOD") },
        { // The day filter of one employee and the date order both run on an index.
            idx("XEMPCOD", { QStringLiteral("EMPCOD"), QStringLiteral("TEMDAT"), QStringLiteral("TEMCOD") }),
            idx("XTEMDAT", { QStringLiteral("TEMDAT"), QStringLiteral("TEMCOD") }),
            idx("EMPCOD", { QStringLiteral("EMPCOD") }), idx("PRJCOD", { QStringLiteral("PRJCOD") }) } };
    TableDef sys { QStringLiteral("Sys"),
        { typed("SYSACTCODCPT", FieldType::Integer), typed("SYSTEMCODCPT", FieldType::Integer),
            typed("SYSPREJOUPER", FieldType::Integer), typed("SYSVER", FieldType::Float) },
        {}, {} };
    return { emp, prj, act, prjAct, tem, sys };
}

QList<qdb::RefConstraintDef> TFData::SchemaConstraints()
{
    using qdb::RefRule;
    return {
        { QStringLiteral("ZEMPCOD"), QStringLiteral("Tem"), QStringLiteral("EMPCOD"), QStringLiteral("Emp"), QStringLiteral("EMPCOD"), RefRule::Restrict, RefRule::Restrict },
        { QStringLiteral("ZPRJCOD"), QStringLiteral("Tem"), QStringLiteral("PRJCOD"), QStringLiteral("Prj"), QStringLiteral("PRJCOD"), RefRule::Restrict, RefRule::Restrict },
        { QStringLiteral("ZPRJCOD"), QStringLiteral("PrjAct"), QStringLiteral("PRJCOD"), QStringLiteral("Prj"), QStringLiteral("PRJCOD"), RefRule::Restrict, RefRule::Restrict },
    };
}

void TFData::CreateSchema(qdb::Database& db)
{
    // One transaction: a crash part-way leaves an empty directory, never half a schema.
    qdb::WriteTransaction t(db);
    for (const TableDef& def : SchemaTables())
        db.backend().createTable(def);
    for (const qdb::RefConstraintDef& c : SchemaConstraints())
        db.backend().addRefConstraint(c);
    db.execute(QStringLiteral("INSERT INTO \"Sys\" (SYSACTCODCPT, SYSTEMCODCPT, SYSPREJOUPER, SYSVER) VALUES (1, 1, 0, ?)"),
        { SchemaVersion });
    t.commit();
}
