#include "Query.h"

#include "Database.h"
#include "EngineError.h"
#include "MemTable.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <limits>

namespace qdb {

// ---- Param ------------------------------------------------------------------------------------

void Param::assign(FieldType type, const QVariant& value)
{
    m_type = type;
    m_value = value;
    m_bound = true;
}

void Param::setValue(const QVariant& value)
{
    // The value's own type says how it binds; a null keeps the type given before.
    FieldType type = m_type;
    switch (value.typeId()) {
    case QMetaType::QDate:
    case QMetaType::QDateTime: type = FieldType::Date; break;
    case QMetaType::Bool: type = FieldType::Boolean; break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: type = FieldType::Integer; break;
    case QMetaType::Double:
    case QMetaType::Float: type = FieldType::Float; break;
    case QMetaType::QString: type = FieldType::String; break;
    default: break;
    }
    assign(type, value.isNull() ? QVariant() : value);
}

QVariant Param::bindValue() const
{
    if (isNull())
        return QVariant();
    switch (m_value.typeId()) {
    case QMetaType::QDate: return m_value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime: return m_value.toDateTime().date().toString(Qt::ISODate);
    case QMetaType::Bool: return m_value.toBool() ? 1 : 0;
    default: break;
    }
    if (m_type == FieldType::Boolean)
        return m_value.toBool() ? 1 : 0;
    return m_value;
}

// ---- SQL text ---------------------------------------------------------------------------------

namespace {

bool isIdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// Index just past a quoted section starting at i (the quote character doubled escapes itself).
qsizetype skipQuoted(const QString& s, qsizetype i, QChar close)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] != close)
            continue;
        if (i + 1 < s.size() && s[i + 1] == close && close != QLatin1Char(']')) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return s.size();
}

// Index just past a comment starting at i, or i when there is none.
qsizetype skipComment(const QString& s, qsizetype i)
{
    if (s.mid(i, 2) == QLatin1String("--")) {
        const qsizetype nl = s.indexOf(QLatin1Char('\n'), i);
        return nl < 0 ? s.size() : nl;
    }
    if (s.mid(i, 2) == QLatin1String("/*")) {
        const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
        return end < 0 ? s.size() : end + 2;
    }
    return i;
}

QChar closingQuote(QChar c)
{
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
        return c;
    if (c == QLatin1Char('['))
        return QLatin1Char(']');
    return QChar();
}

