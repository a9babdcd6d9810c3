// Expressions of report templates: names (case-insensitive, qualified, with blanks), literals,
// "+" joining text and adding numbers, "-", sums, display formats; and templates read from JSON.
#include "TestEnv.h"

#include "Expression.h"
#include "ReportError.h"
#include "ReportTemplate.h"

#include "Dataset.h"
#include "MemTable.h"

#include <QTest>

using namespace qrep;

namespace {

// Looks names up in a list of named tables, like a run does.
class Resolver final : public NameResolver {
public:
    QList<std::pair<QString, qdb::Dataset*>> sets;
    qdb::Field* resolve(const QString& qualifier, const QString& name) override
    {
        for (const auto& [n, ds] : sets)
            if (qualifier.isEmpty() || n.compare(qualifier, Qt::CaseInsensitive) == 0)
                if (qdb::Field* f = ds->findField(name))
                    return f;
        return nullptr;
    }
    quint64 generation() const override { return gen; }
    quint64 gen = 0;
};

struct Tables {
    qdb::MemTable master, fac;
    Resolver resolver;

    Tables()
    {
        master.addFieldDef(QStringLiteral("PrjCod"), qdb::FieldType::String, 12);
        master.addFieldDef(QStringLiteral("PrjDes"), qdb::FieldType::String, 35);
        master.addFieldDef(QStringLiteral("TemDat"), qdb::FieldType::Date);
        master.addFieldDef(QStringLiteral("HeuTot"), qdb::FieldType::Float);
        master.addFieldDef(QStringLiteral("HeuFac"), qdb::FieldType::Float);
        master.addFieldDef(QStringLiteral("ActCod"), qdb::FieldType::Integer);
        master.createDataSet();
        master.append();
        master.fieldByName(QStringLiteral("PrjCod"))->setValue(QStringLiteral("P1"));
        master.fieldByName(QStringLiteral("PrjDes"))->setValue(QStringLiteral("Website"));
        master.fieldByName(QStringLiteral("TemDat"))->setValue(QDate(2024, 3, 4));
        master.fieldByName(QStringLiteral("HeuTot"))->setValue(7.5);
        master.fieldByName(QStringLiteral("HeuFac"))->setValue(5.25);
        master.fieldByName(QStringLiteral("ActCod"))->setValue(12);
        master.post();
        fac.addFieldDef(QStringLiteral("PrjCod"), qdb::FieldType::String, 12);
        fac.addFieldDef(QStringLiteral("SUM OF TemNbrHeu"), qdb::FieldType::Float);
        fac.createDataSet();
        fac.append();
        fac.fieldByName(QStringLiteral("PrjCod"))->setValue(QStringLiteral("P1"));
        fac.fieldByName(QStringLiteral("SUM OF TemNbrHeu"))->setValue(4.0);
        fac.post();
        resolver.sets = {{QStringLiteral("QMaster"), &master}, {QStringLiteral("QFac"), &fac}};
    }

    QString text(const QString& expr, const QString& mask = QString())
    {
        return displayText(Expression::parse(expr).evaluate(resolver), mask);
    }
};

} // namespace

class TestExpression : public QObject {
    Q_OBJECT
private slots:
    void evaluate_data();
    void evaluate();
    void syntaxErrors_data();
    void syntaxErrors();
    void unknownName();
    void sums();
    void emptyDataSetCountsAsZero();
    void reresolvesAfterReopen();
    void displayTextFormats();
    void templateRoundTrip();
    void templateErrors_data();
    void templateErrors();
};

void TestExpression::evaluate_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    QTest::newRow("field") << "PRJCOD" << "" << "P1";
    QTest::newRow("letter case does not matter") << "prjdes" << "" << "Website";
    QTest::newRow("qualified") << "QMaster.PrjCod" << "" << "P1";
    QTest::newRow("qualified, blanks in the name") << "QFac.SUM OF TemNbrHeu" << "########0.00" << "4.00";
    QTest::newRow("qualifier in any case") << "qfac.sum of temnbrheu" << "" << "4";
    QTest::newRow("unqualified looks in every data set") << "SUM OF TemNbrHeu" << "" << "4";
    QTest::newRow("joining") << "'Project: ('+PRJCOD+') '+PRJDES" << "" << "Project: (P1) Website";
    QTest::newRow("a date joins in the short date format") << "'Date: '+TEMDAT" << "" << "Date: 3/4/24";
    QTest::newRow("a date alone") << "TEMDAT" << "" << "3/4/24";
    QTest::newRow("a number joins in the general format") << "'Code '+ActCod" << "" << "Code 12";
    QTest::newRow("difference") << "HEUTOT-HEUFAC" << "########0.00" << "2.25";
    QTest::newRow("blanks around operators") << "heutot - heufac" << "" << "2.25";
    QTest::newRow("numbers add") << "HEUTOT + HEUFAC" << "" << "12.75";
    QTest::newRow("precedence") << "1 + 2 * 3" << "" << "7";
    QTest::newRow("parentheses") << "(1 + 2) * 3" << "" << "9";
    QTest::newRow("unary minus") << "-HEUFAC" << "" << "-5.25";
    QTest::newRow("quote inside text") << "'it''s'" << "" << "it's";
    QTest::newRow("double quotes") << "\"a\" + 'b'" << "" << "ab";
    QTest::newRow("division by zero is null") << "HEUTOT / 0" << "" << "";
    QTest::newRow("empty expression") << "" << "" << "";
}

