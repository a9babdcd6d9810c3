#include "XlsWriter.h"

#include <QHash>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qrep {

namespace {

// BIFF8 record types.
enum : quint16 {
    BOF = 0x0809,
    EOF_ = 0x000A,
    CODEPAGE = 0x0042,
    WINDOW1 = 0x003D,
    DATEMODE = 0x0022,
    FONT = 0x0031,
    XF = 0x00E0,
    STYLE = 0x0293,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    CONTINUE = 0x003C,
    EXTSST = 0x00FF,
    COLINFO = 0x007D,
    DIMENSIONS = 0x0200,
    LABELSST = 0x00FD,
    NUMBER = 0x0203,
    WINDOW2 = 0x023E,
};

constexpr int maxRecordData = 8224;

class Bytes {
public:
    QByteArray data;
    void u8(quint8 v) { data.append(char(v)); }
    void u16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        data.append(b, 2);
    }
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        data.append(b, 4);
    }
    void f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        char b[8];
        qToLittleEndian(bits, b);
        data.append(b, 8);
    }
    void utf16(const QString& s)
    {
        for (QChar c : s)
            u16(c.unicode());
    }
    void record(quint16 type, const QByteArray& body)
    {
        u16(type);
        u16(quint16(body.size()));
        data.append(body);
    }
};

QByteArray bofBody(quint16 kind)
{
    Bytes b;
    b.u16(0x0600); // BIFF8
    b.u16(kind);   // 0x0005 workbook globals, 0x0010 worksheet
    b.u16(0x0DBB); // build
    b.u16(0x07CC); // year
    b.u32(0);      // file history
    b.u32(0x0006); // lowest BIFF version that can read it
    return b.data;
}

QByteArray fontBody(bool bold)
{
    Bytes b;
    b.u16(200); // 10 pt in twentieths of a point
    b.u16(0);   // no italics, strike-out, ...
    b.u16(0x7FFF); // automatic colour
    b.u16(bold ? 700 : 400);
    b.u16(0); // no super/subscript
    b.u8(0);  // no underline
    b.u8(2);  // swiss family
    b.u8(0);  // ANSI character set
    b.u8(0);
    const QString name = QStringLiteral("Arial");
    b.u8(quint8(name.size()));
    b.u8(1); // UTF-16 characters
    b.utf16(name);
    return b.data;
}

QByteArray xfBody(quint16 font, quint16 format, bool style)
{
    Bytes b;
    b.u16(font);
    b.u16(format);
    b.u16(style ? 0xFFF5 : 0x0001); // locked; style XF with no parent, or cell XF of style 0
    b.u8(0x20);                     // bottom-aligned, general horizontal alignment
    b.u8(0);                        // no rotation
    b.u8(0);                        // no indent
    b.u8(style ? 0xF4 : 0xFC);      // which attributes this XF sets
    b.u32(0);                       // no borders
    b.u32(0);
    b.u16(0x20C0); // automatic pattern colours
    return b.data;
}

// Cell formats: the index of the cell XF for a text or number cell.
int cellXf(bool bold, int decimals)
{
    const int base = bold ? 18 : 15;
    return base + (decimals == 0 ? 1 : decimals == 2 ? 2 : 0);
}

// Decimals shown in a printed number: digits after the last '.' or ','.
int decimalsOf(const QString& text)
{
    const QString t = text.trimmed();
    const int dot = int(std::max(t.lastIndexOf(QLatin1Char('.')), t.lastIndexOf(QLatin1Char(','))));
    if (dot < 0)
        return 0;
    int n = 0;
    for (int i = dot + 1; i < t.size() && t[i].isDigit(); ++i)
        ++n;
    return n;
}

// Only a text that shows a plain number becomes a number cell ("12.50", "-3", "1e+20"); an item
// printed from a number with words around it stays text.
bool showsNumber(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[+-]?[0-9]+([.,][0-9]+)?([eE][+-]?[0-9]+)?$"));
    return plain.match(text.trimmed()).hasMatch();
}

QString sheetName(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name)
        if (QStringLiteral("[]:*?/\\").contains(c))
            c = QLatin1Char('_');
    name = name.left(31);
    return name.isEmpty() ? QStringLiteral("Report") : name;
}

