#pragma once

// A demonstration report for the engine's tests: hours by project and date over an in-memory
// table, with two nested groups and their footers, a keep-with chain (project header, detail,
// note, project footer), a note band that grows to show a whole memo and is suppressed when
// the note is blank, sums that restart per group and over the whole report in the summary,
// and a second data set owned elsewhere that the before-print handler adds to the names lookup.

#include "MemTable.h"
#include "Report.h"
#include "ReportTemplate.h"

#include <QDate>
#include <QString>

#include <memory>

namespace demo {

// Page: Letter, 10 mm margins, printable width 195.9 mm. Columns: text 0-120, "Chargeables"
// 125-160, "Not chargeables" 160.9-195.9.
inline const char* const TemplateJson = R"json({
  "name": "Demo",
  "title": "Demonstration of worked hours",
  "page": { "width": 215.9, "height": 279.4, "margins": [10, 10, 10, 10] },
  "font": { "family": "Arial", "size": 10 },
  "printIfEmpty": true,
  "bands": [
    { "name": "TitleBand1", "type": "title", "height": 16, "frame": ["top", "bottom"],
      "elements": [
        { "name": "QRLabel1", "type": "label", "caption": "Demonstration of worked hours",
          "rect": [0, 1, 195.9, 7], "align": "center", "font": { "size": 12, "bold": true, "italic": true } },
        { "name": "QRLabel6", "type": "label", "caption": "QRLabel6", "rect": [0, 9, 120, 5],
          "font": { "bold": true } },
        { "name": "Company", "type": "field", "expression": "Sys.COMPANY", "rect": [125, 9, 70.9, 5],
          "align": "right" } ] },
    { "name": "ColumnHeaderBand1", "type": "columnHeader", "height": 10, "frame": ["bottom"],
      "elements": [
        { "type": "label", "caption": "Employee \\ Activity", "rect": [0, 1, 120, 4],
          "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Hours", "rect": [125, 1, 70.9, 4], "align": "center",
          "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "frame", "rect": [125, 0.5, 70.9, 4.5], "width": 0.2 },
        { "type": "label", "caption": "Timesheet description", "rect": [0, 5.5, 120, 4],
          "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Chargeables", "rect": [125, 5.5, 35, 4], "align": "right",
          "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Not chargeables", "rect": [160.9, 5.5, 35, 4], "align": "right",
          "font": { "size": 8, "bold": true, "italic": true } } ] },
    { "name": "QRGroup1", "type": "groupHeader", "height": 9, "expression": "PRJCOD",
      "footer": "QRBand1", "link": "DetailBand1",
      "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0], "width": 0.5 },
        { "name": "ProjectTitle", "type": "expression", "expression": "'Project: ('+PRJCOD+') '+PRJDES",
          "rect": [0, 1.5, 195.9, 6], "font": { "size": 11, "bold": true } },
        { "type": "rule", "rect": [0, 8, 195.9, 0], "width": 0.5 } ] },
    { "name": "QRGroup2", "type": "groupHeader", "height": 6, "expression": "TEMDAT",
      "footer": "QRBand2", "frame": ["top", "bottom"],
      "elements": [
        { "name": "DayTitle", "type": "expression", "expression": "'Date: '+TEMDAT",
          "rect": [0, 1, 120, 4.5], "font": { "bold": true } } ] },
    { "name": "DetailBand1", "type": "detail", "height": 5, "link": "QRChildBand1",
      "elements": [
        { "name": "Who", "type": "expression", "expression": "'('+EMPCOD+') '+EMPNOM+' \\ '+ACTDES",
          "rect": [3, 0.5, 117, 4.5] },
        { "name": "Fac", "type": "field", "expression": "HEUFAC", "mask": "########0.00",
          "rect": [125, 0.5, 35, 4.5], "align": "right" },
        { "name": "NotFac", "type": "expression", "expression": "HEUTOT-HEUFAC", "mask": "########0.00",
          "rect": [160.9, 0.5, 35, 4.5], "align": "right" } ] },
    { "name": "QRChildBand1", "type": "child", "parent": "DetailBand1", "height": 4.5, "link": "QRBand1",
      "elements": [
        { "name": "Note", "type": "field", "expression": "TEMNOT", "rect": [6, 0.5, 114, 3.5],
          "stretch": true, "font": { "size": 8, "italic": true } } ] },
    { "name": "QRBand2", "type": "groupFooter", "height": 11,
      "elements": [
        { "type": "rule", "rect": [125, 0.5, 70.9, 0] },
        { "name": "DayFac", "type": "expression", "expression": "SUM(HEUFAC)", "mask": "########0.00",
          "rect": [125, 1, 35, 4.5], "align": "right" },
        { "name": "DayNotFac", "type": "expression", "expression": "SUM(HEUTOT-HEUFAC)", "mask": "########0.00",
          "rect": [160.9, 1, 35, 4.5], "align": "right" },
        { "type": "rule", "rect": [125, 5.5, 70.9, 0] },
        { "type": "label", "caption": "Total day :", "rect": [100, 6, 60, 4.5], "align": "right",
          "font": { "bold": true } },
        { "name": "DayTotal", "type": "expression", "expression": "SUM(HEUTOT)", "mask": "########0.00",
          "rect": [160.9, 6, 35, 4.5], "align": "right" } ] },
    { "name": "QRBand1", "type": "groupFooter", "height": 11,
      "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0] },
        { "name": "PrjFac", "type": "expression", "expression": "SUM(HEUFAC)", "mask": "########0.00",
          "rect": [125, 1, 35, 4.5], "align": "right" },
        { "name": "PrjNotFac", "type": "expression", "expression": "SUM(HEUTOT-HEUFAC)", "mask": "########0.00",
          "rect": [160.9, 1, 35, 4.5], "align": "right" },
        { "type": "rule", "rect": [125, 5.5, 70.9, 0] },
        { "type": "label", "caption": "Total project :", "rect": [100, 6, 60, 4.5], "align": "right",
          "font": { "bold": true } },
        { "name": "PrjTotal", "type": "expression", "expression": "SUM(HEUTOT)", "mask": "########0.00",
          "rect": [160.9, 6, 35, 4.5], "align": "right" } ] },
    { "name": "SummaryBand1", "type": "summary", "height": 11, "frame": ["top"],
      "elements": [
        { "name": "AllFac", "type": "expression", "expression": "SUM(HEUFAC)", "mask": "########0.00",
          "rect": [125, 1, 35, 4.5], "align": "right", "font": { "bold": true } },
        { "name": "AllNotFac", "type": "expression", "expression": "SUM(HEUTOT-HEUFAC)", "mask": "########0.00",
          "rect": [160.9, 1, 35, 4.5], "align": "right", "font": { "bold": true } },
        { "type": "rule", "rect": [125, 5.5, 70.9, 0] },
        { "type": "label", "caption": "Total :", "rect": [100, 6, 60, 4.5], "align": "right",
          "font": { "bold": true } },
        { "name": "AllTotal", "type": "expression", "expression": "SUM(HEUTOT)", "mask": "########0.00",
          "rect": [160.9, 6, 35, 4.5], "align": "right", "font": { "bold": true } } ] },
    { "name": "PageFooterBand1", "type": "pageFooter", "height": 6, "frame": ["top"],
      "elements": [
        { "name": "RunDate", "type": "sysdata", "data": "datetime", "caption": "Date: ",
          "rect": [0, 1, 90, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "name": "PageNo", "type": "sysdata", "data": "pagenumber", "caption": "Page: ",
          "rect": [105.9, 1, 90, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } } ] }
  ]
})json";

