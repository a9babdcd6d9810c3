// qm_bench: times what the timesheet window leans on (opening, switching employee, totals,
// editing, a report's full pass) on our engine and on bare SQLite doing the same work with the
// same SQL, over a database of a million entries.
#include "BareSqlite.h"
#include "BenchFigures.h"
#include "Generator.h"

#include "Data.h"
#include "EngineConfig.h"
#include "EngineError.h"
#include "SqliteBackend.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

QTextStream& out = bench::out();
QTextStream err(stderr);
using bench::figure;
using bench::median;
using bench::note;
using bench::timeMs;

struct Rss {
    qint64 rssKb = 0;
    qint64 hwmKb = 0;
};

Rss readRss()
{
    Rss r;
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return r;
    for (const QByteArray& line : f.readAll().split('\n')) {
        auto kb = [&](const char* key) { return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong(); };
        if (line.startsWith("VmRSS:"))
            r.rssKb = kb("VmRSS:");
        else if (line.startsWith("VmHWM:"))
            r.hwmKb = kb("VmHWM:");
    }
    return r;
}

// Counts the statements our side runs, and prints them with --trace: where our time goes is
// first of all how many statements an operation needs. Installed on every connection as it
// opens (Qt's driver uses the same libsqlite3), counting only while switched on.
struct StatementTrace {
    bool on = false;
    bool print = false;
    int count = 0;

    void start(bool printing)
    {
        count = 0;
        print = printing;
        on = true;
    }
    int stop()
    {
        on = false;
        return count;
    }
};
StatementTrace trace;

int traceCallback(unsigned type, void*, void* p, void*)
{
    if (type != SQLITE_TRACE_STMT || !trace.on)
        return 0;
    ++trace.count;
    if (trace.print) {
        char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(p));
        err << "  sql: " << (sql ? sql : "?") << "\n" << Qt::flush;
        sqlite3_free(sql);
    }
    return 0;
}

int installTrace(sqlite3* db, char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &traceCallback, nullptr);
    return SQLITE_OK;
}

// Our stack as the program sets it up: the data module, its alias resolved through an engine
// configuration of our own (the user's configuration stays untouched).
class Ours {
public:
    explicit Ours(const QString& dir)
    {
        if (!m_tmp.isValid())
            throw std::runtime_error("cannot create a temporary directory");
        const QString cfg = m_tmp.filePath(QStringLiteral("engine.cfg"));
        qdb::EngineConfig::setInstanceFile(cfg);
        qdb::EngineConfig config(cfg);
        config.ensureExists(TFData::EngineDefaults());
        config.setAliasPath(QStringLiteral("QUILLMARK"), dir);
    }
    ~Ours() { qdb::EngineConfig::setInstanceFile(QString()); }

    TFData* open()
    {
        m_data = std::make_unique<TFData>();
        m_data->Db->open();
        for (qdb::Table* t : m_data->TablesInOpenOrder())
            t->open();
        return m_data.get();
    }
    void close() { m_data.reset(); }
    TFData* data() const { return m_data.get(); }

private:
    QTemporaryDir m_tmp;
    std::unique_ptr<TFData> m_data;
};

// ---- the statements, as the engine words them ----------------------------------------------

const char* const SqlSchema = "SELECT name, sql FROM sqlite_master";
const char* const SqlSysPage = "SELECT \"Sys\".\"SYSACTCODCPT\", \"Sys\".\"SYSTEMCODCPT\", \"Sys\".\"SYSPREJOUPER\", \"Sys\".\"SYSVER\","
                               " \"Sys\".rowid FROM \"Sys\" ORDER BY \"Sys\".rowid LIMIT 64";
const char* const SqlEmpPage = "SELECT \"Emp\".\"EMPCOD\", \"Emp\".\"EMPNOM\" FROM \"Emp\""
                               " ORDER BY \"Emp\".\"EMPNOM\" COLLATE NOCASE, \"Emp\".\"EMPCOD\" COLLATE NOCASE LIMIT 64";
