// qm_bench_timesheets: times the timesheet windows as a user drives them (another day tab,
// another week, another employee, saving a new entry, the note search) on the generated
// database of qm_bench, each beside bare SQLite doing the same reading and writing.
#include "BareSqlite.h"
#include "BenchFigures.h"
#include "Generator.h"

#include "Cal.h"
#include "Data.h"
#include "DialogService.h"
#include "EngineConfig.h"
#include "Res.h"
#include "SqliteBackend.h"
#include "Tem.h"
#include "TemAm.h"
#include "rech.h"
#include "ui_TemAm.h"
#include "ui_rech.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::figure;
using bench::median;
using bench::note;
using bench::timeMs;

#define TEM_COLUMNS                                                                                                    \
    "SELECT \"Tem\".\"TEMCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"EMPCOD\", \"Tem\".\"TEMNBRHEU\", \"Tem\".\"ACTCOD\","     \
    " \"Tem\".\"TEMFAC\", \"Tem\".\"TEMNOT\", \"Tem\".\"PRJCOD\","                                                     \
    " (SELECT l.\"PRJDES\" FROM \"Prj\" AS l WHERE l.\"PRJCOD\" = \"Tem\".\"PRJCOD\" LIMIT 1),"                        \
    " (SELECT l.\"ACTDES\" FROM \"Act\" AS l WHERE l.\"ACTCOD\" = \"Tem\".\"ACTCOD\" LIMIT 1) FROM \"Tem\""
const char* const SqlTemDayPage = TEM_COLUMNS " WHERE ((\"Tem\".\"EMPCOD\" = ?) AND (\"TEMDAT\" = ?))"
                                              " ORDER BY \"Tem\".\"EMPCOD\", \"Tem\".\"TEMDAT\", \"Tem\".\"TEMCOD\" LIMIT 64";
const char* const SqlDayTotal = "Select Sum(TemNbrHeu) From Tem \nWhere TemDat = ? And EmpCod = ? And TemFac = ?";
const char* const SqlPeriodTotal = "Select Sum(TemNbrHeu) From Tem \nWhere TemDat >= ? And TemDat <= ? And EmpCod = ? And TemFac = ?";
const char* const SqlSearchScan = "SELECT t.TEMCOD, t.TEMDAT, t.TEMNBRHEU, t.EMPCOD, t.ACTCOD, t.TEMNOT, t.TEMFAC, t.PRJCOD,"
                                  " e.EMPNOM, p.PRJDES, a.ACTDES FROM Tem t"
                                  " LEFT JOIN Emp e ON e.EMPCOD = t.EMPCOD"
                                  " LEFT JOIN Prj p ON p.PRJCOD = t.PRJCOD"
                                  " LEFT JOIN Act a ON a.ACTCOD = t.ACTCOD"
                                  " ORDER BY t.TEMDAT, t.TEMCOD";

// The reading one move of the timesheet window does, straight through SQLite: the day's entries
// and the four totals.
void bareDay(BareSqlite& b, const QString& emp, const QDate& day, int tab)
{
    const QString d = day.toString(Qt::ISODate);
    b.select(SqlTemDayPage, { emp, d });
    for (int fac : { 1, 0 })
        b.scalarDouble(SqlDayTotal, { d, emp, fac });
    for (int fac : { 1, 0 })
        b.scalarDouble(SqlPeriodTotal, { day.addDays(-tab).toString(Qt::ISODate), day.addDays(6 - tab).toString(Qt::ISODate), emp, fac });
}

// Bare SQLite doing the note search's work: every entry with its names, as one text, a–z folded,
// every keyword looked for.
qint64 bareSearch(BareSqlite& b, const std::vector<std::string>& keywords)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(b.handle(), SqlSearchScan, -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(b.handle()));
    std::string text;
    qint64 found = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        text.clear();
        const int n = sqlite3_column_count(st);
        for (int i = 0; i < n; ++i) {
            if (i == 6) { // the billable flag enters as its wording
                text += sqlite3_column_int(st, i) ? " Chargeables" : " Not chargeables";
                continue;
            }
            text += ' ';
            if (const unsigned char* v = sqlite3_column_text(st, i))
                text += reinterpret_cast<const char*>(v);
        }
        for (char& c : text)
            if (c >= 'a' && c <= 'z')
                c -= 'a' - 'A';
        bool all = true;
        for (const std::string& k : keywords)
            if (text.find(k) == std::string::npos) {
                all = false;
                break;
            }
        found += all;
    }
    sqlite3_finalize(st);
    return found;
}

