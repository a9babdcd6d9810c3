#include "SqlBuilder.h"

namespace qdb {

Condition allOf(const QList<Condition>& parts)
{
    Condition out;
    QStringList sql;
    for (const Condition& c : parts) {
        if (c.isEmpty())
            continue;
        sql << QLatin1Char('(') + c.sql + QLatin1Char(')');
        out.binds << c.binds;
    }
    out.sql = sql.join(QLatin1String(" AND "));
    return out;
}

namespace SqlBuilder {

QString quote(const QString& identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

namespace {
QString col(const SortKey& k)
{
    return k.caseInsensitive ? k.column + QLatin1String(" COLLATE NOCASE") : k.column;
}
}

QString orderBy(const QList<SortKey>& keys, bool descending)
{
    QStringList parts;
    for (const SortKey& k : keys)
        parts << col(k) + (descending ? QLatin1String(" DESC") : QString());
    return parts.join(QLatin1String(", "));
}

Condition seek(const QList<SortKey>& keys, const QVariantList& values, Seek direction)
{
    Q_ASSERT(keys.size() == values.size());
    const bool forward = direction == Seek::After || direction == Seek::AtOrAfter;
    const bool inclusive = direction == Seek::AtOrAfter || direction == Seek::AtOrBefore;
    bool anyNull = false;
    for (const QVariant& v : values)
        anyNull = anyNull || !v.isValid() || v.isNull();

    Condition out;
    if (!anyNull && forward) {
        // (a, b) > (?, ?): rows with a null key sort before any boundary and drop out, as they must.
        QStringList cols, marks;
        for (const SortKey& k : keys) {
            cols << col(k);
            marks << QStringLiteral("?");
        }
        out.sql = QStringLiteral("(%1) %2 (%3)").arg(cols.join(QLatin1String(", ")),
            inclusive ? QStringLiteral(">=") : QStringLiteral(">"), marks.join(QLatin1String(", ")));
        if (keys.size() == 1)
            out.sql = QStringLiteral("%1 %2 ?").arg(col(keys.first()), inclusive ? QStringLiteral(">=") : QStringLiteral(">"));
        out.binds = values;
        return out;
    }

    // General form, null-aware: OR over i of (k1 = v1 AND ... AND k(i-1) = v(i-1) AND ki beyond vi),
    // plus the boundary row itself when inclusive.
    QStringList ors;
    QString prefix;
    QVariantList prefixBinds;
    for (int i = 0; i < keys.size(); ++i) {
        const QVariant& v = values[i];
        const bool isNull = !v.isValid() || v.isNull();
        const QString c = col(keys[i]);
        QString beyond;
        QVariantList beyondBinds;
        if (forward) {
            if (isNull) {
                beyond = keys[i].column + QLatin1String(" IS NOT NULL");
            } else {
                beyond = c + QLatin1String(" > ?");
                beyondBinds << v;
            }
        } else {
            if (isNull) {
                beyond.clear(); // nothing sorts before null
            } else {
                beyond = QStringLiteral("(%1 < ? OR %2 IS NULL)").arg(c, keys[i].column);
                beyondBinds << v;
            }
        }
        if (!beyond.isEmpty()) {
            ors << (prefix.isEmpty() ? beyond : prefix + QLatin1String(" AND ") + beyond);
            out.binds << prefixBinds << beyondBinds;
        }
        const QString eq = isNull ? keys[i].column + QLatin1String(" IS NULL") : c + QLatin1String(" = ?");
        prefix = prefix.isEmpty() ? eq : prefix + QLatin1String(" AND ") + eq;
        if (!isNull)
            prefixBinds << v;
    }
    if (inclusive) {
        ors << prefix;
        out.binds << prefixBinds;
    }
    out.sql = ors.isEmpty() ? QStringLiteral("0") : QLatin1Char('(') + ors.join(QLatin1String(") OR (")) + QLatin1Char(')');
    return out;
}

QString likePrefix(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('%'), QLatin1String("\\%"));
    s.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return s + QLatin1Char('%');
}

} // namespace SqlBuilder
} // namespace qdb
