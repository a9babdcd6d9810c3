#include "WmfWriter.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QStringEncoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qrep {

namespace {

// GDI record functions.
enum : quint16 {
    META_EOF = 0x0000,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETTEXTALIGN = 0x012E,
    META_SELECTOBJECT = 0x012D,
    META_DELETEOBJECT = 0x01F0,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_RECTANGLE = 0x041B,
    META_TEXTOUT = 0x0521,
};

constexpr quint16 TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6;

class Recorder {
public:
    QByteArray body;
    quint32 maxRecordWords = 3;
    int objectCount = 0;

    // One record: the parameters as 16-bit words (byte data already packed into words).
    void record(quint16 function, const QList<quint16>& params)
    {
        const quint32 words = 3 + quint32(params.size());
        maxRecordWords = std::max(maxRecordWords, words);
        put32(words);
        put16(function);
        for (quint16 w : params)
            put16(w);
    }

    // Object table: a new object takes the lowest free index.
    int create(quint16 function, const QList<quint16>& params)
    {
        record(function, params);
        auto it = std::find(m_used.begin(), m_used.end(), false);
        int index;
        if (it == m_used.end()) {
            index = int(m_used.size());
            m_used.push_back(true);
        } else {
            index = int(it - m_used.begin());
            *it = true;
        }
        objectCount = std::max(objectCount, int(m_used.size()));
        return index;
    }
    void select(int index) { record(META_SELECTOBJECT, {quint16(index)}); }
    void remove(int index)
    {
        record(META_DELETEOBJECT, {quint16(index)});
        m_used[size_t(index)] = false;
    }

private:
    void put16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        body.append(b, 2);
    }
    void put32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        body.append(b, 4);
    }
    std::vector<bool> m_used;
};

quint16 s16(double v)
{
    return quint16(qint16(std::clamp(std::lround(v), -32768L, 32767L)));
}

QList<quint16> colorRef(const QColor& c)
{
    const quint32 ref = quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
    return {quint16(ref & 0xFFFF), quint16(ref >> 16)};
}

// Bytes packed into little-endian words, padded with a zero byte to an even length.
QList<quint16> packBytes(QByteArray bytes)
{
    if (bytes.size() % 2)
        bytes.append('\0');
    QList<quint16> words;
    for (qsizetype i = 0; i < bytes.size(); i += 2)
        words << quint16(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8));
    return words;
}

QByteArray ansi(const QString& text)
{
    // Characters outside the code page become '?' (the encoder's replacement).
    QStringEncoder encoder("windows-1252");
    if (encoder.isValid())
        return encoder.encode(text);
    return text.toLatin1();
}

struct FontKey {
    QString family;
    int height;
    bool bold;
    bool italic;
    bool operator==(const FontKey&) const = default;
};

} // namespace

QString WmfWriter::pageFileName(const QString& fileName, int pageNumber)
{
    if (pageNumber <= 1)
        return fileName;
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    const QString dir = fileName.left(fileName.size() - name.size());
    return dir + stem + QLatin1Char('_') + QString::number(pageNumber) + ext;
}

