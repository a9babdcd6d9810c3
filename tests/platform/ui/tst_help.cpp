#include "Help.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

namespace {
void writePage(const QString& path, const QByteArray& body)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(body);
}

QByteArray contents(const QUrl& url)
{
    QFile file(url.toLocalFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_Help : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        const QString pages = m_env->path("pages");
        writePage(pages + "/ID_PRESENTATION.html", "presentation");
        writePage(pages + "/timesheets.html", "timesheets");
        writePage(pages + "/img/logo.png", "png");
        qui::Help::setPages(pages);
        qui::Help::registerContext(1200, "timesheets.html");
        qui::Help::registerContext(1300, "timesheets.html#totals");
        m_opened.clear();
        qui::Help::setOpener([this](const QUrl& url) { m_opened << url; });
    }
    void cleanup()
    {
        qui::Help::setOpener({});
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/help").removeRecursively();
        m_env.reset();
    }

    void opensCopiedPages_data()
    {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("registered") << 1200 << "timesheets.html" << QString() << QByteArray("timesheets");
        QTest::newRow("with anchor") << 1300 << "timesheets.html" << "totals" << QByteArray("timesheets");
        QTest::newRow("unknown") << 4711 << "ID_PRESENTATION.html" << QString() << QByteArray("presentation");
    }
    void opensCopiedPages()
    {
        QFETCH(int, context);
        QFETCH(QString, fileName);
        QFETCH(QString, fragment);
        QFETCH(QByteArray, body);
        qui::Help::showContext(context);
        const QUrl url = qui::Help::urlForContext(context);
        QCOMPARE(m_opened, QList<QUrl>({ url }));
        QVERIFY(url.isLocalFile());
        QCOMPARE(QFileInfo(url.toLocalFile()).fileName(), fileName);
        QCOMPARE(url.fragment(), fragment);
        // Opened from a copy, never from the source the browser may not reach.
        QVERIFY(!url.toLocalFile().startsWith(m_env->path("pages")));
        QCOMPARE(contents(url), body);
    }

    void topicNamesAPage()
    {
        qui::Help::showTopic("ID_PRESENTATION");
        QCOMPARE(m_opened, QList<QUrl>({ qui::Help::urlForContext(-1) }));
        QCOMPARE(contents(m_opened.first()), QByteArray("presentation"));
        // Pictures in subfolders come along.
        QVERIFY(QFile::exists(QFileInfo(m_opened.first().toLocalFile()).absolutePath() + "/img/logo.png"));
    }

    void newSourceReplacesCopies()
    {
        QCOMPARE(contents(qui::Help::urlForTopic("timesheets")), QByteArray("timesheets"));
        const QString updated = m_env->path("pages2");
        writePage(updated + "/timesheets.html", "timesheets v2");
        qui::Help::setPages(updated);
        QCOMPARE(contents(qui::Help::urlForTopic("timesheets")), QByteArray("timesheets v2"));
    }

private:
    std::unique_ptr<TestEnv> m_env;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_Help)
#include "tst_help.moc"
