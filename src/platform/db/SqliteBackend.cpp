#include "SqliteBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlRecord>

#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qdb {

namespace {
const QString CatalogueTable = QStringLiteral("qdb_refconstraint");

QString triggerName(const RefConstraintDef& def, const char* kind)
{
    return QStringLiteral("qdb$%1$%2$%3").arg(def.detailTable, def.name, QLatin1String(kind));
}

QString indexStorageName(const QString& table, const QString& index)
{
    return table + QLatin1Char('$') + index;
}
}

SqliteBackend::~SqliteBackend() { close(); }

void SqliteBackend::open(const QString& directory, const QString& connectionName, int busyTimeoutMs)
{
    close();
    m_connectionName = connectionName;
    m_file = QDir(directory).filePath(fileName());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (!db.open()) {
            const EngineError e = translate(db.lastError(), QStringLiteral("Cannot open the database %1").arg(m_file));
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName);
            m_connectionName.clear();
            throw e;
        }
    }
    {
        // Reads go straight to SQLite: the driver's generic row handling would cost more than
        // the storage itself on long passes.
        const QVariant h = connection().driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            m_handle = *static_cast<sqlite3* const*>(h.constData());
    }
    try {
        // Reading the catalogue proves the file is a database we can use; a damaged file is
        // refused here, never replaced.
        exec(QStringLiteral("PRAGMA journal_mode=DELETE"), QStringLiteral("Cannot read the database %1").arg(m_file));
        exec(QStringLiteral("PRAGMA synchronous=FULL"), QString());
        exec(QStringLiteral("PRAGMA foreign_keys=OFF"), QString());
        exec(QStringLiteral("SELECT count(*) FROM sqlite_master"), QStringLiteral("Cannot read the database %1").arg(m_file));
    } catch (...) {
        close();
        throw;
    }
}

void SqliteBackend::close()
{
    if (m_connectionName.isEmpty())
        return;
    finalizeStatements();
    m_handle = nullptr;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            if (m_inTransaction)
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
    }
    m_inTransaction = false;
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

