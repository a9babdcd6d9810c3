#include "Report.h"

#include "Expression.h"
#include "ReportError.h"
#include "ReportRun_p.h"

#include "Dataset.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace qrep {

namespace {

// Set once the application is about to quit: runs stop, a preview waiting for its window returns.
bool g_quitting = false;

void watchQuit()
{
    static bool connected = false;
    if (connected || !QCoreApplication::instance())
        return;
    connected = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { g_quitting = true; });
}

bool quitting() { return g_quitting || QCoreApplication::closingDown(); }

class FunctionSink final : public PageSink {
public:
    explicit FunctionSink(std::function<void(PreparedPage)> f) : m_f(std::move(f)) { }
    void addPage(PreparedPage page) override { m_f(std::move(page)); }

private:
    std::function<void(PreparedPage)> m_f;
};

class ListSink final : public PageSink {
public:
    QList<PreparedPage> pages;
    void addPage(PreparedPage page) override { pages.append(std::move(page)); }
};

} // namespace

Report::Report(QObject* parent)
    : QObject(parent)
{
    watchQuit();
}

Report::Report(ReportTemplate reportTemplate, QObject* parent)
    : Report(parent)
{
    setTemplate(std::move(reportTemplate));
}

Report::~Report()
{
    if (m_job)
        m_job->m_report = nullptr;
}

void Report::setTemplate(ReportTemplate reportTemplate)
{
    checkNotRunning();
    // Every expression must parse: a template error shows at once, not in the middle of a run.
    for (const BandDef& b : reportTemplate.bands) {
        if (b.type == BandType::GroupHeader)
            Expression::parse(b.expression);
        for (const ElementDef& e : b.elements)
            if (e.type == ElementType::Field || e.type == ElementType::Expression)
                Expression::parse(e.expression);
    }
    m_template = std::move(reportTemplate);
    m_title = m_template.title;
    m_captions.clear();
}

void Report::setDataSet(qdb::Dataset* dataSet, const QString& name)
{
    m_dataSet = dataSet;
    m_dataSetName = name;
}

void Report::addDataSet(qdb::Dataset* dataSet, const QString& name)
{
    if (dataSet)
        m_ownDataSets.append({dataSet, name});
}

void Report::addRunDataSet(qdb::Dataset* dataSet, const QString& name)
{
    if (dataSet)
        m_runDataSets.append({dataSet, name});
}

QString Report::qualifierOf(qdb::Dataset* dataSet, const QString& name) const
{
    if (!name.isEmpty())
        return name;
    return dataSet ? dataSet->objectName() : QString();
}

void Report::setCaption(const QString& elementName, const QString& text)
{
    const ElementDef* e = m_template.element(elementName);
    if (!e || e->type != ElementType::Label) {
        qWarning("qrep::Report::setCaption: no label named \"%s\"", qPrintable(elementName));
        return;
    }
    m_captions.insert(elementName.toLower(), text);
}

QString Report::caption(const QString& elementName) const
{
    if (const auto it = m_captions.constFind(elementName.toLower()); it != m_captions.constEnd())
        return it.value();
    const ElementDef* e = m_template.element(elementName);
    return e ? e->caption : QString();
}

void Report::resetCaptions() { m_captions.clear(); }

void Report::setBeforePrint(const QString& bandName, BeforeBandHandler handler)
{
    Q_ASSERT_X(m_template.band(bandName), "qrep::Report::setBeforePrint", "no such band");
    m_beforeBand.insert(bandName.toLower(), std::move(handler));
}

void Report::setAfterPrint(const QString& bandName, AfterBandHandler handler)
{
    Q_ASSERT_X(m_template.band(bandName), "qrep::Report::setAfterPrint", "no such band");
    m_afterBand.insert(bandName.toLower(), std::move(handler));
}

void Report::setOnPrint(const QString& elementName, PrintHandler handler)
{
    Q_ASSERT_X(m_template.element(elementName), "qrep::Report::setOnPrint", "no such element");
    m_onPrintElement.insert(elementName.toLower(), std::move(handler));
}

void Report::checkNotRunning() const
{
    if (m_running)
        throw ReportError(ReportError::Kind::State, QStringLiteral("The report \"%1\" is already being produced.").arg(m_title));
}

namespace {
// Marks a report as running for the length of one run, whatever way the run ends.
struct RunningGuard {
    bool& running;
    explicit RunningGuard(bool& r) : running(r) { running = true; }
    ~RunningGuard() { running = false; }
};
} // namespace

void Report::run(PageSink& sink, bool processEvents)
{
    checkNotRunning();
    RunningGuard guard(m_running);
    m_stop = false;
    emit runStarted();
    ReportRun run(*this, sink, processEvents, [this] { return m_stop || quitting(); });
    run.exec();
    emit runFinished();
}

void Report::runFresh(PageSink& sink)
{
    checkNotRunning();
    RunningGuard guard(m_running);
    m_stop = false;
    emit runStarted();
    // Only the program's end cuts a fresh run short (see ReportJob): a closed preview waits.
    ReportRun run(*this, sink, true, [] { return quitting(); });
    const bool completed = run.exec();
    emit runFinished();
    if (!completed)
        throw ReportError(ReportError::Kind::State,
            QStringLiteral("The report \"%1\" was stopped because the program is closing.").arg(m_title));
}

QList<PreparedPage> Report::prepare()
{
    ListSink sink;
    run(sink, false);
    return sink.pages;
}

void Report::preview()
{
    checkNotRunning();
    if (m_previewing)
        throw ReportError(ReportError::Kind::State, QStringLiteral("The report \"%1\" is already being previewed.").arg(m_title));
    struct PreviewGuard {
        bool& on;
        explicit PreviewGuard(bool& b) : on(b) { on = true; }
        ~PreviewGuard() { on = false; }
    } previewing(m_previewing);
    if (m_job)
        m_job->m_report = nullptr;
    m_job.reset(new ReportJob(this, nullptr));
    ReportJob* job = m_job.get();
    job->setTitle(m_title);
    const bool handedOver = bool(m_onPreview);
    if (m_onPreview)
        m_onPreview(*job);

    // Production, processing pending events between rows; the end of the preview stops it.
    FunctionSink sink([job](PreparedPage page) { job->addPage(std::move(page)); });
    try {
        RunningGuard guard(m_running);
        m_stop = false;
        job->beginProduction();
        emit runStarted();
        ReportRun run(*this, sink, true, [this, job] { return m_stop || job->stopRequested() || quitting(); });
        run.exec();
        job->finishProduction();
        emit runFinished();
    } catch (...) {
        job->finishProduction();
        job->endPreview();
        if (m_onAfterPreview)
            m_onAfterPreview();
        throw;
    }
    if (!handedOver)
        job->endPreview(); // nothing shows the pages: the preview is over at once
    if (!job->isPreviewEnded() && !quitting()) {
        QEventLoop loop;
        connect(job, &ReportJob::previewEnded, &loop, &QEventLoop::quit);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (m_onAfterPreview)
        m_onAfterPreview();
}

} // namespace qrep
