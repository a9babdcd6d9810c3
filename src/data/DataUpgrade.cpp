// Bringing a database written by an earlier version to the current schema, and the
// restructuring routines it uses.
#include "Data.h"

#include "DialogService.h"
#include "EngineError.h"

#include <QApplication>
#include <QWidget>

using qdb::EngineError;

namespace {
EngineError refusal(const QString& message) { return EngineError(qdb::ErrorCode::InvalidParameter, message); }

void pump(QWidget* wait)
{
    if (wait)
        wait->repaint();
    QApplication::processEvents();
}
}

void TFData::DropRefConstraint(qdb::Table& table, int seqNo, const QString& name)
{
    if (seqNo <= 0 && name.isEmpty())
        throw refusal(QStringLiteral("SeqNo must be positive or a RI name must be specified"));
    if (seqNo > 0 && !name.isEmpty())
        throw refusal(QStringLiteral("You must either use the SeqNo or RIName to specify the constraint; not both"));
    if (!table.active() || !table.exclusive())
        throw refusal(QStringLiteral("Table must be opened and in exclusive mode"));
    const QList<qdb::RefConstraintDef> all = Db->refConstraints(table.tableName());
    if (all.isEmpty())
        throw refusal(QStringLiteral("There are no RI constraints on this table"));
    QStringList marked;
    for (int i = 0; i < all.size(); ++i)
        if ((seqNo > 0 && i + 1 == seqNo) || (!name.isEmpty() && all[i].name == name))
            marked << all[i].name;
    if (marked.isEmpty())
        throw refusal(QStringLiteral("Constraint was not found"));
    const QString tableName = table.tableName();
    table.close();
    qdb::WriteTransaction t(*Db);
    for (const QString& n : marked)
        Db->backend().dropRefConstraint(tableName, n);
    t.commit();
}

void TFData::RestructureField(qdb::Table& table, const QString& field, const FieldChange& change)
{
    if (!table.active())
        throw refusal(QStringLiteral("Table must be opened to restructure"));
    if (!table.exclusive())
        throw refusal(QStringLiteral("Table must be opened exclusively to restructure"));
    const qdb::TableDef def = Db->tableDef(table.tableName());
    const int i = def.fieldIndex(field);
    if (i < 0)
        throw EngineError(qdb::ErrorCode::NoSuchObject, QStringLiteral("Field '%1' not found in table %2").arg(field, table.tableName()));
    qdb::FieldDef f = def.fields[i];
    if (!change.newName.isEmpty())
        f.name = change.newName;
    if (change.newType != 0)
        f.type = qdb::FieldType(change.newType - 1);
    if (change.newSize != 0)
        f.size = change.newSize;
    const QString tableName = table.tableName();
    table.close();
    Db->restructureField(tableName, def.fields[i].name, f);
}

void TFData::AddRefConstraint(qdb::Table& master, qdb::Table& detail, qdb::RefRule updateRule, qdb::RefRule deleteRule,
    const QString& name)
{
    if (!master.active())
        throw refusal(QStringLiteral("Master table: %1 is not opened").arg(master.tableName()));
    if (!detail.active())
        throw refusal(QStringLiteral("Detail table: %1 is not opened").arg(detail.tableName()));
    if (!master.exclusive())
        throw refusal(QStringLiteral("Table: %1 must be opened exclusively").arg(master.tableName()));
    if (!detail.exclusive())
        throw refusal(QStringLiteral("Table: %1 must be opened exclusively").arg(detail.tableName()));
    // Every table of this engine is of the one table type, so the type checks always pass.
    if (deleteRule == qdb::RefRule::Cascade)
        throw refusal(QStringLiteral("Cannot use cascading delete RI with Paradox tables"));
    const QStringList detailKeys = detail.indexFields();
    const QStringList masterKeys = master.indexFields();
    qdb::RefConstraintDef def;
    def.name = name;
    def.detailTable = detail.storageName();
    def.detailField = detailKeys.value(0);
    def.masterTable = master.storageName();
    def.masterField = masterKeys.value(0);
    def.updateRule = updateRule;
    def.deleteRule = deleteRule;
    master.close();
    detail.close();
    try {
        Db->addRefConstraint(def);
    } catch (...) {
        master.open();
        detail.open();
        throw;
    }
    master.open();
    detail.open();
}