bool SqliteBackend::isOpen() const
{
    return !m_connectionName.isEmpty() && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase SqliteBackend::connection() const { return QSqlDatabase::database(m_connectionName, false); }

void SqliteBackend::exec(const QString& sql, const QString& context)
{
    QSqlQuery q(connection());
    if (!q.exec(sql))
        throw translate(q.lastError(), context);
    while (q.next()) { }
    q.finish();
}

QString SqliteBackend::quote(const QString& identifier) const
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString SqliteBackend::caseInsensitive(const QString& expression) const
{
    return expression + QLatin1String(" COLLATE NOCASE");
}

QStringList SqliteBackend::tableNames()
{
    QSqlQuery q(connection());
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'"
                               " AND name NOT LIKE 'qdb!_%' ESCAPE '!' ORDER BY name")))
        throw translate(q.lastError(), QStringLiteral("Cannot list the tables"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QString SqliteBackend::actualTableName(const QString& table)
{
    const QString wanted = storageTableName(table);
    for (const QString& name : tableNames())
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Table does not exist. Table: %1").arg(table));
}

QString SqliteBackend::declaredType(const FieldDef& field)
{
    switch (field.type) {
    case FieldType::String: return QStringLiteral("VARCHAR(%1)").arg(field.size > 0 ? field.size : 255);
    case FieldType::Integer: return QStringLiteral("INTEGER");
    case FieldType::Float: return QStringLiteral("DOUBLE");
    case FieldType::Date: return QStringLiteral("DATE");
    case FieldType::Boolean: return QStringLiteral("BOOLEAN");
    case FieldType::Memo: return QStringLiteral("MEMO");
    case FieldType::Unknown: break;
    }
    return QString();
}

FieldDef SqliteBackend::parseDeclaredType(const QString& name, const QString& declared)
{
    FieldDef f;
    f.name = name;
    const QString t = declared.trimmed().toUpper();
    static const QRegularExpression sized(QStringLiteral("^(VAR)?CHAR\\s*\\((\\d+)\\)$"));
    const auto m = sized.match(t);
    if (m.hasMatch()) {
        f.type = FieldType::String;
        f.size = m.captured(2).toInt();
    } else if (t == QLatin1String("INTEGER") || t == QLatin1String("INT")) {
        f.type = FieldType::Integer;
    } else if (t == QLatin1String("DOUBLE") || t == QLatin1String("REAL") || t == QLatin1String("FLOAT")) {
        f.type = FieldType::Float;
    } else if (t == QLatin1String("DATE")) {
        f.type = FieldType::Date;
    } else if (t == QLatin1String("BOOLEAN")) {
        f.type = FieldType::Boolean;
    } else if (t == QLatin1String("MEMO") || t == QLatin1String("TEXT")) {
        f.type = FieldType::Memo;
    } else {
        f.type = FieldType::Unknown;
    }
    return f;
}

TableDef SqliteBackend::tableDef(const QString& table)
{
    TableDef def;
    def.name = actualTableName(table);
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quote(def.name))))
        throw translate(q.lastError(), QStringLiteral("Cannot read the table %1").arg(def.name));
    QMap<int, QString> pk;
    while (q.next()) {
        FieldDef f = parseDeclaredType(q.value(1).toString(), q.value(2).toString());
        f.required = q.value(3).toInt() != 0;
        if (q.value(5).toInt() > 0)
            pk.insert(q.value(5).toInt(), f.name);
        def.fields << f;
    }
    def.primaryKey = pk.values();
    q.finish();

    QSqlQuery list(db);
    if (!list.exec(QStringLiteral("PRAGMA index_list(%1)").arg(quote(def.name))))
        throw translate(list.lastError(), QStringLiteral("Cannot read the indexes of %1").arg(def.name));
    struct Raw {
        QString name;
        bool unique;
    };
    QList<Raw> raws;
    const QString prefix = def.name + QLatin1Char('$');
    while (list.next()) {
        const QString name = list.value(1).toString();
        if (list.value(3).toString() == QLatin1String("c") && name.startsWith(prefix, Qt::CaseInsensitive))
            raws << Raw { name, list.value(2).toInt() != 0 };
    }
    list.finish();
    for (const Raw& raw : raws) {
        IndexDef idx;
        idx.name = raw.name.mid(prefix.size());
        idx.unique = raw.unique;
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA index_xinfo(%1)").arg(quote(raw.name))))
            throw translate(info.lastError(), QStringLiteral("Cannot read the index %1").arg(raw.name));
        while (info.next()) {
            if (info.value(5).toInt() != 1) // auxiliary column (rowid)
                continue;
            idx.fields << info.value(2).toString();
            if (info.value(4).toString().compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0)
                idx.caseInsensitive = true;
        }
        def.indexes << idx;
    }
    std::sort(def.indexes.begin(), def.indexes.end(),
        [](const IndexDef& a, const IndexDef& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
    return def;
}

void SqliteBackend::createTable(const TableDef& def)
{
    QStringList cols;
    for (const FieldDef& f : def.fields) {
        QString col = quote(f.name) + QLatin1Char(' ') + declaredType(f);
        if (f.required || def.primaryKey.contains(f.name, Qt::CaseInsensitive))
            col += QLatin1String(" NOT NULL");
        cols << col;
    }
    if (!def.primaryKey.isEmpty()) {
        QStringList pk;
        for (const QString& k : def.primaryKey)
            pk << quote(k);
        cols << QStringLiteral("PRIMARY KEY (%1)").arg(pk.join(QLatin1String(", ")));
    }
    exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quote(def.name), cols.join(QLatin1String(", "))),
        QStringLiteral("Cannot create the table %1").arg(def.name));
    for (const IndexDef& idx : def.indexes) {
        QStringList parts;
        for (const QString& f : idx.fields) {
            const int fi = def.fieldIndex(f);
            const bool text = fi >= 0 && (def.fields[fi].type == FieldType::String || def.fields[fi].type == FieldType::Memo);
            parts << (idx.caseInsensitive && text ? caseInsensitive(quote(f)) : quote(f));
        }
        exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg(idx.unique ? QStringLiteral("UNIQUE ") : QString(), quote(indexStorageName(def.name, idx.name)),
                     quote(def.name), parts.join(QLatin1String(", "))),
            QStringLiteral("Cannot create the index %1").arg(idx.name));
    }
}

void SqliteBackend::ensureCatalogue()
{
    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (detail TEXT NOT NULL, name TEXT NOT NULL, seq INTEGER NOT NULL,"
                        " detail_field TEXT NOT NULL, master TEXT NOT NULL, master_field TEXT NOT NULL,"
                        " update_rule INTEGER NOT NULL, delete_rule INTEGER NOT NULL, PRIMARY KEY (detail, name))")
             .arg(CatalogueTable),
        QStringLiteral("Cannot create the constraint catalogue"));
}

