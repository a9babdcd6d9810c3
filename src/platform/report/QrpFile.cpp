#include "QrpFile.h"

#include "ReportError.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qrep {

namespace {

const QByteArray Magic("QMRP\r\n\x1a\n", 8);
constexpr int HeaderSize = 8 + 2 + 2 + 8;
constexpr int HashSize = 32;
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_0;
constexpr quint32 MaxPages = 1000000;
constexpr quint32 MaxItemsPerPage = 1000000;
constexpr qint64 MaxFileSize = qint64(1) << 31;

[[noreturn]] void damaged(const QString& source, const QString& why)
{
    throw ReportError(ReportError::Kind::File,
        QStringLiteral("The prepared-report file \"%1\" is damaged (%2); it cannot be opened.").arg(source, why));
}

} // namespace

QByteArray QrpFile::encode(const QrpContents& contents)
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out << contents.title << quint32(contents.pages.size());
        for (const PreparedPage& page : contents.pages) {
            out << page.sizeMm.width() << page.sizeMm.height() << quint32(page.items.size());
            for (const PageItem& item : page.items) {
                out << quint8(item.kind) << item.rect.x() << item.rect.y() << item.rect.width() << item.rect.height()
                    << item.text << item.font.toString() << quint32(item.alignment.toInt()) << item.wordWrap
                    << item.number.has_value() << item.number.value_or(0.0) << item.penWidthMm << item.color;
            }
        }
    }
    QByteArray bytes;
    bytes.reserve(HeaderSize + payload.size() + HashSize);
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.writeRawData(Magic.constData(), int(Magic.size()));
        out << quint16(Version) << quint16(0) << quint64(payload.size());
    }
    bytes += payload;
    bytes += QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
    return bytes;
}

QrpContents QrpFile::decode(const QByteArray& bytes, const QString& source)
{
    if (bytes.size() < 4 || !bytes.startsWith(Magic.left(4)))
        throw ReportError(ReportError::Kind::File,
            QStringLiteral("The file \"%1\" is not a prepared-report file; it cannot be opened.").arg(source));
    if (bytes.size() < HeaderSize || !bytes.startsWith(Magic))
        damaged(source, QStringLiteral("its header is cut short or altered"));
    quint16 version = 0, reserved = 0;
    quint64 length = 0;
    {
        QDataStream in(bytes.mid(8, HeaderSize - 8));
        in >> version >> reserved >> length;
    }
    if (version > Version || version == 0)
        throw ReportError(ReportError::Kind::File,
            QStringLiteral("The prepared-report file \"%1\" has the format %2, which this program does not know (it reads format %3).")
                .arg(source).arg(version).arg(Version));
    if (length != quint64(bytes.size() - HeaderSize - HashSize) || bytes.size() < HeaderSize + HashSize)
        damaged(source, QStringLiteral("it is %1 bytes long instead of %2").arg(bytes.size()).arg(qulonglong(length) + HeaderSize + HashSize));
    const QByteArray payload = bytes.mid(HeaderSize, qsizetype(length));
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != bytes.right(HashSize))
        damaged(source, QStringLiteral("its contents do not match their checksum"));

    QrpContents c;
    QDataStream in(payload);
    in.setVersion(StreamVersion);
    quint32 pageCount = 0;
    in >> c.title >> pageCount;
    if (in.status() != QDataStream::Ok || pageCount > MaxPages)
        damaged(source, QStringLiteral("its page count cannot be read"));
    c.pages.reserve(qsizetype(pageCount));
    for (quint32 p = 0; p < pageCount; ++p) {
        PreparedPage page;
        double w = 0, h = 0;
        quint32 itemCount = 0;
        in >> w >> h >> itemCount;
        if (in.status() != QDataStream::Ok || itemCount > MaxItemsPerPage || !(w > 0) || !(h > 0))
            damaged(source, QStringLiteral("page %1 cannot be read").arg(p + 1));
        page.sizeMm = QSizeF(w, h);
        page.items.reserve(qsizetype(itemCount));
        for (quint32 i = 0; i < itemCount; ++i) {
            PageItem item;
            quint8 kind = 0;
            double x = 0, y = 0, iw = 0, ih = 0, number = 0;
            QString font;
            quint32 alignment = 0;
            bool hasNumber = false;
            in >> kind >> x >> y >> iw >> ih >> item.text >> font >> alignment >> item.wordWrap >> hasNumber >> number
                >> item.penWidthMm >> item.color;
            if (in.status() != QDataStream::Ok || kind > quint8(PageItem::Kind::Rect))
                damaged(source, QStringLiteral("item %1 of page %2 cannot be read").arg(i + 1).arg(p + 1));
            item.kind = PageItem::Kind(kind);
            item.rect = QRectF(x, y, iw, ih);
            if (!font.isEmpty() && !item.font.fromString(font))
                damaged(source, QStringLiteral("a font of page %1 cannot be read").arg(p + 1));
            item.alignment = Qt::Alignment(int(alignment));
            if (hasNumber)
                item.number = number;
            page.items.append(std::move(item));
        }
        c.pages.append(std::move(page));
    }
    if (!in.atEnd())
        damaged(source, QStringLiteral("it holds more than its pages"));
    return c;
}

void QrpFile::write(const QString& fileName, const QrpContents& contents)
{
    QSaveFile file(fileName);
    auto fail = [&](const QString& why) {
        throw ReportError(ReportError::Kind::File,
            QStringLiteral("The prepared-report file \"%1\" cannot be written: %2.").arg(fileName, why));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    const QByteArray bytes = encode(contents);
    if (file.write(bytes) != bytes.size())
        fail(file.errorString());
    if (!file.commit())
        fail(file.errorString());
}

QrpContents QrpFile::read(const QString& fileName)
{
    QFile file(fileName);
    if (!file.exists())
        throw ReportError(ReportError::Kind::File, QStringLiteral("Unable to open file : %1").arg(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(ReportError::Kind::File,
            QStringLiteral("The prepared-report file \"%1\" cannot be read: %2.").arg(fileName, file.errorString()));
    if (file.size() > MaxFileSize)
        throw ReportError(ReportError::Kind::File,
            QStringLiteral("The file \"%1\" is too large to be a prepared-report file.").arg(fileName));
    const QByteArray bytes = file.readAll();
    return decode(bytes, QFileInfo(fileName).fileName());
}

} // namespace qrep
