#include "Data.h"

#include "EngineError.h"

using qdb::Dataset;
using qdb::Field;
using qdb::FieldType;
using qdb::Table;

TFData* FData = nullptr;

namespace {
const QString HoursSuffix = QStringLiteral(" hour(s)");
const QString Billable = QStringLiteral("Chargeables");
const QString NotBillable = QStringLiteral("Not chargeables");
const QString DatabaseName = QStringLiteral("QuillmarkDb");

// Whole days, a missing date counting as day 0 of the calendar the stored dates share.
QDate dayOf(const QDate& d) { return d.isValid() ? d : QDate(1899, 12, 30); }
}

QString fitToSize(const QString& text, int size) { return text.size() > size ? text.left(size) : text; }

TFData::TFData(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FData"));
    FData = this;
    createComponents();
    FormCreate();
}

TFData::~TFData()
{
    Db->close();
    if (FData == this)
        FData = nullptr;
}

void TFData::createComponents()
{
    Db = new qdb::Database(this);
    Db->setObjectName(QStringLiteral("Db"));
    Db->setAliasName(QStringLiteral("QUILLMARK"));
    Db->setDatabaseName(DatabaseName);
    Db->setLoginPrompt(false);
    Db->setBeforeConnect([](qdb::Database&) { qdb::EngineConfig::instance().ensureExists(EngineDefaults()); });
    Db->setAfterConnect([](qdb::Database& db) {
        if (db.tableNames().isEmpty())
            CreateSchema(db);
    });

    auto table = [this](const char* name, const QString& file) {
        auto* t = new Table(this);
        t->setObjectName(QLatin1String(name));
        t->setDatabase(Db);
        t->setTableName(file);
        t->setBeforeEdit([this](Dataset& ds) { TabEmpBeforeEdit(ds); });
        return t;
    };
    auto source = [this](const char* name, Dataset* ds) {
        auto* s = new qdb::DataSource(this);
        s->setObjectName(QLatin1String(name));
        s->setDataSet(ds);
        return s;
    };

    TabEmp = table("TabEmp", QStringLiteral("Emp.db"));
    TabEmp->setIndexName(QStringLiteral("XEMPNOM"));
    TabEmpEMPCOD = TabEmp->addField(QStringLiteral("EMPCOD"), FieldType::String, 12);
    TabEmpEMPCOD->setDisplayLabel(QStringLiteral("#Employé"));
    TabEmpEMPNOM = TabEmp->addField(QStringLiteral("EMPNOM"), FieldType::String, 35);
    TabEmpEMPNOM->setDisplayLabel(QStringLiteral("Nom de l'employé"));
    TabEmp->setAfterPost([this](Dataset& ds) { TabEmpAfterPost(ds); });
    TabEmp->setAfterDelete([this](Dataset& ds) { TabEmpAfterPost(ds); });
    SouEmp = source("SouEmp", TabEmp);
    connect(SouEmp, &qdb::DataSource::dataChange, this, &TFData::SouEmpDataChange);

    TabPrj = table("TabPrj", QStringLiteral("Prj.db"));
    TabPrj->setIndexName(QStringLiteral("XPRJDES"));
    TabPrjPRJCOD = TabPrj->addField(QStringLiteral("PRJCOD"), FieldType::String, 12);
    TabPrjPRJDES = TabPrj->addField(QStringLiteral("PRJDES"), FieldType::String, 35);
    TabPrjPRJDES->setDisplayLabel(QStringLiteral("Description du projet"));
    TabPrj->setAfterPost([this](Dataset& ds) { TabPrjAfterPost(ds); });
    TabPrj->setAfterDelete([this](Dataset& ds) { TabPrjAfterPost(ds); });
    SouPrj = source("SouPrj", TabPrj);

    TabAct = table("TabAct", QStringLiteral("Act.DB"));
    TabAct->setIndexName(QStringLiteral("XACTDES"));
    TabActACTCOD = TabAct->addField(QStringLiteral("ACTCOD"), FieldType::Integer);
    TabActACTDES = TabAct->addField(QStringLiteral("ACTDES"), FieldType::String, 35);
    TabAct->setAfterPost([this](Dataset& ds) { TabActAfterPost(ds); });
    TabAct->setAfterDelete([this](Dataset& ds) { TabActAfterPost(ds); });
    SouAct = source("SouAct", TabAct);

    TabPrjAct = table("TabPrjAct", QStringLiteral("PrjAct.db"));
    TabPrjAct->setIndexFieldNames(QStringLiteral("PRJCOD;ACTCOD"));
    TabPrjAct->setMasterSource(SouPrj);
    TabPrjAct->setMasterFields(QStringLiteral("PRJCOD"));
    TabPrjActPRJCOD = TabPrjAct->addField(QStringLiteral("PRJCOD"), FieldType::String, 12);
    TabPrjActACTCOD = TabPrjAct->addField(QStringLiteral("ACTCOD"), FieldType::Integer);
    TabPrjActactdes = TabPrjAct->addLookupField(QStringLiteral("actdes"), 35, QStringLiteral("ACTCOD"), TabAct,
        QStringLiteral("ACTCOD"), QStringLiteral("ACTDES"));
    TabPrjAct->setAfterPost([this](Dataset& ds) { TabPrjActAfterPost(ds); });
    TabPrjAct->setAfterDelete([this](Dataset& ds) { TabPrjActAfterPost(ds); });
    SouPrjAct = source("SouPrjAct", TabPrjAct);

    TabTem = table("TabTem", QStringLiteral("Tem.db"));
    TabTem->setIndexName(QStringLiteral("XEMPCOD"));
    TabTem->setMasterSource(SouEmp);
    TabTem->setMasterFields(QStringLiteral("EMPCOD"));
    TabTemTEMCOD = TabTem->addField(QStringLiteral("TEMCOD"), FieldType::Integer);
    TabTemTEMDAT = TabTem->addField(QStringLiteral("TEMDAT"), FieldType::Date);
    TabTemEMPCOD = TabTem->addField(QStringLiteral("EMPCOD"), FieldType::String, 12);
    TabTemTEMNBRHEU = TabTem->addField(QStringLiteral("TEMNBRHEU"), FieldType::Float);
    TabTemACTCOD = TabTem->addField(QStringLiteral("ACTCOD"), FieldType::Integer);
    TabTemTEMFAC = TabTem->addField(QStringLiteral("TEMFAC"), FieldType::Boolean);
    TabTemTEMNOT = TabTem->addField(QStringLiteral("TEMNOT"), FieldType::Memo);
    TabTemPRJCOD = TabTem->addField(QStringLiteral("PRJCOD"), FieldType::String, 12);
    TabTemprjdes = TabTem->addLookupField(QStringLiteral("prjdes"), 35, QStringLiteral("PRJCOD"), TabPrj,
        QStringLiteral("PRJCOD"), QStringLiteral("PRJDES"));
    TabTemactdes = TabTem->addLookupField(QStringLiteral("actdes"), 35, QStringLiteral("ACTCOD"), TabAct,
        QStringLiteral("ACTCOD"), QStringLiteral("ACTDES"));
    TabTemprjact = TabTem->addCalcField(QStringLiteral("prjact"), FieldType::String, 75);
    TabTemheures = TabTem->addCalcField(QStringLiteral("heures"), FieldType::String, 15);
    TabTem->setOnCalcFields([this](Dataset& ds) { TabTemCalcFields(ds); });
    TabTem->setFilterCondition([this]() { return TabTemFilterRecord(); });
    TabTem->setAfterPost([this](Dataset& ds) { TabTemAfterPost(ds); });
    TabTem->setAfterDelete([this](Dataset& ds) { TabTemAfterPost(ds); });
    SouTem = source("SouTem", TabTem);

    TabTemTmp = table("TabTemTmp", QStringLiteral("Tem.DB"));
    TabTemTmp->setIndexName(QStringLiteral("XTEMDAT"));
    TabTemTmpTEMCOD = TabTemTmp->addField(QStringLiteral("TEMCOD"), FieldType::Integer);
    TabTemTmpTEMDAT = TabTemTmp->addField(QStringLiteral("TEMDAT"), FieldType::Date);
    TabTemTmpTEMNBRHEU = TabTemTmp->addField(QStringLiteral("TEMNBRHEU"), FieldType::Float);
    TabTemTmpEMPCOD = TabTemTmp->addField(QStringLiteral("EMPCOD"), FieldType::String, 12);
    TabTemTmpACTCOD = TabTemTmp->addField(QStringLiteral("ACTCOD"), FieldType::Integer);
    TabTemTmpTEMFAC = TabTemTmp->addField(QStringLiteral("TEMFAC"), FieldType::Boolean);
    TabTemTmpTEMNOT = TabTemTmp->addField(QStringLiteral("TEMNOT"), FieldType::Memo);
    TabTemTmpPRJCOD = TabTemTmp->addField(QStringLiteral("PRJCOD"), FieldType::String, 12);
    TabTemTmpempnom = TabTemTmp->addLookupField(QStringLiteral("empnom"), 35, QStringLiteral("EMPCOD"), TabEmp,
        QStringLiteral("EMPCOD"), QStringLiteral("EMPNOM"));
    TabTemTmpprjdes = TabTemTmp->addLookupField(QStringLiteral("prjdes"), 35, QStringLiteral("PRJCOD"), TabPrj,
        QStringLiteral("PRJCOD"), QStringLiteral("PRJDES"));
    TabTemTmpactdes = TabTemTmp->addLookupField(QStringLiteral("actdes"), 35, QStringLiteral("ACTCOD"), TabAct,
        QStringLiteral("ACTCOD"), QStringLiteral("ACTDES"));
    TabTemTmptemfacdes = TabTemTmp->addCalcField(QStringLiteral("temfacdes"), FieldType::String, 20);
    TabTemTmptemnbrheufac = TabTemTmp->addCalcField(QStringLiteral("temnbrheufac"), FieldType::Float);
    TabTemTmptemnbrheunonfac = TabTemTmp->addCalcField(QStringLiteral("temnbrheunonfac"), FieldType::Float);
    TabTemTmp->setOnCalcFields([this](Dataset& ds) { TabTemTmpCalcFields(ds); });
    TabTemTmp->setFilterCondition([this]() { return TabTemTmpFilterRecord(); });
    TabTemTmp->setAfterPost([this](Dataset& ds) { TabTemTmpAfterPost(ds); });
    TabTemTmp->setAfterDelete([this](Dataset& ds) { TabTemTmpAfterPost(ds); });

    TabSys = table("TabSys", QStringLiteral("Sys.db"));
    TabSysSYSACTCODCPT = TabSys->addField(QStringLiteral("SYSACTCODCPT"), FieldType::Integer);
    TabSysSYSTEMCODCPT = TabSys->addField(QStringLiteral("SYSTEMCODCPT"), FieldType::Integer);
    TabSysSYSPREJOUPER = TabSys->addField(QStringLiteral("SYSPREJOUPER"), FieldType::Integer);
    TabSysSYSVER = TabSys->addField(QStringLiteral("SYSVER"), FieldType::Float);
    TabSysSYSVER->setDisplayFormat(QStringLiteral("###0.00"));
    TabSys->setAfterPost([this](Dataset& ds) { TabSysAfterPost(ds); });
    TabSys->setAfterDelete([this](Dataset& ds) { TabSysAfterPost(ds); });
    SouSys = source("SouSys", TabSys);

    auto query = [this](const char* name, const QStringList& sql) {
        auto* q = new qdb::Query(this);
        q->setObjectName(QLatin1String(name));
        q->setDatabase(Db);
        q->setSql(sql);
        return q;
    };
    QExpTem = query("QExpTem",
        { QStringLiteral("Select Tem.TemDat, Tem.EmpCod, Emp.EmpNom,"),
            QStringLiteral("       Tem.PrjCod, Prj.PrjDes, Tem.ActCod,"),
            QStringLiteral("       Act.ActDes, Tem.TemNbrHeu, Tem.TemFac, Tem.TemNot"),
            QStringLiteral("From Tem, Emp, Prj, Act"),
            QStringLiteral("Where Emp.EmpCod = Tem.EmpCod And"),
            QStringLiteral("      Prj.PrjCod = Tem.PrjCod And"),
            QStringLiteral("      Act.ActCod = Tem.ActCod And"),
            QStringLiteral("      Tem.TemDat >= :Debut And Tem.TemDat <= :Fin"),
            QStringLiteral("Order By Tem.TemDat, Tem.EmpCod, Tem.PrjCod") });
    QExpTem->paramByName(QStringLiteral("Debut")).setDataType(FieldType::Date);
    QExpTem->paramByName(QStringLiteral("Fin")).setDataType(FieldType::Date);

    QNbrHeuJou = query("QNbrHeuJou",
        { QStringLiteral("Select Sum(TemNbrHeu) From Tem "),
            QStringLiteral("Where TemDat = :Dat And EmpCod = :Emp And TemFac = :Fac") });
    QNbrHeuJou->paramByName(QStringLiteral("Dat")).setDataType(FieldType::Date);
    QNbrHeuJou->paramByName(QStringLiteral("Emp")).setDataType(FieldType::String);
    QNbrHeuJou->paramByName(QStringLiteral("Fac")).setDataType(FieldType::Boolean);
    QNbrHeuJouSUMOFTemNbrHeu = QNbrHeuJou->addField(QStringLiteral("SUM OF TemNbrHeu"), FieldType::Float);

    QNbrHeuSem = query("QNbrHeuSem",
        { QStringLiteral("Select Sum(TemNbrHeu) From Tem "),
            QStringLiteral("Where TemDat >= :Debut And TemDat <= :Fin And EmpCod = :Emp And TemFac = :Fac") });
    QNbrHeuSem->paramByName(QStringLiteral("Debut")).setDataType(FieldType::Date);
    QNbrHeuSem->paramByName(QStringLiteral("Fin")).setDataType(FieldType::Date);
    QNbrHeuSem->paramByName(QStringLiteral("Emp")).setDataType(FieldType::String);
    QNbrHeuSem->paramByName(QStringLiteral("Fac")).setDataType(FieldType::Boolean);
    QNbrHeuSemSUMOFTemNbrHeu = QNbrHeuSem->addField(QStringLiteral("SUM OF TemNbrHeu"), FieldType::Float);

    TabMemGen = new qdb::MemTable(this);
    TabMemGen->setObjectName(QStringLiteral("TabMemGen"));
}

