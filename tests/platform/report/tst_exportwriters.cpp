// The export writers: each output read back, by its structure and, where a light reader is
// installed (poppler-utils), by that reader. LibreOffice and ImageMagick checks are in
// scripts/check-exports.sh.

#include "CsvWriter.h"
#include "ExportWriter.h"
#include "HtmlWriter.h"
#include "PdfWriter.h"
#include "RtfWriter.h"
#include "TextWriter.h"
#include "WmfWriter.h"
#include "XlsWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace qrep;

namespace {

PageItem text(double x, double y, double w, double h, const QString& t, Qt::Alignment align = Qt::AlignLeft,
    bool bold = false, double pt = 10, std::optional<double> number = std::nullopt)
{
    PageItem item;
    item.kind = PageItem::Kind::Text;
    item.rect = QRectF(x, y, w, h);
    item.text = t;
    item.font = QFont(QStringLiteral("Arial"));
    item.font.setPointSizeF(pt);
    item.font.setBold(bold);
    item.alignment = align | Qt::AlignTop;
    item.number = number;
    return item;
}

PageItem rule(double x1, double x2, double y, double pen = 0.3)
{
    PageItem item;
    item.kind = PageItem::Kind::Line;
    item.rect = QRectF(QPointF(x1, y), QPointF(x2, y));
    item.penWidthMm = pen;
    return item;
}

// Three pages in the shape of the program's summaries: a title, column captions, detail rows
// with a code, a description and two right-aligned numbers, a memo, rules, a frame and a page
// footer. Row r of page p has the numbers 10 * p + r + 0.25 and 2.5 * r.
QList<PreparedPage> samplePages()
{
    QList<PreparedPage> pages;
    for (int p = 1; p <= 3; ++p) {
        PreparedPage page;
        double y = 10;
        if (p == 1) {
            PageItem title = text(10, y, 195.9, 6, QStringLiteral("Summary of hours by project"), Qt::AlignHCenter, true, 12);
            title.font.setItalic(true);
            page.items << title;
            y += 7;
            page.items << text(10, y, 80, 5, QStringLiteral("From 01/02/2024 to 07/02/2024"), Qt::AlignLeft, true);
            y += 6;
            page.items << rule(10, 205.9, y);
            y += 2;
        }
        page.items << text(10, y, 30, 4, QStringLiteral("Project #"), Qt::AlignLeft, true, 8);
        page.items << text(45, y, 80, 4, QStringLiteral("Project description"), Qt::AlignLeft, true, 8);
        page.items << text(140, y, 30, 4, QStringLiteral("Chargeables"), Qt::AlignRight, true, 8);
        page.items << text(175, y, 30, 4, QStringLiteral("Total"), Qt::AlignRight, true, 8);
        y += 5;
        page.items << rule(10, 205.9, y, 0.6);
        y += 1;
        for (int r = 0; r < 5; ++r) {
            const double a = 10 * p + r + 0.25, b = 2.5 * r;
            page.items << text(10, y, 30, 4.5, QStringLiteral("P%1-%2").arg(p).arg(r));
            page.items << text(45, y, 80, 4.5, r == 1 ? QStringLiteral("Design, \"phase\" 2") : QStringLiteral("Café déjà vu %1").arg(r));
            page.items << text(140, y, 30, 4.5, QString::number(a, 'f', 2), Qt::AlignRight, true, 10, a);
            page.items << text(175, y, 30, 4.5, QString::number(b, 'f', 2), Qt::AlignRight, true, 10, b);
            y += 5;
        }
        PageItem memo = text(45, y, 60, 12, QStringLiteral("A long note that wraps onto more than one line of its column, as a memo does."));
        memo.wordWrap = true;
        memo.font.setItalic(true);
        memo.font.setPointSizeF(8);
        page.items << memo;
        y += 13;
        PageItem frame;
        frame.kind = PageItem::Kind::Rect;
        frame.rect = QRectF(10, y, 195.9, 8);
        page.items << frame;
        page.items << text(12, y + 2, 60, 4, QStringLiteral("Total :"), Qt::AlignLeft, true);
        page.items << rule(10, 205.9, 262, 0.6);
        page.items << text(10, 264, 80, 4, QStringLiteral("Date: 01/03/2024 10:00"), Qt::AlignLeft, true, 8);
        page.items << text(150, 264, 55.9, 4, QStringLiteral("Page: %1").arg(p), Qt::AlignRight, true, 8, p);
        pages << page;
    }
    return pages;
}

void writeAll(ExportWriter& writer, const QString& fileName, const QList<PreparedPage>& pages)
{
    writer.begin(fileName, QStringLiteral("Summary of hours by project"));
    for (const PreparedPage& page : pages)
        writer.writePage(page);
    writer.end();
}

QByteArray readAll(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

quint16 u16(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// Reads the stream "Workbook" out of an OLE2 compound file, following the FAT.
QByteArray workbookStream(const QByteArray& file, QString* error)
{
    if (!file.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
        *error = QStringLiteral("no compound-file signature");
        return {};
    }
    const int sectorSize = 1 << u16(file, 30);
    auto sector = [&](quint32 n) { return file.mid(512 + qsizetype(n) * sectorSize, sectorSize); };
    const quint32 fatSectors = u32(file, 44);
    QList<quint32> fat;
    for (quint32 i = 0; i < fatSectors && i < 109; ++i) {
        const QByteArray s = sector(u32(file, 76 + 4 * i));
        for (int j = 0; j < sectorSize / 4; ++j)
            fat << u32(s, 4 * j);
    }
    auto chain = [&](quint32 start) {
        QByteArray out;
        for (quint32 s = start; s < 0xFFFFFFFA && out.size() < file.size(); s = fat.value(s, 0xFFFFFFFE))
            out += sector(s);
        return out;
    };
    const QByteArray dir = chain(u32(file, 48));
    for (qsizetype e = 0; e + 128 <= dir.size(); e += 128) {
        const int nameLen = u16(dir, e + 64);
        const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(dir.constData() + e), std::max(0, nameLen / 2 - 1));
        if (name == QLatin1String("Workbook") && quint8(dir[e + 66]) == 2)
            return chain(u32(dir, e + 116)).left(u32(dir, e + 120));
    }
    *error = QStringLiteral("no Workbook stream");
    return {};
}

struct XlsCell {
    int row, col;
    bool isNumber;
    double number;
    QString text;
};

// The cells of a BIFF8 workbook stream: NUMBER records and LABELSST records resolved through
// the shared string table (with CONTINUE records).
QList<XlsCell> xlsCells(const QByteArray& stream, QString* sheetName, QString* error)
{
    QList<XlsCell> cells;
    QStringList sst;
    qsizetype pos = 0;
    int bofs = 0;
    QByteArray sstData;
    QList<qsizetype> sstBreaks; // offsets in sstData where a CONTINUE began
    bool inSst = false;
    while (pos + 4 <= stream.size()) {
        const quint16 type = u16(stream, pos), len = u16(stream, pos + 2);
        const QByteArray body = stream.mid(pos + 4, len);
        pos += 4 + len;
        if (type == 0x003C && inSst) {
            sstBreaks << sstData.size();
            sstData += body;
            continue;
        }
        inSst = false;
        switch (type) {
        case 0x0809:
            if (bofs == 0 && (u16(body, 0) != 0x0600 || u16(body, 2) != 0x0005))
                *error = QStringLiteral("first BOF is not a BIFF8 workbook globals BOF");
            ++bofs;
            break;
        case 0x0085: {
            const int n = quint8(body[6]);
            *sheetName = QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData() + 8), n);
            break;
        }
        case 0x00FC:
            sstData = body;
            inSst = true;
            break;
        case 0x0203: {
            double v;
            const quint64 bits = qFromLittleEndian<quint64>(body.constData() + 6);
            std::memcpy(&v, &bits, 8);
            cells << XlsCell{u16(body, 0), u16(body, 2), true, v, {}};
            break;
        }
        case 0x00FD:
            cells << XlsCell{u16(body, 0), u16(body, 2), false, 0, QString::number(u32(body, 6))};
            break;
        default:
            break;
        }
    }
    // Decode the SST.
    const quint32 unique = u32(sstData, 4);
    qsizetype p = 8;
    for (quint32 i = 0; i < unique && p < sstData.size(); ++i) {
        const int cch = u16(sstData, p);
        const quint8 flags = quint8(sstData[p + 2]);
        p += 3;
        QString s;
        bool wide = flags & 1;
        while (s.size() < cch) {
            if (sstBreaks.contains(p)) { // characters continued in a CONTINUE record
                wide = quint8(sstData[p]) & 1;
                ++p;
            }
            if (wide) {
                s += QChar(u16(sstData, p));
                p += 2;
            } else {
                s += QChar(quint8(sstData[p]));
                p += 1;
            }
        }
        sst << s;
    }
    for (XlsCell& c : cells)
        if (!c.isNumber)
            c.text = sst.value(c.text.toInt(), QStringLiteral("<bad index>"));
    if (bofs != 2 && error->isEmpty())
        *error = QStringLiteral("expected two BOF records, found %1").arg(bofs);
    return cells;
}

