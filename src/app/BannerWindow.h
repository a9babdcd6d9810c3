#pragma once

#include <QColor>

class QWidget;
class QLabel;

// What the splash, closing and wait windows share: a borderless (or captioned) stay-on-top
// window centred on the screen, the application icon and the heading in the titles colour.
namespace BannerWindow {
void setUp(QWidget* window, QWidget* panel, QLabel* icon, QLabel* title, QLabel* line, bool framed);
void paintTitle(QLabel* title, const QColor& colour);
void centre(QWidget* window);
}
