#include "TitlesColour.h"

namespace {
quint32 titlesColour = 0xFFFF;
}

quint32 TitlesColour() { return titlesColour; }

void setTitlesColour(quint32 bgr) { titlesColour = bgr & 0xFFFFFF; }

QColor colourFromBgr(quint32 bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

quint32 bgrFromColour(const QColor& c) { return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16); }
