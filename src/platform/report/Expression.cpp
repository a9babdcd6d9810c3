#include "Expression.h"

#include "ReportError.h"

#include "Field.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace qrep {

struct Expression::Node {
    enum class Kind { Literal, Name, Add, Sub, Mul, Div, Neg, Aggregate };
    enum class Aggregate { Sum, Count, Min, Max, Average };

    Kind kind = Kind::Literal;
    QVariant literal;
    // Name
    QString qualifier;
    QString name;
    mutable qdb::Field* field = nullptr;
    mutable quint64 generation = std::numeric_limits<quint64>::max();
    // Operators and aggregates
    std::unique_ptr<Node> left, right;
    Aggregate aggregate = Aggregate::Sum;
    double sum = 0;
    qint64 count = 0;
    double min = 0, max = 0;
};

namespace {

using Node = Expression::Node;

[[noreturn]] void syntaxError(const QString& text, int pos, const QString& what)
{
    throw ReportError(ReportError::Kind::Template,
        QStringLiteral("Expression \"%1\": %2 at position %3.").arg(text, what).arg(pos + 1));
}

struct Token {
    enum class Type { End, Op, String, Number, Name };
    Type type = Type::End;
    QChar op;
    QString text;
    double number = 0;
    int pos = 0;
};

bool isOperatorChar(QChar c)
{
    return c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == u'(' || c == u')' || c == u',';
}

class Parser {
public:
    Parser(const QString& text, std::vector<Node*>& aggregates)
        : m_text(text)
        , m_aggregates(aggregates)
    {
        advance();
    }

    std::unique_ptr<Node> parseAll()
    {
        if (m_tok.type == Token::Type::End)
            return nullptr;
        auto root = parseExpression();
        if (m_tok.type != Token::Type::End)
            syntaxError(m_text, m_tok.pos, QStringLiteral("unexpected \"%1\"").arg(tokenText()));
        return root;
    }

private:
    QString tokenText() const { return m_tok.type == Token::Type::Op ? QString(m_tok.op) : m_tok.text; }

    void advance()
    {
        const int n = int(m_text.size());
        while (m_pos < n && m_text.at(m_pos).isSpace())
            ++m_pos;
        m_tok = Token();
        m_tok.pos = m_pos;
        if (m_pos >= n)
            return;
        const QChar c = m_text.at(m_pos);
        if (isOperatorChar(c)) {
            m_tok.type = Token::Type::Op;
            m_tok.op = c;
            ++m_pos;
            return;
        }
        if (c == u'\'' || c == u'"') {
            QString s;
            int i = m_pos + 1;
            for (;;) {
                if (i >= n)
                    syntaxError(m_text, m_pos, QStringLiteral("text without its closing quote"));
                if (m_text.at(i) == c) {
                    if (i + 1 < n && m_text.at(i + 1) == c) {
                        s += c;
                        i += 2;
                        continue;
                    }
                    break;
                }
                s += m_text.at(i++);
            }
            m_tok.type = Token::Type::String;
            m_tok.text = s;
            m_pos = i + 1;
            return;
        }
        // A name or a number: everything up to an operator or a quote, blanks inside included.
        int i = m_pos;
        while (i < n && !isOperatorChar(m_text.at(i)) && m_text.at(i) != u'\'' && m_text.at(i) != u'"')
            ++i;
        const QString word = m_text.mid(m_pos, i - m_pos).trimmed();
        m_pos = i;
        bool isNum = !word.isEmpty() && (word.at(0).isDigit() || word.at(0) == u'.');
        if (isNum) {
            bool ok = false;
            const double d = word.toDouble(&ok); // C locale: templates write 1.5
            if (!ok)
                syntaxError(m_text, m_tok.pos, QStringLiteral("\"%1\" is not a number").arg(word));
            m_tok.type = Token::Type::Number;
            m_tok.number = d;
            return;
        }
        m_tok.type = Token::Type::Name;
        m_tok.text = word;
    }

    bool isOp(QChar c) const { return m_tok.type == Token::Type::Op && m_tok.op == c; }

