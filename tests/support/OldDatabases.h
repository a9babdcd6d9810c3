#pragma once

#include <QString>
#include <QStringList>

// Databases as earlier versions wrote them: version below 3.5, code fields narrower than 12
// characters (unless already widened), with or without the referential constraints, and data
// in every table.
namespace olddb {

enum class Shape { NeverHadConstraints, HadConstraints, AlreadyWide };

void create(const QString& dir, Shape shape, int entries = 40, double version = 3.0);
// Every row of every table, in key order, one text line per row: for comparing before/after.
QStringList dump(const QString& dir);

} // namespace olddb