QStringList parseCsvRecord(const QString& line)
{
    QStringList fields;
    QString cur;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                    cur += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cur += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    return fields;
}

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class tst_ExportWriters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void formatsFollowTheSaveDialog();
    void everyWriterCommitsOnlyAtTheEnd_data();
    void everyWriterCommitsOnlyAtTheEnd();
    void unwritableFolderIsAnExportError_data();
    void unwritableFolderIsAnExportError();
    void textKeepsPositions();
    void csvHasOneFieldPerColumn();
    void htmlIsWellFormedAndPlaced();
    void xlsKeepsNumbersAsNumbers();
    void xlsCompoundFileOfALongReport();
    void rtfIsBalancedWithOnePagePerPage();
    void wmfHeaderAndRecords();
    void pdfReadBackByPoppler();

private:
    // QM_EXPORT_DIR names a folder that keeps the files written (scripts/check-exports.sh opens
    // them with LibreOffice and ImageMagick); else a temporary folder.
    QTemporaryDir m_temp;
    QString m_dir;
    QString path(const QString& name) const { return QDir(m_dir).filePath(name); }
};

void tst_ExportWriters::initTestCase()
{
    m_dir = qEnvironmentVariable("QM_EXPORT_DIR");
    if (m_dir.isEmpty())
        m_dir = m_temp.path();
    QVERIFY(QDir().mkpath(m_dir));
}

