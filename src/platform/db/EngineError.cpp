#include "EngineError.h"

namespace qdb {

EngineError::EngineError(const QString& message, QList<ErrorEntry> entries)
    : m_message(message)
    , m_entries(std::move(entries))
    , m_what(message.toUtf8())
{
}

EngineError::EngineError(quint16 code, const QString& message, int nativeError)
    : EngineError(message, { ErrorEntry { code, message, nativeError } })
{
}

EngineError& EngineError::append(const ErrorEntry& entry)
{
    m_entries.append(entry);
    return *this;
}

} // namespace qdb
