#include "NoteSearch.h"

#include "Field.h"

#include <QDate>
#include <cstring>

namespace NoteSearch {

QString foldCase(QString text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - (u'a' - u'A')));
    }
    return text;
}

QString keyword(const QString& line)
{
    qsizetype from = 0, to = line.size();
    while (from < to && line.at(from).unicode() <= u' ')
        ++from;
    while (to > from && line.at(to - 1).unicode() <= u' ')
        --to;
    return foldCase(line.mid(from, to - from));
}

QString entryText(const QList<const qdb::Field*>& fields)
{
    QString text;
    text.reserve(256);
    for (const qdb::Field* f : fields) {
        text += QLatin1Char(' ');
        if (!f->isNull())
            text += f->displayText();
    }
    return text;
}

EntryTextBuilder::EntryTextBuilder(QList<const qdb::Field*> fields)
    : m_fields(std::move(fields))
{
    m_text.reserve(512);
}

namespace {

void appendFolded(QString& text, const QString& part)
{
    const qsizetype from = text.size();
    text += part;
    QChar* c = text.data() + from;
    QChar* const stop = text.data() + text.size();
    for (; c != stop; ++c) {
        const char16_t u = c->unicode();
        if (u >= u'a' && u <= u'z')
            *c = QChar(char16_t(u - (u'a' - u'A')));
    }
}

} // namespace

const QString& EntryTextBuilder::foldedText()
{
    m_text.resize(0);
    for (const qdb::Field* f : m_fields) {
        m_text += QLatin1Char(' ');
        // One read of the value per field; formatting goes through the field only for what the
        // caches have not seen yet.
        const QVariant v = f->value();
        if (v.isNull() || !v.isValid())
            continue;
        switch (f->dataType()) {
        case qdb::FieldType::Date: {
            const qint64 day = v.toDate().toJulianDay();
            auto it = m_dates.constFind(day);
            if (it == m_dates.constEnd())
                it = m_dates.insert(day, foldCase(f->displayText()));
            m_text += *it;
            break;
        }
        case qdb::FieldType::Float: {
            if (!f->displayFormat().isEmpty()) {
                appendFolded(m_text, f->displayText());
                break;
            }
            const double d = v.toDouble();
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            auto it = m_numbers.constFind(bits);
            if (it == m_numbers.constEnd()) {
                if (m_numbers.size() > 4096)
                    m_numbers.clear(); // many distinct values: keep the cache small
                it = m_numbers.insert(bits, foldCase(f->displayText()));
            }
            m_text += *it;
            break;
        }
        case qdb::FieldType::Integer:
            if (f->displayFormat().isEmpty()) {
                m_text += QString::number(v.toLongLong());
                break;
            }
            appendFolded(m_text, f->displayText());
            break;
        case qdb::FieldType::String:
        case qdb::FieldType::Memo:
            appendFolded(m_text, v.toString());
            break;
        default:
            appendFolded(m_text, f->displayText());
            break;
        }
    }
    return m_text;
}

bool matches(const QString& foldedText, const QStringList& keywords)
{
    for (const QString& k : keywords) {
        if (!k.isEmpty() && !foldedText.contains(k))
            return false;
    }
    return true;
}

} // namespace NoteSearch
