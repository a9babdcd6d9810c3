#include "EngineConfig.h"

#include "EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QtDebug>

#include <algorithm>

namespace qdb {

namespace {

const QString AliasPrefix = QStringLiteral("\\DATABASES\\");
const QString AliasSuffix = QStringLiteral("\\DB INFO\\");
const QString PathOption = QStringLiteral("PATH");

QMutex instanceMutex;
QString instanceOverride; // guarded by instanceMutex; empty = defaultFile()

bool isIgnoredLine(const QString& trimmed)
{
    return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// The alias a node path names, or a null string when it is no alias node.
QString aliasOf(const QString& nodePath)
{
    if (nodePath.size() <= AliasPrefix.size() + AliasSuffix.size() || !nodePath.startsWith(AliasPrefix)
        || !nodePath.endsWith(AliasSuffix))
        return QString();
    return nodePath.mid(AliasPrefix.size(), nodePath.size() - AliasPrefix.size() - AliasSuffix.size());
}

// Aliases are names users type, so they match regardless of case; the rest of the path does not.
qsizetype findAlias(const QList<EngineConfig::Node>& nodes, const QString& alias)
{
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const QString a = aliasOf(nodes.at(i).path);
        if (!a.isNull() && a.compare(alias, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype findNode(const QList<EngineConfig::Node>& nodes, const QString& path)
{
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i).path == path)
            return i;
    }
    return -1;
}

QList<EngineConfig::Node> parse(const QString& text, const QString& file)
{
    QList<EngineConfig::Node> nodes;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (isIgnoredLine(trimmed))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            nodes.append(EngineConfig::Node { trimmed.mid(1, trimmed.size() - 2), {} });
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        // Refuse rather than skip: the next save would silently drop what we could not parse.
        if (eq <= 0 || nodes.isEmpty())
            throw EngineError(ErrorCode::Config,
                QStringLiteral("Malformed engine configuration %1, line %2: %3").arg(file).arg(n + 1).arg(line));
        nodes.last().options.append(EngineConfig::Option { line.left(eq), line.mid(eq + 1) });
    }
    return nodes;
}

// Anything that would read back differently is a caller's mistake, not a storage failure.
void validate(const QList<EngineConfig::Node>& nodes)
{
    for (const EngineConfig::Node& node : nodes) {
        if (hasLineBreak(node.path))
            throw EngineError(ErrorCode::InvalidParameter,
                QStringLiteral("Configuration node path contains a line break: %1").arg(node.path));
        for (const EngineConfig::Option& option : node.options) {
            const QString trimmed = option.name.trimmed();
            if (trimmed.isEmpty() || option.name.contains(QLatin1Char('=')) || hasLineBreak(option.name)
                || isIgnoredLine(trimmed) || trimmed.startsWith(QLatin1Char('[')))
                throw EngineError(ErrorCode::InvalidParameter,
                    QStringLiteral("Invalid configuration option name in %1: \"%2\"").arg(node.path, option.name));
            if (hasLineBreak(option.value))
                throw EngineError(ErrorCode::InvalidParameter,
                    QStringLiteral("Configuration option %1 in %2 contains a line break").arg(option.name, node.path));
        }
    }
}

} // namespace

EngineConfig::EngineConfig(const QString& filePath)
    : m_file(filePath)
{
}

EngineConfig& EngineConfig::instance()
{
    static EngineConfig config { QString() };
    QMutexLocker lock(&instanceMutex);
    // Resolved on every call so that a test mode or override set after first use still applies.
    const QString file = instanceOverride.isEmpty() ? defaultFile() : instanceOverride;
    if (config.m_file != file)
        config.m_file = file;
    return config;
}

void EngineConfig::setInstanceFile(const QString& filePath)
{
    QMutexLocker lock(&instanceMutex);
    instanceOverride = filePath;
}

QString EngineConfig::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/qdb/engine.cfg");
}

bool EngineConfig::exists() const
{
    // A directory in the file's place is not a configuration; let reading and writing report it.
    return QFileInfo(m_file).isFile();
}

void EngineConfig::ensureExists(const QList<Node>& defaults)
{
    if (!exists())
        save(defaults);
}

QString EngineConfig::aliasNode(const QString& alias)
{
    return AliasPrefix + alias + AliasSuffix;
}

QString EngineConfig::aliasPath(const QString& alias) const
{
    const QList<Node> all = nodes();
    const qsizetype i = findAlias(all, alias);
    if (i >= 0) {
        for (const Option& option : all.at(i).options) {
            if (option.name == PathOption)
                return option.value;
        }
    }
    throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Unknown database alias: %1").arg(alias));
}