int TFData::UpgradeDatabase()
{
    const qui::Answer answer = qui::DialogService::instance().message(nullptr, QStringLiteral("Confirmation ..."),
        QStringLiteral("Quillmark has been updated. Some changes must be done to the database. It is STRONGLY recommended "
                       "to do a backup of your data before doing this operation. Do you want to update the database now?"),
        qui::Icon::Question, qui::Buttons::YesNo);
    if (answer != qui::Answer::Yes)
        return 1;

    QWidget* wait = ShowWait ? ShowWait(2) : nullptr;
    pump(wait);
    int result = 0;
    auto ignore = [&](const std::function<void()>& step) {
        try {
            step();
        } catch (const EngineError&) {
            // These steps may already be done (an earlier run, or a database that never had
            // constraints); the field change is the same every time.
        }
        pump(wait);
    };
    qdb::Table t1, t2;
    try {
        Db->close();
        Db->setExclusive(true);
        Db->open();
        Db->setNetFileDir(Db->directory() + QStringLiteral("NET"));
        pump(wait);
        TabSys->setExclusive(true);
        TabSys->open();
        for (qdb::Table* t : { &t1, &t2 }) {
            t->setDatabase(Db);
            t->setExclusive(true);
        }
        FieldChange widen;
        widen.newSize = 12;
        auto onTable = [&](const QString& file, const std::function<void()>& step) {
            ignore([&] {
                t1.close();
                t1.setTableName(file);
                t1.setIndexName(QString());
                t1.open();
                step();
                t1.close();
            });
        };
        onTable(QStringLiteral("TEM.DB"), [&] { DropRefConstraint(t1, 0, QStringLiteral("ZEMPCOD")); });
        onTable(QStringLiteral("TEM.DB"), [&] { DropRefConstraint(t1, 0, QStringLiteral("ZPRJCOD")); });
        onTable(QStringLiteral("TEM.DB"), [&] { RestructureField(t1, QStringLiteral("EMPCOD"), widen); });
        onTable(QStringLiteral("TEM.DB"), [&] { RestructureField(t1, QStringLiteral("PRJCOD"), widen); });
        onTable(QStringLiteral("PRJACT.DB"), [&] { DropRefConstraint(t1, 0, QStringLiteral("ZPRJCOD")); });
        onTable(QStringLiteral("PRJACT.DB"), [&] { RestructureField(t1, QStringLiteral("PRJCOD"), widen); });
        onTable(QStringLiteral("EMP.DB"), [&] { RestructureField(t1, QStringLiteral("EmpCod"), widen); });
        onTable(QStringLiteral("PRJ.DB"), [&] { RestructureField(t1, QStringLiteral("PrjCod"), widen); });

        auto link = [&](const QString& masterFile, const QString& detailFile, const QString& detailIndex, const QString& name) {
            t1.close();
            t2.close();
            t1.setTableName(masterFile);
            t1.setIndexName(QString());
            t1.open();
            t2.setTableName(detailFile);
            t2.setIndexName(detailIndex);
            t2.open();
            AddRefConstraint(t1, t2, qdb::RefRule::Restrict, qdb::RefRule::Restrict, name);
            t1.close();
            t2.close();
            pump(wait);
        };
        link(QStringLiteral("EMP.DB"), QStringLiteral("TEM.DB"), QStringLiteral("EMPCOD"), QStringLiteral("ZEMPCOD"));
        link(QStringLiteral("PRJ.DB"), QStringLiteral("TEM.DB"), QStringLiteral("PRJCOD"), QStringLiteral("ZPRJCOD"));
        link(QStringLiteral("PRJ.DB"), QStringLiteral("PRJACT.DB"), QString(), QStringLiteral("ZPRJCOD"));

        TabSys->refresh();
        if (TabSys->isEmpty()) {
            // A database without its Sys row gets one whose counters follow the stored numbers,
            // so that new activities and entries never reuse one.
            auto next = [this](const QString& sql) {
                qdb::Query q;
                q.setDatabase(Db);
                q.setSql({ sql });
                q.open();
                const int n = q.fields().front()->isNull() ? 1 : q.fields().front()->asInteger() + 1;
                q.close();
                return n;
            };
            const int act = next(QStringLiteral("Select Max(ActCod) From Act"));
            const int tem = next(QStringLiteral("Select Max(TemCod) From Tem"));
            TabSys->append();
            TabSysSYSACTCODCPT->setAsInteger(act);
            TabSysSYSTEMCODCPT->setAsInteger(tem);
            TabSysSYSPREJOUPER->setAsInteger(0);
        } else {
            TabSys->edit();
        }
        TabSysSYSVER->setAsFloat(SchemaVersion);
        TabSys->post();
    } catch (const std::exception&) {
        if (TabSys->isEditing())
            TabSys->cancel();
        result = 2;
    }
    if (wait)
        wait->close();
    t1.close();
    t2.close();
    TabSys->close();
    TabSys->setExclusive(false);
    Db->close();
    Db->setExclusive(false);
    return result;
}
