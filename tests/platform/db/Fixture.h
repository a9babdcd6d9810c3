#pragma once

#include "Database.h"
#include "EngineError.h"
#include "Schema.h"

#include <memory>

// A small master/detail schema: M (CODE, NAME) and D (ID, MCODE, DAY, HOURS, FLAG, NOTE)
// with the constraint ZM from D.MCODE to M.CODE.
namespace fixture {

inline QList<qdb::TableDef> tables()
{
    using qdb::FieldDef;
    using qdb::FieldType;
    qdb::TableDef m { QStringLiteral("M"),
        { FieldDef { QStringLiteral("CODE"), FieldType::String, 12 }, FieldDef { QStringLiteral("NAME"), FieldType::String, 35 } },
        { QStringLiteral("CODE") },
        { qdb::IndexDef { QStringLiteral("XNAME"), { QStringLiteral("NAME"), QStringLiteral("CODE") }, true, false } } };
    qdb::TableDef d { QStringLiteral("D"),
        { FieldDef { QStringLiteral("ID"), FieldType::Integer }, FieldDef { QStringLiteral("MCODE"), FieldType::String, 12, true },
            FieldDef { QStringLiteral("DAY"), FieldType::Date }, FieldDef { QStringLiteral("HOURS"), FieldType::Float },
            FieldDef { QStringLiteral("FLAG"), FieldType::Boolean }, FieldDef { QStringLiteral("NOTE"), FieldType::Memo } },
        { QStringLiteral("ID") },
        { qdb::IndexDef { QStringLiteral("XM"), { QStringLiteral("MCODE"), QStringLiteral("DAY"), QStringLiteral("ID") }, false, false },
            qdb::IndexDef { QStringLiteral("XDAY"), { QStringLiteral("DAY"), QStringLiteral("ID") }, false, false } } };
    return { m, d };
}

inline std::unique_ptr<qdb::Database> open(const QString& dir, bool create)
{
    auto db = std::make_unique<qdb::Database>();
    db->setDirectory(dir);
    db->open();
    if (create) {
        qdb::WriteTransaction t(*db);
        for (const auto& def : tables())
            db->backend().createTable(def);
        db->backend().addRefConstraint({ QStringLiteral("ZM"), QStringLiteral("D"), QStringLiteral("MCODE"), QStringLiteral("M"), QStringLiteral("CODE") });
        t.commit();
    }
    return db;
}

} // namespace fixture
