#include "ReportTemplate.h"

#include "ReportError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qrep {

namespace {

[[noreturn]] void bad(const QString& what)
{
    throw ReportError(ReportError::Kind::Template, QStringLiteral("The report template is not valid: %1.").arg(what));
}

const QList<std::pair<BandType, QString>>& bandTypeNames()
{
    static const QList<std::pair<BandType, QString>> names{
        {BandType::Title, QStringLiteral("title")},
        {BandType::ColumnHeader, QStringLiteral("columnHeader")},
        {BandType::Detail, QStringLiteral("detail")},
        {BandType::Child, QStringLiteral("child")},
        {BandType::GroupHeader, QStringLiteral("groupHeader")},
        {BandType::GroupFooter, QStringLiteral("groupFooter")},
        {BandType::Summary, QStringLiteral("summary")},
        {BandType::PageFooter, QStringLiteral("pageFooter")},
    };
    return names;
}

const QList<std::pair<ElementType, QString>>& elementTypeNames()
{
    static const QList<std::pair<ElementType, QString>> names{
        {ElementType::Label, QStringLiteral("label")},
        {ElementType::Field, QStringLiteral("field")},
        {ElementType::Expression, QStringLiteral("expression")},
        {ElementType::SysData, QStringLiteral("sysdata")},
        {ElementType::Rule, QStringLiteral("rule")},
        {ElementType::Frame, QStringLiteral("frame")},
    };
    return names;
}

const QList<std::pair<SysDataKind, QString>>& sysDataNames()
{
    static const QList<std::pair<SysDataKind, QString>> names{
        {SysDataKind::DateTime, QStringLiteral("datetime")},
        {SysDataKind::Date, QStringLiteral("date")},
        {SysDataKind::Time, QStringLiteral("time")},
        {SysDataKind::PageNumber, QStringLiteral("pagenumber")},
    };
    return names;
}

template <typename E> E fromName(const QList<std::pair<E, QString>>& names, const QString& name, const QString& what)
{
    for (const auto& [value, text] : names)
        if (text.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    bad(QStringLiteral("unknown %1 \"%2\"").arg(what, name));
}

template <typename E> QString toName(const QList<std::pair<E, QString>>& names, E value)
{
    for (const auto& [v, text] : names)
        if (v == value)
            return text;
    return QString();
}

Qt::Alignment parseAlignment(const QString& text)
{
    Qt::Alignment h = Qt::AlignLeft, v = Qt::AlignTop;
    for (const QString& part : text.split(u'|', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed().toLower();
        if (p == u"left")
            h = Qt::AlignLeft;
        else if (p == u"right")
            h = Qt::AlignRight;
        else if (p == u"center" || p == u"centre" || p == u"hcenter")
            h = Qt::AlignHCenter;
        else if (p == u"top")
            v = Qt::AlignTop;
        else if (p == u"vcenter")
            v = Qt::AlignVCenter;
        else if (p == u"bottom")
            v = Qt::AlignBottom;
        else
            bad(QStringLiteral("unknown alignment \"%1\"").arg(part));
    }
    return h | v;
}

QString alignmentName(Qt::Alignment a)
{
    QString h = (a & Qt::AlignRight) ? QStringLiteral("right") : (a & Qt::AlignHCenter) ? QStringLiteral("center") : QStringLiteral("left");
    if (a & Qt::AlignVCenter)
        return h + QStringLiteral("|vcenter");
    if (a & Qt::AlignBottom)
        return h + QStringLiteral("|bottom");
    return h;
}

double number(const QJsonObject& o, const char* key, double fallback)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return fallback;
    if (!v.isDouble())
        bad(QStringLiteral("\"%1\" must be a number").arg(QLatin1String(key)));
    return v.toDouble();
}

QRectF parseRect(const QJsonValue& v, const QString& where)
{
    if (v.isUndefined())
        return QRectF();
    const QJsonArray a = v.toArray();
    if (a.size() != 4)
        bad(QStringLiteral("%1: \"rect\" must be [left, top, width, height]").arg(where));
    for (const QJsonValue& x : a)
        if (!x.isDouble())
            bad(QStringLiteral("%1: \"rect\" must hold numbers").arg(where));
    return QRectF(a.at(0).toDouble(), a.at(1).toDouble(), a.at(2).toDouble(), a.at(3).toDouble());
}

FontSpec parseFont(const QJsonValue& v)
{
    FontSpec f;
    if (v.isUndefined())
        return f;
    if (!v.isObject())
        bad(QStringLiteral("\"font\" must be an object"));
    const QJsonObject o = v.toObject();
    f.family = o.value(QLatin1String("family")).toString();
    f.pointSize = number(o, "size", 0);
    if (o.contains(QLatin1String("bold")))
        f.bold = o.value(QLatin1String("bold")).toBool();
    if (o.contains(QLatin1String("italic")))
        f.italic = o.value(QLatin1String("italic")).toBool();
    return f;
}

QJsonObject fontJson(const FontSpec& f)
{
    QJsonObject o;
    if (!f.family.isEmpty())
        o.insert(QLatin1String("family"), f.family);
    if (f.pointSize > 0)
        o.insert(QLatin1String("size"), f.pointSize);
    if (f.bold)
        o.insert(QLatin1String("bold"), *f.bold);
    if (f.italic)
        o.insert(QLatin1String("italic"), *f.italic);
    return o;
}

QJsonArray rectJson(const QRectF& r) { return QJsonArray{r.x(), r.y(), r.width(), r.height()}; }

ElementDef parseElement(const QJsonObject& o, const QString& band)
{
    ElementDef e;
    e.name = o.value(QLatin1String("name")).toString();
    const QString where = QStringLiteral("band \"%1\", element \"%2\"").arg(band, e.name);
    e.type = fromName(elementTypeNames(), o.value(QLatin1String("type")).toString(QStringLiteral("label")), QStringLiteral("element type"));
    e.rect = parseRect(o.value(QLatin1String("rect")), where);
    e.caption = o.value(QLatin1String("caption")).toString();
    e.expression = o.value(QLatin1String("expression")).toString();
    if (o.contains(QLatin1String("data")))
        e.sysData = fromName(sysDataNames(), o.value(QLatin1String("data")).toString(), QStringLiteral("system data"));
    if (o.contains(QLatin1String("align")))
        e.alignment = parseAlignment(o.value(QLatin1String("align")).toString());
    e.font = parseFont(o.value(QLatin1String("font")));
    e.mask = o.value(QLatin1String("mask")).toString();
    e.stretch = o.value(QLatin1String("stretch")).toBool(false);
    e.penWidthMm = number(o, "width", 0.2);
    if (o.contains(QLatin1String("color"))) {
        e.color = QColor(o.value(QLatin1String("color")).toString());
        if (!e.color.isValid())
            bad(QStringLiteral("%1: unknown colour").arg(where));
    }
    if ((e.type == ElementType::Field || e.type == ElementType::Expression) && e.expression.trimmed().isEmpty())
        bad(QStringLiteral("%1 has no expression").arg(where));
    return e;
}

QJsonObject elementJson(const ElementDef& e)
{
    QJsonObject o;
    if (!e.name.isEmpty())
        o.insert(QLatin1String("name"), e.name);
    o.insert(QLatin1String("type"), toName(elementTypeNames(), e.type));
    o.insert(QLatin1String("rect"), rectJson(e.rect));
    if (!e.caption.isEmpty())
        o.insert(QLatin1String("caption"), e.caption);
    if (!e.expression.isEmpty())
        o.insert(QLatin1String("expression"), e.expression);
    if (e.type == ElementType::SysData)
        o.insert(QLatin1String("data"), toName(sysDataNames(), e.sysData));
    if (e.alignment != (Qt::AlignLeft | Qt::AlignTop))
        o.insert(QLatin1String("align"), alignmentName(e.alignment));
    const QJsonObject font = fontJson(e.font);
    if (!font.isEmpty())
        o.insert(QLatin1String("font"), font);
    if (!e.mask.isEmpty())
        o.insert(QLatin1String("mask"), e.mask);
    if (e.stretch)
        o.insert(QLatin1String("stretch"), true);
    if (e.penWidthMm != 0.2)
        o.insert(QLatin1String("width"), e.penWidthMm);
    if (e.color != QColor(Qt::black))
        o.insert(QLatin1String("color"), e.color.name(QColor::HexArgb));
    return o;
}

} // namespace

QString bandTypeName(BandType type) { return toName(bandTypeNames(), type); }

const BandDef* ReportTemplate::band(const QString& name) const
{
    for (const BandDef& b : bands)
        if (b.name.compare(name, Qt::CaseInsensitive) == 0)
            return &b;
    return nullptr;
}

const ElementDef* ReportTemplate::element(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (const BandDef& b : bands)
        for (const ElementDef& e : b.elements)
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                return &e;
    return nullptr;
}

ReportTemplate ReportTemplate::fromJson(const QByteArray& json)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError)
        bad(QStringLiteral("%1 at offset %2").arg(err.errorString()).arg(err.offset));
    if (!doc.isObject())
        bad(QStringLiteral("the document must be an object"));
    const QJsonObject root = doc.object();
    ReportTemplate t;
    t.name = root.value(QLatin1String("name")).toString();
    t.title = root.value(QLatin1String("title")).toString();
    if (root.contains(QLatin1String("page"))) {
        const QJsonObject page = root.value(QLatin1String("page")).toObject();
        t.page.sizeMm = QSizeF(number(page, "width", 215.9), number(page, "height", 279.4));
        if (page.contains(QLatin1String("margins"))) {
            const QJsonArray m = page.value(QLatin1String("margins")).toArray();
            if (m.size() != 4)
                bad(QStringLiteral("\"margins\" must be [left, top, right, bottom]"));
            t.page.marginsMm = QMarginsF(m.at(0).toDouble(), m.at(1).toDouble(), m.at(2).toDouble(), m.at(3).toDouble());
        }
        if (t.page.sizeMm.width() <= 0 || t.page.sizeMm.height() <= 0)
            bad(QStringLiteral("the page has no size"));
    }
    if (root.contains(QLatin1String("font"))) {
        const FontSpec f = parseFont(root.value(QLatin1String("font")));
        if (!f.family.isEmpty())
            t.font.family = f.family;
        if (f.pointSize > 0)
            t.font.pointSize = f.pointSize;
        if (f.bold)
            t.font.bold = f.bold;
        if (f.italic)
            t.font.italic = f.italic;
    }
    t.printIfEmpty = root.value(QLatin1String("printIfEmpty")).toBool(true);
    const QJsonArray bands = root.value(QLatin1String("bands")).toArray();
    for (const QJsonValue& bv : bands) {
        const QJsonObject bo = bv.toObject();
        BandDef b;
        b.name = bo.value(QLatin1String("name")).toString();
        if (b.name.isEmpty())
            bad(QStringLiteral("a band has no name"));
        if (t.band(b.name))
            bad(QStringLiteral("two bands are named \"%1\"").arg(b.name));
        b.type = fromName(bandTypeNames(), bo.value(QLatin1String("type")).toString(), QStringLiteral("band type"));
        b.height = number(bo, "height", 5);
        if (b.height < 0)
            bad(QStringLiteral("band \"%1\" has a negative height").arg(b.name));
        for (const QJsonValue& f : bo.value(QLatin1String("frame")).toArray()) {
            const QString edge = f.toString().toLower();
            if (edge == u"top")
                b.frameTop = true;
            else if (edge == u"bottom")
                b.frameBottom = true;
            else
                bad(QStringLiteral("band \"%1\": unknown frame edge \"%2\"").arg(b.name, f.toString()));
        }
        b.framePenWidthMm = number(bo, "frameWidth", 0.2);
        b.linkBand = bo.value(QLatin1String("link")).toString();
        b.parent = bo.value(QLatin1String("parent")).toString();
        b.expression = bo.value(QLatin1String("expression")).toString();
        b.footer = bo.value(QLatin1String("footer")).toString();
        for (const QJsonValue& ev : bo.value(QLatin1String("elements")).toArray())
            b.elements.append(parseElement(ev.toObject(), b.name));
        t.bands.append(b);
    }
    // References between bands.
    for (const BandDef& b : t.bands) {
        if (!b.linkBand.isEmpty() && !t.band(b.linkBand))
            bad(QStringLiteral("band \"%1\" links to the unknown band \"%2\"").arg(b.name, b.linkBand));
        if (b.type == BandType::Child && !t.band(b.parent))
            bad(QStringLiteral("child band \"%1\" has no parent band").arg(b.name));
        if (b.type == BandType::GroupHeader) {
            if (b.expression.trimmed().isEmpty())
                bad(QStringLiteral("group header \"%1\" has no expression").arg(b.name));
            if (!b.footer.isEmpty()) {
                const BandDef* f = t.band(b.footer);
                if (!f || f->type != BandType::GroupFooter)
                    bad(QStringLiteral("group header \"%1\": \"%2\" is not a group footer").arg(b.name, b.footer));
            }
        }
    }
    return t;
}

