#pragma once

#include "HelpContexts.h"
#include <QDate>
#include <QWidget>

#include <memory>

namespace Ui {
class TFCal;
}
class QCalendarWidget;

// The calendar window: holds the calendar date, the day the whole timesheet subsystem shows.
// A stay-on-top tool window, hidden until the Calendar command; closing only hides it.
class TFCal : public QWidget {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Calendar;

    explicit TFCal(QWidget* parent = nullptr);
    ~TFCal() override;

    QDate date() const;
    // Sets the calendar date without running the click action.
    void setDate(const QDate& date);
    QCalendarWidget* MonthCalendar1() const;

    // The user chose a date (also run by the note search): the timesheet window follows.
    void MonthCalendar1Click();

private:
    void FormCreate();

    std::unique_ptr<Ui::TFCal> ui;
};

extern TFCal* FCal;