struct Row {
    const char* prj;
    const char* emp;
    QDate date;
    int code;
    double tot;
    double fac;
    const char* note;
};

// Fills a table shaped like the report work table of the detail reports.
inline void defineWorkTable(qdb::MemTable& t)
{
    using qdb::FieldType;
    t.close();
    t.clearFieldDefs();
    t.addFieldDef(QStringLiteral("PrjCod"), FieldType::String, 12);
    t.addFieldDef(QStringLiteral("EmpCod"), FieldType::String, 12);
    t.addFieldDef(QStringLiteral("TemDat"), FieldType::Date);
    t.addFieldDef(QStringLiteral("TemCod"), FieldType::Integer);
    t.addFieldDef(QStringLiteral("ActCod"), FieldType::Integer);
    t.addFieldDef(QStringLiteral("HeuTot"), FieldType::Float);
    t.addFieldDef(QStringLiteral("HeuFac"), FieldType::Float);
    t.addFieldDef(QStringLiteral("PrjDes"), FieldType::String, 35);
    t.addFieldDef(QStringLiteral("EmpNom"), FieldType::String, 35);
    t.addFieldDef(QStringLiteral("Actdes"), FieldType::String, 35);
    t.addFieldDef(QStringLiteral("TemNot"), FieldType::Memo);
    t.addIndex(QStringLiteral("Order"), QStringLiteral("PRJCOD;TEMDAT;EMPCOD;TEMCOD"));
    t.createDataSet();
    t.setIndexName(QStringLiteral("Order"));
}

