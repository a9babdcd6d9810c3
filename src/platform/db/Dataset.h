#pragma once

#include "Field.h"
#include "Schema.h"

#include <QObject>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

namespace qdb {

using Record = QVector<QVariant>;

enum class LocateOption { CaseInsensitive = 1, PartialKey = 2 };
Q_DECLARE_FLAGS(LocateOptions, LocateOption)

// A set of rows with a current record, states and events: the common base of tables, queries
// and in-memory tables. Handlers are single callbacks (they may throw EngineError to refuse);
// the signals are notifications for data sources and controls.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert, CalcFields };
    using Handler = std::function<void(Dataset&)>;

    explicit Dataset(QObject* parent = nullptr);
    ~Dataset() override;

    // Fields declared before opening are kept and bound by name when the dataset opens; without
    // declared data fields, opening creates one per stored column.
    Field* addField(const QString& name, FieldType type = FieldType::Unknown, int size = 0);
    Field* addLookupField(const QString& name, int size, const QString& keyFields, Dataset* lookupDataset,
        const QString& lookupKeyFields, const QString& resultField);
    Field* addCalcField(const QString& name, FieldType type, int size = 0);
    const std::vector<Field*>& fields() const { return m_fieldList; }
    int fieldCount() const { return int(m_fieldList.size()); }
    Field* findField(const QString& name) const; // case-insensitive; nullptr when absent
    Field* fieldByName(const QString& name) const; // throws NoSuchObject when absent

    void open();
    void close();
    bool active() const { return m_state != State::Inactive; }
    void setActive(bool on) { on ? open() : close(); }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const;
    virtual int recordCount() = 0;
    // 1-based position of the current record, 0 when there is none.
    virtual int recNo() = 0;
    virtual void setRecNo(int recNo) = 0;

    void append();
    void insert() { append(); }
    void edit();
    void post();
    void cancel();
    void remove();
    void refresh();
    // Posts when editing; nothing otherwise.
    void checkBrowseMode();

    bool locate(const QString& fields, const QVariantList& values, LocateOptions options = {});
    bool locate(const QString& field, const QVariant& value, LocateOptions options = {})
    {
        return locate(field, QVariantList { value }, options);
    }
    // Value of resultField in the first record whose keyFields equal values (the current record stays).
    virtual QVariant lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField);

    // Controls are not told of moves while disabled (nested); enabling tells them once.
    void disableControls() { ++m_disableCount; }
    void enableControls();
    // Ends a disableControls() whose moves were all undone (a control read other rows and came
    // back to the record it started on): controls are not told, since nothing they show changed.
    void enableControlsUnmoved();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Bumped each time the rows are put in another order (another index): a view that holds
    // rows by position reads them again, even where the current record kept its position.
    quint64 orderGeneration() const { return m_orderGeneration; }

    void setBeforeEdit(Handler h) { m_beforeEdit = std::move(h); }
    void setBeforePost(Handler h) { m_beforePost = std::move(h); }
    void setAfterPost(Handler h) { m_afterPost = std::move(h); }
    void setBeforeDelete(Handler h) { m_beforeDelete = std::move(h); }
    void setAfterDelete(Handler h) { m_afterDelete = std::move(h); }
    void setAfterScroll(Handler h) { m_afterScroll = std::move(h); }
    void setOnNewRecord(Handler h) { m_onNewRecord = std::move(h); }
    void setOnCalcFields(Handler h) { m_onCalcFields = std::move(h); }

    // Used by Field.
    QVariant fieldValue(int index) const;
    void setFieldValue(int index, const QVariant& value);

signals:
    void stateChanged();
    // field == nullptr: another record became current, or the rows changed as a whole.
    void dataChanged(qdb::Field* field);
    void opened();
    void closed();

protected:
    // Subclass contract. Navigation hooks return false when there is no such record.
    virtual void doOpen() = 0;
    virtual void doClose() = 0;
    virtual void doFirst() = 0;
    virtual void doLast() = 0;
    virtual bool doNext() = 0;
    virtual bool doPrior() = 0;
    virtual bool hasCurrent() const = 0;
    virtual const Record& currentRecord() const = 0;
    virtual void doRefresh() = 0;
    virtual void doBeginEdit(Record& buffer) { buffer = currentRecord(); }
    virtual void doCancel(bool inserting) { Q_UNUSED(inserting); }
    virtual void doPost(Record& buffer, bool inserting) = 0;
    virtual void doDelete() = 0;
    virtual bool doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options) = 0;
    virtual void doInitRecord(Record& buffer) { Q_UNUSED(buffer); }
    // A data field of the edit buffer changed (lookups may need recomputing).
    virtual void doFieldChanged(Field* field, Record& buffer) { Q_UNUSED(field); Q_UNUSED(buffer); }
    virtual void doBindFields() { }

    Field* createField(const QString& name, Field::Kind kind, FieldType type, int size);
    void removeDynamicFields();
    bool hasDeclaredDataFields() const;
    Record blankRecord() const { return Record(int(m_fieldList.size())); }
    void computeCalcFields(Record& record);
    bool hasCalcHandler() const { return bool(m_onCalcFields); }
    void setBof(bool on) { m_bof = on; }
    void setEof(bool on) { m_eof = on; }
    void notifyMoved();
    void notifyFieldChanged(Field* field);
    // A subclass changed the order of the rows; call before telling of the move.
    void orderChanged() { ++m_orderGeneration; }
    void setState(State state);
    void checkActive() const;
    // A subclass moved the current record itself (findKey, setRecNo): after-scroll handler and controls.
    void afterMove();

    std::vector<Field*> m_fieldList;
    std::vector<std::unique_ptr<Field>> m_fieldStore;
    Record m_buffer;

private:
    State m_state = State::Inactive;
    Record* m_calcRecord = nullptr;
    bool m_bof = true;
    bool m_eof = true;
    int m_disableCount = 0;
    bool m_movedWhileDisabled = false;
    quint64 m_orderGeneration = 0;
    Handler m_beforeEdit, m_beforePost, m_afterPost, m_beforeDelete, m_afterDelete, m_afterScroll, m_onNewRecord,
        m_onCalcFields;
};

} // namespace qdb

Q_DECLARE_OPERATORS_FOR_FLAGS(qdb::LocateOptions)
