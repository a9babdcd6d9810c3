#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace qrep {

// A refusal of the report engine: a template that cannot be read, an expression that names no
// field, a prepared-report file that is damaged or not one of ours, an operation the job's
// state does not allow, a printer that cannot be opened. The message is meant for the user.
class ReportError : public std::exception {
public:
    enum class Kind {
        Template,   // a template or one of its expressions is not valid
        File,       // a prepared-report file cannot be read or written, or is not valid
        State,      // the job is producing or busy, or has no report behind it
        Printer,    // the printer cannot be used
    };

    ReportError(Kind kind, const QString& message);

    Kind kind() const { return m_kind; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_message;
    QByteArray m_what;
};

} // namespace qrep
