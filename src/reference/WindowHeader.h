#pragma once

#include <QColor>

class QFrame;
class QLabel;
class QWidget;

// The look the reference windows and dialogs share: a dark header band carrying the program's
// icon and a heading in the titles colour (yellow unless changed, which needs a dark ground to be
// read), and the same ground under the sort labels of the list windows.
namespace WindowHeader
{

void setUp(QFrame* panel, QLabel* image, QLabel* title);
// A band without icon or heading of its own (the sort labels' row).
void setUpBand(QFrame* panel);
// The text colour a band gives what is not in the titles colour.
QColor bandText();
QColor titlesColour();
void paint(QLabel* label, const QColor& colour);
// Centred on the screen the window is on.
void centre(QWidget* window);

} // namespace WindowHeader
