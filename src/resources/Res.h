#pragma once

#include <QString>

// The program's own texts: captions and messages shown to the user.
namespace Res {
inline const QString AppTitle = QStringLiteral("Quillmark 3.53");
inline const QString HelpFile = QStringLiteral("QUILLMARK3.HLP");
inline const QString ProductVersion = QStringLiteral("3.53");

inline const QString CaptionWarning = QStringLiteral("Warning ...");
inline const QString CaptionError = QStringLiteral("Error ...");
inline const QString CaptionConfirmation = QStringLiteral("Confirmation ...");

inline const QString DatabaseFailure = QStringLiteral("Unable to open the database, the application will shutdown.");
inline const QString DatabaseTooNew = QStringLiteral(
    "The database is not compatible with the version of Quillmark that you are using. Please, update your software.");
inline const QString UpgradeFailed = QStringLiteral(
    "An error occured. Make sure that you are the only one who access Quillmark when you're updating the database.");
inline const QString UnableEditSystemParameters = QStringLiteral("Unable to edit the system parameters.");

inline const QString Starting = QStringLiteral("Starting ");
inline const QString OneMoment = QStringLiteral("One moment please ...");
inline const QString Closing = QStringLiteral("Closing ");
inline const QString BePatient = QStringLiteral("Please be patient ...");
inline const QString PleaseWait = QStringLiteral("Please wait a moment ...");

inline const QString RegistryKey = QStringLiteral("Software\\Veltrix Inc.\\Quillmark3.0");
inline const QString RegistryColour = QStringLiteral("Couleur");

inline const QString DayName[7] = { QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
    QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday") };

inline const QString WebSite = QStringLiteral("https://www.quillmark.example");
inline const QString MailAddress = QStringLiteral("support@quillmark.example");
} // namespace Res

#include <QStringList>

// The seven day names, index 0 = Sunday; filled when the main window is created.
extern QStringList DayNames;
