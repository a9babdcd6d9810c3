#include "BannerWindow.h"

#include "ImageLists.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace BannerWindow {

void setUp(QWidget* window, QWidget* panel, QLabel* icon, QLabel* title, QLabel* line, bool framed)
{
    // A dark panel, so that the titles colour (yellow unless changed) reads well on it.
    QPalette pp = panel->palette();
    pp.setColor(QPalette::Window, QColor(22, 34, 68));
    pp.setColor(QPalette::WindowText, QColor(235, 238, 245));
    pp.setColor(QPalette::Light, QColor(70, 90, 140));
    pp.setColor(QPalette::Dark, QColor(8, 12, 28));
    panel->setPalette(pp);
    window->setWindowFlags(framed ? (Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
                                  : (Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    window->setFixedSize(window->size());
    window->setWindowIcon(ImageLists::applicationIcon());
    icon->setPixmap(ImageLists::applicationIcon().pixmap(icon->size()));
    QFont big = title->font();
    big.setPixelSize(16);
    title->setFont(big);
    if (line) {
        QFont small = line->font();
        small.setPixelSize(11);
        line->setFont(small);
    }
    centre(window);
}

void paintTitle(QLabel* title, const QColor& colour)
{
    QPalette p = title->palette();
    p.setColor(QPalette::WindowText, colour);
    title->setPalette(p);
}

void centre(QWidget* window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

} // namespace BannerWindow
