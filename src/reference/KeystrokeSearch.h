#pragma once

#include <QChar>
#include <QString>

class QKeyEvent;

namespace qdb
{
class Field;
class Table;
}

// Finding a record of a list window by typing its first characters. Keys are handled as
// virtual-key codes: letters arrive as their capitals (65-90), digits as 48-57, keypad digits as
// 96-105, the arrows as 37-40, Enter as 13, and keys without a character as their code (Shift 16,
// Escape 27, Page Down 34, ...); any other character key arrives as its own character.
namespace KeystrokeSearch
{

constexpr quint16 Enter = 13;

// The key's code; 0 for a key that has none (it takes no part in the search).
quint16 virtualKey(const QKeyEvent& event);
bool isArrow(quint16 key);
// What a key adds to the search text: keypad digits give their digit, every other key the low
// byte of its code.
QChar character(quint16 key);

// One typed character: appends c to the search text and moves the table to the first record
// whose field begins with the text (letter case ignored; an integer field must equal it). When
// the current record then does not begin with the text, the text starts again from c alone and
// is looked for once more. Errors while looking (a text that is no number) are ignored; when
// nothing matches the current record does not move.
void search(QString& text, QChar c, qdb::Table& table, qdb::Field& field);

} // namespace KeystrokeSearch
