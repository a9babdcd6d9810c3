#include "KeystrokeSearch.h"

#include "Database.h"
#include "EngineError.h"
#include "Field.h"
#include "Table.h"

#include <QKeyEvent>

namespace KeystrokeSearch
{

namespace
{
    // Letters a-z only, as the search compares them.
    QString upperAscii(QString s)
    {
        for (QChar& ch : s)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
                ch = QChar(ch.unicode() - 'a' + 'A');
        return s;
    }

    void locate(qdb::Table& table, qdb::Field& field, const QString& text)
    {
        try {
            table.locate(
                field.fieldName(), text, qdb::LocateOption::CaseInsensitive | qdb::LocateOption::PartialKey);
        } catch (const qdb::EngineError&) {
            // A text that cannot be looked for on this field finds nothing.
        }
    }
} // namespace

quint16 virtualKey(const QKeyEvent& event)
{
    const int k = event.key();
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return quint16(event.modifiers().testFlag(Qt::KeypadModifier) ? 96 + (k - Qt::Key_0) : k);
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return quint16(k);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return quint16(112 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Enter;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Meta:
        return 91;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    default:
        break;
    }
    // Punctuation and accented letters: the character itself stands for its key.
    if (k > Qt::Key_Space && k <= 0xff)
        return quint16(k);
    return 0;
}

bool isArrow(quint16 key)
{
    return key >= 37 && key <= 40;
}

QChar character(quint16 key)
{
    if (key >= 96 && key <= 105)
        return QChar('0' + (key - 96));
    return QChar(key & 0xff);
}

void search(QString& text, QChar c, qdb::Table& table, qdb::Field& field)
{
    text += c;
    locate(table, field, text);
    if (!upperAscii(field.asString()).startsWith(upperAscii(text))) {
        text = c;
        locate(table, field, text);
    }
}

} // namespace KeystrokeSearch
