#pragma once

#include <QList>
#include <QString>
#include <exception>

namespace qdb {

// Codes of the engine's error chain: high byte = category, low byte = sub-code.
namespace ErrorCode {
enum : quint16 {
    General = 0x0000,
    NotInitialized = 0x2101,      // database not open / no such alias
    IoError = 0x2102,             // storage cannot be read or written
    RecordNotFound = 0x2202,      // row deleted by another workstation
    KeyViolation = 0x2601,        // duplicate primary key
    RequiredMissing = 0x2604,     // a required field has no value
    MasterMissing = 0x2605,       // referential constraint: no master row
    DetailsExist = 0x2606,        // referential constraint: master still has details
    RecordLocked = 0x2801,        // row in edit by another workstation
    FileLocked = 0x2802,          // table or database opened exclusively elsewhere / in use
    RecordChanged = 0x2803,       // row changed since it was read
    Busy = 0x2804,                // storage busy beyond the timeout
    InvalidParameter = 0x2f01,    // misuse of an engine routine
    NotSupported = 0x2f02,
    InvalidState = 0x2f03,        // dataset not in the state the operation needs
    NoSuchObject = 0x2f04,        // unknown table, field, index or parameter
    Config = 0x2f05,              // engine configuration
    SqlError = 0x3303,            // any other refusal of the storage
};
}

struct ErrorEntry {
    quint16 code = ErrorCode::General;
    QString message;
    int nativeError = 0;

    quint8 category() const { return quint8(code >> 8); }
    quint8 subCode() const { return quint8(code & 0xff); }
};

// An engine refusal: an overall message and a chain of entries, first entry most specific.
class EngineError : public std::exception {
public:
    explicit EngineError(const QString& message, QList<ErrorEntry> entries = {});
    EngineError(quint16 code, const QString& message, int nativeError = 0);

    const QString& message() const { return m_message; }
    const QList<ErrorEntry>& entries() const { return m_entries; }
    // Code of the first entry, General when the chain is empty.
    quint16 code() const { return m_entries.isEmpty() ? quint16(ErrorCode::General) : m_entries.first().code; }
    EngineError& append(const ErrorEntry& entry);

    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QList<ErrorEntry> m_entries;
    QByteArray m_what;
};

} // namespace qdb