QList<RefConstraintDef> SqliteBackend::refConstraints(const QString& detailTable)
{
    QList<RefConstraintDef> out;
    {
        QSqlQuery has(connection());
        has.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
        has.addBindValue(CatalogueTable);
        if (!has.exec())
            throw translate(has.lastError(), QStringLiteral("Cannot read the constraints of %1").arg(detailTable));
        if (!has.next())
            return out; // a database that never had a constraint
    }
    QSqlQuery q(connection());
    q.prepare(QStringLiteral("SELECT name, detail_field, master, master_field, update_rule, delete_rule, detail FROM %1"
                             " WHERE detail = ? COLLATE NOCASE ORDER BY seq")
                  .arg(CatalogueTable));
    q.addBindValue(storageTableName(detailTable));
    if (!q.exec())
        throw translate(q.lastError(), QStringLiteral("Cannot read the constraints of %1").arg(detailTable));
    while (q.next()) {
        RefConstraintDef d;
        d.name = q.value(0).toString();
        d.detailField = q.value(1).toString();
        d.masterTable = q.value(2).toString();
        d.masterField = q.value(3).toString();
        d.updateRule = RefRule(q.value(4).toInt());
        d.deleteRule = RefRule(q.value(5).toInt());
        d.detailTable = q.value(6).toString();
        out << d;
    }
    return out;
}

void SqliteBackend::createTriggers(const RefConstraintDef& d)
{
    const QString D = quote(d.detailTable), M = quote(d.masterTable), df = quote(d.detailField), mf = quote(d.masterField);
    const QString raiseMissing = QStringLiteral("SELECT RAISE(ABORT, 'qdb:2605:%1');").arg(d.name);
    const QString raiseDetails = QStringLiteral("SELECT RAISE(ABORT, 'qdb:2606:%1');").arg(d.name);
    const QString noMaster = QStringLiteral("NEW.%1 IS NOT NULL AND NOT EXISTS (SELECT 1 FROM %2 WHERE %2.%3 = NEW.%1)").arg(df, M, mf);
    const QString hasDetails = QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %1.%2 = OLD.%3)").arg(D, df, mf);
    const QString ctx = QStringLiteral("Cannot create the constraint %1").arg(d.name);
    exec(QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 WHEN %3 BEGIN %4 END")
             .arg(quote(triggerName(d, "ins")), D, noMaster, raiseMissing), ctx);
    exec(QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 WHEN %4 BEGIN %5 END")
             .arg(quote(triggerName(d, "upd")), df, D, noMaster, raiseMissing), ctx);
    if (d.deleteRule == RefRule::Cascade)
        exec(QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN DELETE FROM %3 WHERE %4 = OLD.%5; END")
                 .arg(quote(triggerName(d, "mdel")), M, D, df, mf), ctx);
    else
        exec(QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 WHEN %3 BEGIN %4 END")
                 .arg(quote(triggerName(d, "mdel")), M, hasDetails, raiseDetails), ctx);
    if (d.updateRule == RefRule::Cascade)
        exec(QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 WHEN NEW.%2 IS NOT OLD.%2"
                            " BEGIN UPDATE %4 SET %5 = NEW.%2 WHERE %5 = OLD.%2; END")
                 .arg(quote(triggerName(d, "mupd")), mf, M, D, df), ctx);
    else
        exec(QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 WHEN NEW.%2 IS NOT OLD.%2 AND %4 BEGIN %5 END")
                 .arg(quote(triggerName(d, "mupd")), mf, M, hasDetails, raiseDetails), ctx);
}

void SqliteBackend::dropTriggers(const RefConstraintDef& d)
{
    for (const char* kind : { "ins", "upd", "mdel", "mupd" })
        exec(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(quote(triggerName(d, kind))),
            QStringLiteral("Cannot drop the constraint %1").arg(d.name));
}

