#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <sqlite3.h>

// The same statements as the engine runs, straight through the sqlite3 C API: the baseline each
// figure is compared with.
class BareSqlite {
public:
    BareSqlite() = default;
    ~BareSqlite();
    BareSqlite(const BareSqlite&) = delete;
    BareSqlite& operator=(const BareSqlite&) = delete;

    // Opens the file read-write with the engine's pragmas (rollback journal, full syncs).
    void open(const QString& file);
    void close();
    sqlite3* handle() const { return m_db; }

    // Prepares, binds (null, int, double or text), steps every row reading every column,
    // finalizes. Returns the number of rows; `checksum` accumulates what was read so the
    // reading cannot be skipped.
    qint64 select(const char* sql, const QVariantList& binds = {}, double* checksum = nullptr);
    // A statement without result rows.
    void exec(const char* sql, const QVariantList& binds = {});
    double scalarDouble(const char* sql, const QVariantList& binds = {});
    QString scalarText(const char* sql, const QVariantList& binds = {});

private:
    sqlite3_stmt* prepare(const char* sql, const QVariantList& binds);
    [[noreturn]] void fail(const char* what) const;
    sqlite3* m_db = nullptr;
};