    std::unique_ptr<Node> binary(Node::Kind kind, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->left = std::move(l);
        node->right = std::move(r);
        return node;
    }

    std::unique_ptr<Node> parseExpression()
    {
        auto left = parseTerm();
        while (isOp(u'+') || isOp(u'-')) {
            const Node::Kind kind = isOp(u'+') ? Node::Kind::Add : Node::Kind::Sub;
            advance();
            left = binary(kind, std::move(left), parseTerm());
        }
        return left;
    }

    std::unique_ptr<Node> parseTerm()
    {
        auto left = parseFactor();
        while (isOp(u'*') || isOp(u'/')) {
            const Node::Kind kind = isOp(u'*') ? Node::Kind::Mul : Node::Kind::Div;
            advance();
            left = binary(kind, std::move(left), parseFactor());
        }
        return left;
    }

    std::unique_ptr<Node> parseFactor()
    {
        auto node = std::make_unique<Node>();
        switch (m_tok.type) {
        case Token::Type::End:
            syntaxError(m_text, m_tok.pos, QStringLiteral("a value is missing"));
        case Token::Type::String:
            node->literal = m_tok.text;
            advance();
            return node;
        case Token::Type::Number:
            node->literal = m_tok.number;
            advance();
            return node;
        case Token::Type::Op:
            if (isOp(u'-')) {
                advance();
                node->kind = Node::Kind::Neg;
                node->left = parseFactor();
                return node;
            }
            if (isOp(u'(')) {
                advance();
                auto inner = parseExpression();
                expectClose();
                return inner;
            }
            syntaxError(m_text, m_tok.pos, QStringLiteral("unexpected \"%1\"").arg(m_tok.op));
        case Token::Type::Name:
            break;
        }
        const QString word = m_tok.text;
        const int wordPos = m_tok.pos;
        advance();
        if (isOp(u'(')) {
            static const QList<std::pair<QString, Node::Aggregate>> functions{
                {QStringLiteral("SUM"), Node::Aggregate::Sum},
                {QStringLiteral("COUNT"), Node::Aggregate::Count},
                {QStringLiteral("MIN"), Node::Aggregate::Min},
                {QStringLiteral("MAX"), Node::Aggregate::Max},
                {QStringLiteral("AVERAGE"), Node::Aggregate::Average},
            };
            auto it = std::find_if(functions.begin(), functions.end(),
                [&](const auto& f) { return f.first.compare(word, Qt::CaseInsensitive) == 0; });
            if (it == functions.end())
                syntaxError(m_text, wordPos, QStringLiteral("unknown function \"%1\"").arg(word));
            advance();
            node->kind = Node::Kind::Aggregate;
            node->aggregate = it->second;
            if (it->second == Node::Aggregate::Count && isOp(u')')) {
                node->left = nullptr; // COUNT(): the rows themselves
            } else {
                node->left = parseExpression();
            }
            expectClose();
            m_aggregates.push_back(node.get());
            return node;
        }
        node->kind = Node::Kind::Name;
        const int dot = word.indexOf(u'.');
        if (dot > 0) {
            node->qualifier = word.left(dot).trimmed();
            node->name = word.mid(dot + 1).trimmed();
        } else {
            node->name = word;
        }
        if (node->name.isEmpty())
            syntaxError(m_text, wordPos, QStringLiteral("\"%1\" names no field").arg(word));
        return node;
    }

    void expectClose()
    {
        if (!isOp(u')'))
            syntaxError(m_text, m_tok.pos, QStringLiteral("\")\" expected"));
        advance();
    }

    const QString& m_text;
    std::vector<Node*>& m_aggregates;
    int m_pos = 0;
    Token m_tok;
};

double toNumber(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = QLocale().toDouble(v.toString().trimmed(), &ok);
        return ok ? d : v.toString().trimmed().toDouble();
    }
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    return v.toDouble();
}

QVariant normalise(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Float:
        return v.toDouble();
    default:
        return v;
    }
}

class Evaluator {
public:
    Evaluator(const QString& text, NameResolver& resolver)
        : m_text(text)
        , m_resolver(resolver)
    {
    }

