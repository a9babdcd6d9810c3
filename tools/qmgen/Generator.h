#pragma once

#include <QDate>
#include <QString>
#include <functional>

// Fills a new database with plausible employees, projects, activities and time entries, fast
// enough to build a million entries for benchmarks and manual testing.
namespace qmgen {

struct Options {
    QString directory;
    int employees = 50;
    int projects = 120;
    int activities = 40;
    qint64 entries = 1000000;
    int years = 4;
    quint64 seed = 1;
    QDate lastDay; // the entries end on this day; today when invalid
};

struct Summary {
    int employees = 0;
    int projects = 0;
    int activities = 0;
    int projectActivities = 0;
    qint64 entries = 0;
    QDate firstDay, lastDay;
    qint64 elapsedMs = 0;
};

// stage: a short word ("schema", "entries", ...); done/total count rows of that stage.
using Progress = std::function<void(const QString& stage, qint64 done, qint64 total)>;

// Whether the directory already holds a database (that generate() would refuse).
bool hasDatabase(const QString& directory);

// Creates the database in `options.directory` (created when missing; it must not hold a
// database yet) with the program's own schema, then inserts the rows. Throws
// qdb::EngineError for database failures and std::runtime_error for refused options. A
// failure part-way removes the half-written database file.
Summary generate(const Options& options, const Progress& progress = {});

} // namespace qmgen
