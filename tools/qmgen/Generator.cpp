#include "Generator.h"

#include "Data.h"
#include "Database.h"
#include "EngineError.h"
#include "SqliteBackend.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qmgen {

namespace {

// Our own generator rather than <random>: the same seed must give the same database with
// every standard library.
class Rng {
public:
    explicit Rng(quint64 seed)
    {
        quint64 x = seed;
        for (quint64& s : m_s)
            s = splitmix(x);
    }
    quint64 next()
    {
        const quint64 result = rotl(m_s[1] * 5, 7) * 9;
        const quint64 t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }
    double real() { return double(next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
    int below(int n) { return n <= 0 ? 0 : int(real() * n); }                    // [0, n)
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }              // [lo, hi]
    bool chance(double p) { return real() < p; }
    template <typename T> const T& pick(const QVector<T>& v) { return v[below(int(v.size()))]; }
    template <typename T, size_t N> T pick(const T (&a)[N]) { return a[below(int(N))]; }

private:
    static quint64 rotl(quint64 x, int k) { return (x << k) | (x >> (64 - k)); }
    static quint64 splitmix(quint64& x)
    {
        quint64 z = (x += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    quint64 m_s[4];
};

const char* const FirstNames[] = { "Alice", "Benoît", "Camille", "David", "Élodie", "François", "Gabrielle", "Hugo",
    "Isabelle", "Jacques", "Karine", "Louis", "Mélanie", "Nicolas", "Olivia", "Patrick", "Quentin", "Raphaël", "Sophie",
    "Thomas", "Ursula", "Valérie", "William", "Xavier", "Yasmine", "Zoé", "André", "Béatrice", "Charles", "Diane",
    "Étienne", "Frédérique", "Guillaume", "Hélène", "Julien", "Léa", "Marc", "Nathalie", "Olivier", "Pascale",
    "Robert", "Sylvie", "Martin", "Catherine", "Simon", "Julie", "Maxime", "Annie", "Samuel", "Chantal" };
const char* const LastNames[] = { "Tremblay", "Gagnon", "Roy", "Côté", "Bouchard", "Gauthier", "Morin", "Lavoie",
    "Fortin", "Gagné", "Ouellet", "Pelletier", "Bélanger", "Lévesque", "Bergeron", "Leblanc", "Paquette", "Girard",
    "Simard", "Boucher", "Caron", "Beaulieu", "Cloutier", "Dubé", "Poirier", "Fournier", "Lapointe", "Leclerc",
    "Lefebvre", "Poulin", "Thibault", "St-Pierre", "Nadeau", "Martin", "Landry", "Martel", "Bédard", "Grenier",
    "Lessard", "Bernier", "Richard", "Michaud", "Hébert", "Desjardins", "Couture", "Turcotte", "Lachance", "Parent",
    "Blais", "Gosselin", "MacDonald", "O'Neil", "Smith", "Nguyen", "Santos" };
const char* const Clients[] = { "Boréal Foods", "Hydro Nord", "Laurentide Bank", "Maple Logistics", "Citadelle Press",
    "Rivière Energy", "Saguenay Mills", "Atlas Insurance", "Beacon Health", "Cobalt Mining", "Delta Airways",
    "Evergreen Homes", "Fjord Shipping", "Granite Telecom", "Harbor City", "Ironwood Labs", "Juniper Retail",
    "Keystone Legal", "Lumen Optics", "Meridian Hotels", "Northwind Co-op", "Orchard Farms", "Pinnacle Sports",
    "Quarry Works", "Redwood School", "Summit Clinic", "Tundra Outfitters", "Union Credit", "Vista Media",
    "Willow Dental", "Internal" };
const char* const ProjectKinds[] = { "ERP migration", "Website redesign", "Mobile app", "Data warehouse",
    "Payroll interface", "Annual audit", "Network upgrade", "CRM rollout", "Security review", "Support contract",
    "Reporting portal", "Inventory system", "Training program", "Cloud move", "Billing revamp", "Intranet",
    "Tax filing", "Process review", "E-commerce", "Maintenance" };
const char* const ActivityNames[] = { "Analysis", "Design", "Development", "Code review", "Testing", "Deployment",
    "Project management", "Client meeting", "Internal meeting", "Documentation", "Training", "Support",
    "Bug fixing", "Estimation", "Research", "Travel", "Administration", "Quality assurance", "Architecture",
    "Data migration", "Configuration", "Installation", "Integration", "Performance tuning", "Security audit",
    "User acceptance", "Workshop", "Proposal writing", "Invoicing", "Recruiting", "Onboarding", "Maintenance",
    "Monitoring", "Backup and recovery", "Prototyping", "UX review", "Reporting", "Planning", "Coordination",
    "Sales support" };

const char* const Verbs[] = { "Reviewed", "Fixed", "Prepared", "Discussed", "Updated", "Tested", "Wrote", "Met with",
    "Called", "Configured", "Deployed", "Analysed", "Planned", "Documented", "Followed up on", "Estimated",
    "Cleaned up", "Investigated", "Presented", "Validated" };
const char* const Objects[] = { "the invoice batch", "the deadline", "the migration scripts", "the regression",
    "a hotfix", "the kickoff agenda", "the budget", "the workshop", "the test plan", "the user stories",
    "the release notes", "the database schema", "the backup job", "the login page", "the monthly report",
    "the purchase order", "the server logs", "the timesheet export", "the client feedback", "the contract",
    "the staging server", "the printer driver", "the payroll file", "the onboarding checklist", "the API",
    "the dashboard", "the SLA", "the roadmap", "the import wizard", "the tax forms" };
const char* const Tails[] = { "", "", "", " with the client", " for next week", " before the demo", " as requested",
    " (urgent)", " after the outage", " with the team", " for the steering committee", " per ticket",
    " on site", " remotely", " — waiting for approval" };
const char* const Extras[] = { "Client asked for a second estimate.", "Follow-up meeting booked for Monday.",
    "Blocked by missing credentials.", "Performance is acceptable now.", "Need sign-off from finance.",
    "Deadline moved by one week.", "Found a regression in the export; hotfix planned.",
    "Budget is at 80 percent.", "Sent minutes to everybody.", "Waiting for the vendor.",
    "Kickoff went well, scope confirmed.", "Invoice to be re-issued with the right PO number.",
    "Migration rehearsal completed without errors.", "Workshop notes are on the shared drive.",
    "Not billable: warranty work.", "Overtime approved by the manager." };

QString fit(const QString& s, int size) { return s.size() > size ? s.left(size).trimmed() : s; }

void fail(const QSqlQuery& q, qdb::Database& db, const QString& context)
{
    throw db.backend().translate(q.lastError(), context);
}

void exec(QSqlQuery& q, qdb::Database& db, const QString& context)
{
    if (!q.exec())
        fail(q, db, context);
}

void pragma(qdb::Database& db, const QString& sql)
{
    QSqlQuery q(db.connection());
    if (!q.exec(sql))
        fail(q, db, sql);
    while (q.next()) { }
    q.finish();
}

QString note(Rng& rng, const QStringList& colleagues)
{
    const double u = rng.real();
    if (u < 0.33)
        return QString(); // stored as no value, as the program stores an empty memo
    auto sentence = [&]() {
        QString s = QString::fromUtf8(rng.pick(Verbs)) + QLatin1Char(' ') + QString::fromUtf8(rng.pick(Objects))
            + QString::fromUtf8(rng.pick(Tails));
        if (rng.chance(0.15))
            s += QStringLiteral(" #%1").arg(1000 + rng.below(9000)); // ticket numbers people search for
        if (rng.chance(0.1))
            s += QStringLiteral(" with ") + colleagues[rng.below(int(colleagues.size()))];
        return s;
    };
    if (u < 0.78)
        return sentence();
    if (u < 0.95)
        return sentence() + QStringLiteral(". ") + QString::fromUtf8(rng.pick(Extras));
    // A long note: several lines, sometimes a list.
    const int lines = rng.between(3, 12);
    const bool bullets = rng.chance(0.5);
    QStringList out;
    for (int i = 0; i < lines; ++i) {
        const QString line = rng.chance(0.3) ? QString::fromUtf8(rng.pick(Extras)) : sentence() + QLatin1Char('.');
        out << (bullets ? QStringLiteral("- ") + line : line);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

bool hasDatabase(const QString& directory)
{
    return QFileInfo::exists(QDir(directory).filePath(qdb::SqliteBackend::fileName()));
}

Summary generate(const Options& o, const Progress& progress)
{
    if (o.directory.isEmpty())
        throw std::runtime_error("no database directory given");
    if (o.employees < 1 || o.projects < 1 || o.activities < 1 || o.entries < 0 || o.years < 1)
        throw std::runtime_error("counts must be positive (entries may be 0)");
    if (o.employees > 9999 || o.projects > 9999)
        throw std::runtime_error("at most 9999 employees and 9999 projects");
    if (hasDatabase(o.directory))
        throw std::runtime_error(QStringLiteral("%1 already holds a database").arg(o.directory).toStdString());
    if (!QDir().mkpath(o.directory))
        throw std::runtime_error(QStringLiteral("cannot create %1").arg(o.directory).toStdString());

    QElapsedTimer timer;
    timer.start();
    auto report = [&](const char* stage, qint64 done, qint64 total) {
        if (progress)
            progress(QLatin1String(stage), done, total);
    };

    Rng rng(o.seed);
    Summary sum;
    qdb::Database db;
    db.setDatabaseName(QStringLiteral("qmgen"));
    db.setDirectory(o.directory);
    const QString file = QDir(o.directory).filePath(qdb::SqliteBackend::fileName());
    try {
        db.open();
        report("schema", 0, 1);
        TFData::CreateSchema(db);
        report("schema", 1, 1);

        // The file is new and removed on failure: durability of each batch buys nothing here.
        pragma(db, QStringLiteral("PRAGMA synchronous=OFF"));
        pragma(db, QStringLiteral("PRAGMA journal_mode=MEMORY"));
        pragma(db, QStringLiteral("PRAGMA cache_size=-262144"));

        // ---- reference tables
        QStringList empCodes, empFirst;
        {
            qdb::WriteTransaction t(db);
            QSqlQuery q(db.connection());
            q.prepare(QStringLiteral("INSERT INTO \"Emp\" (EMPCOD, EMPNOM) VALUES (?, ?)"));
            const int nf = int(std::size(FirstNames)), nl = int(std::size(LastNames));
            QVector<int> combos(nf * nl);
            for (int i = 0; i < combos.size(); ++i)
                combos[i] = i;
            for (int i = int(combos.size()) - 1; i > 0; --i)
                std::swap(combos[i], combos[rng.below(i + 1)]);
            for (int i = 0; i < o.employees; ++i) {
                const int c = combos[i % combos.size()];
                const QString first = QString::fromUtf8(FirstNames[c % nf]);
                QString name = first + QLatin1Char(' ') + QString::fromUtf8(LastNames[c / nf]);
                if (i >= combos.size())
                    name += QStringLiteral(" %1").arg(i / combos.size() + 1);
                const QString code = QStringLiteral("E%1").arg(i + 1, 4, 10, QLatin1Char('0'));
                empCodes << code;
                empFirst << first;
                q.bindValue(0, code);
                q.bindValue(1, fit(name, 35));
                exec(q, db, QStringLiteral("Cannot insert an employee"));
            }
            q.finish();
            t.commit();
            sum.employees = o.employees;
            report("employees", o.employees, o.employees);
        }

        QStringList prjCodes;
        {
            qdb::WriteTransaction t(db);
            QSqlQuery q(db.connection());
            q.prepare(QStringLiteral("INSERT INTO \"Prj\" (PRJCOD, PRJDES) VALUES (?, ?)"));
            for (int i = 0; i < o.projects; ++i) {
                const QString code = QStringLiteral("P%1").arg(i + 1, 4, 10, QLatin1Char('0'));
                const QString des = QString::fromUtf8(rng.pick(Clients)) + QStringLiteral(": ") + QString::fromUtf8(rng.pick(ProjectKinds));
                prjCodes << code;
                q.bindValue(0, code);
                q.bindValue(1, fit(des, 35));
                exec(q, db, QStringLiteral("Cannot insert a project"));
            }
            q.finish();
            t.commit();
            sum.projects = o.projects;
            report("projects", o.projects, o.projects);
        }

        {
            qdb::WriteTransaction t(db);
            QSqlQuery q(db.connection());
            q.prepare(QStringLiteral("INSERT INTO \"Act\" (ACTCOD, ACTDES) VALUES (?, ?)"));
            const int base = int(std::size(ActivityNames));
            for (int i = 0; i < o.activities; ++i) {
                QString des = QString::fromUtf8(ActivityNames[i % base]);
                if (i >= base)
                    des += QStringLiteral(" (phase %1)").arg(i / base + 1);
                q.bindValue(0, i + 1);
                q.bindValue(1, fit(des, 35));
                exec(q, db, QStringLiteral("Cannot insert an activity"));
            }
            q.finish();
            t.commit();
            sum.activities = o.activities;
            report("activities", o.activities, o.activities);
        }

        // Each project allows a few activities; entries only ever use an allowed pair.
        QVector<QVector<int>> allowed(o.projects);
        {
            qdb::WriteTransaction t(db);
            QSqlQuery q(db.connection());
            q.prepare(QStringLiteral("INSERT INTO \"PrjAct\" (PRJCOD, ACTCOD) VALUES (?, ?)"));
            QVector<int> acts(o.activities);
            for (int p = 0; p < o.projects; ++p) {
                for (int i = 0; i < acts.size(); ++i)
                    acts[i] = i + 1;
                const int n = std::min(rng.between(3, 10), o.activities);
                for (int i = 0; i < n; ++i)
                    std::swap(acts[i], acts[i + rng.below(int(acts.size()) - i)]);
                QVector<int> mine(acts.begin(), acts.begin() + n);
                std::sort(mine.begin(), mine.end());
                for (int a : mine) {
                    q.bindValue(0, prjCodes[p]);
                    q.bindValue(1, a);
                    exec(q, db, QStringLiteral("Cannot insert a project activity"));
                }
                sum.projectActivities += n;
                allowed[p] = mine;
            }
            q.finish();
            t.commit();
            report("project activities", sum.projectActivities, sum.projectActivities);
        }

        // ---- entries: working days of the period, each employee a varying number a day.
        const QDate last = o.lastDay.isValid() ? o.lastDay : QDate::currentDate();
        QVector<QDate> days;
        for (QDate d = last.addYears(-o.years).addDays(1); d <= last; d = d.addDays(1))
            if (d.dayOfWeek() <= 5)
                days << d;
        if (days.isEmpty())
            days << last;
        sum.firstDay = days.first();
        sum.lastDay = days.last();

        // Weights per (day, employee): absences give zero, busy days more.
        const qint64 slotCount = qint64(days.size()) * o.employees;
        QVector<double> weight(slotCount);
        double total = 0;
        for (qint64 i = 0; i < slotCount; ++i) {
            weight[i] = rng.chance(0.05) ? 0.0 : 0.5 + rng.real();
            total += weight[i];
        }
        if (total <= 0) {
            std::fill(weight.begin(), weight.end(), 1.0);
            total = double(slotCount);
        }

        // Each employee mostly books on a handful of projects.
        QVector<QVector<int>> usual(o.employees);
        for (int e = 0; e < o.employees; ++e) {
            const int n = std::min(rng.between(2, 6), o.projects);
            for (int i = 0; i < n; ++i)
                usual[e] << rng.below(o.projects);
        }

        QVector<QString> dayText(days.size());
        for (int i = 0; i < days.size(); ++i)
            dayText[i] = days[i].toString(Qt::ISODate);

        constexpr qint64 Batch = 100000;
        qint64 code = 0;
        double cumulative = 0;
        qint64 allocated = 0;
        QSqlQuery q(db.connection());
        if (!q.prepare(QStringLiteral("INSERT INTO \"Tem\" (TEMCOD, TEMDAT, EMPCOD, TEMNBRHEU, ACTCOD, TEMFAC, TEMNOT, PRJCOD)"
                                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?)")))
            fail(q, db, QStringLiteral("Cannot prepare the entries"));
        std::unique_ptr<qdb::WriteTransaction> t = std::make_unique<qdb::WriteTransaction>(db);
        const QVariant nullValue;
        report("entries", 0, o.entries);
        for (int d = 0; d < days.size(); ++d) {
            for (int e = 0; e < o.employees; ++e) {
                const qint64 slot = qint64(d) * o.employees + e;
                cumulative += weight[slot];
                // Rounding the running share keeps the total exact whatever the weights.
                const qint64 upTo = slot + 1 == slotCount ? o.entries : qint64(std::llround(double(o.entries) * cumulative / total));
                const qint64 n = std::max<qint64>(0, upTo - allocated);
                allocated += n;
                for (qint64 k = 0; k < n; ++k) {
                    const int p = rng.chance(0.85) ? rng.pick(usual[e]) : rng.below(o.projects);
                    const double r = rng.real();
                    const double hours = 0.25 * (1 + int(32.0 * r * r)); // mostly short blocks
                    const double fac = rng.real();
                    ++code;
                    q.bindValue(0, code);
                    q.bindValue(1, dayText[d]);
                    q.bindValue(2, empCodes[e]);
                    q.bindValue(3, hours);
                    q.bindValue(4, rng.pick(allowed[p]));
                    q.bindValue(5, fac < 0.8 ? QVariant(1) : fac < 0.9 ? QVariant(0) : nullValue);
                    const QString text = note(rng, empFirst);
                    q.bindValue(6, text.isEmpty() ? nullValue : QVariant(text));
                    q.bindValue(7, prjCodes[p]);
                    exec(q, db, QStringLiteral("Cannot insert an entry"));
                    if (code % Batch == 0) {
                        q.finish();
                        t->commit();
                        t = std::make_unique<qdb::WriteTransaction>(db);
                        report("entries", code, o.entries);
                    }
                }
            }
        }
        q.finish();
        t->commit();
        t.reset();
        sum.entries = code;
        report("entries", code, o.entries);

        // Counters hand out the next free numbers.
        db.execute(QStringLiteral("UPDATE \"Sys\" SET SYSACTCODCPT = (SELECT coalesce(max(ACTCOD), 0) + 1 FROM \"Act\"),"
                                  " SYSTEMCODCPT = (SELECT coalesce(max(TEMCOD), 0) + 1 FROM \"Tem\")"));
        pragma(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
        pragma(db, QStringLiteral("PRAGMA synchronous=FULL"));
        db.close();
    } catch (...) {
        db.close();
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
        throw;
    }
    sum.elapsedMs = timer.elapsed();
    return sum;
}

} // namespace qmgen