const char* const SqlPrjPage = "SELECT \"Prj\".\"PRJCOD\", \"Prj\".\"PRJDES\" FROM \"Prj\""
                               " ORDER BY \"Prj\".\"PRJDES\" COLLATE NOCASE, \"Prj\".\"PRJCOD\" COLLATE NOCASE LIMIT 64";
const char* const SqlActPage = "SELECT \"Act\".\"ACTCOD\", \"Act\".\"ACTDES\" FROM \"Act\""
                               " ORDER BY \"Act\".\"ACTDES\" COLLATE NOCASE, \"Act\".\"ACTCOD\" LIMIT 64";
const char* const SqlPrjActPage = "SELECT \"PrjAct\".\"PRJCOD\", \"PrjAct\".\"ACTCOD\","
                                  " (SELECT l.\"ACTDES\" FROM \"Act\" AS l WHERE l.\"ACTCOD\" = \"PrjAct\".\"ACTCOD\" LIMIT 1)"
                                  " FROM \"PrjAct\" WHERE ((\"PrjAct\".\"PRJCOD\" = ?))"
                                  " ORDER BY \"PrjAct\".\"PRJCOD\", \"PrjAct\".\"ACTCOD\" LIMIT 64";
#define TEM_COLUMNS                                                                                                    \
    "SELECT \"Tem\".\"TEMCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"EMPCOD\", \"Tem\".\"TEMNBRHEU\", \"Tem\".\"ACTCOD\","     \
    " \"Tem\".\"TEMFAC\", \"Tem\".\"TEMNOT\", \"Tem\".\"PRJCOD\","                                                     \
    " (SELECT l.\"PRJDES\" FROM \"Prj\" AS l WHERE l.\"PRJCOD\" = \"Tem\".\"PRJCOD\" LIMIT 1),"                        \
    " (SELECT l.\"ACTDES\" FROM \"Act\" AS l WHERE l.\"ACTCOD\" = \"Tem\".\"ACTCOD\" LIMIT 1) FROM \"Tem\""
const char* const SqlTemPage = TEM_COLUMNS " WHERE ((\"Tem\".\"EMPCOD\" = ?))"
                                           " ORDER BY \"Tem\".\"EMPCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"TEMCOD\" LIMIT 64";
const char* const SqlTemDayPage = TEM_COLUMNS " WHERE ((\"Tem\".\"EMPCOD\" = ?) AND (\"TEMDAT\" = ?))"
                                              " ORDER BY \"Tem\".\"EMPCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"TEMCOD\" LIMIT 64";
const char* const SqlTemRow = TEM_COLUMNS " WHERE \"Tem\".\"TEMCOD\" = ?";
const char* const SqlTemTmpPage
    = "SELECT \"Tem\".\"TEMCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"TEMNBRHEU\", \"Tem\".\"EMPCOD\", \"Tem\".\"ACTCOD\","
      " \"Tem\".\"TEMFAC\", \"Tem\".\"TEMNOT\", \"Tem\".\"PRJCOD\","
      " (SELECT l.\"EMPNOM\" FROM \"Emp\" AS l WHERE l.\"EMPCOD\" = \"Tem\".\"EMPCOD\" LIMIT 1),"
      " (SELECT l.\"PRJDES\" FROM \"Prj\" AS l WHERE l.\"PRJCOD\" = \"Tem\".\"PRJCOD\" LIMIT 1),"
      " (SELECT l.\"ACTDES\" FROM \"Act\" AS l WHERE l.\"ACTCOD\" = \"Tem\".\"ACTCOD\" LIMIT 1)"
      " FROM \"Tem\" ORDER BY \"Tem\".\"TEMDAT\", \"Tem\".\"TEMCOD\" LIMIT 64";
