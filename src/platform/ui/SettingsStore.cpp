#include "SettingsStore.h"

#include <QSettings>
#include <memory>
#include <optional>

namespace qui {

namespace {

// Fixed names: the key path alone decides where a value lives, not the application's name.
const QString kStoreName = QStringLiteral("quillmark-registry");

std::unique_ptr<QSettings> open(QSettings::Scope scope, const QString& keyPath)
{
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, scope, kStoreName);
    // A user-scope store would otherwise also answer with the machine-wide values.
    settings->setFallbacksEnabled(false);
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    settings->beginGroup(group);
    return settings;
}

// The unnamed value of a key cannot be an empty INI key.
QString keyFor(const QString& valueName)
{
    return valueName.isEmpty() ? QStringLiteral("(Default)") : valueName;
}

std::optional<quint32> read(QSettings::Scope scope, const QString& keyPath, const QString& valueName)
{
    const auto settings = open(scope, keyPath);
    const QVariant stored = settings->value(keyFor(valueName));
    if (!stored.isValid())
        return std::nullopt;
    bool ok = false;
    const qulonglong number = stored.toString().trimmed().toULongLong(&ok, 10);
    if (!ok || number > 0xFFFFFFFFull)
        return std::nullopt;
    return quint32(number);
}

bool write(QSettings::Scope scope, const QString& keyPath, quint32 value, const QString& valueName)
{
    const auto settings = open(scope, keyPath);
    if (!settings->isWritable())
        return false;
    settings->setValue(keyFor(valueName), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

void remove(QSettings::Scope scope, const QString& keyPath, const QString& valueName)
{
    const auto settings = open(scope, keyPath);
    if (settings->contains(keyFor(valueName))) {
        settings->remove(keyFor(valueName));
        settings->sync();
    }
}

} // namespace

quint32 ReadRegInteger(RootKey root, const QString& keyPath, quint32 defaultValue, const QString& valueName)
{
    if (const auto user = read(QSettings::UserScope, keyPath, valueName))
        return *user;
    if (root == RootKey::CurrentUser)
        return defaultValue;
    return read(QSettings::SystemScope, keyPath, valueName).value_or(defaultValue);
}

void WriteRegInteger(RootKey root, const QString& keyPath, quint32 value, const QString& valueName)
{
    if (root == RootKey::LocalMachine && write(QSettings::SystemScope, keyPath, value, valueName)) {
        // The user's fallback copy would otherwise hide the value just written.
        remove(QSettings::UserScope, keyPath, valueName);
        return;
    }
    write(QSettings::UserScope, keyPath, value, valueName);
}

} // namespace qui
