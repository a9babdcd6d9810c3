#pragma once

#include <QString>
#include <QtGlobal>

namespace qui {

// 32-bit values kept per machine or per user under a key path such as
// "Software\Veltrix Inc.\Quillmark3.0". Backed by INI files in Qt's system and user settings
// locations; failures are silent and reads fall back to the default.
enum class RootKey { LocalMachine, CurrentUser };

// LocalMachine: the user's own copy wins when there is one (written when the machine-wide file
// could not be), so a choice made without administrator rights survives the next start.
quint32 ReadRegInteger(RootKey root, const QString& keyPath, quint32 defaultValue, const QString& valueName);
// LocalMachine: writes the machine-wide file, or the user's when that cannot be written.
void WriteRegInteger(RootKey root, const QString& keyPath, quint32 value, const QString& valueName);

} // namespace qui