const char* const SqlDayTotal = "Select Sum(TemNbrHeu) From Tem \nWhere TemDat = ? And EmpCod = ? And TemFac = ?";
const char* const SqlPeriodTotal = "Select Sum(TemNbrHeu) From Tem \nWhere TemDat >= ? And TemDat <= ? And EmpCod = ? And TemFac = ?";
const char* const SqlScan = "SELECT t.*, e.EMPNOM, p.PRJDES, a.ACTDES FROM Tem t"
                            " LEFT JOIN Emp e ON e.EMPCOD = t.EMPCOD"
                            " LEFT JOIN Prj p ON p.PRJCOD = t.PRJCOD"
                            " LEFT JOIN Act a ON a.ACTCOD = t.ACTCOD"
                            " ORDER BY t.TEMDAT, t.TEMCOD";

// ---- the scan, run in a process of its own ----------------------------------------------------
//
// The kernel keeps one high-water mark per process and it cannot be reset, so a scan run after
// the other figures would hide behind their peaks (and theirs behind its). Each scan therefore
// runs in a fresh process: its VmHWM is the start-up, the opening of the tables and the scan
// and nothing else, and the VmHWM read just before the scan says how much of it the scan added.

struct ScanResult {
    double ms = 0;
    qint64 rows = 0;
    double checksum = 0;
    Rss before, after;
};

double consume(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString: return double(v.toString().size());
    case QMetaType::Double: return v.toDouble();
    case QMetaType::Int: return v.toInt();
    case QMetaType::Bool: return v.toBool() ? 1 : 0;
    case QMetaType::QDate: return double(v.toDate().day());
    default: return 0;
    }
}

ScanResult scanOurs(const QString& dir)
{
    Ours ours(dir);
    TFData* d = ours.open();
    qdb::Table* t = d->TabTemTmp;
    ScanResult r;
    r.before = readRss();
    const std::vector<qdb::Field*>& fields = t->fields();
    r.ms = timeMs([&] {
        t->disableControls();
        t->first();
        while (!t->eof()) {
            for (qdb::Field* f : fields)
                r.checksum += consume(f->value());
            ++r.rows;
            t->next();
        }
        t->enableControls();
    });
    r.after = readRss();
    return r;
}

ScanResult scanBare(const QString& dir)
{
    BareSqlite b;
    b.open(QDir(dir).filePath(qdb::SqliteBackend::fileName()));
    ScanResult r;
    r.before = readRss();
    r.ms = timeMs([&] {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(b.handle(), SqlScan, -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(b.handle()));
        const int n = sqlite3_column_count(st);
        const int fac = 5; // TEMFAC, TEMNBRHEU: the calculated fields' inputs
        const int hours = 3;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < n; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER: r.checksum += double(sqlite3_column_int64(st, c)); break;
                case SQLITE_FLOAT: r.checksum += sqlite3_column_double(st, c); break;
                case SQLITE_TEXT:
                    sqlite3_column_text(st, c);
                    r.checksum += sqlite3_column_bytes(st, c);
                    break;
                default: break;
                }
            }
            // The same three calculated values the report table derives.
            const bool billable = sqlite3_column_type(st, fac) != SQLITE_NULL && sqlite3_column_int(st, fac) != 0;
            const double h = sqlite3_column_double(st, hours);
            r.checksum += billable ? h + 11 : h + 15;
            ++r.rows;
        }
        sqlite3_finalize(st);
    });
    r.after = readRss();
    return r;
}

int scanChild(const QString& which, const QString& dir)
{
    const ScanResult r = which == QLatin1String("ours") ? scanOurs(dir) : scanBare(dir);
    out << "scan ms=" << QString::number(r.ms, 'f', 3) << " rows=" << r.rows << " hwm_before_kb=" << r.before.hwmKb
        << " hwm_after_kb=" << r.after.hwmKb << " rss_before_kb=" << r.before.rssKb << " rss_after_kb=" << r.after.rssKb
        << " checksum=" << QString::number(r.checksum, 'f', 0) << "\n"
        << Qt::flush;
    return 0;
}

