#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace qrep {

// A report template as a plain value: the page, the report font, the bands in printing order
// and their elements. Measurements are millimetres; element positions are relative to their
// band's top-left corner at the page's left margin. Templates are written in JSON (see
// fromJson() for the format) and kept in the resources.

struct FontSpec {
    QString family;          // empty: the report font's family
    double pointSize = 0;    // 0: the report font's size
    std::optional<bool> bold;   // unset: the report font's weight
    std::optional<bool> italic; // unset: the report font's style

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class ElementType {
    Label,      // a fixed caption (a handler may replace it at run time: Report::setCaption)
    Field,      // a data set field, named as in an expression ("PRJCOD", "QFac.SUM OF TemNbrHeu")
    Expression, // any expression (see Expression.h)
    SysData,    // the run date and time, or the page number, after an optional caption
    Rule,       // a line from the rect's top-left to its bottom-right (height 0: horizontal)
    Frame,      // a rectangle
};

enum class SysDataKind { DateTime, Date, Time, PageNumber };

struct ElementDef {
    QString name;                 // for handlers and run-time captions; may be empty
    ElementType type = ElementType::Label;
    QRectF rect;                  // mm, relative to the band
    QString caption;              // Label; SysData: the text put before the value ("Page: ")
    QString expression;           // Field, Expression
    SysDataKind sysData = SysDataKind::DateTime;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    FontSpec font;
    QString mask;                 // numbers: "########0.00"; empty: the general format
    bool stretch = false;         // the text wraps and grows downwards to show all of it (memo)
    double penWidthMm = 0.2;      // Rule, Frame
    QColor color = Qt::black;

    friend bool operator==(const ElementDef&, const ElementDef&) = default;
};

enum class BandType { Title, ColumnHeader, Detail, Child, GroupHeader, GroupFooter, Summary, PageFooter };

struct BandDef {
    QString name;
    BandType type = BandType::Detail;
    double height = 5;            // mm, at design
    QList<ElementDef> elements;
    // Frame lines along the band's edges, across the page's printable width.
    bool frameTop = false;
    bool frameBottom = false;
    double framePenWidthMm = 0.2;
    // Keep-with chain: the band prints on the current page only when the space left also holds
    // the linked band and every band linked after it, at their design heights.
    QString linkBand;
    // Child: the band it follows (printed right after each print of that band).
    QString parent;
    // GroupHeader: the expression whose change breaks the group, and the group's footer band
    // (may be empty). Group headers nest in template order, outer first.
    QString expression;
    QString footer;

    friend bool operator==(const BandDef&, const BandDef&) = default;
};

struct PageSetup {
    QSizeF sizeMm{215.9, 279.4};           // Letter, portrait
    QMarginsF marginsMm{10, 10, 10, 10};   // left, top, right, bottom

    double printableWidth() const { return sizeMm.width() - marginsMm.left() - marginsMm.right(); }
    friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

struct ReportTemplate {
    QString name;
    QString title;                         // the report's title (job title, printer job name)
    PageSetup page;
    FontSpec font{QStringLiteral("Arial"), 10, false, false};
    bool printIfEmpty = true;              // an empty data set still prints its bands
    QList<BandDef> bands;                  // printing order; group headers outer to inner

    const BandDef* band(const QString& name) const;       // case-insensitive; nullptr when absent
    const ElementDef* element(const QString& name) const; // case-insensitive; nullptr when absent

    // Reads a template; throws ReportError(Template) naming what is wrong. The format:
    //   { "name": "Demo", "title": "Hours by project",
    //     "page": { "width": 215.9, "height": 279.4, "margins": [10, 10, 10, 10] },
    //     "font": { "family": "Arial", "size": 10 }, "printIfEmpty": true,
    //     "bands": [ { "name": "QRGroup1", "type": "groupHeader", "height": 8,
    //                  "expression": "PRJCOD", "footer": "QRBand1", "link": "DetailBand1",
    //                  "frame": ["top", "bottom"], "frameWidth": 0.2,
    //                  "elements": [ { "name": "QRLabel1", "type": "label", "caption": "Project",
    //                                  "rect": [0, 1, 40, 5], "align": "left",
    //                                  "font": { "size": 8, "bold": true, "italic": true } },
    //                                { "type": "field", "expression": "PRJCOD", "rect": [...] },
    //                                { "type": "expression", "expression": "SUM(HEUFAC)",
    //                                  "mask": "########0.00", "align": "right", "rect": [...] },
    //                                { "type": "sysdata", "data": "datetime" | "date" | "time"
    //                                  | "pagenumber", "caption": "Date: ", "rect": [...] },
    //                                { "type": "rule", "rect": [0, 0, 195.9, 0], "width": 0.5 },
    //                                { "type": "frame", "rect": [...] },
    //                                { "type": "field", "expression": "TEMNOT", "stretch": true } ] } ] }
    // Band types: title, columnHeader, detail, child (with "parent"), groupHeader, groupFooter,
    // summary, pageFooter. Alignments: left, right, center (and "top", "vcenter", "bottom"
    // joined by "|", e.g. "right|vcenter"). rect: [left, top, width, height] in mm.
    static ReportTemplate fromJson(const QByteArray& json);
    // Reads a template from a file or a Qt resource (":/reports/x.json").
    static ReportTemplate load(const QString& fileName);
    QByteArray toJson() const;

    friend bool operator==(const ReportTemplate&, const ReportTemplate&) = default;
};

QString bandTypeName(BandType type);

} // namespace qrep