QList<Table*> TFData::TablesInOpenOrder() const { return { TabSys, TabEmp, TabPrj, TabAct, TabPrjAct, TabTem, TabTemTmp }; }

void TFData::FormCreate() { DatJou = QDate::currentDate(); }

// Every edit starts from the stored rows, including what other workstations saved since.
void TFData::TabEmpBeforeEdit(Dataset& dataset) { dataset.refresh(); }

// Each table makes its own change durable; a failure reaches the caller as an engine error.
void TFData::TabEmpAfterPost(Dataset&) { TabEmp->flush(); }
void TFData::TabPrjAfterPost(Dataset&) { TabPrj->flush(); }
void TFData::TabActAfterPost(Dataset&) { TabAct->flush(); }
void TFData::TabPrjActAfterPost(Dataset&) { TabPrjAct->flush(); }
void TFData::TabTemAfterPost(Dataset&) { TabTem->flush(); }
void TFData::TabTemTmpAfterPost(Dataset&) { TabTemTmp->flush(); }
void TFData::TabSysAfterPost(Dataset&) { TabSys->flush(); }

void TFData::TabTemCalcFields(Dataset&)
{
    TabTemprjact->setAsString(TabTemprjdes->asString() + QStringLiteral(" \\ ") + TabTemactdes->asString());
    const QString hours = TabTemTEMNBRHEU->isNull() ? QString() : qdb::formatGeneral(TabTemTEMNBRHEU->asFloat());
    TabTemheures->setAsString(fitToSize(hours + HoursSuffix, 15));
}