// The shared string table as SST and CONTINUE records (strings split across records with the
// flags byte repeated, as BIFF8 wants), and EXTSST with the stream position of every bucket's
// first string. streamOffset is the position of the SST record in the workbook stream.
QByteArray sstRecords(const QStringList& strings, quint32 references, quint32 streamOffset)
{
    QList<QByteArray> records; // bodies; the first is SST, the rest CONTINUE
    Bytes head;
    head.u32(references);
    head.u32(quint32(strings.size()));
    records << head.data;

    const int bucketSize = std::max(8, int(strings.size() / 128) + 1);
    struct Bucket {
        quint32 streamPos;
        quint16 recordOffset;
    };
    QList<Bucket> buckets;
    auto recordStart = [&] { // stream position of the current record's header
        quint32 pos = streamOffset;
        for (qsizetype i = 0; i + 1 < records.size(); ++i)
            pos += 4 + quint32(records[i].size());
        return pos;
    };
    quint32 currentRecordPos = streamOffset;

    for (int i = 0; i < strings.size(); ++i) {
        const QString& s = strings[i];
        // A string header (3 bytes) and at least one character must fit in the current record.
        if (records.last().size() + 5 > maxRecordData) {
            records << QByteArray();
            currentRecordPos = recordStart();
        }
        if (i % bucketSize == 0)
            buckets << Bucket{currentRecordPos + 4 + quint32(records.last().size()), quint16(4 + records.last().size())};
        Bytes h;
        h.u16(quint16(s.size()));
        h.u8(1); // UTF-16 characters
        records.last().append(h.data);
        qsizetype done = 0;
        while (done < s.size()) {
            const qsizetype room = (maxRecordData - records.last().size()) / 2;
            if (room <= 0) {
                records << QByteArray(1, char(1)); // the continued characters are UTF-16 too
                currentRecordPos = recordStart();
                continue;
            }
            const qsizetype n = std::min(room, s.size() - done);
            Bytes c;
            c.utf16(s.mid(done, n));
            records.last().append(c.data);
            done += n;
        }
    }

    Bytes out;
    for (qsizetype i = 0; i < records.size(); ++i)
        out.record(i == 0 ? SST : CONTINUE, records[i]);
    Bytes ext;
    ext.u16(quint16(bucketSize));
    for (const Bucket& b : buckets) {
        ext.u32(b.streamPos);
        ext.u16(b.recordOffset);
        ext.u16(0);
    }
    out.record(EXTSST, ext.data);
    return out.data;
}

} // namespace

void XlsWriter::doBegin()
{
    m_table = {};
    m_out.open(fileName());
}

void XlsWriter::doWritePage(const PreparedPage& page, int)
{
    m_table.addPage(page);
    if (m_table.rowCount() > maxRows)
        fail(QStringLiteral("the report has more lines than an Excel worksheet holds (%1)").arg(maxRows));
}

