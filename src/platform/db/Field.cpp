#include "Field.h"

#include "Dataset.h"
#include "EngineError.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace qdb {

Field::Field(Dataset* dataset, int index, const QString& name, Kind kind, FieldType type, int size)
    : m_dataset(dataset)
    , m_index(index)
    , m_name(name)
    , m_kind(kind)
    , m_type(type)
    , m_size(size)
{
}

QVariant Field::value() const { return m_dataset->fieldValue(m_index); }

bool Field::isNull() const { return !value().isValid(); }

QString Field::asString() const
{
    const QVariant v = value();
    if (!v.isValid())
        return QString();
    switch (m_type) {
    case FieldType::Float: return formatGeneral(v.toDouble());
    case FieldType::Date: return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default: return v.toString();
    }
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (m_type == FieldType::Float)
        return int(std::lround(v.toDouble()));
    return v.toInt();
}

double Field::asFloat() const { return value().toDouble(); }

QDate Field::asDate() const { return value().toDate(); }

bool Field::asBoolean() const { return value().toBool(); }

QString Field::displayText() const
{
    if (!m_displayFormat.isEmpty() && (m_type == FieldType::Float || m_type == FieldType::Integer) && !isNull())
        return formatMask(asFloat(), m_displayFormat);
    return asString();
}

void Field::setValue(const QVariant& value) { m_dataset->setFieldValue(m_index, convert(value)); }

void Field::setAsString(const QString& text)
{
    if (m_type == FieldType::Float || m_type == FieldType::Integer) {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            setValue(QVariant());
            return;
        }
        bool ok = false;
        const double d = QLocale().toDouble(t, &ok);
        double v = ok ? d : t.toDouble(&ok);
        if (!ok)
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("'%1' is not a valid value for field '%2'").arg(text, m_name));
        if (m_type == FieldType::Integer && v != std::floor(v))
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, m_name));
        setValue(v);
        return;
    }
    if (m_type == FieldType::Date) {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            setValue(QVariant());
            return;
        }
        QDate d = QLocale().toDate(t, QLocale::ShortFormat);
        if (!d.isValid())
            d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid())
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("'%1' is not a valid date").arg(text));
        setValue(d);
        return;
    }
    if (m_type == FieldType::Boolean) {
        const QString t = text.trimmed();
        if (t.isEmpty())
            setValue(QVariant());
        else
            setValue(t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"));
        return;
    }
    setValue(text);
}

QVariant Field::convert(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    auto bad = [&]() {
        return EngineError(ErrorCode::InvalidParameter,
            QStringLiteral("Value '%1' cannot be stored in field '%2' (%3)").arg(value.toString(), m_name, fieldTypeName(m_type)));
    };
    switch (m_type) {
    case FieldType::String:
    case FieldType::Memo: {
        QString s = value.typeId() == QMetaType::QDate ? value.toDate().toString(Qt::ISODate) : value.toString();
        // An empty text is no value, as in the stored tables.
        if (s.isEmpty())
            return QVariant();
        if (m_type == FieldType::String && m_size > 0 && s.size() > m_size)
            s.truncate(m_size);
        return s;
    }
    case FieldType::Integer: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok || d != std::floor(d) || d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
            throw bad();
        return int(d);
    }
    case FieldType::Float: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            throw bad();
        return d;
    }
    case FieldType::Date: {
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().isValid() ? value : QVariant();
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date();
        const QDate d = QDate::fromString(value.toString().left(10), Qt::ISODate);
        if (!d.isValid())
            throw bad();
        return d;
    }
    case FieldType::Boolean:
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString();
            return s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s == QLatin1String("1");
        }
        return value.toBool();
    case FieldType::Unknown: break;
    }
    return value;
}

QString formatGeneral(double value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

QString formatMask(double value, const QString& mask)
{
    const int point = mask.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : int(mask.size() - point - 1);
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

} // namespace qdb
