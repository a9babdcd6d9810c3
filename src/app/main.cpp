// Quillmark: opens the database of the alias QUILLMARK (creating it on first run) and reports
// what it holds.
#include "Data.h"
#include "EngineError.h"

#include <QApplication>
#include <QTextStream>

namespace {
const QString AppTitle = QStringLiteral("Quillmark 3.53");

double readSchemaVersion(TFData& data)
{
    qdb::Query q;
    q.setDatabase(data.Db);
    q.setSql({ QStringLiteral("Select SysVer From Sys") });
    q.open();
    const double v = q.isEmpty() || q.fieldByName(QStringLiteral("SysVer"))->isNull() ? 0.0 : q.fieldByName(QStringLiteral("SysVer"))->asFloat();
    q.close();
    return v;
}
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationDisplayName(AppTitle);
    QTextStream out(stdout);
    TFData data;
    try {
        data.Db->open();
        data.Db->setNetFileDir(data.Db->directory() + QStringLiteral("NET"));
        TFData::SetEngineConfig(QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\;LEVEL"), QStringLiteral("3"));
        const double version = readSchemaVersion(data);
        out << AppTitle << "\n"
            << "Database directory: " << data.Db->directory() << "\n"
            << "Network control directory: " << data.Db->netFileDir() << "\n"
            << "Schema version: " << QString::number(version, 'f', 2) << "\n";
        for (qdb::Table* t : data.TablesInOpenOrder()) {
            t->open();
            out << "  " << t->tableName() << ": " << t->recordCount() << " rows\n";
        }
        data.Db->close();
    } catch (const qdb::EngineError& e) {
        out << "Unable to open the database, the application will shutdown.\n" << e.message() << "\n";
        return 1;
    }
    return 0;
}
