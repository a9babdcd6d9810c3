#include "Database.h"

#include "Dataset.h"
#include "EngineConfig.h"
#include "SqliteBackend.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

namespace qdb {

namespace {
QAtomicInt connectionSerial;
const QString SessionResource = QStringLiteral("session");
}

Database::Database(QObject* parent)
    : QObject(parent)
{
}

Database::~Database() { close(); }

void Database::setExclusive(bool on)
{
    if (connected() && on != m_exclusive)
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot change the sharing of an open database"));
    m_exclusive = on;
}

QString Database::resolveDirectory() const
{
    QString dir = m_explicitDir;
    if (dir.isEmpty()) {
        if (m_alias.isEmpty())
            throw EngineError(ErrorCode::NotInitialized, QStringLiteral("No alias or directory given for database %1").arg(m_name));
        EngineConfig& config = m_config ? *m_config : EngineConfig::instance();
        dir = config.aliasPath(m_alias);
    }
    QString abs = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    if (!abs.endsWith(QLatin1Char('/')))
        abs += QLatin1Char('/');
    return abs;
}

void Database::open()
{
    if (connected())
        return;
    if (m_beforeConnect)
        m_beforeConnect(*this);
    const QString dir = resolveDirectory();
    if (!QDir().mkpath(dir))
        throw EngineError(ErrorCode::NotInitialized, QStringLiteral("Directory is not accessible: %1").arg(dir));
    const QString netDir = m_netDir.isEmpty() ? dir + QLatin1String("NET") : m_netDir;
    auto locks = std::make_unique<RecordLocks>(netDir);
    // Shared holders keep a read lock; an exclusive opener needs a write lock, refused while
    // anyone else has the database open.
    const bool got = locks->tryLockResource(SessionResource, m_exclusive);
    if (!got)
        throw EngineError(ErrorCode::FileLocked,
            m_exclusive ? QStringLiteral("The database is in use by another user and cannot be opened exclusively. Directory: %1").arg(dir)
                        : QStringLiteral("The database is opened exclusively by another user. Directory: %1").arg(dir));
    auto backend = std::make_unique<SqliteBackend>();
    m_connectionName = QStringLiteral("qdb-%1-%2").arg(m_name.isEmpty() ? QStringLiteral("db") : m_name).arg(connectionSerial.fetchAndAddRelaxed(1));
    backend->open(dir, m_connectionName, m_busyTimeout);
    m_dir = dir;
    m_netDir = netDir;
    m_locks = std::move(locks);
    m_backend = std::move(backend);
    if (m_afterConnect) {
        try {
            m_afterConnect(*this);
        } catch (...) {
            close();
            throw;
        }
    }
    emit connectionChanged(true);
}

void Database::close()
{
    if (!connected())
        return;
    const auto datasets = m_datasets;
    for (Dataset* ds : datasets)
        ds->close();
    m_backend->close();
    m_backend.reset();
    m_locks.reset(); // closing the descriptions drops every lock this workstation held
    emit connectionChanged(false);
}

QString Database::directory() const
{
    return connected() ? m_dir : resolveDirectory();
}

void Database::setNetFileDir(const QString& path)
{
    QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!QDir().mkpath(p))
        throw EngineError(ErrorCode::IoError, QStringLiteral("Cannot create the network control directory %1").arg(p));
    if (connected() && p != QDir::cleanPath(m_netDir))
        throw EngineError(ErrorCode::InvalidState,
            QStringLiteral("The network control directory %1 differs from the one in use (%2)").arg(p, m_netDir));
    m_netDir = p;
}

QString Database::netFileDir() const { return m_netDir.isEmpty() ? directory() + QLatin1String("NET") : m_netDir; }

void Database::checkConnected() const
{
    if (!connected())
        throw EngineError(ErrorCode::NotInitialized, QStringLiteral("Database %1 is not open").arg(m_name));
}

Backend& Database::backend()
{
    checkConnected();
    return *m_backend;
}

QSqlDatabase Database::connection()
{
    checkConnected();
    return m_backend->connection();
}

RecordLocks& Database::locks()
{
    checkConnected();
    return *m_locks;
}

QStringList Database::tableNames() { return backend().tableNames(); }

bool Database::hasTable(const QString& table)
{
    const QString wanted = storageTableName(table);
    for (const QString& t : tableNames())
        if (t.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TableDef Database::tableDef(const QString& table) { return backend().tableDef(table); }

QList<RefConstraintDef> Database::refConstraints(const QString& detailTable) { return backend().refConstraints(detailTable); }

void Database::createTable(const TableDef& def)
{
    WriteTransaction t(*this);
    backend().createTable(def);
    t.commit();
}

void Database::addRefConstraint(const RefConstraintDef& def)
{
    WriteTransaction t(*this);
    backend().addRefConstraint(def);
    t.commit();
}

void Database::dropRefConstraint(const QString& detailTable, const QString& name)
{
    WriteTransaction t(*this);
    backend().dropRefConstraint(detailTable, name);
    t.commit();
}

void Database::restructureField(const QString& table, const QString& field, const FieldDef& newDef)
{
    const QString resource = QStringLiteral("table-") + tableDef(table).name;
    if (!locks().tryLockResource(resource, true))
        throw EngineError(ErrorCode::FileLocked, QStringLiteral("Table is busy: it is in use and cannot be restructured. Table: %1").arg(table));
    struct Release {
        Database* db;
        QString resource;
        ~Release()
        {
            if (db->connected())
                db->locks().unlockResource(resource, true);
        }
    } release { this, resource };
    WriteTransaction t(*this);
    backend().restructureField(table, field, newDef);
    t.commit();
}

int Database::execute(const QString& sql, const QVariantList& binds)
{
    WriteTransaction t(*this);
    QSqlQuery q(connection());
    if (!q.prepare(sql))
        throw backend().translate(q.lastError(), QString());
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec())
        throw backend().translate(q.lastError(), QString());
    const int n = q.numRowsAffected();
    q.finish();
    t.commit();
    return n;
}

void Database::registerDataset(Dataset* dataset)
{
    if (!m_datasets.contains(dataset))
        m_datasets.append(dataset);
}

void Database::unregisterDataset(Dataset* dataset) { m_datasets.removeAll(dataset); }

WriteTransaction::WriteTransaction(Database& db)
    : m_db(db)
{
    if (!db.backend().inTransaction()) {
        db.backend().beginWrite();
        m_owner = true;
    }
}

WriteTransaction::~WriteTransaction()
{
    if (m_owner && !m_done && m_db.connected())
        m_db.backend().rollback();
}

void WriteTransaction::commit()
{
    if (m_owner && !m_done) {
        m_db.backend().commit();
        m_db.noteChange();
    }
    m_done = true;
}

} // namespace qdb