QByteArray XlsWriter::workbook() const
{
    const int columns = m_table.columnCount();
    if (columns > maxColumns)
        fail(QStringLiteral("the report has more columns than an Excel worksheet holds (%1)").arg(maxColumns));

    // Shared strings, in order of first use.
    QStringList strings;
    QHash<QString, quint32> index;
    quint32 references = 0;
    QList<detail::CellTable::Cell> cells;
    for (detail::CellTable::Cell c : m_table.cells()) {
        if (c.number && !showsNumber(c.text))
            c.number.reset();
        cells << c;
    }
    for (const auto& c : cells) {
        if (c.number)
            continue;
        ++references;
        if (!index.contains(c.text)) {
            index.insert(c.text, quint32(strings.size()));
            strings << c.text;
        }
    }

    // Globals, up to the sheet's offset in BOUNDSHEET.
    Bytes g;
    g.record(BOF, bofBody(0x0005));
    {
        Bytes b;
        b.u16(1200); // UTF-16
        g.record(CODEPAGE, b.data);
    }
    {
        Bytes b;
        b.u16(0);
        b.u16(0);
        b.u16(0x4000);
        b.u16(0x2000);
        b.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs
        b.u16(0);
        b.u16(0);
        b.u16(1);
        b.u16(600);
        g.record(WINDOW1, b.data);
    }
    {
        Bytes b;
        b.u16(0); // dates from 1900
        g.record(DATEMODE, b.data);
    }
    // Fonts 0-3 regular (index 4 is never used by Excel), font 5 bold.
    for (int i = 0; i < 4; ++i)
        g.record(FONT, fontBody(false));
    g.record(FONT, fontBody(true));
    // Style XFs 0-14, then the cell XFs: 15 General, 16 "0", 17 "0.00", 18-20 the same bold.
    for (int i = 0; i < 15; ++i)
        g.record(XF, xfBody(0, 0, true));
    for (int bold = 0; bold < 2; ++bold) {
        const quint16 font = bold ? 5 : 0;
        g.record(XF, xfBody(font, 0, false));
        g.record(XF, xfBody(font, 1, false));
        g.record(XF, xfBody(font, 2, false));
    }
    {
        Bytes b;
        b.u16(0x8000); // built-in style of XF 0
        b.u8(0);       // "Normal"
        b.u8(0xFF);
        g.record(STYLE, b.data);
    }
    const QString name = sheetName(title());
    Bytes sheetEntry;
    sheetEntry.u32(0); // patched below
    sheetEntry.u8(0);  // visible
    sheetEntry.u8(0);  // worksheet
    sheetEntry.u8(quint8(name.size()));
    sheetEntry.u8(1);
    sheetEntry.utf16(name);
    const qsizetype boundSheetAt = g.data.size();
    g.record(BOUNDSHEET, sheetEntry.data);
    g.data.append(sstRecords(strings, references, quint32(g.data.size())));
    g.record(EOF_, {});
    qToLittleEndian(quint32(g.data.size()), g.data.data() + boundSheetAt + 4);

    // The worksheet.
    Bytes s;
    s.record(BOF, bofBody(0x0010));
    {
        // Column widths from the distance to the next column, about 1.9 mm to a character, and
        // wide enough for every number in the column (a text may run on into empty cells).
        QList<double> edges(columns, -1);
        QList<int> numberChars(columns, 0);
        for (const auto& c : cells) {
            const int col = m_table.column(c.left);
            edges[col] = c.left;
            if (c.number)
                numberChars[col] = std::max(numberChars[col], int(c.text.trimmed().size()) + 2);
        }
        for (int col = 0; col < columns; ++col) {
            const double next = col + 1 < columns ? edges[col + 1] : edges[col] + 30;
            const double chars = std::max(std::clamp((next - edges[col]) / 1.9, 4.0, 60.0), double(numberChars[col]));
            Bytes b;
            b.u16(quint16(col));
            b.u16(quint16(col));
            b.u16(quint16(std::lround(chars * 256)));
            b.u16(15);
            b.u16(0);
            b.u16(0);
            s.record(COLINFO, b.data);
        }
    }
    {
        Bytes b;
        b.u32(0);
        b.u32(quint32(m_table.rowCount()));
        b.u16(0);
        b.u16(quint16(columns));
        b.u16(0);
        s.record(DIMENSIONS, b.data);
    }
    for (const auto& c : cells) {
        Bytes b;
        b.u16(quint16(c.row));
        b.u16(quint16(m_table.column(c.left)));
        if (c.number) {
            b.u16(quint16(cellXf(c.bold, decimalsOf(c.text))));
            b.f64(*c.number);
            s.record(NUMBER, b.data);
        } else {
            b.u16(quint16(cellXf(c.bold, -1)));
            b.u32(index.value(c.text));
            s.record(LABELSST, b.data);
        }
    }
    {
        Bytes b;
        b.u16(0x06B6); // grid lines, headers, zeros, outline symbols; selected, shown
        b.u16(0);
        b.u16(0);
        b.u16(0x40);
        b.u16(0);
        b.u16(0);
        b.u32(0);
        s.record(WINDOW2, b.data);
    }
    s.record(EOF_, {});
    return g.data + s.data;
}

void XlsWriter::doEnd()
{
    m_out.write(compoundFile(workbook()));
    m_out.commit();
}

void XlsWriter::doAbort()
{
    m_out.discard();
}