void TFData::TabTemTmpCalcFields(Dataset&)
{
    const double hours = TabTemTmpTEMNBRHEU->isNull() ? 0.0 : TabTemTmpTEMNBRHEU->asFloat();
    if (!TabTemTmpTEMFAC->isNull() && TabTemTmpTEMFAC->asBoolean()) {
        TabTemTmptemfacdes->setAsString(Billable);
        TabTemTmptemnbrheufac->setAsFloat(hours);
        TabTemTmptemnbrheunonfac->setAsFloat(0);
    } else {
        TabTemTmptemfacdes->setAsString(NotBillable);
        TabTemTmptemnbrheufac->setAsFloat(0);
        TabTemTmptemnbrheunonfac->setAsFloat(hours);
    }
}

qdb::Condition TFData::TabTemFilterRecord() const
{
    return { QStringLiteral("\"TEMDAT\" = ?"), { dayOf(DatJou).toString(Qt::ISODate) } };
}

qdb::Condition TFData::TabTemTmpFilterRecord() const
{
    return { QStringLiteral("\"TEMDAT\" >= ? AND \"TEMDAT\" <= ?"),
        { dayOf(DatDeb).toString(Qt::ISODate), dayOf(DatFin).toString(Qt::ISODate) } };
}

void TFData::SouEmpDataChange(Field*)
{
    if (!m_totalsView || !m_totalsView->isTimesheetViewActive())
        return;
    const QDate d = m_totalsView->calendarDate();
    m_totalsView->UpdateDayHours(true, d);
    m_totalsView->UpdateDayHours(false, d);
    m_totalsView->UpdatePeriodHours(true, d);
    m_totalsView->UpdatePeriodHours(false, d);
}
