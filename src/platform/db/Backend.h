#pragma once

#include "EngineError.h"
#include "Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <functional>

namespace qdb {

// What the engine needs of a storage: a connection, its catalogue, table creation, named
// referential constraints, write transactions and the translation of its refusals into engine
// errors. SQLite is the one implementation; a PostgreSQL one can follow for larger sites.
// One row of a result, read by column with the type the caller expects.
class RowReader {
public:
    virtual ~RowReader() = default;
    virtual QVariant value(int column, FieldType type) const = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual void open(const QString& directory, const QString& connectionName, int busyTimeoutMs) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QSqlDatabase connection() const = 0;
    virtual QString storageFile() const = 0;

    virtual QStringList tableNames() = 0;
    virtual TableDef tableDef(const QString& table) = 0;
    virtual QList<RefConstraintDef> refConstraints(const QString& detailTable) = 0;
    virtual void createTable(const TableDef& def) = 0;
    virtual void addRefConstraint(const RefConstraintDef& def) = 0;
    virtual void dropRefConstraint(const QString& detailTable, const QString& name) = 0;
    // Changes one field's definition keeping every row (values converted by the storage);
    // runs inside the caller's write transaction, so a failure leaves the table as it was.
    virtual void restructureField(const QString& table, const QString& field, const FieldDef& newDef) = 0;

    // Write transactions take the storage's write lock at once, waiting at most the busy timeout.
    virtual void beginWrite() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;

    // Runs a read statement with positional binds, handing each row to onRow; the statement is
    // finished before it returns, so no read lock outlives the call.
    virtual void select(const QString& sql, const QVariantList& binds, const std::function<void(const RowReader&)>& onRow) = 0;

    virtual EngineError translate(const QSqlError& error, const QString& context) const = 0;
    // Identifier quoting of the storage's SQL.
    virtual QString quote(const QString& identifier) const = 0;
    // Expression that sorts and compares a text column without regard to letter case.
    virtual QString caseInsensitive(const QString& expression) const = 0;
};

} // namespace qdb