ReportTemplate ReportTemplate::load(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw ReportError(ReportError::Kind::Template,
            QStringLiteral("The report template \"%1\" cannot be read: %2.").arg(fileName, f.errorString()));
    return fromJson(f.readAll());
}

QByteArray ReportTemplate::toJson() const
{
    QJsonObject root;
    if (!name.isEmpty())
        root.insert(QLatin1String("name"), name);
    root.insert(QLatin1String("title"), title);
    QJsonObject pageObj;
    pageObj.insert(QLatin1String("width"), page.sizeMm.width());
    pageObj.insert(QLatin1String("height"), page.sizeMm.height());
    pageObj.insert(QLatin1String("margins"), QJsonArray{page.marginsMm.left(), page.marginsMm.top(), page.marginsMm.right(), page.marginsMm.bottom()});
    root.insert(QLatin1String("page"), pageObj);
    root.insert(QLatin1String("font"), fontJson(font));
    root.insert(QLatin1String("printIfEmpty"), printIfEmpty);
    QJsonArray bandArray;
    for (const BandDef& b : bands) {
        QJsonObject o;
        o.insert(QLatin1String("name"), b.name);
        o.insert(QLatin1String("type"), bandTypeName(b.type));
        o.insert(QLatin1String("height"), b.height);
        QJsonArray frame;
        if (b.frameTop)
            frame.append(QStringLiteral("top"));
        if (b.frameBottom)
            frame.append(QStringLiteral("bottom"));
        if (!frame.isEmpty())
            o.insert(QLatin1String("frame"), frame);
        if (b.framePenWidthMm != 0.2)
            o.insert(QLatin1String("frameWidth"), b.framePenWidthMm);
        if (!b.linkBand.isEmpty())
            o.insert(QLatin1String("link"), b.linkBand);
        if (!b.parent.isEmpty())
            o.insert(QLatin1String("parent"), b.parent);
        if (!b.expression.isEmpty())
            o.insert(QLatin1String("expression"), b.expression);
        if (!b.footer.isEmpty())
            o.insert(QLatin1String("footer"), b.footer);
        QJsonArray elements;
        for (const ElementDef& e : b.elements)
            elements.append(elementJson(e));
        o.insert(QLatin1String("elements"), elements);
        bandArray.append(o);
    }
    root.insert(QLatin1String("bands"), bandArray);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace qrep