void tst_ExportWriters::formatsFollowTheSaveDialog()
{
    const QList<ExportFormat>& formats = exportFormats();
    QCOMPARE(formats.size(), 8);
    const QStringList expected{QStringLiteral(".qrp"), QStringLiteral(".txt"), QStringLiteral(".csv"), QStringLiteral(".html"),
        QStringLiteral(".xls"), QStringLiteral(".rtf"), QStringLiteral(".wmf"), QStringLiteral(".pdf")};
    for (int i = 0; i < formats.size(); ++i) {
        QCOMPARE(int(formats[i].type), i + 1);
        QCOMPARE(formats[i].extension, expected[i]);
    }
    QCOMPARE(exportFilterString(),
        QStringLiteral("QuickReport files (*.qrp);;Text files (*.txt);;CSV files (*.csv);;HTML files (*.html);;"
                       "Excel files (*.xls);;RTF files (*.rtf);;WMF files (*.wmf);;PDF files (*.pdf)"));
    QVERIFY(!createExportWriter(ExportType::PreparedReport));
    for (int t = 2; t <= 8; ++t) {
        auto w = createExportWriter(ExportType(t));
        QVERIFY(w);
        QCOMPARE(int(w->type()), t);
    }
}

void tst_ExportWriters::everyWriterCommitsOnlyAtTheEnd_data()
{
    QTest::addColumn<int>("type");
    for (int t = 2; t <= 8; ++t)
        QTest::addRow("%s", qPrintable(exportFormat(ExportType(t)).description)) << t;
}

