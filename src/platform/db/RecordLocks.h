#pragma once

#include <QHash>
#include <QString>

namespace qdb {

// Locks shared between workstations, held as open-file-description byte-range locks on files
// of the network control directory. Each instance has its own descriptions, so two instances
// in one process conflict like two workstations; the kernel drops them when the process dies.
class RecordLocks {
public:
    explicit RecordLocks(const QString& controlDirectory);
    ~RecordLocks();
    RecordLocks(const RecordLocks&) = delete;
    RecordLocks& operator=(const RecordLocks&) = delete;

    const QString& directory() const { return m_dir; }

    // Never waits: false when another holder conflicts. Nested calls for the same lock are
    // counted and need as many releases.
    bool tryLockRecord(const QString& table, const QString& key);
    void unlockRecord(const QString& table, const QString& key);

    // Whole-resource locks (a database, a table): shared holders exclude an exclusive one.
    // Counted per instance, so several datasets of one workstation can share a table.
    bool tryLockResource(const QString& resource, bool exclusive);
    void unlockResource(const QString& resource, bool exclusive);

    static quint64 slotOf(const QString& key);

private:
    int fileFor(const QString& name);
    bool setLock(int fd, qint64 offset, short type);

    QString m_dir;
    QHash<QString, int> m_files;
    QHash<QString, int> m_counts; // "file\x1foffset" -> nesting
    struct Holders {
        int shared = 0;
        int exclusive = 0;
    };
    QHash<QString, Holders> m_resources;
};

} // namespace qdb
