#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace qdb {
class Field;
}

namespace qrep {

// Finds the field a name of an expression stands for. "PRJCOD" has an empty qualifier;
// "QFac.SUM OF TemNbrHeu" the qualifier "QFac" and the name "SUM OF TemNbrHeu". Returns nullptr
// when there is no such field. generation() changes whenever an answer might have changed
// (a data set opened, closed or added), so that expressions can keep what they found.
class NameResolver {
public:
    virtual ~NameResolver() = default;
    virtual qdb::Field* resolve(const QString& qualifier, const QString& name) = 0;
    virtual quint64 generation() const = 0;
};

// A compiled expression of a report template:
//   expression := term (("+" | "-") term)*
//   term       := factor (("*" | "/") factor)*
//   factor     := "-" factor | literal | name | function "(" expression ")" | "(" expression ")"
//   literal    := 'text' (a doubled quote inside stands for one; "text" works too) | 12 | 1.5
//   name       := a field, optionally qualified by its data set: PRJCOD, Tem.EmpCod,
//                 QFac.SUM OF TemNbrHeu (names may hold blanks; they end at an operator, a
//                 parenthesis or a quote; letter case does not matter)
//   function   := SUM | COUNT | MIN | MAX | AVERAGE (aggregates over the printed detail rows)
// "+" adds numbers and joins text: when either side is text, the other is turned into its
// display text (a date in the system's short date format, a number in the general format).
// "-", "*" and "/" work on numbers; a null value counts as 0.
//
// Aggregates keep running totals: accumulate() adds the current values of their arguments
// (the run calls it once for every printed detail row), resetAggregates() restarts them.
class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Throws ReportError(Template) on a syntax error, naming the expression and the position.
    static Expression parse(const QString& text);

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_root == nullptr; }
    bool hasAggregates() const { return !m_aggregates.empty(); }
    // A bare field name (the expression of a data field).
    bool isFieldReference() const;

    // The value: QString, double, QDate, bool or null (integers come back as double).
    // Throws ReportError(Template) for a name that resolves to no field.
    QVariant evaluate(NameResolver& resolver) const;
    void accumulate(NameResolver& resolver);
    void resetAggregates();

    struct Node;

private:
    QString m_text;
    std::unique_ptr<Node> m_root;
    std::vector<Node*> m_aggregates; // owned by the tree
};

// The display text of a value: text as is, a number in the general format (or with a mask
// such as "########0.00": at least one integer digit, the mask's decimals, the locale's
// decimal separator, no thousands separator; a null number then prints as 0), a date in the
// system's short date format, a boolean as True/False, null as empty text.
QString displayText(const QVariant& value, const QString& mask = QString());

// Whether a value is a number (double or an integer type).
bool isNumber(const QVariant& value);

} // namespace qrep
