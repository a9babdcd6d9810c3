#pragma once

#include <QDate>
#include <QStringList>

// Timesheets are entered by day and looked at by period: seven days from a first day of the
// week kept in the system parameters. Weekdays are numbered 0 = Sunday … 6 = Saturday.
namespace Period {

int weekday(const QDate& date);
// The captions of the seven day tabs for a first day of period.
QStringList tabCaptions(int firstDay);
// The tab of a date: (weekday − first day + 7) mod 7.
int tabOf(const QDate& date, int firstDay);
// First and last day of the period whose tab `tab` holds `date`.
QDate start(const QDate& date, int tab);
QDate end(const QDate& date, int tab);

} // namespace Period