ScanResult runScanChild(const QString& which, const QString& dir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--scan-child"), which, QStringLiteral("--dir"), dir });
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("the %1 scan failed").arg(which).toStdString());
    ScanResult r;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("scan "))
            continue;
        for (const QByteArray& kv : line.mid(5).split(' ')) {
            const QByteArray k = kv.left(kv.indexOf('=')), v = kv.mid(kv.indexOf('=') + 1);
            if (k == "ms")
                r.ms = v.toDouble();
            else if (k == "rows")
                r.rows = v.toLongLong();
            else if (k == "checksum")
                r.checksum = v.toDouble();
            else if (k == "hwm_before_kb")
                r.before.hwmKb = v.toLongLong();
            else if (k == "hwm_after_kb")
                r.after.hwmKb = v.toLongLong();
            else if (k == "rss_before_kb")
                r.before.rssKb = v.toLongLong();
            else if (k == "rss_after_kb")
                r.after.rssKb = v.toLongLong();
        }
        return r;
    }
    throw std::runtime_error(QStringLiteral("the %1 scan printed no result").arg(which).toStdString());
}

// ---- the database ---------------------------------------------------------------------------

QString defaultDirectory(qint64 entries)
{
    const QString label = entries == 1000000 ? QStringLiteral("1m") : QString::number(entries);
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quillmark-bench/db-") + label;
}

// Generated once, into a side directory renamed at the end: an interrupted run never leaves a
// half-filled database that later runs would take for a complete one.
void ensureDatabase(const QString& dir, qint64 entries, int employees)
{
    if (qmgen::hasDatabase(dir))
        return;
    const QString partial = QDir::cleanPath(dir) + QStringLiteral(".partial");
    QDir(partial).removeRecursively();
    qmgen::Options o;
    o.directory = partial;
    o.entries = entries;
    o.employees = employees;
    note(QStringLiteral("generating %1 entries into %2 (once; later runs reuse it)").arg(entries).arg(dir));
    qint64 shown = 0;
    const qmgen::Summary s = qmgen::generate(o, [&](const QString& stage, qint64 done, qint64 total) {
        if (stage == QLatin1String("entries") && done > shown && (done == total || done % 200000 == 0)) {
            note(QStringLiteral("  entries %1 / %2").arg(done).arg(total));
            shown = done;
        }
    });
    note(QStringLiteral("generated in %1 s").arg(s.elapsedMs / 1000.0, 0, 'f', 1));
    QDir(dir).removeRecursively(); // an empty directory or one without a database
    QDir().mkpath(QFileInfo(QDir::cleanPath(dir)).path());
    if (!QDir().rename(partial, QDir::cleanPath(dir)))
        throw std::runtime_error(QStringLiteral("cannot rename %1 to %2").arg(partial, dir).toStdString());
}

// Reads the file once so that both sides start from the same warm page cache.
void warmFileCache(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return;
    QByteArray buf(1 << 20, Qt::Uninitialized);
    while (f.read(buf.data(), buf.size()) > 0) { }
}

// ---- the figures ------------------------------------------------------------------------------

struct Context {
    QString dir;
    QString file;
    int reps = 11;
    bool trace = false;
    QDate day;        // the last day with entries
    QString employee; // one with entries that day
};

void benchOpen(const Context& cx)
{
    std::vector<double> ours, bare;
    {
        Ours o(cx.dir);
        for (int i = 0; i < cx.reps; ++i) {
            trace.start(cx.trace && i == 0);
            ours.push_back(timeMs([&] { o.open(); }));
            const int statements = trace.stop();
            if (i == 0)
                note(QStringLiteral("open: %1 statement(s); %2 tables open, TabEmp on employee %3")
                         .arg(statements)
                         .arg(o.data()->TablesInOpenOrder().size())
                         .arg(o.data()->TabEmpEMPCOD->asString()));
            o.close();
        }
    }
    for (int i = 0; i < cx.reps; ++i) {
        bare.push_back(timeMs([&] {
            BareSqlite b;
            b.open(cx.file);
            b.select(SqlSchema);
            b.select(SqlSysPage);
            const QString emp = b.scalarText(SqlEmpPage);
            b.select(SqlEmpPage);
            const QString prj = b.scalarText(SqlPrjPage);
            b.select(SqlPrjPage);
            b.select(SqlActPage);
            b.select(SqlPrjActPage, { prj });
            b.select(SqlTemPage, { emp });
            b.select(SqlTemTmpPage);
        }));
    }
    figure("open", median(ours), median(bare));
}

