#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace qdb {
class Field;
}

// The matching rules of the note search, apart from the window: an entry matches when every
// keyword line occurs in its text. Only a–z are case-folded; accented letters compare as they are.
namespace NoteSearch {

// The line with leading and trailing blanks and control characters removed, a–z in capitals.
QString keyword(const QString& line);
// a–z in capitals, every other character unchanged.
QString foldCase(QString text);
// A blank, then the field's text, for each field; empty values add only the blank.
QString entryText(const QList<const qdb::Field*>& fields);

// The same text, built for entry after entry: the few distinct dates and hours of a search are
// formatted once, and the text is folded as it is built.
class EntryTextBuilder {
public:
    explicit EntryTextBuilder(QList<const qdb::Field*> fields);
    const QString& foldedText();

private:
    QList<const qdb::Field*> m_fields;
    QString m_text;
    QHash<qint64, QString> m_dates;   // by Julian day
    QHash<quint64, QString> m_numbers; // by the bits of the value
};
// Whether the folded entry text holds every non-empty folded keyword.
bool matches(const QString& foldedText, const QStringList& keywords);

} // namespace NoteSearch
