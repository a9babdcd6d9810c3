#include "TestEnv.h"

#include "EngineConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

TestEnv::TestEnv(const QLocale& locale)
    : m_previousLocale(QLocale())
{
    Q_ASSERT(m_dir.isValid());
    QLocale::setDefault(locale);
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, path(QStringLiteral("settings-system")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path(QStringLiteral("settings-user")));
    qdb::EngineConfig::setInstanceFile(configFile());
}

TestEnv::~TestEnv()
{
    qdb::EngineConfig::setInstanceFile(QString());
    QLocale::setDefault(m_previousLocale);
}

QString TestEnv::path(const QString& name) const
{
    return name.isEmpty() ? m_dir.path() : QDir(m_dir.path()).filePath(name);
}

QString TestEnv::newDatabaseDir(const QString& name)
{
    const QString p = path(name);
    QDir().mkpath(p);
    return p;
}