void benchEmployeeSwitch(const Context& cx)
{
    std::vector<double> ours, bare;
    QStringList employees;
    {
        Ours o(cx.dir);
        TFData* d = o.open();
        d->DatJou = cx.day;
        d->TabTem->setFiltered(true);
        d->TabEmp->first();
        qint64 rowsSeen = 0;
        for (int i = 0; i < cx.reps; ++i) {
            trace.start(cx.trace && i == 0);
            ours.push_back(timeMs([&] {
                d->TabEmp->next();
                if (d->TabEmp->eof())
                    d->TabEmp->first();
            }));
            const int statements = trace.stop();
            if (i == 0)
                note(QStringLiteral("employee_switch: %1 statement(s) per switch").arg(statements));
            employees << d->TabEmpEMPCOD->asString();
            for (d->TabTem->first(); !d->TabTem->eof(); d->TabTem->next())
                ++rowsSeen;
        }
        note(QStringLiteral("employee_switch: %1 entries a switch on %2 on average")
                 .arg(double(rowsSeen) / cx.reps, 0, 'f', 1)
                 .arg(cx.day.toString(Qt::ISODate)));
    }
    BareSqlite b;
    b.open(cx.file);
    const QString day = cx.day.toString(Qt::ISODate);
    for (const QString& emp : employees)
        bare.push_back(timeMs([&] { b.select(SqlTemDayPage, { emp, day }); }));
    figure("employee_switch", median(ours), median(bare));
}

void benchTotals(const Context& cx)
{
    std::vector<double> ours, bare;
    const QDate from = cx.day.addDays(-6);
    double oursSum = 0, bareSum = 0;
    {
        Ours o(cx.dir);
        TFData* d = o.open();
        for (int i = 0; i < cx.reps; ++i) {
            oursSum = 0;
            trace.start(cx.trace && i == 0);
            ours.push_back(timeMs([&] {
                for (bool fac : { true, false }) {
                    qdb::Query* q = d->QNbrHeuJou;
                    q->close();
                    q->paramByName(QStringLiteral("Dat")).setAsDate(cx.day);
                    q->paramByName(QStringLiteral("Emp")).setAsString(cx.employee);
                    q->paramByName(QStringLiteral("Fac")).setAsBoolean(fac);
                    q->open();
                    oursSum += d->QNbrHeuJouSUMOFTemNbrHeu->asFloat();
                    q->close();
                }
                for (bool fac : { true, false }) {
                    qdb::Query* q = d->QNbrHeuSem;
                    q->close();
                    q->paramByName(QStringLiteral("Debut")).setAsDate(from);
                    q->paramByName(QStringLiteral("Fin")).setAsDate(cx.day);
                    q->paramByName(QStringLiteral("Emp")).setAsString(cx.employee);
                    q->paramByName(QStringLiteral("Fac")).setAsBoolean(fac);
                    q->open();
                    oursSum += d->QNbrHeuSemSUMOFTemNbrHeu->asFloat();
                    q->close();
                }
            }));
            const int statements = trace.stop();
            if (i == 0)
                note(QStringLiteral("totals: %1 statement(s) for the four totals").arg(statements));
        }
    }
    BareSqlite b;
    b.open(cx.file);
    const QString day = cx.day.toString(Qt::ISODate), first = from.toString(Qt::ISODate);
    for (int i = 0; i < cx.reps; ++i) {
        bareSum = 0;
        bare.push_back(timeMs([&] {
            for (int fac : { 1, 0 })
                bareSum += b.scalarDouble(SqlDayTotal, { day, cx.employee, fac });
            for (int fac : { 1, 0 })
                bareSum += b.scalarDouble(SqlPeriodTotal, { first, day, cx.employee, fac });
        }));
    }
    note(QStringLiteral("totals: employee %1, day %2 and the 7 days to it: %3 h (bare %4 h)")
             .arg(cx.employee, day)
             .arg(oursSum)
             .arg(bareSum));
    figure("totals", median(ours), median(bare));
}