inline void append(qdb::MemTable& t, const Row& r)
{
    static const QHash<QString, QString> projects{{QStringLiteral("P1"), QStringLiteral("Website")},
        {QStringLiteral("P2"), QStringLiteral("Mobile app")}, {QStringLiteral("P3"), QStringLiteral("Archive")}};
    static const QHash<QString, QString> employees{{QStringLiteral("E1"), QStringLiteral("Ada Lovelace")},
        {QStringLiteral("E2"), QStringLiteral("Bob Stone")}, {QStringLiteral("E3"), QStringLiteral("Cy Young")}};
    t.append();
    t.fieldByName(QStringLiteral("PrjCod"))->setValue(QString::fromLatin1(r.prj));
    t.fieldByName(QStringLiteral("EmpCod"))->setValue(QString::fromLatin1(r.emp));
    t.fieldByName(QStringLiteral("TemDat"))->setValue(r.date);
    t.fieldByName(QStringLiteral("TemCod"))->setValue(r.code);
    t.fieldByName(QStringLiteral("ActCod"))->setValue(r.code % 3 + 1);
    t.fieldByName(QStringLiteral("HeuTot"))->setValue(r.tot);
    t.fieldByName(QStringLiteral("HeuFac"))->setValue(r.fac);
    t.fieldByName(QStringLiteral("PrjDes"))->setValue(projects.value(QString::fromLatin1(r.prj)));
    t.fieldByName(QStringLiteral("EmpNom"))->setValue(employees.value(QString::fromLatin1(r.emp), QStringLiteral("Someone")));
    t.fieldByName(QStringLiteral("Actdes"))->setValue(QStringLiteral("Activity %1").arg(r.code % 3 + 1));
    t.fieldByName(QStringLiteral("TemNot"))->setValue(QString::fromUtf8(r.note));
    t.post();
}

// The demonstration rows: project P1 over two days, with a blank note (no note band) and a
// note of three lines (a note band that grows); five one-row days of project P1 more, so
// that project P2's header comes near the bottom of page 1, where its keep-with chain does
// not fit; project P2 over one day, on page 2.
inline void fillDemoRows(qdb::MemTable& t)
{
    const QDate d(2024, 3, 4);
    int code = 100;
    append(t, {"P1", "E1", d, code++, 3.5, 3.5, "Kick-off meeting with the customer"});
    append(t, {"P1", "E2", d, code++, 2.25, 0, "   \t "});
    append(t, {"P1", "E1", d.addDays(1), code++, 4, 1.5, "First line of the note\nSecond line\nThird line"});
    append(t, {"P1", "E3", d.addDays(1), code++, 1.125, 0, ""});
    for (int i = 0; i < 5; ++i)
        append(t, {"P1", "E2", d.addDays(2 + i), code++, 1, 1, ""});
    append(t, {"P2", "E3", d, code++, 6, 6, "Design review"});
    append(t, {"P2", "E1", d, code++, 0.5, 0, ""});
}

// The second data set, owned elsewhere, added to the lookup at the start of each run.
inline std::unique_ptr<qdb::MemTable> makeSysTable()
{
    auto sys = std::make_unique<qdb::MemTable>();
    sys->setObjectName(QStringLiteral("Sys"));
    sys->addFieldDef(QStringLiteral("Company"), qdb::FieldType::String, 40);
    sys->createDataSet();
    sys->append();
    sys->fieldByName(QStringLiteral("Company"))->setValue(QStringLiteral("Veltrix Inc."));
    sys->post();
    return sys;
}

// Attaches the handlers of the demonstration: the registration of the Sys table at every run,
// and the note band printed only for a note that is not blank.
inline void attachHandlers(qrep::Report& report, qdb::MemTable& work, qdb::MemTable& sys)
{
    report.setOnBeforePrint([&report, &sys] { report.addRunDataSet(&sys); });
    report.setBeforePrint(QStringLiteral("QRChildBand1"), [&work](const qrep::BandDef&, bool& print) {
        QString note = work.fieldByName(QStringLiteral("TEMNOT"))->asString();
        // Blanks and control characters at both ends do not count.
        qsizetype b = 0, e = note.size();
        while (b < e && (note.at(b).isSpace() || note.at(b).category() == QChar::Other_Control))
            ++b;
        while (e > b && (note.at(e - 1).isSpace() || note.at(e - 1).category() == QChar::Other_Control))
            --e;
        print = e > b;
    });
}

} // namespace demo
