#include "Res.h"

QStringList DayNames;
