#pragma once

#include <QList>
#include <QString>

namespace qdb {

// The engine's persistent configuration: a file of nodes ("\DRIVERS\DBASE\TABLE CREATE\"),
// each holding options in order ("LEVEL" = "3"). Aliases are the nodes
// "\DATABASES\<alias>\DB INFO\" with the option "PATH". The file is created with the defaults
// given to ensureExists() when it does not exist yet, and is written atomically.
class EngineConfig {
public:
    struct Option {
        QString name;
        QString value;
    };
    struct Node {
        QString path;
        QList<Option> options;
    };

    explicit EngineConfig(const QString& filePath);

    // The configuration every engine object uses unless told otherwise.
    static EngineConfig& instance();
    // Points instance() at another file (tests, tools); an empty path restores the default,
    // <generic config location>/qdb/engine.cfg.
    static void setInstanceFile(const QString& filePath);
    static QString defaultFile();

    const QString& filePath() const { return m_file; }
    bool exists() const;
    // Creates the file with these nodes when it is missing; nothing otherwise.
    void ensureExists(const QList<Node>& defaults);

    QString aliasPath(const QString& alias) const;    // throws NoSuchObject for an unknown alias
    void setAliasPath(const QString& alias, const QString& path);
    static QString aliasNode(const QString& alias);  // "\DATABASES\<alias>\DB INFO\"

    QList<Node> nodes() const; // throws Config when the file cannot be read

    // A list of one node's options, opened for reading and writing: walk it with next(),
    // change the current option with write(); close() (or destruction) stores the changes.
    class List {
    public:
        ~List();
        List(List&&) noexcept;
        List& operator=(List&&) = delete;
        bool next();                      // false at the end of the list
        const Option& current() const;
        void write(const QString& value); // changes the current option
        void close();                     // throws Config when the file cannot be written

    private:
        friend class EngineConfig;
        List(EngineConfig* config, QString path, QList<Node> nodes, int nodeIndex);
        EngineConfig* m_config;
        QString m_path;
        QList<Node> m_nodes;
        int m_node;
        int m_pos = -1;
        bool m_dirty = false;
        bool m_open = true;
    };
    // Throws NoSuchObject when the node does not exist, Config when the file cannot be read.
    List openList(const QString& nodePath);

private:
    void save(const QList<Node>& nodes); // throws Config
    QString m_file;
};

} // namespace qdb