void tst_ExportWriters::everyWriterCommitsOnlyAtTheEnd()
{
    QFETCH(int, type);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("report") + exportFormat(ExportType(type)).extension);
    {
        QFile old(name);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier export");
    }
    const QList<PreparedPage> pages = samplePages();

    // Stopped half-way: the earlier file stays as it was and no temporary file is left.
    {
        auto writer = createExportWriter(ExportType(type));
        writer->begin(name, QStringLiteral("T"));
        writer->writePage(pages[0]);
        QCOMPARE(readAll(name), QByteArray("earlier export"));
        writer->abort();
        QVERIFY(!writer->isOpen());
    }
    {
        auto writer = createExportWriter(ExportType(type));
        writer->begin(name, QStringLiteral("T"));
        writer->writePage(pages[0]);
    } // destroyed without end()
    QCOMPARE(readAll(name), QByteArray("earlier export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(name).fileName()});

    // Completed: replaced.
    auto writer = createExportWriter(ExportType(type));
    writeAll(*writer, name, pages);
    QCOMPARE(writer->pagesWritten(), 3);
    const QByteArray written = readAll(name);
    QVERIFY(written.size() > 100);
    QVERIFY(written != QByteArray("earlier export"));
    // end() after end() is misuse and says so.
    QVERIFY_THROWS_EXCEPTION(ExportError, writer->end());
}

void tst_ExportWriters::unwritableFolderIsAnExportError_data()
{
    everyWriterCommitsOnlyAtTheEnd_data();
}

void tst_ExportWriters::unwritableFolderIsAnExportError()
{
    QFETCH(int, type);
    const QString name = path(QStringLiteral("no-such-folder/report") + exportFormat(ExportType(type)).extension);
    auto writer = createExportWriter(ExportType(type));
    try {
        writeAll(*writer, name, samplePages());
        QFAIL("no ExportError");
    } catch (const ExportError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("report")), qPrintable(e.message()));
    }
    QVERIFY(!QFile::exists(name));
    QVERIFY(!writer->isOpen());
}

void tst_ExportWriters::textKeepsPositions()
{
    const QString name = path(QStringLiteral("report.txt"));
    TextWriter writer;
    writeAll(writer, name, samplePages());
    const QString all = QString::fromUtf8(readAll(name));
    const QStringList pages = all.split(QStringLiteral("\f\n"));
    QCOMPARE(pages.size(), 3);

    const QStringList rows = pages[0].split(QLatin1Char('\n'));
    const auto col = [](double mm) { return int(std::lround(mm / TextWriter::columnWidthMm)); };
    auto rowOf = [&](const QString& t) {
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].contains(t))
                return i;
        return -1;
    };
    // The title is centred on the middle of its box.
    const int titleRow = rowOf(QStringLiteral("Summary of hours by project"));
    QVERIFY(titleRow >= 0);
    const QString title = QStringLiteral("Summary of hours by project");
    QCOMPARE(rows[titleRow].indexOf(title), col(10 + 195.9 / 2) - int(title.size()) / 2);
    // Left-aligned texts start at their column, right-aligned numbers end at theirs.
    const int row0 = rowOf(QStringLiteral("P1-0"));
    QVERIFY(row0 > titleRow);
    QCOMPARE(rows[row0].indexOf(QStringLiteral("P1-0")), col(10));
    QCOMPARE(rows[row0].indexOf(QStringLiteral("Café déjà vu 0")), col(45));
    QCOMPARE(rows[row0].indexOf(QStringLiteral("10.25")) + 5, col(170));
    QCOMPARE(rows[row0].indexOf(QStringLiteral("0.00")) + 4, col(205));
    // Every detail row on its own row, in order, at the row of its top (31 mm + 5 mm a row) or
    // the next free one; the memo takes more than one row.
    QCOMPARE(row0, int(std::lround(31 / TextWriter::rowHeightMm)));
    for (int r = 1, prev = row0; r < 5; ++r) {
        const int row = rowOf(QStringLiteral("P1-%1").arg(r));
        QCOMPARE(row, std::max(prev + 1, int(std::lround((31 + 5 * r) / TextWriter::rowHeightMm))));
        prev = row;
    }
    const int memo = rowOf(QStringLiteral("A long note"));
    QVERIFY(memo > row0 + 4);
    QVERIFY(!rows[memo].contains(QStringLiteral("memo does.")));
    QVERIFY(rows[memo + 1].contains(QStringLiteral("memo does.")));
    // The page footer near the bottom of the page: 264 mm at 6 rows to the inch.
    const int footer = rowOf(QStringLiteral("Page: 1"));
    QCOMPARE(footer, int(std::lround(264 / TextWriter::rowHeightMm)));
    QCOMPARE(rows[footer].indexOf(QStringLiteral("Page: 1")) + 7, col(205.9));
    QVERIFY(pages[2].contains(QStringLiteral("Page: 3")));
}