// Replaces each ":Name" outside quotes and comments with "?"; names lists them in order.
QString replaceParams(const QString& s, QStringList& names)
{
    QString out;
    out.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        const QChar close = closingQuote(c);
        qsizetype end = i;
        if (!close.isNull())
            end = skipQuoted(s, i, close);
        else
            end = skipComment(s, i);
        if (end > i) {
            out += QStringView(s).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < s.size() && s[i + 1] == QLatin1Char(':')) {
            out += QLatin1String("::");
            i += 2;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < s.size() && isIdentStart(s[i + 1])) {
            qsizetype j = i + 1;
            while (j < s.size() && isIdentChar(s[j]))
                ++j;
            names << s.mid(i + 1, j - i - 1);
            out += QLatin1Char('?');
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

struct Token {
    enum Kind { Word, Quoted, Punct, Literal } kind;
    QString text; // a quoted identifier without its quotes
    int depth;
};

QList<Token> tokenize(const QString& s)
{
    QList<Token> tokens;
    int depth = 0;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype comment = skipComment(s, i);
        if (comment > i) {
            i = comment;
            continue;
        }
        const QChar close = closingQuote(c);
        if (!close.isNull()) {
            const qsizetype end = skipQuoted(s, i, close);
            if (c == QLatin1Char('\''))
                tokens << Token { Token::Literal, s.mid(i, end - i), depth };
            else
                tokens << Token { Token::Quoted, s.mid(i + 1, end - i - 2).replace(QString(2, close), QString(close)), depth };
            i = end;
            continue;
        }
        if (isIdentChar(c)) {
            qsizetype j = i;
            while (j < s.size() && (isIdentChar(s[j]) || s[j] == QLatin1Char('$')))
                ++j;
            tokens << Token { c.isDigit() ? Token::Literal : Token::Word, s.mid(i, j - i), depth };
            i = j;
            continue;
        }
        if (c == QLatin1Char(')'))
            --depth;
        tokens << Token { Token::Punct, QString(c), depth };
        if (c == QLatin1Char('('))
            ++depth;
        ++i;
    }
    return tokens;
}

bool isWord(const Token& t, const char* word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}
bool isName(const Token& t) { return t.kind == Token::Word || t.kind == Token::Quoted; }
bool isPunct(const Token& t, char c) { return t.kind == Token::Punct && t.text == QLatin1Char(c); }

bool isClauseEnd(const Token& t)
{
    for (const char* w : { "WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW" })
        if (isWord(t, w))
            return true;
    return false;
}

bool isJoinWord(const Token& t)
{
    for (const char* w : { "JOIN", "LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL", "ON", "USING" })
        if (isWord(t, w))
            return true;
    return false;
}

bool isAggregate(const QString& word)
{
    for (const char* w : { "SUM", "COUNT", "MIN", "MAX", "AVG", "TOTAL" })
        if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// "Sum(x)", "Sum(T.x)" -> "SUM OF x"; "T.x" -> "x"; anything else as it is.
QString columnName(const QString& raw)
{
    static const QRegularExpression aggregate(
        QStringLiteral("^\\s*(sum|count|min|max|avg|total)\\s*\\(\\s*(?:distinct\\s+)?(?:[\\w$]+\\s*\\."
                       "\\s*)?\"?([\\w$]+|\\*)\"?\\s*\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression qualified(QStringLiteral("^[\\w$]+\\.([\\w$]+)$"));
    auto m = aggregate.match(raw);
    if (m.hasMatch())
        return m.captured(1).toUpper() + QLatin1String(" OF ") + m.captured(2);
    m = qualified.match(raw);
    if (m.hasMatch())
        return m.captured(1);
    return raw;
}

} // namespace

// ---- Query ------------------------------------------------------------------------------------

Query::Query(QObject* parent)
    : Dataset(parent)
{
}

Query::~Query()
{
    close();
    if (m_db)
        m_db->unregisterDataset(this);
}

void Query::setDatabase(Database* db)
{
    if (db == m_db)
        return;
    close();
    if (m_db)
        m_db->unregisterDataset(this);
    m_db = db;
    m_prepared = false;
    if (m_db)
        m_db->registerDataset(this);
}

void Query::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
    syncSql();
}

void Query::syncSql()
{
    const QString text = sqlText();
    if (text == m_parsedFrom)
        return;
    close();
    m_prepared = false;
    m_parsedFrom = text;
    m_bindOrder.clear();
    m_statement = replaceParams(text, m_bindOrder);

    std::vector<std::unique_ptr<Param>> params;
    for (const QString& name : m_bindOrder) {
        const bool seen = std::any_of(params.begin(), params.end(),
            [&](const std::unique_ptr<Param>& p) { return p->name().compare(name, Qt::CaseInsensitive) == 0; });
        if (seen)
            continue;
        auto old = std::find_if(m_params.begin(), m_params.end(),
            [&](const std::unique_ptr<Param>& p) { return p && p->name().compare(name, Qt::CaseInsensitive) == 0; });
        params.push_back(old != m_params.end() ? std::move(*old) : std::make_unique<Param>(name));
    }
    m_params = std::move(params);

    // What the select list and the FROM clause say about the columns' origin.
    m_items.clear();
    m_aliases.clear();
    m_fromTables.clear();
    const QList<Token> tokens = tokenize(text);
    qsizetype i = 0;
    while (i < tokens.size() && !(tokens[i].depth == 0 && isWord(tokens[i], "SELECT")))
        ++i;
    if (i >= tokens.size())
        return;
    ++i;
    if (i < tokens.size() && (isWord(tokens[i], "DISTINCT") || isWord(tokens[i], "ALL")))
        ++i;
    QList<QList<Token>> items(1);
    for (; i < tokens.size() && !(tokens[i].depth == 0 && isWord(tokens[i], "FROM")); ++i) {
        if (tokens[i].depth == 0 && isPunct(tokens[i], ','))
            items.append(QList<Token>());
        else
            items.last() << tokens[i];
    }
    bool understood = true;
    for (const QList<Token>& item : items) {
        QList<Token> t = item;
        // A trailing alias names the column; what it reads stays the same.
        if (t.size() >= 2 && isName(t.last())
            && (isWord(t[t.size() - 2], "AS") || isName(t[t.size() - 2]) || isPunct(t[t.size() - 2], ')'))) {
            t.removeLast();
            if (!t.isEmpty() && isWord(t.last(), "AS"))
                t.removeLast();
        }
        SelectItem s;
        if (t.size() == 1 && isName(t[0])) {
            s.column = t[0].text;
        } else if (t.size() == 3 && isName(t[0]) && isPunct(t[1], '.') && isName(t[2])) {
            s.qualifier = t[0].text;
            s.column = t[2].text;
        } else if (t.size() >= 4 && t[0].kind == Token::Word && isAggregate(t[0].text) && isPunct(t[1], '(') && isPunct(t.last(), ')')) {
            QList<Token> inner = t.mid(2, t.size() - 3);
            if (!inner.isEmpty() && isWord(inner[0], "DISTINCT"))
                inner.removeFirst();
            s.aggregate = t[0].text.toUpper();
            if (inner.size() == 1 && isName(inner[0])) {
                s.column = inner[0].text;
            } else if (inner.size() == 3 && isName(inner[0]) && isPunct(inner[1], '.') && isName(inner[2])) {
                s.qualifier = inner[0].text;
                s.column = inner[2].text;
            }
        } else if ((t.size() == 1 && isPunct(t[0], '*')) || (t.size() == 3 && isPunct(t[1], '.') && isPunct(t[2], '*'))) {
            understood = false; // "*" and "T.*": the items no longer match the columns one to one
        }
        m_items << s;
    }
    if (!understood)
        m_items.clear();

    // FROM: "Tem, Emp E, Prj AS P", joins included.
    if (i < tokens.size())
        ++i;
    bool expectTable = true;
    QString lastTable;
    for (; i < tokens.size() && !(tokens[i].depth == 0 && isClauseEnd(tokens[i])); ++i) {
        const Token& t = tokens[i];
        if (t.depth != 0)
            continue;
        if (isPunct(t, ',') || isWord(t, "JOIN")) {
            expectTable = true;
            lastTable.clear();
            continue;
        }
        if (isJoinWord(t)) {
            lastTable.clear();
            continue;
        }
        if (!isName(t) || isWord(t, "AS"))
            continue;
        if (expectTable) {
            lastTable = t.text;
            m_fromTables << t.text;
            m_aliases.insert(t.text.toLower(), t.text);
            expectTable = false;
        } else if (!lastTable.isEmpty()) {
            m_aliases.insert(t.text.toLower(), lastTable);
            lastTable.clear();
        }
    }
}

void Query::checkDatabase() const
{
    if (!m_db)
        throw EngineError(ErrorCode::NotInitialized, QStringLiteral("%1: No database given for the query").arg(objectName()));
}

void Query::prepare()
{
    checkDatabase();
    syncSql();
    if (m_statement.trimmed().isEmpty())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: The query has no SQL").arg(objectName()));
    QSqlQuery q(m_db->connection());
    q.setForwardOnly(true);
    if (!q.prepare(m_statement))
        throw m_db->backend().translate(q.lastError(), QStringLiteral("%1: Invalid SQL").arg(objectName()));
    q.finish();
    m_prepared = true;
}

Param* Query::findParam(const QString& name)
{
    syncSql();
    for (const auto& p : m_params)
        if (p->name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

Param& Query::paramByName(const QString& name)
{
    Param* p = findParam(name);
    if (!p)
        throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Parameter '%2' not found").arg(objectName(), name));
    return *p;
}

QList<Param*> Query::params()
{
    syncSql();
    QList<Param*> out;
    for (const auto& p : m_params)
        out << p.get();
    return out;
}

Query::Result Query::execute()
{
    checkDatabase();
    const QString context = QStringLiteral("%1: The query cannot be run").arg(objectName());
    QSqlQuery q(m_db->connection());
    q.setForwardOnly(true);
    if (!q.prepare(m_statement))
        throw m_db->backend().translate(q.lastError(), context);
    m_prepared = true;
    for (const QString& name : m_bindOrder) {
        const auto it = std::find_if(m_params.begin(), m_params.end(),
            [&](const std::unique_ptr<Param>& p) { return p->name().compare(name, Qt::CaseInsensitive) == 0; });
        Q_ASSERT(it != m_params.end());
        const Param& p = **it;
        if (!p.isBound())
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("%1: No value for parameter '%2'").arg(objectName(), p.name()));
        q.addBindValue(p.bindValue());
    }
    if (!q.exec()) {
        const EngineError e = m_db->backend().translate(q.lastError(), context);
        q.finish();
        throw e;
    }
    Result r;
    const QSqlRecord rec = q.record();
    for (int c = 0; c < rec.count(); ++c) {
        r.rawNames << rec.fieldName(c);
        r.names << columnName(rec.fieldName(c));
    }
    const int n = rec.count();
    while (q.next()) {
        QVector<QVariant> row(n);
        for (int c = 0; c < n; ++c)
            if (!q.isNull(c))
                row[c] = q.value(c);
        r.rows.push_back(std::move(row));
    }
    // Released before anything else reads the storage: the shared lock goes with it.
    q.finish();
    return r;
}

const TableDef* Query::tableDef(const QString& table)
{
    if (!m_tableNamesRead) {
        m_tableNames = m_db->tableNames();
        m_tableNamesRead = true;
    }
    const auto stored = std::find_if(m_tableNames.begin(), m_tableNames.end(),
        [&](const QString& t) { return t.compare(storageTableName(table), Qt::CaseInsensitive) == 0; });
    if (stored == m_tableNames.end())
        return nullptr;
    const QString key = stored->toLower();
    auto it = m_defs.find(key);
    if (it == m_defs.end())
        it = m_defs.insert(key, m_db->tableDef(*stored));
    return &*it;
}

FieldType Query::storedType(const QString& qualifier, const QString& column, int* size)
{
    auto typeIn = [&](const QString& table) {
        const TableDef* def = tableDef(table);
        const int fi = def ? def->fieldIndex(column) : -1;
        if (fi < 0 || def->fields[fi].type == FieldType::Unknown)
            return FieldType::Unknown;
        *size = def->fields[fi].size;
        return def->fields[fi].type;
    };
    if (!qualifier.isEmpty()) {
        const FieldType t = typeIn(m_aliases.value(qualifier.toLower(), qualifier));
        if (t != FieldType::Unknown)
            return t;
    }
    for (const QString& table : m_fromTables) {
        const FieldType t = typeIn(table);
        if (t != FieldType::Unknown)
            return t;
    }
    if (!m_tableNamesRead) {
        m_tableNames = m_db->tableNames();
        m_tableNamesRead = true;
    }
    for (const QString& table : QStringList(m_tableNames)) {
        const FieldType t = typeIn(table);
        if (t != FieldType::Unknown)
            return t;
    }
    return FieldType::Unknown;
}

FieldType Query::typeOf(int column, const Result& result, int* size)
{
    *size = 0;
    SelectItem item;
    if (m_items.size() == result.names.size()) {
        item = m_items[column];
    } else {
        static const QRegularExpression ofName(QStringLiteral("^(SUM|COUNT|MIN|MAX|AVG|TOTAL) OF (.+)$"));
        const auto m = ofName.match(result.names[column]);
        if (m.hasMatch()) {
            item.aggregate = m.captured(1);
            item.column = m.captured(2);
        } else {
            item.column = result.names[column];
        }
    }
    FieldType type = FieldType::Unknown;
    if (item.aggregate == QLatin1String("SUM") || item.aggregate == QLatin1String("AVG") || item.aggregate == QLatin1String("TOTAL"))
        type = FieldType::Float;
    else if (item.aggregate == QLatin1String("COUNT"))
        type = FieldType::Integer;
    else if (!item.column.isEmpty() && item.column != QLatin1String("*"))
        type = storedType(item.qualifier, item.column, size);
    if (type != FieldType::Unknown)
        return type;

    // An expression: what its values are.
    bool anyInt = false, anyDouble = false, anyText = false;
    for (const auto& row : result.rows) {
        const QVariant& v = row[column];
        switch (v.typeId()) {
        case QMetaType::UnknownType: break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const qlonglong n = v.toLongLong();
            if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
                anyDouble = true;
            else
                anyInt = true;
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float: anyDouble = true; break;
        default: anyText = true; break;
        }
    }
    *size = 0;
    if (anyText || (!anyInt && !anyDouble))
        return FieldType::String;
    return anyDouble ? FieldType::Float : FieldType::Integer;
}

void Query::bindFields(const Result& result)
{
    auto columnNamed = [&](const QString& name) {
        for (int c = 0; c < result.names.size(); ++c)
            if (result.names[c].compare(name, Qt::CaseInsensitive) == 0 || result.rawNames[c].compare(name, Qt::CaseInsensitive) == 0)
                return c;
        return -1;
    };
    m_columnOfField.assign(m_fieldList.size(), -1);
    if (hasDeclaredDataFields()) {
        for (Field* f : m_fieldList) {
            if (f->kind() != Field::Kind::Data)
                continue;
            const int c = columnNamed(f->fieldName());
            if (c < 0)
                throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Field '%2' not found").arg(objectName(), f->fieldName()));
            m_columnOfField[size_t(f->index())] = c;
            if (f->m_type == FieldType::Unknown) {
                int size = 0;
                f->m_type = typeOf(c, result, &size);
                f->m_size = size;
            }
        }
        return;
    }
    for (int c = 0; c < result.names.size(); ++c) {
        QString name = result.names[c];
        for (int n = 1; findField(name); ++n)
            name = result.names[c] + QLatin1Char('_') + QString::number(n);
        int size = 0;
        const FieldType type = typeOf(c, result, &size);
        Field* f = createField(name, Field::Kind::Data, type, size);
        m_columnOfField.push_back(c);
        Q_ASSERT(int(m_columnOfField.size()) == f->index() + 1);
    }
}

QVariant Query::lookup(const Field* f, const Record& r) const
{
    const Field::Lookup& l = f->lookup();
    if (!l.dataset)
        return QVariant();
    QVariantList key;
    for (const QString& k : l.keyFields) {
        key << r.value(fieldByName(k)->index());
        if (!key.last().isValid())
            return QVariant();
    }
    return l.dataset->lookupValue(l.lookupKeyFields.join(QLatin1Char(';')), key, l.resultField);
}

void Query::loadRows(Result&& result)
{
    QVector<Record> rows;
    rows.reserve(qsizetype(result.rows.size()));
    const bool calc = hasCalcHandler();
    const bool lookups = std::any_of(m_fieldList.begin(), m_fieldList.end(), [](Field* f) { return f->kind() == Field::Kind::Lookup; });
    for (auto& raw : result.rows) {
        Record r = blankRecord();
        for (Field* f : m_fieldList) {
            const int c = m_columnOfField[size_t(f->index())];
            if (c >= 0)
                r[f->index()] = f->convert(raw[c]);
        }
        if (lookups)
            for (Field* f : m_fieldList)
                if (f->kind() == Field::Kind::Lookup)
                    r[f->index()] = lookup(f, r);
        if (calc)
            computeCalcFields(r);
        rows.append(std::move(r));
        raw = {};
    }
    m_rows = std::move(rows);
}

void Query::doOpen()
{
    checkDatabase();
    syncSql();
    if (m_statement.trimmed().isEmpty())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: The query has no SQL").arg(objectName()));
    m_defs.clear();
    m_tableNames.clear();
    m_tableNamesRead = false;
    try {
        Result result = execute();
        bindFields(result);
        loadRows(std::move(result));
    } catch (...) {
        // Opening failed: the dataset stays closed and must not keep fields made for it.
        removeDynamicFields();
        m_rows.clear();
        throw;
    }
    m_cur = m_rows.isEmpty() ? -1 : 0;
}

void Query::doClose()
{
    m_rows.clear();
    m_rows.squeeze();
    m_columnOfField.clear();
    m_cur = -1;
}

void Query::doRefresh()
{
    const int keep = m_cur;
    m_defs.clear();
    m_tableNamesRead = false;
    Result result = execute();
    if (result.names.size() < int(std::count_if(m_columnOfField.begin(), m_columnOfField.end(), [](int c) { return c >= 0; })))
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: The result of the query changed shape").arg(objectName()));
    loadRows(std::move(result));
    m_cur = m_rows.isEmpty() ? -1 : std::min(keep < 0 ? 0 : keep, int(m_rows.size()) - 1);
}

void Query::doFirst() { m_cur = m_rows.isEmpty() ? -1 : 0; }

void Query::doLast() { m_cur = int(m_rows.size()) - 1; }

bool Query::doNext()
{
    if (m_cur + 1 >= int(m_rows.size()))
        return false;
    ++m_cur;
    return true;
}

bool Query::doPrior()
{
    if (m_cur <= 0)
        return false;
    --m_cur;
    return true;
}

bool Query::hasCurrent() const { return m_cur >= 0 && m_cur < int(m_rows.size()); }

const Record& Query::currentRecord() const
{
    static const Record none;
    return hasCurrent() ? m_rows[m_cur] : none;
}

int Query::recordCount() { return int(m_rows.size()); }

int Query::recNo() { return active() && hasCurrent() ? m_cur + 1 : 0; }

void Query::setRecNo(int recNo)
{
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    m_cur = std::clamp(recNo, 1, int(m_rows.size())) - 1;
    setBof(false);
    setEof(false);
    afterMove();
}

bool Query::doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options)
{
    QVariantList wanted;
    try {
        for (int i = 0; i < fields.size(); ++i)
            wanted << fields[i]->convert(values[i]);
    } catch (const EngineError&) {
        return false; // a value the field cannot hold matches no record
    }
    for (int pos = 0; pos < m_rows.size(); ++pos) {
        bool match = true;
        for (int i = 0; match && i < fields.size(); ++i)
            match = locateMatches(m_rows[pos].value(fields[i]->index()), wanted[i], fields[i]->dataType(), options);
        if (match) {
            m_cur = pos;
            return true;
        }
    }
    return false;
}

QVariant Query::lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField)
{
    checkActive();
    QList<Field*> fields;
    for (const QString& name : splitFieldList(keyFields))
        fields << fieldByName(name);
    if (fields.isEmpty() || fields.size() != values.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Lookup needs one value per field"));
    const int result = fieldByName(resultField)->index();
    QVariantList wanted;
    for (int i = 0; i < fields.size(); ++i)
        wanted << fields[i]->convert(values[i]);
    for (const Record& r : m_rows) {
        bool match = true;
        for (int i = 0; match && i < fields.size(); ++i)
            match = locateMatches(r.value(fields[i]->index()), wanted[i], fields[i]->dataType(), {});
        if (match)
            return r.value(result);
    }
    return QVariant();
}

void Query::readOnly() const { throw EngineError(ErrorCode::NotSupported, QStringLiteral("Cannot modify a read-only dataset")); }

void Query::doBeginEdit(Record&) { readOnly(); }
void Query::doPost(Record&, bool) { readOnly(); }
void Query::doDelete() { readOnly(); }
void Query::doInitRecord(Record&) { readOnly(); }

} // namespace qdb
