#pragma once

#include <QDate>
#include <QMainWindow>
#include <functional>

class QMdiSubWindow;
class QPlainTextEdit;
class TFWait;

namespace Ui {
class TFMain;
}

// The frame of the program: the four document windows (one maximised at a time), the toolbar,
// the menu with every command, and the program-wide services (wait window, save dialog).
class TFMain : public QMainWindow {
    Q_OBJECT
public:
    enum class View { Employees, Projects, Activities, Timesheets };
    static constexpr int HelpContext = 1000;

    explicit TFMain(QWidget* parent = nullptr);
    ~TFMain() override;

    // The document windows, created at start-up by the subsystems that own them.
    void setChildWindow(View view, QWidget* window);
    QWidget* childWindow(View view) const;
    QMdiSubWindow* subWindow(View view) const;
    // 1 while the timesheet window is the active view (FTem's tag).
    int timesheetViewFlag() const;

    // Commands. A command whose window is not part of the program is disabled.
    void EmployeesClick();
    void ProjectsClick();
    void ActivitiesClick();
    void TimesheetsClick();
    void CalendarClick();
    void QuitClick();
    void SystemParametersClick();
    void HelpClick();
    void AboutClick();

    // What the commands open; set by the subsystems that provide them.
    std::function<void()> showCalendar;
    std::function<void()> editSystemParameters; // puts TabSys in edit and runs the dialog
    // Opens a selection dialog: dialog ("FSelDat" / "FSelDatEmp"), tag, first and last date.
    std::function<void(const QString& dialog, int tag, const QDate& first, const QDate& last)> openSelection;
    std::function<void(int table)> exportTable; // 0 employees, 1 projects, 2 activities, 3 projects/activities
    // The period of the calendar date: first day and index of the selected day tab.
    std::function<QDate()> calendarDate;
    std::function<int()> selectedDayTab;

    // The period of the calendar date (the default period of reports and exports).
    QDate periodStart() const;
    QDate periodEnd() const;

    // Shows a new wait window: 0 plain, 1 recycle animation, 2 copy animation. The caller
    // closes it; closing frees it.
    static TFWait* ShowWait(int tag);

    // The save dialog of the exports: returns the file name (empty when cancelled) and the
    // filter chosen (1 dBase, 2 text).
    QString SaveDialog1Execute(int* filterIndex, const QString& fileName = QString());
    static QString SaveDialogFilter();
    QPlainTextEdit* Memo1() const { return m_memo1; }

    // Re-applies which commands are available (after windows or services are set).
    void updateCommands();
    // Where the closing window's gauge ended (70 once every table is closed).
    int shutdownGauge() const { return m_shutdownGauge; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery();
    void switchTo(View view);
    void setupImages();
    void wireCommands();

    Ui::TFMain* ui;
    QMdiSubWindow* m_sub[4] = {};
    QWidget* m_child[4] = {};
    QPlainTextEdit* m_memo1;
    bool m_shown = false;
    bool m_closing = false;
    int m_shutdownGauge = 0;
};

extern TFMain* FMain;
