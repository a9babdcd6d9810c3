#pragma once

#include <QColor>

// The program's accent colour, a 0x00BBGGRR value (default 0xFFFF, yellow): window headings,
// the active sort label, the totals panel, the splash, closing and wait windows and the error
// dialog's header are drawn in it.
quint32 TitlesColour();
void setTitlesColour(quint32 bgr);
QColor colourFromBgr(quint32 bgr);
quint32 bgrFromColour(const QColor& colour);
