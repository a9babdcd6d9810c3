#include "Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace qui::Help {

namespace {

const QString kPresentationTopic = QStringLiteral("ID_PRESENTATION");

struct State {
    QString source = QStringLiteral(":/help");
    bool copied = false;
    QHash<int, QString> contexts;
    std::function<void(const QUrl&)> opener;
};

State& state()
{
    static State s;
    return s;
}

QString targetDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/help");
}

// Copies every file under the source, replacing older copies so an updated program never
// shows the pages of the previous one. Failures leave whatever could be copied.
void copyPages()
{
    State& s = state();
    if (s.copied)
        return;
    s.copied = true;
    const QDir source(s.source);
    const QString target = targetDir();
    QDirIterator it(s.source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = target + QLatin1Char('/') + source.relativeFilePath(from);
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (QFile::exists(to)) {
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
            QFile::remove(to);
        }
        if (QFile::copy(from, to))
            // Copies out of resources are read-only; the next copy must be able to replace them.
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    }
}

QUrl urlForPage(const QString& page)
{
    copyPages();
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    const QString file = hash < 0 ? page : page.left(hash);
    QUrl url = QUrl::fromLocalFile(targetDir() + QLatin1Char('/') + file);
    if (hash >= 0)
        url.setFragment(page.mid(hash + 1));
    return url;
}

void open(const QUrl& url)
{
    const State& s = state();
    if (s.opener)
        s.opener(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace

void setPages(const QString& source)
{
    State& s = state();
    s.source = source;
    s.copied = false;
}

void registerContext(int context, const QString& page)
{
    state().contexts.insert(context, page);
}

QUrl urlForTopic(const QString& topic)
{
    const QString name = topic.isEmpty() ? kPresentationTopic : topic;
    return urlForPage(name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ? name
                                                                                  : name + QStringLiteral(".html"));
}

QUrl urlForContext(int context)
{
    const auto it = state().contexts.constFind(context);
    return it == state().contexts.constEnd() ? urlForTopic(kPresentationTopic) : urlForPage(*it);
}

void showTopic(const QString& topic)
{
    open(urlForTopic(topic));
}

void showContext(int context)
{
    open(urlForContext(context));
}

void setOpener(std::function<void(const QUrl&)> opener)
{
    state().opener = std::move(opener);
}

} // namespace qui::Help
