#include "NoteSearch.h"

#include "Field.h"

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

bool matches(const QString& foldedText, const QStringList& keywords)
{
    for (const QString& k : keywords) {
        if (!k.isEmpty() && !foldedText.contains(k))
            return false;
    }
    return true;
}

} // namespace NoteSearch
