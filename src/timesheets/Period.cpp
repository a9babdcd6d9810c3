#include "Period.h"

#include "Res.h"

namespace Period {

int weekday(const QDate& date) { return date.dayOfWeek() % 7; }

QStringList tabCaptions(int firstDay)
{
    QStringList tabs;
    int d = qBound(0, firstDay, 6);
    for (int i = 0; i < 7; ++i) {
        tabs << DayNames.value(d);
        d = d == 6 ? 0 : d + 1;
    }
    return tabs;
}

int tabOf(const QDate& date, int firstDay) { return (weekday(date) - firstDay + 7) % 7; }

QDate start(const QDate& date, int tab) { return date.addDays(-tab); }

QDate end(const QDate& date, int tab) { return date.addDays(6 - tab); }

} // namespace Period
