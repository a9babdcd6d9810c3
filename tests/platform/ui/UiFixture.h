#pragma once

#include "DataSource.h"
#include "Database.h"
#include "EngineError.h"
#include "MemTable.h"
#include "Schema.h"
#include "Table.h"

#include <QDate>
#include <memory>

// Datasets for the control tests: the same rows in memory or in a stored table, so that a test
// can run once per backend. Columns of P: CODE (text 8, key), NAME (text 20), AGE (integer),
// RATE (float), ACTIVE (boolean), NOTE (memo); row i (1-based) has CODE "P" + i on 5 digits,
// so that insertion order and key order agree.
namespace uifixture
{

enum class Backend { Memory, Stored };

inline QList<qdb::FieldDef> personFields()
{
    using qdb::FieldDef;
    using qdb::FieldType;
    return { FieldDef { QStringLiteral("CODE"), FieldType::String, 8 },
        FieldDef { QStringLiteral("NAME"), FieldType::String, 20 },
        FieldDef { QStringLiteral("AGE"), FieldType::Integer },
        FieldDef { QStringLiteral("RATE"), FieldType::Float },
        FieldDef { QStringLiteral("ACTIVE"), FieldType::Boolean },
        FieldDef { QStringLiteral("NOTE"), FieldType::Memo } };
}

inline QString code(int i)
{
    return QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0'));
}
inline QString name(int i)
{
    return QStringLiteral("Name %1").arg(i);
}

struct People {
    std::unique_ptr<qdb::Database> db;
    std::unique_ptr<qdb::Dataset> dataset;
    std::unique_ptr<qdb::DataSource> source;
};

// rows rows; ACTIVE is null on every third row, true on odd rows otherwise.
inline void fill(qdb::Dataset& ds, int rows)
{
    ds.disableControls();
    for (int i = 1; i <= rows; ++i) {
        ds.append();
        ds.fieldByName(QStringLiteral("CODE"))->setValue(code(i));
        ds.fieldByName(QStringLiteral("NAME"))->setValue(name(i));
        ds.fieldByName(QStringLiteral("AGE"))->setValue(20 + i % 50);
        ds.fieldByName(QStringLiteral("RATE"))->setValue(i * 1.5);
        if (i % 3 != 0)
            ds.fieldByName(QStringLiteral("ACTIVE"))->setValue(i % 2 == 1);
        ds.post();
    }
    ds.first();
    ds.enableControls();
}

inline People people(Backend backend, int rows, const QString& dir = QString())
{
    People p;
    if (backend == Backend::Memory) {
        auto t = std::make_unique<qdb::MemTable>();
        t->setObjectName(QStringLiteral("People"));
        for (const qdb::FieldDef& f : personFields())
            t->addFieldDef(f.name, f.type, f.size);
        t->createDataSet();
        p.dataset = std::move(t);
    } else {
        p.db = std::make_unique<qdb::Database>();
        p.db->setDirectory(dir);
        p.db->open();
        p.db->createTable(
            qdb::TableDef { QStringLiteral("P"), personFields(), { QStringLiteral("CODE") }, {} });
        auto t = std::make_unique<qdb::Table>();
        t->setObjectName(QStringLiteral("People"));
        t->setDatabase(p.db.get());
        t->setTableName(QStringLiteral("P.db"));
        t->open();
        p.dataset = std::move(t);
    }
    fill(*p.dataset, rows);
    p.source = std::make_unique<qdb::DataSource>();
    p.source->setDataSet(p.dataset.get());
    return p;
}

} // namespace uifixture
