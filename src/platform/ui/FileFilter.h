#pragma once

#include <QString>
#include <QStringList>

namespace qui {

// File filters are written the way the program's forms carry them: description and pattern
// alternating, separated by '|' ("Text files (*.txt)|*.txt|All files|*.*"). Qt wants the
// descriptions only, separated by ";;", each naming its patterns in parentheses.

// One Qt filter entry per description; a description without "(…)" gets its pattern appended,
// since Qt would otherwise take the whole description as the pattern. A filter without '|' is
// taken as already being in Qt's form.
QStringList qtFilterEntries(const QString& filter);
QString qtFilter(const QString& filter);

} // namespace qui