QString defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quillmark-bench/db-1m");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qm_bench_timesheets"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the timesheet windows against bare SQLite."));
    parser.addHelpOption();
    const QCommandLineOption dirOpt(QStringLiteral("dir"), QStringLiteral("Database directory (generated when it holds none)."),
        QStringLiteral("path"), defaultDirectory());
    const QCommandLineOption repsOpt(QStringLiteral("reps"), QStringLiteral("Repetitions (median)."), QStringLiteral("n"), QStringLiteral("11"));
    const QCommandLineOption keywordsOpt(QStringLiteral("keywords"), QStringLiteral("The two keyword lines of the search."),
        QStringLiteral("a,b"), QStringLiteral("meeting,client"));
    parser.addOptions({ dirOpt, repsOpt, keywordsOpt });
    parser.process(app);
    const QString dir = QDir::cleanPath(parser.value(dirOpt));
    const int reps = std::max(1, parser.value(repsOpt).toInt());

    try {
        if (!qmgen::hasDatabase(dir)) {
            qmgen::Options o;
            o.directory = dir;
            o.entries = 1000000;
            o.employees = 50;
            note(QStringLiteral("generating 1000000 entries into %1").arg(dir));
            qmgen::generate(o);
        }
        QTemporaryDir tmp;
        qdb::EngineConfig::setInstanceFile(tmp.filePath(QStringLiteral("engine.cfg")));
        qdb::EngineConfig::instance().ensureExists(TFData::EngineDefaults());
        qdb::EngineConfig::instance().setAliasPath(QStringLiteral("QUILLMARK"), dir);
        qui::ScriptedDialogService dialogs;
        DayNames.clear();
        for (const QString& day : Res::DayName)
            DayNames << day;

        BareSqlite b;
        b.open(QDir(dir).filePath(qdb::SqliteBackend::fileName()));
        const QDate last = QDate::fromString(b.scalarText("SELECT max(TEMDAT) FROM Tem"), Qt::ISODate);
        note(QStringLiteral("database %1: %2 entries, last day %3")
                 .arg(dir)
                 .arg(qint64(b.scalarDouble("SELECT count(*) FROM Tem")))
                 .arg(last.toString(Qt::ISODate)));

        auto* data = new TFData;
        data->Db->open();
        for (qdb::Table* t : data->TablesInOpenOrder())
            t->open();
        auto* rech = new TFRech;
        auto* cal = new TFCal;
        cal->setDate(last.addDays(-14));
        auto* tem = new TFTem;
        tem->resize(1000, 700);
        tem->show();
        tem->setProperty("Tag", 1);
        tem->showCalendarDate();
        QCoreApplication::processEvents();

        auto employee = [&] { return data->TabEmpEMPCOD->asString(); };
        auto settle = [] { QCoreApplication::processEvents(); }; // painting what the move changed

        // Another day tab, taking turns between two days of the same week.
        {
            std::vector<double> ours, bare;
            for (int i = 0; i < reps; ++i) {
                const int to = tem->selectedTab() == 2 ? 4 : 2;
                ours.push_back(timeMs([&] {
                    tem->TabControl1()->setCurrentIndex(to);
                    settle();
                }));
                bare.push_back(timeMs([&] { bareDay(b, employee(), cal->date(), to); }));
            }
            figure("tem_day_switch", median(ours), median(bare));
        }
        // Another week: next, then back.
        {
            std::vector<double> ours, bare;
            for (int i = 0; i < reps; ++i) {
                const bool forward = i % 2 == 0;
                ours.push_back(timeMs([&] {
                    forward ? tem->SpeedButton3Click() : tem->SpeedButton1Click();
                    settle();
                }));
                bare.push_back(timeMs([&] { bareDay(b, employee(), cal->date(), tem->selectedTab()); }));
            }
            figure("tem_week_switch", median(ours), median(bare));
        }
        // Another employee, with the totals refresh.
        {
            std::vector<double> ours, bare;
            for (int i = 0; i < reps; ++i) {
                ours.push_back(timeMs([&] {
                    data->TabEmp->next();
                    if (data->TabEmp->eof())
                        data->TabEmp->first();
                    settle();
                }));
                bare.push_back(timeMs([&] { bareDay(b, employee(), cal->date(), tem->selectedTab()); }));
            }
            figure("tem_employee_switch", median(ours), median(bare));
        }
        // A new entry: the dialog opened in adding mode, hours typed, Ok.
        {
            std::vector<double> ours, bare;
            const int firstNew = data->TabSysSYSTEMCODCPT->asInteger();
            dialogs.onDialog = [](QDialog* d) {
                auto* am = qobject_cast<TFTemAm*>(d);
                am->form()->DBEdit1->setText(QStringLiteral("1.5"));
                am->form()->BitBtn1->click();
                return am->result();
            };
            const int bareBase = 2000000000;
            for (int i = 0; i < reps; ++i) {
                ours.push_back(timeMs([&] {
                    tem->ToolButton1Click();
                    settle();
                }));
                // The same two commits: the counter, then the entry; and the reading after them.
                bare.push_back(timeMs([&] {
                    b.exec("BEGIN IMMEDIATE");
                    b.select("SELECT SYSTEMCODCPT FROM Sys");
                    b.exec("UPDATE Sys SET SYSTEMCODCPT = SYSTEMCODCPT + 1");
                    b.exec("COMMIT");
                    b.exec("BEGIN IMMEDIATE");
                    b.exec("INSERT INTO Tem (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, ACTCOD, TEMFAC, TEMNOT, PRJCOD)"
                           " SELECT ?, TEMDAT, EMPCOD, 1.5, ACTCOD, NULL, NULL, PRJCOD FROM Tem LIMIT 1",
                        { bareBase + i });
                    b.exec("COMMIT");
                    bareDay(b, employee(), cal->date(), tem->selectedTab());
                }));
            }
            // Leave the database as it was.
            b.exec("DELETE FROM Tem WHERE TEMCOD >= ?", { firstNew });
            b.exec("UPDATE Sys SET SYSTEMCODCPT = ?", { firstNew });
            data->TabTem->refresh();
            data->TabSys->refresh();
            figure("tem_entry_save", median(ours), median(bare));
        }
        // The note search over every entry, two keyword lines.
        {
            const QStringList words = parser.value(keywordsOpt).split(QLatin1Char(','));
            std::vector<std::string> folded;
            for (const QString& w : words)
                folded.push_back(w.toUpper().toStdString());
            rech->form()->Memo1->setPlainText(words.join(QLatin1Char('\n')));
            const int searchReps = std::max(1, reps / 4);
            std::vector<double> ours, bare;
            qint64 oursFound = 0, bareFound = 0;
            for (int i = 0; i < searchReps; ++i) {
                ours.push_back(timeMs([&] { rech->BitBtn1Click(); }));
                oursFound = rech->CDS()->recordCount();
                bare.push_back(timeMs([&] { bareFound = bareSearch(b, folded); }));
            }
            note(QStringLiteral("note_search: %1 results (bare %2)").arg(oursFound).arg(bareFound));
            figure("note_search", median(ours), median(bare));

            // Stop pressed half a second into a search: how long from the press being due until the
            // search has ended (the wait for the event loop included).
            QElapsedTimer sinceStart;
            QTimer::singleShot(500, [&] { rech->form()->BitBtn3->click(); });
            sinceStart.start();
            rech->BitBtn1Click();
            bench::out() << "note_search_stop_ms=" << QString::number(double(sinceStart.nsecsElapsed()) / 1e6 - 500, 'f', 1) << "\n"
                << Qt::flush;
        }
        delete tem;
        delete cal;
        delete rech;
        delete data;
    } catch (const std::exception& e) {
        QTextStream(stderr) << "qm_bench_timesheets: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
