#pragma once

#include "HelpContexts.h"
#include "Data.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class TFTem;
}
class QLabel;
class QMenu;
class QTabBar;

// The timesheet window: the entries of one employee on the calendar date, the seven day tabs of
// its period, and the day and period totals. The date picker, the selected tab and the data
// module's DatJou always equal the calendar date.
class TFTem : public QWidget, public TotalsView {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Timesheets;
    static constexpr int PanelHeight = 41;

    explicit TFTem(QWidget* parent = nullptr);
    ~TFTem() override;

    Ui::TFTem* form() const { return ui.get(); }
    QTabBar* TabControl1() const;
    QMenu* PopupMenu2() const { return m_popup; }

    // TotalsView
    bool isTimesheetViewActive() const override;
    QDate calendarDate() const override;
    void UpdateDayHours(bool billable, const QDate& date) override;
    void UpdatePeriodHours(bool billable, const QDate& date) override;
    // The four totals calls on the calendar date.
    void refreshTotals();

    int selectedTab() const;
    // The seven tabs from the first day of period of the system parameters.
    void buildTabs();
    // Selects the tab whose caption is the day name of the date's weekday.
    void selectTabOf(const QDate& date);
    // Shows the calendar date (the calendar's click action): tab, picker, entries, totals.
    void showCalendarDate();
    // Paints the heading and the totals panel in the titles colour.
    void applyTitlesColour();

    // Commands.
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton7Click();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void DateTimePicker1Change();
    void TabControl1Change(int index);
    void Detailsofworkedhoursforthisemployee1Click();

    // Opens the employee report selection for a period; set by the program.
    std::function<void(const QDate& first, const QDate& last)> openEmployeeReport;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormResize();
    void setupToolBar();
    void setupPopup();
    void paintPanel(QPainter& painter, const QRect& rect, int row, bool selected);
    // Lists the entries of `date` and brings the calendar, picker and tab to it; on a refusal the
    // window stays on the day it lists. False when refused.
    bool goTo(const QDate& date);
    void setPickerDate(const QDate& date);
    void setCalendarDate(const QDate& date);
    QLabel* label(const char* name) const;

    std::unique_ptr<Ui::TFTem> ui;
    QMenu* m_popup = nullptr;
    int m_tabIndex = 0; // the tab selected before the user's change
};

extern TFTem* FTem;