    QVariant eval(const Node& n) const
    {
        switch (n.kind) {
        case Node::Kind::Literal:
            return n.literal;
        case Node::Kind::Name: {
            const quint64 gen = m_resolver.generation();
            if (n.generation != gen) {
                n.field = m_resolver.resolve(n.qualifier, n.name);
                n.generation = gen;
            }
            if (!n.field) {
                const QString full = n.qualifier.isEmpty() ? n.name : n.qualifier + u'.' + n.name;
                throw ReportError(ReportError::Kind::Template,
                    QStringLiteral("Expression \"%1\": no data set of the report has a field \"%2\".").arg(m_text, full));
            }
            return normalise(n.field->value());
        }
        case Node::Kind::Add: {
            const QVariant l = eval(*n.left);
            const QVariant r = eval(*n.right);
            if (l.typeId() == QMetaType::QString || r.typeId() == QMetaType::QString
                || l.typeId() == QMetaType::QDate || r.typeId() == QMetaType::QDate)
                return displayText(l) + displayText(r);
            return toNumber(l) + toNumber(r);
        }
        case Node::Kind::Sub:
            return toNumber(eval(*n.left)) - toNumber(eval(*n.right));
        case Node::Kind::Mul:
            return toNumber(eval(*n.left)) * toNumber(eval(*n.right));
        case Node::Kind::Div: {
            const double d = toNumber(eval(*n.right));
            return d == 0 ? QVariant() : QVariant(toNumber(eval(*n.left)) / d);
        }
        case Node::Kind::Neg:
            return -toNumber(eval(*n.left));
        case Node::Kind::Aggregate:
            switch (n.aggregate) {
            case Node::Aggregate::Sum:
                return n.sum;
            case Node::Aggregate::Count:
                return double(n.count);
            case Node::Aggregate::Min:
                return n.count ? QVariant(n.min) : QVariant();
            case Node::Aggregate::Max:
                return n.count ? QVariant(n.max) : QVariant();
            case Node::Aggregate::Average:
                return n.count ? QVariant(n.sum / double(n.count)) : QVariant();
            }
        }
        return QVariant();
    }

private:
    const QString& m_text;
    NameResolver& m_resolver;
};

} // namespace

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::parse(const QString& text)
{
    Expression e;
    e.m_text = text;
    Parser parser(text, e.m_aggregates);
    e.m_root = parser.parseAll();
    return e;
}

bool Expression::isFieldReference() const { return m_root && m_root->kind == Node::Kind::Name; }

QVariant Expression::evaluate(NameResolver& resolver) const
{
    if (!m_root)
        return QVariant();
    return Evaluator(m_text, resolver).eval(*m_root);
}

void Expression::accumulate(NameResolver& resolver)
{
    Evaluator ev(m_text, resolver);
    for (Node* a : m_aggregates) {
        if (!a->left) { // COUNT()
            ++a->count;
            continue;
        }
        const QVariant v = ev.eval(*a->left);
        if (a->aggregate == Node::Aggregate::Count) {
            if (v.isValid() && !v.isNull())
                ++a->count;
            continue;
        }
        const double d = toNumber(v);
        if (a->count == 0) {
            a->min = a->max = d;
        } else {
            a->min = std::min(a->min, d);
            a->max = std::max(a->max, d);
        }
        a->sum += d;
        ++a->count;
    }
}

void Expression::resetAggregates()
{
    for (Node* a : m_aggregates) {
        a->sum = 0;
        a->count = 0;
        a->min = a->max = 0;
    }
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QString displayText(const QVariant& value, const QString& mask)
{
    const bool null = !value.isValid() || value.isNull();
    if (!mask.isEmpty() && (null || isNumber(value)))
        return qdb::formatMask(null ? 0.0 : value.toDouble(), mask);
    if (null)
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QDate:
        return QLocale().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::QDateTime:
        return QLocale().toString(value.toDateTime(), QLocale::ShortFormat);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        if (isNumber(value))
            return qdb::formatGeneral(value.toDouble());
        return value.toString();
    }
}

} // namespace qrep
