#include "RecordLocks.h"

#include "EngineError.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qdb {

RecordLocks::RecordLocks(const QString& controlDirectory)
    : m_dir(controlDirectory)
{
    if (!QDir().mkpath(m_dir))
        throw EngineError(ErrorCode::IoError, QStringLiteral("Cannot create the network control directory %1").arg(m_dir));
}

RecordLocks::~RecordLocks()
{
    for (int fd : std::as_const(m_files))
        ::close(fd);
}

int RecordLocks::fileFor(const QString& name)
{
    auto it = m_files.constFind(name);
    if (it != m_files.constEnd())
        return it.value();
    const QByteArray path = QDir(m_dir).filePath(name).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw EngineError(ErrorCode::IoError,
            QStringLiteral("Cannot open the lock file %1: %2").arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(strerror(errno))), errno);
    m_files.insert(name, fd);
    return fd;
}

bool RecordLocks::setLock(int fd, qint64 offset, short type)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = 1;
    fl.l_pid = 0;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throw EngineError(ErrorCode::IoError, QStringLiteral("Lock failure: %1").arg(QString::fromLocal8Bit(strerror(errno))), errno);
}

quint64 RecordLocks::slotOf(const QString& key)
{
    // FNV-1a: the same key must give the same byte on every workstation.
    quint64 h = 1469598103934665603ULL;
    for (char c : key.toUtf8()) {
        h ^= quint8(c);
        h *= 1099511628211ULL;
    }
    return 1 + (h & ((1ULL << 62) - 1));
}

bool RecordLocks::tryLockRecord(const QString& table, const QString& key)
{
    const QString file = table.toLower() + QLatin1String(".rlk");
    const qint64 offset = qint64(slotOf(key));
    const QString id = file + QChar(0x1f) + QString::number(offset);
    int& count = m_counts[id];
    if (count > 0) {
        ++count;
        return true;
    }
    if (!setLock(fileFor(file), offset, F_WRLCK)) {
        m_counts.remove(id);
        return false;
    }
    count = 1;
    return true;
}

void RecordLocks::unlockRecord(const QString& table, const QString& key)
{
    const QString file = table.toLower() + QLatin1String(".rlk");
    const qint64 offset = qint64(slotOf(key));
    const QString id = file + QChar(0x1f) + QString::number(offset);
    auto it = m_counts.find(id);
    if (it == m_counts.end())
        return;
    if (--it.value() > 0)
        return;
    m_counts.erase(it);
    setLock(fileFor(file), offset, F_UNLCK);
}

bool RecordLocks::tryLockResource(const QString& resource, bool exclusive)
{
    const QString file = resource.toLower() + QLatin1String(".lck");
    Holders& h = m_resources[file];
    if (exclusive) {
        // Our own shared holders count as users too: exclusive means nobody else at all.
        if (h.shared > 0 || h.exclusive > 0 || !setLock(fileFor(file), 0, F_WRLCK)) {
            if (h.shared == 0 && h.exclusive == 0)
                m_resources.remove(file);
            return false;
        }
        ++h.exclusive;
        return true;
    }
    if (h.shared == 0 && h.exclusive == 0 && !setLock(fileFor(file), 0, F_RDLCK)) {
        m_resources.remove(file);
        return false;
    }
    ++h.shared;
    return true;
}

void RecordLocks::unlockResource(const QString& resource, bool exclusive)
{
    const QString file = resource.toLower() + QLatin1String(".lck");
    auto it = m_resources.find(file);
    if (it == m_resources.end())
        return;
    Holders& h = it.value();
    int& count = exclusive ? h.exclusive : h.shared;
    if (count == 0)
        return;
    --count;
    if (h.shared == 0 && h.exclusive == 0) {
        m_resources.erase(it);
        setLock(fileFor(file), 0, F_UNLCK);
    } else if (exclusive && h.exclusive == 0) {
        setLock(fileFor(file), 0, F_RDLCK); // back to shared for the remaining holders
    }
}

} // namespace qdb
