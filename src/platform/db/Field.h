#pragma once

#include "Schema.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace qdb {

class Dataset;

// One column of a dataset, reading and writing the dataset's current record.
class Field {
public:
    enum class Kind { Data, Lookup, Calculated };

    struct Lookup {
        QStringList keyFields;       // fields of this dataset
        Dataset* dataset = nullptr;  // where the value is looked up
        QStringList lookupKeyFields; // matching fields of that dataset
        QString resultField;
    };

    Field(Dataset* dataset, int index, const QString& name, Kind kind, FieldType type, int size);

    Dataset* dataset() const { return m_dataset; }
    int index() const { return m_index; }
    const QString& fieldName() const { return m_name; }
    Kind kind() const { return m_kind; }
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; }
    bool required() const { return m_required; }
    const QString& displayLabel() const { return m_displayLabel.isEmpty() ? m_name : m_displayLabel; }
    void setDisplayLabel(const QString& label) { m_displayLabel = label; }
    const QString& displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString& format) { m_displayFormat = format; }
    const Lookup& lookup() const { return m_lookup; }

    QVariant value() const;
    bool isNull() const;
    QString asString() const;
    int asInteger() const;
    double asFloat() const;
    QDate asDate() const;
    bool asBoolean() const;
    // The text a control shows: display format applied, numbers in the general format.
    QString displayText() const;

    // Writing needs the dataset in edit or insert state (or computing calculated fields).
    void setValue(const QVariant& value);
    void setAsString(const QString& text);
    void setAsInteger(int value) { setValue(value); }
    void setAsFloat(double value) { setValue(value); }
    void setAsDate(const QDate& value) { setValue(value); }
    void setAsBoolean(bool value) { setValue(value); }
    void clear() { setValue(QVariant()); }

    // Brings a value to this field's canonical type (QString, int, double, QDate, bool or null);
    // throws EngineError when it cannot be converted.
    QVariant convert(const QVariant& value) const;

private:
    friend class Dataset;
    friend class Table;
    friend class Query;
    friend class MemTable;
    Dataset* m_dataset;
    int m_index;
    QString m_name;
    Kind m_kind;
    FieldType m_type;
    int m_size;
    bool m_required = false;
    bool m_declared = false; // kept across close/open
    QString m_displayLabel;
    QString m_displayFormat;
    Lookup m_lookup;
};

// General floating-point text: up to 15 significant digits, the locale's decimal separator,
// no thousands separator.
QString formatGeneral(double value);

// "###0.00", "########0.00": digits before the point are optional, after it fixed.
QString formatMask(double value, const QString& mask);

} // namespace qdb
