#pragma once

#include "PreparedPage.h"

#include <QList>
#include <QString>

namespace qrep {

// The prepared-report file (".qrp"): the produced pages of a job, in order, exactly as they
// were produced.
//
// Layout (big-endian):
//   8 bytes   magic "QMRP\r\n\x1a\n" (line-end and end-of-file bytes catch text-mode copies)
//   quint16   format version (1)
//   quint16   reserved, 0
//   quint64   length of the payload in bytes
//   payload   a QDataStream (Qt 6.0 encoding): title (QString), page count (quint32), then per
//             page its size in mm (2 doubles) and item count (quint32), then per item: kind
//             (quint8), rect (4 doubles), text (QString), font (QFont::toString()), alignment
//             (quint32), word wrap (bool), has number (bool), number (double), pen width
//             (double), colour (QColor)
//   32 bytes  SHA-256 of the payload
// A file that is not ours, of a newer format, truncated or altered in any byte is refused
// with ReportError(File) before anything of it is used.
struct QrpContents {
    QString title;
    QList<PreparedPage> pages;
};

namespace QrpFile {
constexpr quint16 Version = 1;

QByteArray encode(const QrpContents& contents);
// `source` names the file in messages.
QrpContents decode(const QByteArray& bytes, const QString& source);

// Writes through a temporary file beside the target, which replaces it only when complete.
void write(const QString& fileName, const QrpContents& contents);
QrpContents read(const QString& fileName);
} // namespace QrpFile

} // namespace qrep
