#include "ReportError.h"

namespace qrep {

ReportError::ReportError(Kind kind, const QString& message)
    : m_kind(kind)
    , m_message(message)
    , m_what(message.toUtf8())
{
}

} // namespace qrep