void SqliteBackend::addRefConstraint(const RefConstraintDef& def)
{
    RefConstraintDef d = def;
    d.detailTable = actualTableName(def.detailTable);
    d.masterTable = actualTableName(def.masterTable);
    ensureCatalogue();
    for (const RefConstraintDef& existing : refConstraints(d.detailTable))
        if (existing.name.compare(d.name, Qt::CaseInsensitive) == 0)
            throw EngineError(ErrorCode::KeyViolation, QStringLiteral("A constraint named %1 already exists on %2").arg(d.name, d.detailTable));
    // Rows that already break the rule would make the constraint a lie.
    {
        QSqlQuery q(connection());
        const QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 IS NOT NULL AND NOT EXISTS (SELECT 1 FROM %3 WHERE %3.%4 = %1.%2) LIMIT 1")
                                .arg(quote(d.detailTable), quote(d.detailField), quote(d.masterTable), quote(d.masterField));
        if (!q.exec(sql))
            throw translate(q.lastError(), QStringLiteral("Cannot check the constraint %1").arg(d.name));
        if (q.next())
            throw EngineError(ErrorCode::MasterMissing,
                QStringLiteral("Master record missing: %1 has rows without a master in %2").arg(d.detailTable, d.masterTable));
    }
    QSqlQuery ins(connection());
    ins.prepare(QStringLiteral("INSERT INTO %1 (detail, name, seq, detail_field, master, master_field, update_rule, delete_rule)"
                               " VALUES (?, ?, (SELECT coalesce(max(seq), 0) + 1 FROM %1 WHERE detail = ?), ?, ?, ?, ?, ?)")
                    .arg(CatalogueTable));
    for (const QVariant& v : QVariantList { d.detailTable, d.name, d.detailTable, d.detailField, d.masterTable, d.masterField,
             int(d.updateRule), int(d.deleteRule) })
        ins.addBindValue(v);
    if (!ins.exec())
        throw translate(ins.lastError(), QStringLiteral("Cannot record the constraint %1").arg(d.name));
    createTriggers(d);
}

void SqliteBackend::dropRefConstraint(const QString& detailTable, const QString& name)
{
    for (const RefConstraintDef& d : refConstraints(detailTable)) {
        if (d.name != name)
            continue;
        dropTriggers(d);
        QSqlQuery q(connection());
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE detail = ? AND name = ?").arg(CatalogueTable));
        q.addBindValue(d.detailTable);
        q.addBindValue(d.name);
        if (!q.exec())
            throw translate(q.lastError(), QStringLiteral("Cannot drop the constraint %1").arg(name));
        return;
    }
    throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Constraint was not found"));
}

QList<RefConstraintDef> SqliteBackend::constraintsTouching(const QString& table)
{
    QList<RefConstraintDef> out;
    QSqlQuery q(connection());
    if (!q.exec(QStringLiteral("SELECT detail FROM %1 WHERE detail = '%2' COLLATE NOCASE OR master = '%2' COLLATE NOCASE GROUP BY detail")
                    .arg(CatalogueTable, QString(table).replace(QLatin1Char('\''), QLatin1String("''")))))
        return out; // no catalogue: no constraints
    QStringList details;
    while (q.next())
        details << q.value(0).toString();
    q.finish();
    for (const QString& d : details)
        for (const RefConstraintDef& c : refConstraints(d))
            if (c.detailTable.compare(table, Qt::CaseInsensitive) == 0 || c.masterTable.compare(table, Qt::CaseInsensitive) == 0)
                out << c;
    return out;
}

void SqliteBackend::restructureField(const QString& tableName, const QString& field, const FieldDef& newDef)
{
    if (!m_inTransaction)
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("A restructure needs a write transaction"));
    TableDef def = tableDef(tableName);
    const int fi = def.fieldIndex(field);
    if (fi < 0)
        throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Field '%1' not found in table %2").arg(field, def.name));
    const QString oldName = def.fields[fi].name;
    TableDef newTable = def;
    newTable.fields[fi] = newDef;
    for (QString& k : newTable.primaryKey)
        if (k.compare(oldName, Qt::CaseInsensitive) == 0)
            k = newDef.name;
    for (IndexDef& idx : newTable.indexes)
        for (QString& f : idx.fields)
            if (f.compare(oldName, Qt::CaseInsensitive) == 0)
                f = newDef.name;
    const QList<RefConstraintDef> touching = constraintsTouching(def.name);
    // The constraints' triggers go first and come back last: the table they name is rebuilt.
    for (const RefConstraintDef& c : touching)
        dropTriggers(c);
    const QString temp = def.name + QStringLiteral("$rebuild");
    newTable.name = temp;
    TableDef indexless = newTable;
    indexless.indexes.clear();
    createTable(indexless);
    QStringList from, to;
    for (int i = 0; i < def.fields.size(); ++i) {
        from << quote(def.fields[i].name);
        to << quote(newTable.fields[i].name);
    }
    const QString ctx = QStringLiteral("Cannot restructure the table %1").arg(def.name);
    exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4").arg(quote(temp), to.join(QLatin1String(", ")), from.join(QLatin1String(", ")), quote(def.name)), ctx);
    exec(QStringLiteral("DROP TABLE %1").arg(quote(def.name)), ctx);
    exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quote(temp), quote(def.name)), ctx);
    // Indexes are named after their table: create them under the table's own name again.
    for (const IndexDef& idx : newTable.indexes) {
        QStringList parts;
        for (const QString& f : idx.fields) {
            const int k = newTable.fieldIndex(f);
            const bool text = k >= 0 && (newTable.fields[k].type == FieldType::String || newTable.fields[k].type == FieldType::Memo);
            parts << (idx.caseInsensitive && text ? caseInsensitive(quote(f)) : quote(f));
        }
        exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg(idx.unique ? QStringLiteral("UNIQUE ") : QString(), quote(indexStorageName(def.name, idx.name)), quote(def.name),
                     parts.join(QLatin1String(", "))),
            ctx);
    }
    for (RefConstraintDef c : touching) {
        if (c.detailTable.compare(def.name, Qt::CaseInsensitive) == 0 && c.detailField.compare(oldName, Qt::CaseInsensitive) == 0)
            c.detailField = newDef.name;
        if (c.masterTable.compare(def.name, Qt::CaseInsensitive) == 0 && c.masterField.compare(oldName, Qt::CaseInsensitive) == 0)
            c.masterField = newDef.name;
        createTriggers(c);
    }
}

