#pragma once

#include <QList>
#include <QPixmap>

// The program's two image lists, 14 pictures of 16 x 16 with the same meaning per index: the
// plain look (toolbar buttons at rest) and the coloured look (a button under the mouse, menus).
namespace ImageLists {

enum Index {
    Employees = 0,
    Projects = 1,
    Activities = 2,
    ProjectActivities = 3,
    Timesheets = 4,
    Calendar = 5,
    Add = 6,
    Edit = 7,
    Delete = 8,
    SystemParameters = 9,
    Find = 10,
    Quit = 11,
    Unused = 12,
    Help = 13,
    Count = 14
};

QPixmap picture(int index, bool coloured, int size = 16);
QList<QPixmap> images(bool coloured);
// The application icon: a clock over a timesheet.
QIcon applicationIcon();

} // namespace ImageLists
