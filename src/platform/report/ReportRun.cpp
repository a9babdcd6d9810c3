#include "ReportRun_p.h"

#include "Report.h"
#include "ReportError.h"

#include "Dataset.h"
#include "Field.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>

#include <cmath>

namespace qrep {

// ---- RunResolver ------------------------------------------------------------------------------

RunResolver::~RunResolver()
{
    for (const auto& c : m_connections)
        QObject::disconnect(c);
}

void RunResolver::add(qdb::Dataset* dataSet, const QString& name)
{
    if (!dataSet)
        return;
    for (const Entry& e : m_entries)
        if (e.dataSet == dataSet && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return;
    m_entries.append({dataSet, name});
    auto bump = [this] { ++m_generation; };
    m_connections.push_back(QObject::connect(dataSet, &qdb::Dataset::opened, bump));
    m_connections.push_back(QObject::connect(dataSet, &qdb::Dataset::closed, bump));
    m_connections.push_back(QObject::connect(dataSet, &QObject::destroyed, bump));
    ++m_generation;
}

qdb::Field* RunResolver::resolve(const QString& qualifier, const QString& name)
{
    for (const Entry& e : m_entries) {
        if (!e.dataSet)
            continue;
        if (!qualifier.isEmpty() && e.name.compare(qualifier, Qt::CaseInsensitive) != 0)
            continue;
        if (qdb::Field* f = e.dataSet->findField(name))
            return f;
    }
    return nullptr;
}

// ---- text measurement -------------------------------------------------------------------------

double wrappedTextHeightMm(const QFont& font, double widthMm, const QString& text, Qt::Alignment alignment)
{
    // Measured at a fine scale, with the font sized in pixels exactly as paintPage() sizes it,
    // so that the measure does not depend on the screen.
    constexpr double Scale = 20.0; // pixels per millimetre
    QFont f = font;
    f.setPixelSize(qMax(1, qRound(font.pointSizeF() * 25.4 / 72.0 * Scale)));
    const QFontMetricsF fm(f);
    const QRectF r = fm.boundingRect(QRectF(0, 0, widthMm * Scale, 1e7), int(alignment) | Qt::TextWordWrap, text);
    return r.height() / Scale;
}

// ---- ReportRun --------------------------------------------------------------------------------

ReportRun::ReportRun(Report& report, PageSink& sink, bool processEvents, std::function<bool()> stopRequested)
    : m_report(report)
    , m_t(report.m_template)
    , m_sink(sink)
    , m_processEvents(processEvents)
    , m_stopRequested(std::move(stopRequested))
{
    compile();
}

ReportRun::~ReportRun() = default;

QFont ReportRun::fontFor(const FontSpec& spec) const
{
    QFont f(spec.family.isEmpty() ? m_t.font.family : spec.family);
    f.setPointSizeF(spec.pointSize > 0 ? spec.pointSize : (m_t.font.pointSize > 0 ? m_t.font.pointSize : 10));
    f.setBold(spec.bold.value_or(m_t.font.bold.value_or(false)));
    f.setItalic(spec.italic.value_or(m_t.font.italic.value_or(false)));
    return f;
}

ReportRun::RtBand* ReportRun::bandNamed(const QString& name)
{
    for (auto& b : m_bands)
        if (b->def->name.compare(name, Qt::CaseInsensitive) == 0)
            return b.get();
    return nullptr;
}

void ReportRun::compile()
{
    for (const BandDef& def : m_t.bands) {
        auto band = std::make_unique<RtBand>();
        band->def = &def;
        band->key = def.name.toLower();
        for (const ElementDef& e : def.elements) {
            RtElement rt;
            rt.def = &e;
            rt.key = e.name.toLower();
            if (e.type == ElementType::Field || e.type == ElementType::Expression)
                rt.expr = Expression::parse(e.expression);
            rt.font = fontFor(e.font);
            band->elements.push_back(std::move(rt));
        }
        m_bands.push_back(std::move(band));
    }
    for (auto& bp : m_bands) {
        RtBand& b = *bp;
        for (RtElement& e : b.elements)
            if (e.expr.hasAggregates())
                m_aggregating.push_back(&e);
        // Keep-with chain, at design heights (a cycle ends the chain).
        QList<const RtBand*> seen{&b};
        for (RtBand* next = b.def->linkBand.isEmpty() ? nullptr : bandNamed(b.def->linkBand); next && !seen.contains(next);
             next = next->def->linkBand.isEmpty() ? nullptr : bandNamed(next->def->linkBand)) {
            seen.append(next);
            b.keepWith += next->def->height;
        }
        switch (b.def->type) {
        case BandType::Title:
            if (!m_title)
                m_title = &b;
            break;
        case BandType::ColumnHeader:
            if (!m_columnHeader)
                m_columnHeader = &b;
            break;
        case BandType::Detail:
            if (!m_detail)
                m_detail = &b;
            break;
        case BandType::Summary:
            if (!m_summary)
                m_summary = &b;
            break;
        case BandType::PageFooter:
            if (!m_pageFooter)
                m_pageFooter = &b;
            break;
        case BandType::Child:
            if (RtBand* parent = bandNamed(b.def->parent); parent && parent != &b)
                parent->children.push_back(&b);
            break;
        case BandType::GroupHeader: {
            RtGroup g;
            g.header = &b;
            g.footer = b.def->footer.isEmpty() ? nullptr : bandNamed(b.def->footer);
            g.key = Expression::parse(b.def->expression);
            m_groups.push_back(std::move(g));
            break;
        }
        case BandType::GroupFooter:
            break;
        }
    }
}

bool ReportRun::stop() const { return m_stopRequested && m_stopRequested(); }

QString ReportRun::sysDataText(const ElementDef& e) const
{
    QLocale locale;
    switch (e.sysData) {
    case SysDataKind::DateTime:
        return e.caption + locale.toString(m_runTime, QLocale::ShortFormat);
    case SysDataKind::Date:
        return e.caption + locale.toString(m_runTime.date(), QLocale::ShortFormat);
    case SysDataKind::Time:
        return e.caption + locale.toString(m_runTime.time(), QLocale::ShortFormat);
    case SysDataKind::PageNumber:
        return e.caption + QString::number(m_pageNumber);
    }
    return e.caption;
}

// Computes the band's items at band-relative positions (raising the print events of all but
// the page-number elements) and returns the band's height.
double ReportRun::prepareBand(RtBand& band, std::vector<Pending>& items)
{
    double height = band.def->height;
    const double left = m_t.page.marginsMm.left();
    for (RtElement& e : band.elements) {
        const ElementDef& d = *e.def;
        Pending p;
        PageItem& item = p.item;
        item.rect = d.rect.translated(left, 0);
        item.color = d.color;
        switch (d.type) {
        case ElementType::Rule:
            item.kind = PageItem::Kind::Line;
            item.penWidthMm = d.penWidthMm;
            items.push_back(std::move(p));
            continue;
        case ElementType::Frame:
            item.kind = PageItem::Kind::Rect;
            item.penWidthMm = d.penWidthMm;
            items.push_back(std::move(p));
            continue;
        case ElementType::SysData:
            if (d.sysData == SysDataKind::PageNumber) {
                p.element = &e; // text and print event once the page is known
                item.font = e.font;
                item.alignment = d.alignment;
                items.push_back(std::move(p));
                continue;
            }
            item.text = sysDataText(d);
            break;
        case ElementType::Label:
            if (const auto it = m_report.m_captions.constFind(e.key); !e.key.isEmpty() && it != m_report.m_captions.constEnd())
                item.text = it.value();
            else
                item.text = d.caption;
            break;
        case ElementType::Field:
        case ElementType::Expression: {
            const QVariant v = e.expr.evaluate(m_resolver);
            item.text = displayText(v, d.mask);
            if (isNumber(v))
                item.number = v.toDouble();
            else if ((!v.isValid() || v.isNull()) && !d.mask.isEmpty())
                item.number = 0.0;
            break;
        }
        }
        item.kind = PageItem::Kind::Text;
        item.font = e.font;
        item.alignment = d.alignment;
        if (const auto it = m_report.m_onPrintElement.constFind(e.key); !e.key.isEmpty() && it != m_report.m_onPrintElement.constEnd()) {
            const QString before = item.text;
            it.value()(d, item.text);
            if (item.text != before) {
                bool ok = false;
                const double n = QLocale().toDouble(item.text.trimmed(), &ok);
                item.number = ok ? std::optional<double>(n) : std::nullopt;
            }
        }
        if (d.stretch) {
            item.wordWrap = true;
            const double needed = item.text.isEmpty() ? 0 : wrappedTextHeightMm(item.font, d.rect.width(), item.text, d.alignment);
            if (needed > item.rect.height())
                item.rect.setHeight(needed);
            height = std::max(height, d.rect.y() + item.rect.height());
        }
        if (item.text.isEmpty())
            continue;
        items.push_back(std::move(p));
    }
    return height;
}

void ReportRun::emitBand(RtBand& band, double top, double height, std::vector<Pending>& items)
{
    const double left = m_t.page.marginsMm.left();
    const double width = m_t.page.printableWidth();
    for (Pending& p : items) {
        if (p.element) {
            const ElementDef& d = *p.element->def;
            p.item.text = sysDataText(d);
            if (const auto it = m_report.m_onPrintElement.constFind(p.element->key); !d.name.isEmpty() && it != m_report.m_onPrintElement.constEnd())
                it.value()(d, p.item.text);
            if (p.item.text.isEmpty())
                continue;
        }
        p.item.rect.translate(0, top);
        m_page.items.append(std::move(p.item));
    }
    auto frameLine = [&](double y) {
        PageItem line;
        line.kind = PageItem::Kind::Line;
        line.rect = QRectF(QPointF(left, y), QPointF(left + width, y));
        line.penWidthMm = band.def->framePenWidthMm;
        m_page.items.append(line);
    };
    if (band.def->frameTop)
        frameLine(top);
    if (band.def->frameBottom)
        frameLine(top + height);
}

void ReportRun::startPage()
{
    m_page = PreparedPage();
    m_page.sizeMm = m_t.page.sizeMm;
    m_pageOpen = true;
    ++m_pageNumber;
}

void ReportRun::finishPage()
{
    if (!m_pageOpen)
        return;
    if (m_pageFooter) {
        bool print = true;
        if (auto it = m_report.m_beforeBand.constFind(m_pageFooter->key); it != m_report.m_beforeBand.constEnd())
            it.value()(*m_pageFooter->def, print);
        if (print) {
            std::vector<Pending> items;
            const double height = prepareBand(*m_pageFooter, items);
            const double y = m_t.page.sizeMm.height() - m_t.page.marginsMm.bottom() - m_pageFooter->def->height;
            emitBand(*m_pageFooter, y, height, items);
        }
        if (auto it = m_report.m_afterBand.constFind(m_pageFooter->key); it != m_report.m_afterBand.constEnd())
            it.value()(*m_pageFooter->def, print);
    }
    m_pageOpen = false;
    m_sink.addPage(std::move(m_page));
    m_page = PreparedPage();
}

bool ReportRun::printBand(RtBand& band, bool accumulate)
{
    const QString& key = band.key;
    bool print = true;
    if (auto it = m_report.m_beforeBand.constFind(key); it != m_report.m_beforeBand.constEnd())
        it.value()(*band.def, print);
    if (print) {
        if (accumulate)
            for (RtElement* e : m_aggregating)
                e->expr.accumulate(m_resolver);
        std::vector<Pending> items;
        const double height = prepareBand(band, items);
        const BandLayout::Placement at = m_layout->place(height, band.keepWith);
        if (at.newPage) {
            finishPage();
            startPage();
            if (m_columnHeader && m_columnHeader != &band) {
                bool headerPrint = true;
                const QString& hk = m_columnHeader->key;
                if (auto it = m_report.m_beforeBand.constFind(hk); it != m_report.m_beforeBand.constEnd())
                    it.value()(*m_columnHeader->def, headerPrint);
                if (headerPrint) {
                    std::vector<Pending> headerItems;
                    const double headerHeight = prepareBand(*m_columnHeader, headerItems);
                    emitBand(*m_columnHeader, at.headerTop, headerHeight, headerItems);
                }
                if (auto it = m_report.m_afterBand.constFind(hk); it != m_report.m_afterBand.constEnd())
                    it.value()(*m_columnHeader->def, headerPrint);
            }
        }
        emitBand(band, at.top, height, items);
    }
    if (auto it = m_report.m_afterBand.constFind(key); it != m_report.m_afterBand.constEnd())
        it.value()(*band.def, print);
    if (print)
        for (RtBand* child : band.children)
            printBand(*child);
    return print;
}

void ReportRun::printGroupFooters(int fromLevel)
{
    for (int i = int(m_groups.size()) - 1; i >= fromLevel; --i) {
        RtGroup& g = m_groups[size_t(i)];
        if (!g.footer)
            continue;
        printBand(*g.footer);
        // The footer's sums restart once it has printed.
        for (RtElement& e : g.footer->elements)
            e.expr.resetAggregates();
        for (RtBand* child : g.footer->children)
            for (RtElement& e : child->elements)
                e.expr.resetAggregates();
    }
}

void ReportRun::printGroupHeaders(int fromLevel)
{
    for (size_t i = size_t(fromLevel); i < m_groups.size(); ++i)
        printBand(*m_groups[i].header);
}

bool ReportRun::keysDiffer(const QVariant& a, const QVariant& b) const
{
    const bool an = !a.isValid() || a.isNull(), bn = !b.isValid() || b.isNull();
    if (an || bn)
        return an != bn;
    if (isNumber(a) && isNumber(b))
        return a.toDouble() != b.toDouble();
    return a != b;
}

bool ReportRun::exec()
{
    m_runTime = QDateTime::currentDateTime();
    for (RtElement* e : m_aggregating)
        e->expr.resetAggregates();

    // The names lookup list: the report's own data sets, then those the before-print handler adds.
    m_report.m_runDataSets.clear();
    if (m_report.m_dataSet)
        m_resolver.add(m_report.m_dataSet, m_report.qualifierOf(m_report.m_dataSet, m_report.m_dataSetName));
    for (const auto& d : m_report.m_ownDataSets)
        m_resolver.add(d.dataSet, m_report.qualifierOf(d.dataSet, d.name));
    if (m_report.m_onBeforePrint)
        m_report.m_onBeforePrint();
    for (const auto& d : m_report.m_runDataSets)
        m_resolver.add(d.dataSet, m_report.qualifierOf(d.dataSet, d.name));

    const PageSetup& page = m_t.page;
    const double footer = m_pageFooter ? m_pageFooter->def->height : 0;
    m_layout = std::make_unique<BandLayout>(page.marginsMm.top(), page.sizeMm.height() - page.marginsMm.bottom() - footer,
        m_columnHeader ? m_columnHeader->def->height : 0);

    qdb::Dataset* ds = m_report.m_dataSet;
    const bool haveRows = ds && ds->active() && (ds->first(), !ds->eof());
    if (!haveRows && !m_t.printIfEmpty)
        return true;

    struct ControlsGuard {
        qdb::Dataset* ds;
        explicit ControlsGuard(qdb::Dataset* d) : ds(d) { if (ds) ds->disableControls(); }
        ~ControlsGuard() { if (ds) ds->enableControls(); }
    } controls(haveRows ? ds : nullptr);

    startPage();
    if (m_title)
        printBand(*m_title);
    if (m_columnHeader)
        printBand(*m_columnHeader);

    bool completed = true;
    if (haveRows) {
        bool firstRow = true;
        while (!ds->eof()) {
            // Group breaks: the outermost group whose value changed breaks every group inside it.
            int level = firstRow ? 0 : -1;
            std::vector<QVariant> keys;
            keys.reserve(m_groups.size());
            for (size_t i = 0; i < m_groups.size(); ++i) {
                keys.push_back(m_groups[i].key.evaluate(m_resolver));
                if (level < 0 && keysDiffer(keys.back(), m_groups[i].last))
                    level = int(i);
            }
            if (!firstRow && level >= 0) {
                // The footers print with the group's last row current.
                ds->prior();
                printGroupFooters(level);
                ds->next();
            }
            if (level >= 0)
                printGroupHeaders(level);
            for (size_t i = 0; i < m_groups.size(); ++i)
                m_groups[i].last = keys[i];
            firstRow = false;

            if (m_detail)
                printBand(*m_detail, true);
            else
                for (RtElement* e : m_aggregating)
                    e->expr.accumulate(m_resolver);

            if (m_processEvents)
                QCoreApplication::processEvents();
            if (stop()) {
                completed = false;
                break;
            }
            ds->next();
        }
        if (completed)
            printGroupFooters(0);
    }
    if (completed && m_summary)
        printBand(*m_summary);
    finishPage();
    if (completed && m_report.m_onAfterPrint)
        m_report.m_onAfterPrint();
    return completed;
}

} // namespace qrep