void SqliteBackend::beginWrite()
{
    if (m_inTransaction)
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("A write transaction is already open"));
    exec(QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("Cannot start writing"));
    m_inTransaction = true;
}

void SqliteBackend::commit()
{
    if (!m_inTransaction)
        return;
    QSqlQuery q(connection());
    if (!q.exec(QStringLiteral("COMMIT"))) {
        // A failed commit must not leave the changes hanging in an open transaction.
        const EngineError e = translate(q.lastError(), QStringLiteral("The change could not be written to disk"));
        QSqlQuery(connection()).exec(QStringLiteral("ROLLBACK"));
        m_inTransaction = false;
        throw e;
    }
    m_inTransaction = false;
}

void SqliteBackend::rollback()
{
    if (!m_inTransaction)
        return;
    QSqlQuery(connection()).exec(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
}

void SqliteBackend::finalizeStatements()
{
    for (sqlite3_stmt* st : std::as_const(m_statements))
        sqlite3_finalize(st);
    m_statements.clear();
}

EngineError SqliteBackend::lastError(const QString& context) const
{
    const int code = sqlite3_extended_errcode(m_handle);
    const QString text = QString::fromUtf8(sqlite3_errmsg(m_handle));
    return translate(QSqlError(QString(), text, QSqlError::StatementError, QString::number(code)), context);
}

sqlite3_stmt* SqliteBackend::statement(const QString& sql)
{
    auto it = m_statements.constFind(sql);
    if (it != m_statements.constEnd())
        return it.value();
    if (m_statements.size() > 64)
        finalizeStatements();
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_handle, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        throw lastError(QStringLiteral("Cannot prepare a read"));
    }
    m_statements.insert(sql, st);
    return st;
}

namespace {
class StatementReader final : public RowReader {
public:
    explicit StatementReader(sqlite3_stmt* st)
        : m_st(st)
    {
    }
    QVariant value(int column, FieldType type) const override
    {
        if (sqlite3_column_type(m_st, column) == SQLITE_NULL)
            return QVariant();
        switch (type) {
        case FieldType::Integer: return int(sqlite3_column_int64(m_st, column));
        case FieldType::Float: return sqlite3_column_double(m_st, column);
        case FieldType::Boolean: return sqlite3_column_int64(m_st, column) != 0;
        case FieldType::Date: {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(m_st, column));
            const int n = sqlite3_column_bytes(m_st, column);
            auto num = [t](int from, int len) {
                int v = 0;
                for (int i = from; i < from + len; ++i) {
                    if (t[i] < '0' || t[i] > '9')
                        return -1;
                    v = v * 10 + (t[i] - '0');
                }
                return v;
            };
            if (n >= 10 && t[4] == '-' && t[7] == '-') {
                const QDate d(num(0, 4), num(5, 2), num(8, 2));
                return d.isValid() ? QVariant(d) : QVariant();
            }
            const QDate d = QDate::fromString(QString::fromUtf8(t, n), Qt::ISODate);
            return d.isValid() ? QVariant(d) : QVariant();
        }
        default: {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(m_st, column));
            const int n = sqlite3_column_bytes(m_st, column);
            if (n == 0)
                return QVariant(); // an empty text is no value
            if (type != FieldType::String || n > 48)
                return QString::fromUtf8(t, n);
            // Codes and names repeat from row to row: share one copy of each.
            const std::string_view key(t, size_t(n));
            auto it = m_shared.find(key);
            if (it != m_shared.end())
                return it->second;
            if (m_shared.size() > 8192)
                m_shared.clear();
            return m_shared.emplace(std::string(key), QString::fromUtf8(t, n)).first->second;
        }
        }
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
    };
    sqlite3_stmt* m_st;
    mutable std::unordered_map<std::string, QVariant, Hash, std::equal_to<>> m_shared;
};

