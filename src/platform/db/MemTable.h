#pragma once

#include "Dataset.h"

#include <QList>
#include <vector>

namespace qdb {

// Orders two canonical field values: nulls first, text by the given sensitivity, numbers,
// dates and booleans by value. Shared by the in-memory datasets.
int compareFieldValues(const QVariant& a, const QVariant& b, FieldType type, Qt::CaseSensitivity cs);

// Whether a stored value matches a located value (already converted to the field's type).
bool locateMatches(const QVariant& stored, const QVariant& wanted, FieldType type, LocateOptions options);

// A table held in memory: a report's work table, search results. Rows live in insertion order;
// the current index is a sorted list of row positions kept up to date on each post, so that
// findKey is a binary search and a post moves one entry instead of sorting again.
//
// Rows survive close() and open(); createDataSet() and emptyDataSet() drop them.
class MemTable : public Dataset {
    Q_OBJECT
public:
    explicit MemTable(QObject* parent = nullptr);
    ~MemTable() override;

    // Field definitions; changing them needs the table closed and drops the rows.
    void clearFieldDefs();
    void addFieldDef(const QString& name, FieldType type, int size = 0);
    const QList<FieldDef>& fieldDefs() const { return m_fieldDefs; }
    // Builds the fields from the definitions (or keeps the fields declared with addField) and
    // opens the table empty.
    void createDataSet();
    // Removes every row; the table stays open.
    void emptyDataSet();

    // Indexes: fields as "PRJCOD;TEMDAT". The empty index name is insertion order.
    void addIndex(const QString& name, const QString& fields, bool caseInsensitive = true);
    void deleteIndex(const QString& name);
    void clearIndexDefs();
    const QList<IndexDef>& indexDefs() const { return m_indexDefs; }
    void setIndexName(const QString& name);
    QString indexName() const { return m_indexName; }
    QStringList indexFields() const;

    // Exact match on the leading fields of the current index; moves there and returns true,
    // or returns false and stays.
    bool findKey(const QVariantList& values);
    QVariant lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField) override;

    int recordCount() override;
    int recNo() override;
    void setRecNo(int recNo) override;

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
    void doPost(Record& buffer, bool inserting) override;
    void doDelete() override;
    bool doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options) override;
    void doFieldChanged(Field* field, Record& buffer) override;

private:
    struct SortKey {
        int field;
        FieldType type;
        Qt::CaseSensitivity cs;
    };

    void checkInactive(const char* what) const;
    void buildFields();
    void ensureFields();
    QList<SortKey> resolveIndex(const QString& name) const;
    void sortRows();
    int compareKeys(const Record& a, const Record& b) const;
    bool rowLess(int a, int b) const;
    int lowerBoundKey(const QVariantList& key) const; // first position whose key is not below
    QVariantList convertKey(const QList<Field*>& fields, const QVariantList& values) const;

    QList<FieldDef> m_fieldDefs;
    bool m_built = false; // fields reflect m_fieldDefs
    QList<IndexDef> m_indexDefs;
    QString m_indexName;
    QList<SortKey> m_keys; // of the current index while open
    bool m_orderDirty = false;

    std::vector<Record> m_rows; // insertion order: a row's position breaks ties between equal keys
    std::vector<int> m_order; // row positions in the order of the current index
    int m_cur = -1; // position in m_order
};

} // namespace qdb
