#pragma once

#include "DataSource.h"
#include "Database.h"
#include "EngineConfig.h"
#include "MemTable.h"
#include "Query.h"
#include "Table.h"

#include <QDate>
#include <QObject>
#include <functional>

// What the data module needs of the timesheet window to keep its totals in step with the
// current employee. The timesheet window registers itself once it exists.
class TotalsView {
public:
    virtual ~TotalsView() = default;
    virtual bool isTimesheetViewActive() const = 0; // the window's timesheet-view flag is 1
    virtual QDate calendarDate() const = 0;
    virtual void UpdateDayHours(bool billable, const QDate& date) = 0;
    virtual void UpdatePeriodHours(bool billable, const QDate& date) = 0;
};

// The data module: the one owner of the connection, the seven tables, their fields and data
// sources, the three queries and the report work table. Every window reaches data through it.
class TFData : public QObject {
    Q_OBJECT
public:
    static constexpr double SchemaVersion = 3.5;

    explicit TFData(QObject* parent = nullptr);
    ~TFData() override;

    qdb::Database* Db;

    qdb::Table* TabEmp;
    qdb::Field *TabEmpEMPCOD, *TabEmpEMPNOM;
    qdb::Table* TabPrj;
    qdb::Field *TabPrjPRJCOD, *TabPrjPRJDES;
    qdb::Table* TabAct;
    qdb::Field *TabActACTCOD, *TabActACTDES;
    qdb::Table* TabPrjAct;
    qdb::Field *TabPrjActPRJCOD, *TabPrjActACTCOD, *TabPrjActactdes;
    qdb::Table* TabTem;
    qdb::Field *TabTemTEMCOD, *TabTemTEMDAT, *TabTemEMPCOD, *TabTemTEMNBRHEU, *TabTemACTCOD, *TabTemTEMFAC,
        *TabTemTEMNOT, *TabTemPRJCOD, *TabTemprjdes, *TabTemactdes, *TabTemprjact, *TabTemheures;
    qdb::Table* TabTemTmp;
    qdb::Field *TabTemTmpTEMCOD, *TabTemTmpTEMDAT, *TabTemTmpTEMNBRHEU, *TabTemTmpEMPCOD, *TabTemTmpACTCOD,
        *TabTemTmpTEMFAC, *TabTemTmpTEMNOT, *TabTemTmpPRJCOD, *TabTemTmpempnom, *TabTemTmpprjdes, *TabTemTmpactdes,
        *TabTemTmptemfacdes, *TabTemTmptemnbrheufac, *TabTemTmptemnbrheunonfac;
    qdb::Table* TabSys;
    qdb::Field *TabSysSYSACTCODCPT, *TabSysSYSTEMCODCPT, *TabSysSYSPREJOUPER, *TabSysSYSVER;

    qdb::DataSource *SouEmp, *SouPrj, *SouAct, *SouPrjAct, *SouTem, *SouSys;

    qdb::Query* QExpTem;
    qdb::Query* QNbrHeuJou;
    qdb::Field* QNbrHeuJouSUMOFTemNbrHeu;
    qdb::Query* QNbrHeuSem;
    qdb::Field* QNbrHeuSemSUMOFTemNbrHeu;

    qdb::MemTable* TabMemGen;

    QDate DatJou; // the day TabTem shows while filtered
    QDate DatDeb; // first day TabTemTmp shows while filtered
    QDate DatFin; // last day, included

    void setTotalsView(TotalsView* view) { m_totalsView = view; }
    TotalsView* totalsView() const { return m_totalsView; }

    // Handlers bound to the tables' events.
    void TabEmpBeforeEdit(qdb::Dataset& dataset);
    void TabEmpAfterPost(qdb::Dataset& dataset);
    void TabPrjAfterPost(qdb::Dataset& dataset);
    void TabActAfterPost(qdb::Dataset& dataset);
    void TabPrjActAfterPost(qdb::Dataset& dataset);
    void TabTemAfterPost(qdb::Dataset& dataset);
    void TabTemTmpAfterPost(qdb::Dataset& dataset);
    void TabSysAfterPost(qdb::Dataset& dataset);
    void TabTemCalcFields(qdb::Dataset& dataset);
    void TabTemTmpCalcFields(qdb::Dataset& dataset);
    qdb::Condition TabTemFilterRecord() const;
    qdb::Condition TabTemTmpFilterRecord() const;
    void SouEmpDataChange(qdb::Field* field);
    void FormCreate();

    // The engine's configuration as this program needs it: the dBase level-3 node and the
    // alias "QUILLMARK" pointing at the user's data directory.
    static QList<qdb::EngineConfig::Node> EngineDefaults();
    static QString DefaultDataDirectory();
    // Sets one option of the engine configuration: "<node path>;<option>".
    static void SetEngineConfig(const QString& parameter, const QString& value);

    // The tables, indexes and constraints of a new database, and its one Sys row.
    static QList<qdb::TableDef> SchemaTables();
    static QList<qdb::RefConstraintDef> SchemaConstraints();
    static void CreateSchema(qdb::Database& db);

    // Brings an older database to the current schema: 0 done, 1 declined by the user, 2 failed.
    int UpgradeDatabase();
    // Shows the wait window with an animation tag; set by the application (the caller closes it).
    std::function<QWidget*(int tag)> ShowWait;

    // A field change: items left at zero or empty keep the field's current value.
    struct FieldChange {
        QString newName;
        quint16 newType = 0; // 0 keeps the type; otherwise 1 + the FieldType value
        quint16 newSubType = 0;
        quint16 newSize = 0;
        quint8 newPrecision = 0;
    };
    // Restructuring routines; each needs its tables open exclusively and raises an engine error
    // when a precondition fails.
    void DropRefConstraint(qdb::Table& table, int seqNo, const QString& name);
    void RestructureField(qdb::Table& table, const QString& field, const FieldChange& change);
    void AddRefConstraint(qdb::Table& master, qdb::Table& detail, qdb::RefRule updateRule, qdb::RefRule deleteRule,
        const QString& name);

signals:
    // The system parameters were stored: every window paints its titles in the titles colour,
    // the timesheet window rebuilds its day tabs from the first day of period.
    void systemParametersApplied();

public:
    // Opening order of start-up, closing order of shutdown.
    QList<qdb::Table*> TablesInOpenOrder() const;

private:
    void createComponents();
    TotalsView* m_totalsView = nullptr;
};

extern TFData* FData;

// Cuts a text to a field's size the way a fixed-size field would hold it.
QString fitToSize(const QString& text, int size);