// Commits wait for the disk twice (journal, then database), and this host's fsync latency
// changes by an order of magnitude from one second to the next: the two sides take turns, so
// that both meet the same disk.
void benchEditPost(const Context& cx)
{
    std::vector<double> ours, bare;
    const int reps = cx.reps + cx.reps % 2; // an even count puts every value back
    Ours o(cx.dir);
    TFData* d = o.open();
    d->DatJou = cx.day;
    d->TabTem->setFiltered(true);
    if (!d->TabEmp->locate(QStringLiteral("EMPCOD"), cx.employee) || d->TabTem->isEmpty())
        throw std::runtime_error("no entry to edit");
    const int code = d->TabTemTEMCOD->asInteger();
    const double original = d->TabTemTEMNBRHEU->asFloat();
    BareSqlite b;
    b.open(cx.file);
    for (int i = 0; i < reps; ++i) {
        const double value = i % 2 ? original : (original >= 8 ? original - 0.25 : original + 0.25);
        trace.start(cx.trace && i == 0);
        ours.push_back(timeMs([&] {
            d->TabTem->edit();
            d->TabTemTEMNBRHEU->setAsFloat(value);
            d->TabTem->post();
        }));
        const int statements = trace.stop();
        if (i == 0)
            note(QStringLiteral("edit_post: %1 statement(s) per edit and post").arg(statements));
        if (d->TabTemTEMCOD->asInteger() != code)
            throw std::runtime_error("the edited entry is no longer current");
        // The bare side changes the same entry: away from the value ours just wrote, then back.
        const double other = i % 2 ? (original >= 8 ? original - 0.25 : original + 0.25) : original;
        bare.push_back(timeMs([&] {
            b.exec("BEGIN IMMEDIATE");
            b.exec("UPDATE \"Tem\" SET \"TEMNBRHEU\" = ? WHERE \"TEMCOD\" = ?", { other, code });
            b.exec("COMMIT");
            b.select(SqlTemRow, { code });
        }));
        b.exec("BEGIN IMMEDIATE");
        b.exec("UPDATE \"Tem\" SET \"TEMNBRHEU\" = ? WHERE \"TEMCOD\" = ?", { value, code }); // as ours left it
        b.exec("COMMIT");
    }
    note(QStringLiteral("edit_post: entry %1, full synchronous commits on both sides, taking turns").arg(code));
    figure("edit_post", median(ours), median(bare));
}

