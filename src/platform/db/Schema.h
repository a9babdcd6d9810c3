#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qdb {

enum class FieldType { Unknown, String, Integer, Float, Date, Boolean, Memo };

QString fieldTypeName(FieldType type);

struct FieldDef {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0; // characters of a String field
    bool required = false;
};

struct IndexDef {
    QString name;       // empty for the primary index
    QStringList fields; // in order
    bool caseInsensitive = false;
    bool unique = false;
};

enum class RefRule { Restrict = 0, Cascade = 1 };

// A referential constraint, owned by its detail table.
struct RefConstraintDef {
    QString name;
    QString detailTable;
    QString detailField;
    QString masterTable;
    QString masterField;
    RefRule updateRule = RefRule::Restrict;
    RefRule deleteRule = RefRule::Restrict;
};

struct TableDef {
    QString name;
    QList<FieldDef> fields;
    QStringList primaryKey;
    QList<IndexDef> indexes; // secondary indexes

    int fieldIndex(const QString& field) const; // case-insensitive, -1 when absent
    const IndexDef* index(const QString& name) const; // case-insensitive, nullptr when absent
};

// "Emp.db", "TEM.DB", "Act" -> the storage name of the table ("Emp", "TEM", "Act").
QString storageTableName(const QString& tableName);

// "PRJCOD;ACTCOD" -> {"PRJCOD", "ACTCOD"}
QStringList splitFieldList(const QString& fields);

} // namespace qdb
