#include "Schema.h"

namespace qdb {

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::String: return QStringLiteral("String");
    case FieldType::Integer: return QStringLiteral("Integer");
    case FieldType::Float: return QStringLiteral("Float");
    case FieldType::Date: return QStringLiteral("Date");
    case FieldType::Boolean: return QStringLiteral("Boolean");
    case FieldType::Memo: return QStringLiteral("Memo");
    case FieldType::Unknown: break;
    }
    return QStringLiteral("Unknown");
}

int TableDef::fieldIndex(const QString& field) const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const IndexDef* TableDef::index(const QString& indexName) const
{
    for (const IndexDef& idx : indexes)
        if (idx.name.compare(indexName, Qt::CaseInsensitive) == 0)
            return &idx;
    return nullptr;
}

QString storageTableName(const QString& tableName)
{
    QString name = tableName.trimmed();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return name;
}

QStringList splitFieldList(const QString& fields)
{
    QStringList out;
    for (const QString& part : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString f = part.trimmed();
        if (!f.isEmpty())
            out << f;
    }
    return out;
}

} // namespace qdb
