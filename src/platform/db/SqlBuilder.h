#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace qdb {

// A piece of WHERE clause with its positional bind values.
struct Condition {
    QString sql;
    QVariantList binds;

    bool isEmpty() const { return sql.isEmpty(); }
    static Condition never() { return { QStringLiteral("0"), {} }; }
};

// Joins the non-empty conditions with AND.
Condition allOf(const QList<Condition>& parts);

// One column of a sort order (already quoted), ascending; nulls sort first.
struct SortKey {
    QString column;
    bool caseInsensitive = false;
};

enum class Seek { After, AtOrAfter, Before, AtOrBefore };

// Pure SQL building for table datasets: no connection, testable on plain values.
namespace SqlBuilder {
QString quote(const QString& identifier);
QString orderBy(const QList<SortKey>& keys, bool descending);
// Rows strictly after (or before) the row whose sort values are `values`, in the order of
// `keys`, nulls first. A boundary without nulls uses a row-value comparison, which SQLite
// answers with an index seek.
Condition seek(const QList<SortKey>& keys, const QVariantList& values, Seek direction);
// Escapes LIKE wildcards with '\'.
QString likePrefix(const QString& text);
}

} // namespace qdb
