#include "BareSqlite.h"

#include <stdexcept>

BareSqlite::~BareSqlite() { close(); }

void BareSqlite::fail(const char* what) const
{
    throw std::runtime_error(std::string(what) + ": " + (m_db ? sqlite3_errmsg(m_db) : "no connection"));
}

void BareSqlite::open(const QString& file)
{
    close();
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        fail("sqlite3_open_v2");
    sqlite3_busy_timeout(m_db, 5000);
    // The engine's connection settings, so that commits cost the same on both sides.
    exec("PRAGMA journal_mode=DELETE");
    exec("PRAGMA synchronous=FULL");
    exec("PRAGMA foreign_keys=OFF");
}

void BareSqlite::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

sqlite3_stmt* BareSqlite::prepare(const char* sql, const QVariantList& binds)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        fail(sql);
    for (int i = 0; i < binds.size(); ++i) {
        const QVariant& v = binds[i];
        int rc;
        switch (v.typeId()) {
        case QMetaType::UnknownType: rc = sqlite3_bind_null(st, i + 1); break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Bool: rc = sqlite3_bind_int64(st, i + 1, v.toLongLong()); break;
        case QMetaType::Double: rc = sqlite3_bind_double(st, i + 1, v.toDouble()); break;
        default: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            fail("bind");
        }
    }
    return st;
}

qint64 BareSqlite::select(const char* sql, const QVariantList& binds, double* checksum)
{
    sqlite3_stmt* st = prepare(sql, binds);
    qint64 rows = 0;
    double sum = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++rows;
        const int n = sqlite3_column_count(st);
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: sum += double(sqlite3_column_int64(st, c)); break;
            case SQLITE_FLOAT: sum += sqlite3_column_double(st, c); break;
            case SQLITE_TEXT:
                sqlite3_column_text(st, c);
                sum += sqlite3_column_bytes(st, c);
                break;
            default: break;
            }
        }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        fail(sql);
    if (checksum)
        *checksum += sum;
    return rows;
}

void BareSqlite::exec(const char* sql, const QVariantList& binds)
{
    sqlite3_stmt* st = prepare(sql, binds);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) { }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        fail(sql);
}

double BareSqlite::scalarDouble(const char* sql, const QVariantList& binds)
{
    sqlite3_stmt* st = prepare(sql, binds);
    double v = 0;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        v = sqlite3_column_double(st, 0);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(sql);
    return v;
}

QString BareSqlite::scalarText(const char* sql, const QVariantList& binds)
{
    sqlite3_stmt* st = prepare(sql, binds);
    QString v;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(sql);
    return v;
}
