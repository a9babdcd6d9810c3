// qmgen: builds a new database full of plausible sample data.
#include "Generator.h"

#include "EngineError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmgen"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates a new Quillmark database filled with sample data."));
    parser.addHelpOption();
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Database directory (must not hold a database)."), QStringLiteral("path"));
    const QCommandLineOption employees(QStringLiteral("employees"), QStringLiteral("Number of employees."), QStringLiteral("n"), QStringLiteral("50"));
    const QCommandLineOption projects(QStringLiteral("projects"), QStringLiteral("Number of projects."), QStringLiteral("n"), QStringLiteral("120"));
    const QCommandLineOption activities(QStringLiteral("activities"), QStringLiteral("Number of activities."), QStringLiteral("n"), QStringLiteral("40"));
    const QCommandLineOption entries(QStringLiteral("entries"), QStringLiteral("Number of time entries."), QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption years(QStringLiteral("years"), QStringLiteral("Years of entries, ending today."), QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the random data."), QStringLiteral("n"), QStringLiteral("1"));
    parser.addOptions({ dir, employees, projects, activities, entries, years, seed });
    parser.process(app);

    QTextStream err(stderr);
    if (!parser.isSet(dir)) {
        err << "qmgen: --dir is required\n";
        return 2;
    }
    qmgen::Options o;
    o.directory = parser.value(dir);
    bool ok = true;
    auto number = [&](const QCommandLineOption& opt) {
        bool good = false;
        const qlonglong v = parser.value(opt).toLongLong(&good);
        if (!good) {
            err << "qmgen: --" << opt.names().first() << " needs a number\n";
            ok = false;
        }
        return v;
    };
    o.employees = int(number(employees));
    o.projects = int(number(projects));
    o.activities = int(number(activities));
    o.entries = number(entries);
    o.years = int(number(years));
    o.seed = quint64(number(seed));
    if (!ok)
        return 2;
    if (qmgen::hasDatabase(o.directory)) {
        err << "qmgen: " << o.directory << " already holds a database; choose an empty directory\n";
        return 1;
    }

    QTextStream out(stdout);
    qint64 lastEntries = -1;
    try {
        const qmgen::Summary s = qmgen::generate(o, [&](const QString& stage, qint64 done, qint64 total) {
            if (stage == QLatin1String("entries")) {
                if (done > lastEntries || done == 0)
                    out << "\rentries: " << done << " / " << total << (done == total ? "\n" : "") << Qt::flush;
                lastEntries = done;
            } else if (done == total) {
                out << stage << ": " << done << "\n" << Qt::flush;
            }
        });
        out << "Created " << o.directory << ": " << s.employees << " employees, " << s.projects << " projects, "
            << s.activities << " activities, " << s.projectActivities << " project activities, " << s.entries
            << " entries from " << s.firstDay.toString(Qt::ISODate) << " to " << s.lastDay.toString(Qt::ISODate)
            << " in " << QString::number(s.elapsedMs / 1000.0, 'f', 1) << " s\n";
    } catch (const qdb::EngineError& e) {
        err << "qmgen: " << e.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "qmgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