int bindValue(sqlite3_stmt* st, int i, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return sqlite3_bind_null(st, i);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool: return sqlite3_bind_int64(st, i, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return sqlite3_bind_double(st, i, v.toDouble());
    case QMetaType::QDate: {
        const QByteArray t = v.toDate().toString(Qt::ISODate).toUtf8();
        return sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        return sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    }
}
}

void SqliteBackend::select(const QString& sql, const QVariantList& binds, const std::function<void(const RowReader&)>& onRow)
{
    if (!m_handle) {
        // No direct handle (another SQLite build): the driver's own way.
        QSqlQuery q(connection());
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw translate(q.lastError(), QStringLiteral("Cannot prepare a read"));
        for (const QVariant& v : binds)
            q.addBindValue(v);
        if (!q.exec())
            throw translate(q.lastError(), QStringLiteral("Cannot read"));
        struct Reader final : RowReader {
            const QSqlQuery* q;
            QVariant value(int c, FieldType) const override { return q->value(c); }
        } reader;
        reader.q = &q;
        while (q.next())
            onRow(reader);
        q.finish();
        return;
    }
    sqlite3_stmt* st = statement(sql);
    struct Reset {
        sqlite3_stmt* st;
        ~Reset()
        {
            // Resetting ends the statement's read transaction at once.
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
    } reset { st };
    for (int i = 0; i < binds.size(); ++i)
        if (bindValue(st, i + 1, binds[i]) != SQLITE_OK)
            throw lastError(QStringLiteral("Cannot bind a value"));
    const StatementReader reader(st);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            onRow(reader);
            continue;
        }
        if (rc == SQLITE_DONE)
            break;
        throw lastError(QStringLiteral("Cannot read"));
    }
}

EngineError SqliteBackend::translate(const QSqlError& error, const QString& context) const
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const int native = error.nativeErrorCode().toInt();
    const int primary = native & 0xff;
    quint16 code = ErrorCode::SqlError;
    QString description;

    static const QRegularExpression own(QStringLiteral("qdb:([0-9a-fA-F]{4}):(\\S*)"));
    const auto m = own.match(text);
    if (m.hasMatch()) {
        code = quint16(m.captured(1).toUInt(nullptr, 16));
        description = code == ErrorCode::MasterMissing
            ? QStringLiteral("Master record missing. Constraint: %1").arg(m.captured(2))
            : QStringLiteral("Master has detail records. Cannot delete or modify. Constraint: %1").arg(m.captured(2));
    } else if (text.contains(QLatin1String("UNIQUE constraint failed")) || text.contains(QLatin1String("PRIMARY KEY"))) {
        code = ErrorCode::KeyViolation;
        description = QStringLiteral("Key violation.");
    } else if (text.contains(QLatin1String("NOT NULL constraint failed"))) {
        code = ErrorCode::RequiredMissing;
        const int colon = text.lastIndexOf(QLatin1Char(':'));
        description = QStringLiteral("Field value required. Field: %1").arg(text.mid(colon + 1).trimmed());
    } else if (primary == 5 || primary == 6 || text.contains(QLatin1String("database is locked"))) {
        code = ErrorCode::Busy;
        description = QStringLiteral("The database is busy: another workstation is writing. Try again.");
    } else if (primary == 10 || primary == 11 || primary == 13 || primary == 14 || primary == 8 || primary == 26
        || text.contains(QLatin1String("not a database")) || text.contains(QLatin1String("malformed"))) {
        code = ErrorCode::IoError;
        description = QStringLiteral("The database cannot be read or written.");
    } else {
        description = text;
    }
    const QString overall = context.isEmpty() ? text : context + QLatin1String(": ") + text;
    return EngineError(overall, { ErrorEntry { code, description, native } });
}

} // namespace qdb