void tst_ExportWriters::csvHasOneFieldPerColumn()
{
    const QString name = path(QStringLiteral("report.csv"));
    CsvWriter writer;
    writeAll(writer, name, samplePages());
    QByteArray bytes = readAll(name);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    bytes.remove(0, 3);
    QStringList records = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    QCOMPARE(records.takeLast(), QString()); // ended by CR LF
    // The memo holds no line break here, so one record per text line.
    QList<QStringList> rows;
    for (const QString& r : records)
        rows << parseCsvRecord(r);
    const int columns = int(rows.first().size());
    for (const QStringList& r : rows)
        QCOMPARE(r.size(), columns);
    // The same element in the same field on every page.
    int details = 0;
    int firstField = -1, secondField = -1;
    for (const QStringList& r : rows) {
        if (!r[0].startsWith(QLatin1Char('P')) || r[0].startsWith(QStringLiteral("Project")) || r[0].startsWith(QStringLiteral("Page")))
            continue;
        ++details;
        const int p = r[0].mid(1, 1).toInt(), n = r[0].mid(3).toInt();
        const int description = int(r.indexOf(n == 1 ? QStringLiteral("Design, \"phase\" 2") : QStringLiteral("Café déjà vu %1").arg(n)));
        QVERIFY2(description > 0, qPrintable(r.join(QLatin1Char('|'))));
        const int a = int(r.indexOf(QString::number(10 * p + n + 0.25, 'f', 2)));
        const int b = int(r.lastIndexOf(QString::number(2.5 * n, 'f', 2)));
        QVERIFY(a > description && b > a);
        if (firstField < 0) {
            firstField = a;
            secondField = b;
        }
        QCOMPARE(a, firstField);
        QCOMPARE(b, secondField);
    }
    QCOMPARE(details, 15);
    QVERIFY(records.join(QLatin1Char('\n')).contains(QStringLiteral("\"Design, \"\"phase\"\" 2\"")));
}

void tst_ExportWriters::htmlIsWellFormedAndPlaced()
{
    const QString name = path(QStringLiteral("report.html"));
    HtmlWriter writer;
    writeAll(writer, name, samplePages());
    QXmlStreamReader xml(readAll(name));
    int pages = 0;
    QString title;
    QStringList texts;
    QString p1style;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("title"))
            title = xml.readElementText();
        else if (xml.name() == QLatin1String("div") && xml.attributes().value(QLatin1String("class")) == QLatin1String("page"))
            ++pages;
        else if (xml.name() == QLatin1String("div")) {
            const QString style = xml.attributes().value(QLatin1String("style")).toString();
            const QString t = xml.readElementText();
            if (t == QLatin1String("P1-0"))
                p1style = style;
            texts << t;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(pages, 3);
    QCOMPARE(title, QStringLiteral("Summary of hours by project"));
    QVERIFY(texts.contains(QStringLiteral("Design, \"phase\" 2")));
    QVERIFY(texts.contains(QStringLiteral("Café déjà vu 0")));
    QVERIFY(texts.contains(QStringLiteral("Page: 3")));
    QVERIFY2(p1style.contains(QStringLiteral("left: 10.00mm")), qPrintable(p1style));
}

