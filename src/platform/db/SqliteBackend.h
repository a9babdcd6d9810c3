#pragma once

#include "Backend.h"

#include <QHash>

struct sqlite3;
struct sqlite3_stmt;

namespace qdb {

// SQLite in rollback-journal mode with full synchronous commits: WAL cannot work on a shared
// network directory. Referential constraints are named triggers listed in a catalogue table,
// so that they can be dropped and added without rebuilding a table.
class SqliteBackend final : public Backend {
public:
    static QString fileName() { return QStringLiteral("tables.sqlite"); }

    ~SqliteBackend() override;

    void open(const QString& directory, const QString& connectionName, int busyTimeoutMs) override;
    void close() override;
    bool isOpen() const override;
    QSqlDatabase connection() const override;
    QString storageFile() const override { return m_file; }

    QStringList tableNames() override;
    TableDef tableDef(const QString& table) override;
    QList<RefConstraintDef> refConstraints(const QString& detailTable) override;
    void createTable(const TableDef& def) override;
    void addRefConstraint(const RefConstraintDef& def) override;
    void dropRefConstraint(const QString& detailTable, const QString& name) override;
    void restructureField(const QString& table, const QString& field, const FieldDef& newDef) override;

    void beginWrite() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override { return m_inTransaction; }

    void select(const QString& sql, const QVariantList& binds, const std::function<void(const RowReader&)>& onRow) override;
    EngineError translate(const QSqlError& error, const QString& context) const override;
    QString quote(const QString& identifier) const override;
    QString caseInsensitive(const QString& expression) const override;

    static QString declaredType(const FieldDef& field);
    static FieldDef parseDeclaredType(const QString& name, const QString& declared);

private:
    void exec(const QString& sql, const QString& context);
    void ensureCatalogue();
    QList<RefConstraintDef> constraintsTouching(const QString& table);
    void createTriggers(const RefConstraintDef& def);
    void dropTriggers(const RefConstraintDef& def);
    QString actualTableName(const QString& table);

    struct sqlite3_stmt* statement(const QString& sql);
    void finalizeStatements();
    EngineError lastError(const QString& context) const;

    struct sqlite3* m_handle = nullptr;
    QHash<QString, struct sqlite3_stmt*> m_statements; // prepared reads, reused across chunks
    QString m_connectionName;
    QString m_file;
    bool m_inTransaction = false;
};

} // namespace qdb