void TestExpression::evaluate()
{
    QFETCH(QString, expression);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    TestEnv env;
    Tables t;
    QCOMPARE(t.text(expression, mask), expected);
}

void TestExpression::syntaxErrors_data()
{
    QTest::addColumn<QString>("expression");
    QTest::newRow("open text") << "'abc";
    QTest::newRow("missing operand") << "A +";
    QTest::newRow("missing parenthesis") << "SUM(A";
    QTest::newRow("stray parenthesis") << "A)";
    QTest::newRow("unknown function") << "FOO(A)";
    QTest::newRow("bad number") << "1.2.3";
    QTest::newRow("two values") << "'a' 'b'";
    QTest::newRow("empty qualifier part") << "QFac.";
}

void TestExpression::syntaxErrors()
{
    QFETCH(QString, expression);
    try {
        Expression::parse(expression);
        QFAIL("accepted");
    } catch (const ReportError& e) {
        QCOMPARE(e.kind(), ReportError::Kind::Template);
        QVERIFY2(e.message().contains(expression), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("position")), qPrintable(e.message()));
    }
}

void TestExpression::unknownName()
{
    TestEnv env;
    Tables t;
    QVERIFY_THROWS_EXCEPTION(ReportError, Expression::parse(QStringLiteral("NOSUCH")).evaluate(t.resolver));
    // A qualifier restricts the lookup to that data set.
    QVERIFY_THROWS_EXCEPTION(ReportError, Expression::parse(QStringLiteral("QFac.PrjDes")).evaluate(t.resolver));
}

void TestExpression::sums()
{
    TestEnv env;
    Tables t;
    Expression e = Expression::parse(QStringLiteral("SUM(HEUTOT - HEUFAC)"));
    QVERIFY(e.hasAggregates());
    QCOMPARE(e.evaluate(t.resolver).toDouble(), 0.0);
    e.accumulate(t.resolver);
    e.accumulate(t.resolver);
    QCOMPARE(e.evaluate(t.resolver).toDouble(), 4.5);
    e.resetAggregates();
    QCOMPARE(e.evaluate(t.resolver).toDouble(), 0.0);

    Expression several = Expression::parse(QStringLiteral("'n=' + COUNT() + ' max=' + MAX(HeuTot) + ' avg=' + AVERAGE(HeuFac)"));
    several.accumulate(t.resolver);
    QCOMPARE(displayText(several.evaluate(t.resolver)), QStringLiteral("n=1 max=7.5 avg=5.25"));
    QVERIFY(!Expression::parse(QStringLiteral("HEUTOT")).hasAggregates());
    QVERIFY(Expression::parse(QStringLiteral("HEUTOT")).isFieldReference());
    QVERIFY(!Expression::parse(QStringLiteral("HEUTOT-1")).isFieldReference());
}

void TestExpression::emptyDataSetCountsAsZero()
{
    TestEnv env;
    Tables t;
    t.fac.emptyDataSet();
    // A key without a row prints 0.00 and adds 0.
    QCOMPARE(t.text(QStringLiteral("QFac.SUM OF TemNbrHeu"), QStringLiteral("########0.00")), QStringLiteral("0.00"));
    Expression sum = Expression::parse(QStringLiteral("SUM(QFac.SUM OF TemNbrHeu)"));
    sum.accumulate(t.resolver);
    QCOMPARE(sum.evaluate(t.resolver).toDouble(), 0.0);
    QCOMPARE(t.text(QStringLiteral("QFac.SUM OF TemNbrHeu")), QString());
}

void TestExpression::reresolvesAfterReopen()
{
    TestEnv env;
    Tables t;
    const Expression e = Expression::parse(QStringLiteral("PrjDes"));
    QCOMPARE(e.evaluate(t.resolver).toString(), QStringLiteral("Website"));
    // Another table under the same name: a new generation makes the expression look again.
    qdb::MemTable other;
    other.addFieldDef(QStringLiteral("PRJDES"), qdb::FieldType::String, 10);
    other.createDataSet();
    other.append();
    other.fieldByName(QStringLiteral("PRJDES"))->setValue(QStringLiteral("Other"));
    other.post();
    t.resolver.sets = {{QStringLiteral("QMaster"), &other}};
    QCOMPARE(e.evaluate(t.resolver).toString(), QStringLiteral("Website")); // kept
    ++t.resolver.gen;
    QCOMPARE(e.evaluate(t.resolver).toString(), QStringLiteral("Other"));
}

