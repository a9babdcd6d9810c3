#pragma once

#include "Backend.h"
#include "RecordLocks.h"
#include "Schema.h"

#include <QObject>
#include <QSqlDatabase>
#include <functional>
#include <memory>

namespace qdb {

class Dataset;
class EngineConfig;

// A connection to the database of one directory, reached through an alias of the engine
// configuration (or a directory given directly). Each Database is a workstation of its own:
// its record locks conflict with those of every other Database, in this process or another.
class Database : public QObject {
    Q_OBJECT
public:
    explicit Database(QObject* parent = nullptr);
    ~Database() override;

    void setAliasName(const QString& alias) { m_alias = alias; }
    const QString& aliasName() const { return m_alias; }
    void setDatabaseName(const QString& name) { m_name = name; }
    const QString& databaseName() const { return m_name; }
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    bool loginPrompt() const { return m_loginPrompt; }
    // Used instead of the alias when set.
    void setDirectory(const QString& directory) { m_explicitDir = directory; }
    void setEngineConfig(EngineConfig* config) { m_config = config; }

    // Exclusive opening is refused while any other workstation has the database open.
    // How long a write waits for another workstation's write to finish before it is refused.
    void setBusyTimeout(int ms) { m_busyTimeout = ms; }
    int busyTimeout() const { return m_busyTimeout; }

    void setExclusive(bool on);
    bool exclusive() const { return m_exclusive; }

    void open();
    void close();
    bool connected() const { return m_backend != nullptr; }

    // Called by open(): before resolving the alias, and once connected (for example to create
    // the tables of a new database). A handler that throws makes open() fail and disconnect.
    using Hook = std::function<void(Database&)>;
    void setBeforeConnect(Hook hook) { m_beforeConnect = std::move(hook); }
    void setAfterConnect(Hook hook) { m_afterConnect = std::move(hook); }

    // The database directory as the engine reports it: absolute, ending with a separator.
    QString directory() const;
    // Where the lock files live; every workstation of a directory must use the same one.
    // Defaults to directory() + "NET"; created when missing.
    void setNetFileDir(const QString& path);
    QString netFileDir() const;

    QStringList tableNames();
    bool hasTable(const QString& table);
    TableDef tableDef(const QString& table);
    QList<RefConstraintDef> refConstraints(const QString& detailTable);
    // Schema changes, each inside a write transaction of its own unless one is open.
    void createTable(const TableDef& def);
    void addRefConstraint(const RefConstraintDef& def);
    void dropRefConstraint(const QString& detailTable, const QString& name);
    // Changes a field's definition keeping the rows, as one transaction: a failure (or a crash)
    // part-way leaves the table exactly as it was. Refused while another workstation has the
    // table open.
    void restructureField(const QString& table, const QString& field, const FieldDef& newDef);

    Backend& backend();
    QSqlDatabase connection();
    RecordLocks& locks();

    // Runs one statement with positional bind values, inside a write transaction of its own
    // unless one is open. Returns the number of rows affected.
    int execute(const QString& sql, const QVariantList& binds = {});

    // Datasets of this connection close with it.
    void registerDataset(Dataset* dataset);
    void unregisterDataset(Dataset* dataset);

    // Bumped by every change this connection writes; lets datasets drop cached counts.
    quint64 changeCount() const { return m_changeCount; }
    void noteChange() { ++m_changeCount; }

signals:
    void connectionChanged(bool connected);

private:
    void checkConnected() const;
    QString resolveDirectory() const;

    QString m_alias;
    QString m_name;
    QString m_explicitDir;
    QString m_dir;
    QString m_netDir;
    bool m_loginPrompt = false;
    bool m_exclusive = false;
    EngineConfig* m_config = nullptr;
    std::unique_ptr<Backend> m_backend;
    std::unique_ptr<RecordLocks> m_locks;
    QList<Dataset*> m_datasets;
    QString m_connectionName;
    quint64 m_changeCount = 0;
    int m_busyTimeout = 5000;
    Hook m_beforeConnect, m_afterConnect;
};

// A write transaction that rolls back unless committed. Write transactions take the storage's
// write lock at once (waiting at most the busy timeout); keep them short, and never open one
// while a dialog waits for the user.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_owner = false;
    bool m_done = false;
};

} // namespace qdb