QByteArray XlsWriter::compoundFile(const QByteArray& workbookStream)
{
    constexpr quint32 sector = 512;
    constexpr quint32 FREESECT = 0xFFFFFFFF, ENDOFCHAIN = 0xFFFFFFFE, FATSECT = 0xFFFFFFFD, DIFSECT = 0xFFFFFFFC;

    // Streams under 4096 bytes would belong in the mini stream: pad the workbook instead (the
    // bytes after its last EOF record are never read).
    QByteArray stream = workbookStream;
    if (stream.size() < 4096)
        stream.append(QByteArray(4096 - stream.size(), '\0'));
    const quint32 streamSize = quint32(stream.size());
    if (stream.size() % sector)
        stream.append(QByteArray(sector - stream.size() % sector, '\0'));
    const quint32 n = quint32(stream.size()) / sector;
    const quint32 dirSectors = 1;

    quint32 fat = 1, difat = 0;
    for (;;) {
        const quint32 total = n + dirSectors + fat + difat;
        const quint32 fat2 = (total + 127) / 128;
        const quint32 difat2 = fat2 > 109 ? (fat2 - 109 + 126) / 127 : 0;
        if (fat2 == fat && difat2 == difat)
            break;
        fat = fat2;
        difat = difat2;
    }
    const quint32 dirStart = n, fatStart = n + dirSectors, difatStart = fatStart + fat;

    QList<quint32> table(fat * 128, FREESECT);
    for (quint32 i = 0; i < n; ++i)
        table[i] = i + 1 < n ? i + 1 : ENDOFCHAIN;
    table[dirStart] = ENDOFCHAIN;
    for (quint32 i = 0; i < fat; ++i)
        table[fatStart + i] = FATSECT;
    for (quint32 i = 0; i < difat; ++i)
        table[difatStart + i] = DIFSECT;

    Bytes h;
    h.data.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.data.append(QByteArray(16, '\0')); // class id
    h.u16(0x003E);
    h.u16(0x0003);
    h.u16(0xFFFE); // little-endian
    h.u16(9);      // 512-byte sectors
    h.u16(6);      // 64-byte mini sectors
    h.data.append(QByteArray(6, '\0'));
    h.u32(0); // directory sectors (version 3: 0)
    h.u32(fat);
    h.u32(dirStart);
    h.u32(0);
    h.u32(4096);
    h.u32(ENDOFCHAIN); // no mini FAT
    h.u32(0);
    h.u32(difat ? difatStart : ENDOFCHAIN);
    h.u32(difat);
    for (quint32 i = 0; i < 109; ++i)
        h.u32(i < fat ? fatStart + i : FREESECT);

    Bytes dir;
    auto entry = [&](const QString& name, quint8 type, quint32 child, quint32 start, quint32 size) {
        Bytes e;
        e.utf16(name);
        if (!name.isEmpty())
            e.u16(0);
        e.data.append(QByteArray(64 - e.data.size(), '\0'));
        e.u16(name.isEmpty() ? 0 : quint16((name.size() + 1) * 2));
        e.u8(type);
        e.u8(1); // black
        e.u32(FREESECT); // no left sibling
        e.u32(FREESECT); // no right sibling
        e.u32(child);
        e.data.append(QByteArray(16, '\0')); // class id
        e.u32(0);                            // state bits
        e.data.append(QByteArray(16, '\0')); // creation and modification times
        e.u32(start);
        e.u32(size);
        e.u32(0);
        dir.data.append(e.data);
    };
    entry(QStringLiteral("Root Entry"), 5, 1, ENDOFCHAIN, 0);
    entry(QStringLiteral("Workbook"), 2, FREESECT, 0, streamSize);
    entry(QString(), 0, FREESECT, 0, 0);
    entry(QString(), 0, FREESECT, 0, 0);

    Bytes fatBytes;
    for (quint32 v : table)
        fatBytes.u32(v);
    Bytes difatBytes;
    for (quint32 i = 0; i < difat; ++i) {
        for (quint32 j = 0; j < 127; ++j) {
            const quint32 k = 109 + i * 127 + j;
            difatBytes.u32(k < fat ? fatStart + k : FREESECT);
        }
        difatBytes.u32(i + 1 < difat ? difatStart + i + 1 : ENDOFCHAIN);
    }
    return h.data + stream + dir.data + fatBytes.data + difatBytes.data;
}

} // namespace qrep