void EngineConfig::setAliasPath(const QString& alias, const QString& path)
{
    if (alias.isEmpty() || alias.contains(QLatin1Char('\\')) || hasLineBreak(alias))
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Invalid database alias: \"%1\"").arg(alias));
    QList<Node> all = nodes();
    const qsizetype i = findAlias(all, alias);
    if (i < 0) {
        all.append(Node { aliasNode(alias), { Option { PathOption, path } } });
    } else {
        QList<Option>& options = all[i].options;
        auto it = std::find_if(options.begin(), options.end(), [](const Option& o) { return o.name == PathOption; });
        if (it == options.end())
            options.append(Option { PathOption, path });
        else
            it->value = path;
    }
    save(all);
}

QList<EngineConfig::Node> EngineConfig::nodes() const
{
    // A configuration never written yet is simply empty; ensureExists() is what creates it.
    if (!QFileInfo::exists(m_file) && !QFileInfo(m_file).isSymLink())
        return {};
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly))
        throw EngineError(ErrorCode::Config,
            QStringLiteral("Cannot read the engine configuration %1: %2").arg(m_file, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EngineError(ErrorCode::Config,
            QStringLiteral("Cannot read the engine configuration %1: %2").arg(m_file, file.errorString()));
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return parse(text, m_file);
}

EngineConfig::List EngineConfig::openList(const QString& nodePath)
{
    QList<Node> all = nodes();
    const qsizetype i = findNode(all, nodePath);
    if (i < 0)
        throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Unknown configuration node: %1").arg(nodePath));
    return List(this, nodePath, std::move(all), int(i));
}

void EngineConfig::save(const QList<Node>& nodes)
{
    validate(nodes);
    const QString dir = QFileInfo(m_file).absolutePath();
    if (!QDir().mkpath(dir))
        throw EngineError(ErrorCode::Config, QStringLiteral("Cannot create the directory %1 for the engine configuration").arg(dir));

    QString text;
    for (const Node& node : nodes) {
        text += QLatin1Char('[') + node.path + QLatin1String("]\n");
        for (const Option& option : node.options)
            text += option.name + QLatin1Char('=') + option.value + QLatin1Char('\n');
    }

    // QSaveFile writes a temporary and renames it, so a crash leaves the old file intact.
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly))
        throw EngineError(ErrorCode::Config,
            QStringLiteral("Cannot write the engine configuration %1: %2").arg(m_file, file.errorString()));
    const QByteArray data = text.toUtf8();
    if (file.write(data) != data.size() || !file.commit())
        throw EngineError(ErrorCode::Config,
            QStringLiteral("Cannot write the engine configuration %1: %2").arg(m_file, file.errorString()));
}

EngineConfig::List::List(EngineConfig* config, QString path, QList<Node> nodes, int nodeIndex)
    : m_config(config)
    , m_path(std::move(path))
    , m_nodes(std::move(nodes))
    , m_node(nodeIndex)
{
}

EngineConfig::List::List(List&& other) noexcept
    : m_config(other.m_config)
    , m_path(std::move(other.m_path))
    , m_nodes(std::move(other.m_nodes))
    , m_node(other.m_node)
    , m_pos(other.m_pos)
    , m_dirty(other.m_dirty)
    , m_open(other.m_open)
{
    // The moved-from list must neither save nor be usable.
    other.m_open = false;
    other.m_dirty = false;
    other.m_pos = -1;
}

EngineConfig::List::~List()
{
    try {
        close();
    } catch (const EngineError& e) {
        qWarning("qdb: engine configuration changes lost: %s", e.what());
    } catch (...) {
        qWarning("qdb: engine configuration changes lost");
    }
}

bool EngineConfig::List::next()
{
    if (!m_open)
        return false;
    const qsizetype count = m_nodes.at(m_node).options.size();
    if (m_pos < count)
        ++m_pos;
    return m_pos < count;
}

const EngineConfig::Option& EngineConfig::List::current() const
{
    if (!m_open || m_pos < 0 || m_pos >= m_nodes.at(m_node).options.size())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("No current option in configuration node %1").arg(m_path));
    return m_nodes.at(m_node).options.at(m_pos);
}

void EngineConfig::List::write(const QString& value)
{
    current(); // same checks
    m_nodes[m_node].options[m_pos].value = value;
    m_dirty = true;
}

void EngineConfig::List::close()
{
    if (!m_open)
        return;
    // Closed first: a failed save is reported once, not again by the destructor.
    m_open = false;
    if (!m_dirty)
        return;
    m_dirty = false;
    // Write our node into the file as it is now, so changes to other nodes made while this
    // list was open survive.
    QList<Node> all = m_config->nodes();
    const qsizetype i = findNode(all, m_path);
    if (i < 0)
        all.append(m_nodes.at(m_node));
    else
        all[i].options = m_nodes.at(m_node).options;
    m_config->save(all);
}

} // namespace qdb