void benchScan(const Context& cx, int reps)
{
    std::vector<double> ours, bare;
    ScanResult o, b;
    for (int i = 0; i < reps; ++i) {
        const ScanResult ro = runScanChild(QStringLiteral("ours"), cx.dir);
        const ScanResult rb = runScanChild(QStringLiteral("bare"), cx.dir);
        ours.push_back(ro.ms);
        bare.push_back(rb.ms);
        if (ro.after.hwmKb > o.after.hwmKb)
            o = ro;
        if (rb.after.hwmKb > b.after.hwmKb)
            b = rb;
    }
    if (o.rows != b.rows)
        throw std::runtime_error(QStringLiteral("the scans read %1 and %2 rows").arg(o.rows).arg(b.rows).toStdString());
    note(QStringLiteral("scan: %1 rows; ours VmHWM %2 MB before the scan, %3 MB after (VmRSS %4 -> %5 MB);"
                        " bare VmHWM %6 -> %7 MB")
             .arg(o.rows)
             .arg(o.before.hwmKb / 1024.0, 0, 'f', 1)
             .arg(o.after.hwmKb / 1024.0, 0, 'f', 1)
             .arg(o.before.rssKb / 1024.0, 0, 'f', 1)
             .arg(o.after.rssKb / 1024.0, 0, 'f', 1)
             .arg(b.before.hwmKb / 1024.0, 0, 'f', 1)
             .arg(b.after.hwmKb / 1024.0, 0, 'f', 1));
    figure("scan", median(ours), median(bare));
    out << "scan_peak_rss_mb=" << QString::number(o.after.hwmKb / 1024.0, 'f', 1) << "\n" << Qt::flush;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qm_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times our database engine against bare SQLite on a large database."));
    parser.addHelpOption();
    const QCommandLineOption dirOpt(QStringLiteral("dir"), QStringLiteral("Database directory (generated when it holds none)."), QStringLiteral("path"));
    const QCommandLineOption entriesOpt(QStringLiteral("entries"), QStringLiteral("Entries of a generated database."), QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption repsOpt(QStringLiteral("reps"), QStringLiteral("Repetitions of the short figures (median)."), QStringLiteral("n"), QStringLiteral("11"));
    const QCommandLineOption scanRepsOpt(QStringLiteral("scan-reps"), QStringLiteral("Repetitions of the scan."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption traceOpt(QStringLiteral("trace"), QStringLiteral("Print the statements our side runs (to stderr)."));
    const QCommandLineOption onlyOpt(QStringLiteral("only"), QStringLiteral("Comma-separated figures to run."), QStringLiteral("names"));
    QCommandLineOption childOpt(QStringLiteral("scan-child"), QStringLiteral("Internal: run one scan."), QStringLiteral("ours|bare"));
    childOpt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({ dirOpt, entriesOpt, repsOpt, scanRepsOpt, traceOpt, onlyOpt, childOpt });
    parser.process(app);
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&installTrace));

    try {
        const qint64 entries = parser.value(entriesOpt).toLongLong();
        const QString dir = QDir::cleanPath(QFileInfo(parser.isSet(dirOpt) ? parser.value(dirOpt) : defaultDirectory(entries)).absoluteFilePath());
        if (parser.isSet(childOpt))
            return scanChild(parser.value(childOpt), dir);

        ensureDatabase(dir, entries, 50);
        Context cx;
        cx.dir = dir;
        cx.file = QDir(dir).filePath(qdb::SqliteBackend::fileName());
        cx.reps = std::max(1, parser.value(repsOpt).toInt());
        cx.trace = parser.isSet(traceOpt);
        warmFileCache(cx.file);
        {
            BareSqlite b;
            b.open(cx.file);
            cx.day = QDate::fromString(b.scalarText("SELECT max(TEMDAT) FROM Tem"), Qt::ISODate);
            cx.employee = b.scalarText("SELECT EMPCOD FROM Tem WHERE TEMDAT = ? GROUP BY EMPCOD ORDER BY count(*) DESC LIMIT 1",
                { cx.day.toString(Qt::ISODate) });
            const qint64 n = qint64(b.scalarDouble("SELECT count(*) FROM Tem"));
            note(QStringLiteral("database %1: %2 entries, last day %3").arg(dir).arg(n).arg(cx.day.toString(Qt::ISODate)));
        }
        if (!cx.day.isValid())
            throw std::runtime_error("the database has no entries");

        const QStringList only = parser.value(onlyOpt).split(QLatin1Char(','), Qt::SkipEmptyParts);
        auto wanted = [&](const char* name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
        if (wanted("open"))
            benchOpen(cx);
        if (wanted("employee_switch"))
            benchEmployeeSwitch(cx);
        if (wanted("totals"))
            benchTotals(cx);
        if (wanted("edit_post"))
            benchEditPost(cx);
        if (wanted("scan"))
            benchScan(cx, std::max(1, parser.value(scanRepsOpt).toInt()));
    } catch (const qdb::EngineError& e) {
        err << "qm_bench: " << e.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "qm_bench: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