QByteArray WmfWriter::metafile(const PreparedPage& page)
{
    constexpr double k = unitsPerInch / 25.4; // units per millimetre
    const qint16 width = qint16(std::lround(page.sizeMm.width() * k));
    const qint16 height = qint16(std::lround(page.sizeMm.height() * k));

    Recorder r;
    r.record(META_SETMAPMODE, {8}); // MM_ANISOTROPIC: the placeable header maps the window
    r.record(META_SETWINDOWORG, {0, 0});
    r.record(META_SETWINDOWEXT, {quint16(height), quint16(width)});
    r.record(META_SETBKMODE, {1}); // TRANSPARENT
    // The paper first: a white page without an outline, so that readers which take the size
    // of the picture from what is drawn (libwmf, ImageMagick) show the whole page. An object is
    // deleted only once another has taken its place in the device context.
    const int paperPen = r.create(META_CREATEPENINDIRECT, {5 /*PS_NULL*/, 0, 0, 0, 0});
    const int paperBrush = r.create(META_CREATEBRUSHINDIRECT, {0 /*BS_SOLID*/, 0xFFFF, 0x00FF, 0});
    r.select(paperPen);
    r.select(paperBrush);
    r.record(META_RECTANGLE, {quint16(height), quint16(width), 0, 0});
    // A hollow brush for the frames stays selected from here on.
    const int brush = r.create(META_CREATEBRUSHINDIRECT, {1 /*BS_NULL*/, 0, 0, 0});
    r.select(brush);
    r.remove(paperBrush);

    int pen = paperPen; // replaced by the first real pen
    double penWidth = -1;
    QColor penColor;
    auto usePen = [&](double widthMm, const QColor& color) {
        if (pen >= 0 && widthMm == penWidth && color == penColor)
            return;
        QList<quint16> params{0 /*PS_SOLID*/, s16(std::max(1.0, widthMm * k)), 0};
        params << colorRef(color);
        const int created = r.create(META_CREATEPENINDIRECT, params);
        r.select(created);
        if (pen >= 0)
            r.remove(pen);
        pen = created;
        penWidth = widthMm;
        penColor = color;
    };

    int font = -1;
    FontKey fontKey;
    auto useFont = [&](const QFont& f) {
        const FontKey key{f.family(), int(std::lround(detail::pointSize(f) * unitsPerInch / 72.0)), f.bold(), f.italic()};
        if (font >= 0 && key == fontKey)
            return;
        QByteArray lf;
        auto add16 = [&](qint16 v) {
            char b[2];
            qToLittleEndian(v, b);
            lf.append(b, 2);
        };
        add16(qint16(-key.height)); // negative: the character height, without internal leading
        add16(0);                   // width: from the height
        add16(0);                   // escapement
        add16(0);                   // orientation
        add16(qint16(key.bold ? 700 : 400));
        lf.append(char(key.italic ? 1 : 0)); // italic
        lf.append('\0');                     // underline
        lf.append('\0');                     // strike-out
        lf.append('\0');                     // ANSI_CHARSET
        lf.append('\0');                     // OUT_DEFAULT_PRECIS
        lf.append('\0');                     // CLIP_DEFAULT_PRECIS
        lf.append('\0');                     // DEFAULT_QUALITY
        lf.append(char(0x22));               // VARIABLE_PITCH | FF_SWISS
        QByteArray face = ansi(key.family).left(31);
        face.append(QByteArray(32 - face.size(), '\0'));
        lf.append(face);
        const int created = r.create(META_CREATEFONTINDIRECT, packBytes(lf));
        r.select(created);
        if (font >= 0)
            r.remove(font);
        font = created;
        fontKey = key;
    };

    QColor textColor;
    quint16 textAlign = 0xFFFF;
    for (const PageItem& item : page.items) {
        const QRectF& rc = item.rect;
        switch (item.kind) {
        case PageItem::Kind::Line:
            usePen(item.penWidthMm, item.color);
            r.record(META_MOVETO, {s16(rc.top() * k), s16(rc.left() * k)});
            r.record(META_LINETO, {s16(rc.bottom() * k), s16(rc.right() * k)});
            break;
        case PageItem::Kind::Rect:
            usePen(item.penWidthMm, item.color);
            r.record(META_RECTANGLE, {s16(rc.bottom() * k), s16(rc.right() * k), s16(rc.top() * k), s16(rc.left() * k)});
            break;
        case PageItem::Kind::Text: {
            if (item.text.isEmpty())
                break;
            useFont(item.font);
            if (item.color != textColor) {
                r.record(META_SETTEXTCOLOR, colorRef(item.color));
                textColor = item.color;
            }
            const Qt::Alignment h = item.alignment & Qt::AlignHorizontal_Mask;
            const quint16 align = (h & Qt::AlignRight) ? TA_RIGHT : (h & Qt::AlignHCenter) ? TA_CENTER : TA_LEFT;
            if (align != textAlign) {
                r.record(META_SETTEXTALIGN, {align});
                textAlign = align;
            }
            const double x = align == TA_RIGHT ? rc.right() : align == TA_CENTER ? rc.center().x() : rc.left();
            // Line spacing as the page view has it, measured at 10 units per millimetre.
            QFont measured = item.font;
            measured.setPixelSize(std::max(1, int(std::lround(detail::pointSize(item.font) * 25.4 / 72.0 * 10))));
            const double lineMm = QFontMetricsF(measured).lineSpacing() / 10.0;
            const QStringList lines = detail::displayedLines(item);
            const double blockMm = lineMm * lines.size();
            double y = rc.top();
            if (item.alignment & Qt::AlignBottom)
                y = rc.bottom() - blockMm;
            else if (item.alignment & Qt::AlignVCenter)
                y = rc.top() + (rc.height() - blockMm) / 2;
            for (const QString& line : lines) {
                if (!line.isEmpty()) {
                    const QByteArray bytes = ansi(line).left(32000);
                    QList<quint16> params{quint16(bytes.size())};
                    params << packBytes(bytes);
                    params << s16(y * k) << s16(x * k);
                    r.record(META_TEXTOUT, params);
                }
                y += lineMm;
            }
            break;
        }
        }
    }
    // The objects still selected are freed with the device context at the end of the playback.
    r.record(META_EOF, {});

    // Placeable header, then the standard header.
    QByteArray out;
    auto put16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    auto put32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    put32(0x9AC6CDD7); // key
    put16(0);          // metafile handle
    put16(0);          // bounding box: left, top, right, bottom
    put16(0);
    put16(quint16(width));
    put16(quint16(height));
    put16(unitsPerInch);
    put32(0); // reserved
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(out.constData() + 2 * i);
    put16(checksum);

    put16(1);    // memory metafile
    put16(9);    // header words
    put16(0x0300);
    put32(quint32(9 + r.body.size() / 2)); // file size in words, this header included
    put16(quint16(r.objectCount));
    put32(r.maxRecordWords);
    put16(0);
    out += r.body;
    return out;
}

void WmfWriter::doBegin()
{
    m_pages.clear();
    m_written.clear();
}

void WmfWriter::doWritePage(const PreparedPage& page, int)
{
    m_pages << metafile(page);
}

void WmfWriter::doEnd()
{
    if (m_pages.isEmpty())
        m_pages << metafile(PreparedPage{});
    QStringList written;
    // Later pages first: the chosen file name appears only when all the others are in place.
    for (int n = int(m_pages.size()); n >= 1; --n) {
        detail::OutputFile out;
        const QString name = pageFileName(fileName(), n);
        out.open(name);
        out.write(m_pages[n - 1]);
        out.commit();
        written.prepend(name);
    }
    m_pages.clear();
    m_written = written;
}

void WmfWriter::doAbort()
{
    m_pages.clear();
}

} // namespace qrep