void tst_ExportWriters::xlsKeepsNumbersAsNumbers()
{
    const QString name = path(QStringLiteral("report.xls"));
    XlsWriter writer;
    writeAll(writer, name, samplePages());
    QString error;
    const QByteArray stream = workbookStream(readAll(name), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QString sheet;
    const QList<XlsCell> cells = xlsCells(stream, &sheet, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(sheet, QStringLiteral("Summary of hours by project"));

    // Every detail row: code and description as text, both figures as numbers in the same
    // columns on every page.
    int found = 0;
    int numberColumn = -1;
    for (const XlsCell& c : cells) {
        if (c.isNumber || !c.text.startsWith(QLatin1Char('P')) || c.text.size() != 4)
            continue;
        const int p = c.text.mid(1, 1).toInt(), n = c.text.mid(3).toInt();
        QList<XlsCell> row;
        for (const XlsCell& d : cells)
            if (d.row == c.row)
                row << d;
        QCOMPARE(row.size(), 4);
        QVERIFY(!row[1].isNumber);
        QVERIFY(row[2].isNumber);
        QVERIFY(row[3].isNumber);
        QCOMPARE(row[2].number, 10 * p + n + 0.25);
        QCOMPARE(row[3].number, 2.5 * n);
        if (numberColumn < 0)
            numberColumn = row[2].col;
        QCOMPARE(row[2].col, numberColumn);
        ++found;
    }
    QCOMPARE(found, 15);
    bool accents = false, footer = false;
    for (const XlsCell& c : cells) {
        accents |= c.text == QStringLiteral("Café déjà vu 2");
        // Printed from a number, but with words: text.
        footer |= !c.isNumber && c.text == QStringLiteral("Page: 2");
    }
    QVERIFY(accents);
    QVERIFY(footer);
}

void tst_ExportWriters::xlsCompoundFileOfALongReport()
{
    // Enough strings for several CONTINUE records and a FAT of more than one sector.
    QList<PreparedPage> pages;
    for (int p = 0; p < 60; ++p) {
        PreparedPage page;
        for (int r = 0; r < 50; ++r) {
            page.items << text(10, 10 + 5 * r, 60, 4.5, QStringLiteral("Row %1 of page %2 with a fairly long text %3").arg(r).arg(p).arg(QString(r, QLatin1Char('x'))));
            page.items << text(100, 10 + 5 * r, 30, 4.5, QString::number(r), Qt::AlignRight, false, 10, r);
        }
        pages << page;
    }
    const QString name = path(QStringLiteral("long.xls"));
    XlsWriter writer;
    writeAll(writer, name, pages);
    const QByteArray file = readAll(name);
    QVERIFY(file.size() > 128 * 512);
    QCOMPARE(file.size() % 512, 0);
    QString error, sheet;
    const QList<XlsCell> cells = xlsCells(workbookStream(file, &error), &sheet, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(cells.size(), 60 * 50 * 2);
    QCOMPARE(cells.last().number, 49.0);
    const XlsCell& lastText = cells[cells.size() - 2];
    QCOMPARE(lastText.text, QStringLiteral("Row 49 of page 59 with a fairly long text %1").arg(QString(49, QLatin1Char('x'))));
    QCOMPARE(lastText.row, 60 * 50 - 1);
}

void tst_ExportWriters::rtfIsBalancedWithOnePagePerPage()
{
    const QString name = path(QStringLiteral("report.rtf"));
    RtfWriter writer;
    writeAll(writer, name, samplePages());
    const QByteArray rtf = readAll(name);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi"));
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped character or the first of a control word
            continue;
        }
        if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}') {
            --depth;
            QVERIFY(depth >= 0 || i == rtf.size() - 2);
        }
    }
    QCOMPARE(depth, 0);
    QCOMPARE(rtf.count("\\pagebb"), 2);
    QVERIFY(rtf.contains("{\\title Summary of hours by project}"));
    QVERIFY(rtf.contains("\\paperw12240\\paperh15840")); // Letter in twips
    QVERIFY(rtf.contains("Caf\\u233?"));
    QVERIFY(rtf.contains("\\tqr\\tx"));
    QVERIFY(rtf.contains("Page: 3"));
    QCOMPARE(RtfWriter::escaped(QStringLiteral("a{b}\\c")), QByteArray("a\\{b\\}\\\\c"));
}

