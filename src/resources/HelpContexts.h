#pragma once

// Help contexts of the windows; each has a page among the help pages.
namespace HelpContexts {
constexpr int MainWindow = 1000;
constexpr int Employees = 1210;   // the employee window and dialog
constexpr int Projects = 1230;    // the project window, picker and dialog
constexpr int Activities = 1220;  // the activity window, picker and dialog
constexpr int Timesheets = 1400;
constexpr int TimesheetEntry = 1410;
constexpr int Calendar = 1420;
constexpr int NoteSearch = 1430;
constexpr int SystemParameters = 1500;
constexpr int Reports = 1600;
constexpr int Preview = 1610;
constexpr int About = 1700;
constexpr int Export = 1800;
constexpr int Purge = 1900;
} // namespace HelpContexts
