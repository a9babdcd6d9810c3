// The engine configuration this program relies on.
#include "Data.h"

#include "EngineError.h"

#include <QStandardPaths>

QString TFData::DefaultDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quillmark/Data");
}

QList<qdb::EngineConfig::Node> TFData::EngineDefaults()
{
    return {
        { QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\"), { { QStringLiteral("LEVEL"), QStringLiteral("3") } } },
        { qdb::EngineConfig::aliasNode(QStringLiteral("QUILLMARK")), { { QStringLiteral("PATH"), DefaultDataDirectory() } } },
    };
}

void TFData::SetEngineConfig(const QString& parameter, const QString& value)
{
    const int semi = parameter.indexOf(QLatin1Char(';'));
    if (semi < 0)
        throw qdb::EngineError(qdb::ErrorCode::Config,
            QStringLiteral("Invalid parameter passed to function.  There must be a semi-colon delimited sting passed"));
    const QString path = parameter.left(semi);
    const QString option = parameter.mid(semi + 1);
    qdb::EngineConfig::instance().ensureExists(EngineDefaults());
    qdb::EngineConfig::List list = qdb::EngineConfig::instance().openList(path);
    bool found = false;
    while (list.next()) {
        if (list.current().name == option) {
            list.write(value);
            found = true;
            break;
        }
    }
    list.close();
    if (!found)
        throw qdb::EngineError(qdb::ErrorCode::Config, parameter + QStringLiteral(" entry was not found in configuration file"));
}