void tst_ExportWriters::wmfHeaderAndRecords()
{
    const QString name = path(QStringLiteral("report.wmf"));
    WmfWriter writer;
    writeAll(writer, name, samplePages());
    QCOMPARE(writer.writtenFiles(),
        (QStringList{name, path(QStringLiteral("report_2.wmf")), path(QStringLiteral("report_3.wmf"))}));
    QCOMPARE(WmfWriter::pageFileName(QStringLiteral("/a.b/report"), 2), QStringLiteral("/a.b/report_2"));

    for (int p = 1; p <= 3; ++p) {
        const QByteArray wmf = readAll(WmfWriter::pageFileName(name, p));
        QVERIFY(wmf.size() > 22 + 18);
        // The placeable header: key, bounding box of the paper in 0.1 mm, 254 units to the inch,
        // and the checksum, the XOR of the ten words before it.
        QCOMPARE(u32(wmf, 0), 0x9AC6CDD7u);
        QCOMPARE(qint16(u16(wmf, 6)), qint16(0));
        QCOMPARE(qint16(u16(wmf, 8)), qint16(0));
        QCOMPARE(qint16(u16(wmf, 10)), qint16(2159));
        QCOMPARE(qint16(u16(wmf, 12)), qint16(2794));
        QCOMPARE(u16(wmf, 14), quint16(254));
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= u16(wmf, 2 * i);
        QCOMPARE(u16(wmf, 20), sum);
        // The standard header: its size in words covers the rest of the file.
        QCOMPARE(u16(wmf, 22), quint16(1));
        QCOMPARE(u16(wmf, 24), quint16(9));
        QCOMPARE(u16(wmf, 26), quint16(0x0300));
        QCOMPARE(qsizetype(u32(wmf, 28)) * 2, wmf.size() - 22);
        const quint32 maxRecord = u32(wmf, 34);
        // The records, up to the EOF record at the very end; every TEXTOUT string collected.
        qsizetype pos = 22 + 18;
        QStringList strings;
        quint32 biggest = 0;
        bool eof = false;
        while (pos + 6 <= wmf.size()) {
            const quint32 words = u32(wmf, pos);
            const quint16 function = u16(wmf, pos + 4);
            QVERIFY(words >= 3);
            biggest = std::max(biggest, words);
            if (function == 0x0521) {
                const int len = u16(wmf, pos + 6);
                strings << QString::fromLatin1(wmf.mid(pos + 8, len));
            }
            pos += qsizetype(words) * 2;
            if (function == 0) {
                eof = true;
                break;
            }
        }
        QVERIFY(eof);
        QCOMPARE(pos, wmf.size());
        QCOMPARE(biggest, maxRecord);
        QVERIFY(strings.contains(QStringLiteral("Page: %1").arg(p)));
        QVERIFY(strings.contains(QStringLiteral("P%1-4").arg(p)));
        QVERIFY(strings.contains(QStringLiteral("Café déjà vu 3")));
    }
}

void tst_ExportWriters::pdfReadBackByPoppler()
{
    const QString name = path(QStringLiteral("report.pdf"));
    PdfWriter writer;
    writeAll(writer, name, samplePages());
    QVERIFY(readAll(name).startsWith("%PDF-"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("poppler-utils (pdftotext, pdfinfo) are missing: scripts/deps.sh installs them");
        QSKIP("poppler-utils not installed");
    }
    const QString info = run(QStringLiteral("pdfinfo"), {name});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))), qPrintable(info));
    QVERIFY2(info.contains(QStringLiteral("Summary of hours by project")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+612 x 792"))), qPrintable(info));
    for (int p = 1; p <= 3; ++p) {
        const QString text = run(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(p), QStringLiteral("-l"), QString::number(p), name, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Page: %1").arg(p)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("P%1-2").arg(p)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Café déjà vu 3")), qPrintable(text));
        QVERIFY2(text.contains(QString::number(10 * p + 4 + 0.25, 'f', 2)), qPrintable(text));
    }
}

QTEST_MAIN(tst_ExportWriters)
#include "tst_exportwriters.moc"
