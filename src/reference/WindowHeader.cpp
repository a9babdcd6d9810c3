#include "WindowHeader.h"

#include "ImageLists.h"
#include "TitlesColour.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace WindowHeader
{

void setUpBand(QFrame* panel)
{
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(22, 34, 68));
    p.setColor(QPalette::WindowText, bandText());
    p.setColor(QPalette::Light, QColor(70, 90, 140));
    p.setColor(QPalette::Midlight, QColor(46, 62, 104));
    p.setColor(QPalette::Mid, QColor(16, 24, 50));
    p.setColor(QPalette::Dark, QColor(8, 12, 28));
    panel->setPalette(p);
    panel->setAutoFillBackground(true);
}

void setUp(QFrame* panel, QLabel* image, QLabel* title)
{
    setUpBand(panel);
    // The icon keeps its proportions inside the picture's box.
    const int side = qMin(image->width(), image->height());
    image->setPixmap(ImageLists::applicationIcon().pixmap(side, side));
    image->setAlignment(Qt::AlignCenter);
    QFont f = title->font();
    f.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans") });
    f.setPixelSize(16);
    f.setBold(true);
    f.setItalic(true);
    title->setFont(f);
}

QColor bandText()
{
    return QColor(235, 238, 245);
}

QColor titlesColour()
{
    return colourFromBgr(TitlesColour());
}

void paint(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void centre(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(
            screen->availableGeometry().center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace WindowHeader
