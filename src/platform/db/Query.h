#pragma once

#include "Dataset.h"

#include <QDate>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

namespace qdb {

class Database;

// A named parameter of a query (":Debut" in the SQL).
class Param {
public:
    explicit Param(const QString& name)
        : m_name(name)
    {
    }

    const QString& name() const { return m_name; }
    FieldType dataType() const { return m_type; }
    void setDataType(FieldType type) { m_type = type; }
    const QVariant& value() const { return m_value; }
    bool isNull() const { return !m_value.isValid() || m_value.isNull(); }
    // Whether a value (possibly null) was given since the parameter appeared.
    bool isBound() const { return m_bound; }

    void setValue(const QVariant& value);
    void setAsString(const QString& value) { assign(FieldType::String, value); }
    void setAsInteger(int value) { assign(FieldType::Integer, value); }
    void setAsFloat(double value) { assign(FieldType::Float, value); }
    void setAsDate(const QDate& value) { assign(FieldType::Date, value.isValid() ? QVariant(value) : QVariant()); }
    void setAsBoolean(bool value) { assign(FieldType::Boolean, value); }
    void clear() { assign(m_type, QVariant()); }

    // The value as the storage holds it: dates as "yyyy-MM-dd", booleans as 1/0, null as null.
    QVariant bindValue() const;

private:
    void assign(FieldType type, const QVariant& value);

    QString m_name;
    FieldType m_type = FieldType::Unknown;
    QVariant m_value;
    bool m_bound = false;
};

// A read-only SQL statement. Opening runs it and reads every row into memory, then releases the
// statement at once: one left open would hold the storage's shared lock and block the commits
// of other workstations.
//
// Fields declared before opening are bound to result columns by name; otherwise one field is
// created per column, typed as the stored column it reads (aggregates "Sum(x)" are named
// "SUM OF x").
class Query : public Dataset {
    Q_OBJECT
public:
    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    void setDatabase(Database* db);
    Database* database() const { return m_db; }

    // Lines of the statement, joined with "\n". A change closes the query, drops the prepared
    // state and rediscovers the parameters (keeping the values of those whose names remain):
    // setSql() at once, edits through sql() when the parameters are next used or on open().
    QStringList& sql() { return m_sql; }
    const QStringList& sql() const { return m_sql; }
    void setSql(const QStringList& lines);
    QString sqlText() const { return m_sql.join(QLatin1Char('\n')); }

    // Checks the statement against the storage; opening does it when needed.
    void prepare();
    void unprepare() { m_prepared = false; }
    bool prepared() const { return m_prepared; }

    Param& paramByName(const QString& name); // case-insensitive; throws NoSuchObject
    Param* findParam(const QString& name);
    QList<Param*> params();
    int paramCount() { return int(params().size()); }

    int recordCount() override;
    int recNo() override;
    void setRecNo(int recNo) override;
    QVariant lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField) override;

protected:
    void doOpen() override;
    void doClose() override;
    void doFirst() override;
    void doLast() override;
    bool doNext() override;
    bool doPrior() override;
    bool hasCurrent() const override;
    const Record& currentRecord() const override;
    void doRefresh() override;
    void doBeginEdit(Record& buffer) override;
    void doPost(Record& buffer, bool inserting) override;
    void doDelete() override;
    void doInitRecord(Record& buffer) override;
    bool doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options) override;

private:
    struct Result {
        QStringList rawNames; // as the storage names the columns
        QStringList names; // after renaming aggregates
        std::vector<QVector<QVariant>> rows;
    };
    struct SelectItem {
        QString qualifier;
        QString column; // empty for an expression
        QString aggregate; // "SUM", "COUNT", ... or empty
    };

    void syncSql();
    void checkDatabase() const;
    Result execute();
    void bindFields(const Result& result);
    void loadRows(Result&& result);
    FieldType typeOf(int column, const Result& result, int* size);
    FieldType storedType(const QString& qualifier, const QString& column, int* size);
    const TableDef* tableDef(const QString& table);
    QVariant lookup(const Field* f, const Record& r) const;
    [[noreturn]] void readOnly() const;

    QPointer<Database> m_db;
    QStringList m_sql;
    QString m_parsedFrom; // text the parameters and m_statement were derived from
    QString m_statement; // with "?" for each parameter occurrence
    QStringList m_bindOrder; // parameter name per "?"
    std::vector<std::unique_ptr<Param>> m_params;
    bool m_prepared = false;

    QList<SelectItem> m_items; // parsed select list; empty when not understood
    QHash<QString, QString> m_aliases; // lower-case alias or table -> table of the FROM clause
    QStringList m_fromTables;
    QHash<QString, TableDef> m_defs; // lower-case table name -> definition, per open
    QStringList m_tableNames;
    bool m_tableNamesRead = false;

    std::vector<int> m_columnOfField; // result column per field, -1 for calculated and lookup
    QVector<Record> m_rows;
    int m_cur = -1;
};

} // namespace qdb