void TestExpression::displayTextFormats()
{
    TestEnv env; // en_US
    QCOMPARE(displayText(1234567.125, QStringLiteral("########0.00")), QStringLiteral("1234567.13"));
    QCOMPARE(displayText(0.5, QStringLiteral("########0.00")), QStringLiteral("0.50"));
    QCOMPARE(displayText(QVariant(), QStringLiteral("########0.00")), QStringLiteral("0.00"));
    QCOMPARE(displayText(2.0), QStringLiteral("2"));
    QCOMPARE(displayText(1.0 / 3), QStringLiteral("0.333333333333333"));
    QCOMPARE(displayText(true), QStringLiteral("True"));
    QCOMPARE(displayText(QStringLiteral("x"), QStringLiteral("0.00")), QStringLiteral("x"));
    {
        TestEnv french(QLocale(QLocale::French, QLocale::France));
        QCOMPARE(displayText(1234.5, QStringLiteral("########0.00")), QStringLiteral("1234,50"));
        QCOMPARE(displayText(QDate(2024, 3, 4)), QLocale().toString(QDate(2024, 3, 4), QLocale::ShortFormat));
    }
}

void TestExpression::templateRoundTrip()
{
    ReportTemplate t;
    t.name = QStringLiteral("Round");
    t.title = QStringLiteral("Round trip");
    t.page.marginsMm = QMarginsF(12, 11, 10, 9);
    t.printIfEmpty = false;
    BandDef g;
    g.name = QStringLiteral("G");
    g.type = BandType::GroupHeader;
    g.expression = QStringLiteral("PRJCOD");
    g.footer = QStringLiteral("F");
    g.linkBand = QStringLiteral("D");
    g.frameTop = g.frameBottom = true;
    g.framePenWidthMm = 0.4;
    ElementDef e;
    e.name = QStringLiteral("E");
    e.type = ElementType::Expression;
    e.expression = QStringLiteral("SUM(HEUFAC)");
    e.rect = QRectF(1, 2, 3, 4);
    e.alignment = Qt::AlignRight | Qt::AlignVCenter;
    e.font.pointSize = 8;
    e.font.bold = true;
    e.font.italic = false;
    e.mask = QStringLiteral("########0.00");
    e.stretch = true;
    e.penWidthMm = 0.7;
    e.color = QColor(10, 20, 30);
    g.elements << e;
    ElementDef s;
    s.type = ElementType::SysData;
    s.sysData = SysDataKind::PageNumber;
    s.caption = QStringLiteral("Page: ");
    g.elements << s;
    BandDef d;
    d.name = QStringLiteral("D");
    d.height = 4.5;
    BandDef c;
    c.name = QStringLiteral("C");
    c.type = BandType::Child;
    c.parent = QStringLiteral("D");
    BandDef f;
    f.name = QStringLiteral("F");
    f.type = BandType::GroupFooter;
    t.bands << g << d << c << f;
    const ReportTemplate back = ReportTemplate::fromJson(t.toJson());
    QCOMPARE(back.toJson(), t.toJson());
    QVERIFY(back == t);
    QCOMPARE(back.band(QStringLiteral("g"))->name, QStringLiteral("G"));
    QCOMPARE(back.element(QStringLiteral("e"))->mask, QStringLiteral("########0.00"));
}

void TestExpression::templateErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("fragment");
    QTest::newRow("not JSON") << QByteArray("{ bands: ") << "offset";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "object";
    QTest::newRow("band without a name") << QByteArray(R"json({ "bands": [ { "type": "detail" } ] })json") << "no name";
    QTest::newRow("unknown band type") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "header" } ] })json") << "header";
    QTest::newRow("two bands of one name") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "detail" }, { "name": "a", "type": "summary" } ] })json") << "two bands";
    QTest::newRow("unknown link") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "detail", "link": "B" } ] })json") << "\"B\"";
    QTest::newRow("orphan child") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "child" } ] })json") << "parent";
    QTest::newRow("group without expression") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "groupHeader" } ] })json") << "expression";
    QTest::newRow("footer not a footer") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "groupHeader", "expression": "X", "footer": "B" }, { "name": "B", "type": "detail" } ] })json") << "not a group footer";
    QTest::newRow("bad rect") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "detail", "elements": [ { "type": "label", "rect": [1, 2] } ] } ] })json") << "rect";
    QTest::newRow("bad alignment") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "detail", "elements": [ { "type": "label", "align": "middle" } ] } ] })json") << "middle";
    QTest::newRow("field without expression") << QByteArray(R"json({ "bands": [ { "name": "A", "type": "detail", "elements": [ { "type": "field" } ] } ] })json") << "no expression";
}

void TestExpression::templateErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, fragment);
    try {
        ReportTemplate::fromJson(json);
        QFAIL("accepted");
    } catch (const ReportError& e) {
        QCOMPARE(e.kind(), ReportError::Kind::Template);
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestExpression)
#include "tst_expression.moc"
