#pragma once

#include "BandLayout.h"
#include "Expression.h"
#include "PreparedPage.h"
#include "ReportTemplate.h"

#include <QDateTime>
#include <QFont>
#include <QList>
#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace qdb {
class Dataset;
}

namespace qrep {

class PageSink;
class Report;

// Looks names up in the data sets of one run: the report's own first, then the others in the
// order they were added. A data set opening or closing bumps the generation, so that the
// expressions look their fields up again (a reopened query has new field objects).
class RunResolver final : public NameResolver {
public:
    ~RunResolver() override;
    void add(qdb::Dataset* dataSet, const QString& name);
    qdb::Field* resolve(const QString& qualifier, const QString& name) override;
    quint64 generation() const override { return m_generation; }

private:
    struct Entry {
        QPointer<qdb::Dataset> dataSet;
        QString name;
    };
    QList<Entry> m_entries;
    std::vector<QMetaObject::Connection> m_connections;
    quint64 m_generation = 0;
};

// One run of a report into pages (see Report for the order of events).
class ReportRun {
public:
    ReportRun(Report& report, PageSink& sink, bool processEvents, std::function<bool()> stopRequested);
    ~ReportRun();

    // Goes through the rows; true when it reached the end, false when a stop request ended it.
    bool exec();
    RunResolver& resolver() { return m_resolver; }

private:
    struct RtElement {
        const ElementDef* def = nullptr;
        QString key; // lower-case name, for the handlers and run-time captions
        Expression expr;
        QFont font;
    };
    struct RtBand {
        const BandDef* def = nullptr;
        QString key; // lower-case name
        std::vector<RtElement> elements;
        std::vector<RtBand*> children;
        double keepWith = 0; // design heights of the chain after it
    };
    struct RtGroup {
        RtBand* header = nullptr;
        RtBand* footer = nullptr;
        Expression key;
        QVariant last;
    };
    struct Pending {
        PageItem item;
        const RtElement* element = nullptr; // page number elements get their text once placed
    };

    void compile();
    RtBand* bandNamed(const QString& name);
    bool printBand(RtBand& band, bool accumulate = false);
    double prepareBand(RtBand& band, std::vector<Pending>& items);
    void emitBand(RtBand& band, double top, double height, std::vector<Pending>& items);
    void startPage();
    void finishPage();
    void printGroupFooters(int fromLevel);
    void printGroupHeaders(int fromLevel);
    bool keysDiffer(const QVariant& a, const QVariant& b) const;
    QFont fontFor(const FontSpec& spec) const;
    QString sysDataText(const ElementDef& e) const;
    bool stop() const;

    Report& m_report;
    const ReportTemplate& m_t;
    PageSink& m_sink;
    bool m_processEvents;
    std::function<bool()> m_stopRequested;
    RunResolver m_resolver;
    QDateTime m_runTime;

    std::vector<std::unique_ptr<RtBand>> m_bands;
    RtBand* m_title = nullptr;
    RtBand* m_columnHeader = nullptr;
    RtBand* m_detail = nullptr;
    RtBand* m_summary = nullptr;
    RtBand* m_pageFooter = nullptr;
    std::vector<RtGroup> m_groups;
    std::vector<RtElement*> m_aggregating; // every element with a SUM() or another aggregate

    std::unique_ptr<BandLayout> m_layout;
    PreparedPage m_page;
    bool m_pageOpen = false;
    int m_pageNumber = 0;
};

// Height in millimetres that a text takes when wrapped at a width, in a font (needs a
// QGuiApplication for the font database).
double wrappedTextHeightMm(const QFont& font, double widthMm, const QString& text, Qt::Alignment alignment);

} // namespace qrep
