#include "FileFilter.h"

namespace qui {

QStringList qtFilterEntries(const QString& filter)
{
    if (filter.isEmpty())
        return {};
    if (!filter.contains(QLatin1Char('|')))
        return filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);

    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        const QString pattern = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        if (description.isEmpty())
            description = pattern;
        // Qt reads the patterns from the parentheses; ';' separates them in the '|' form.
        if (!description.contains(QLatin1Char('(')) && !pattern.isEmpty()) {
            QString patterns = pattern;
            patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
            description += QStringLiteral(" (%1)").arg(patterns.simplified());
        }
        entries << description;
    }
    return entries;
}

QString qtFilter(const QString& filter)
{
    return qtFilterEntries(filter).join(QStringLiteral(";;"));
}

} // namespace qui
