#include "Animation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace qui {

namespace {

// The pictures are drawn on a 272 x 60 design grid and scaled to the widget.
constexpr double DesignWidth = 272;
constexpr double DesignHeight = 60;

const QColor Ink(64, 64, 64);
const QColor PaperLine(150, 165, 190);
const QColor FolderBack(214, 160, 36);
const QColor FolderFront(250, 204, 84);
const QColor FolderEdge(150, 105, 20);

// A sheet of paper centred on (0, 0) with a folded corner and a few lines of text.
void drawSheet(QPainter& p, double w, double h)
{
    const double fold = w * 0.3;
    QPainterPath sheet;
    sheet.moveTo(-w / 2, -h / 2);
    sheet.lineTo(w / 2 - fold, -h / 2);
    sheet.lineTo(w / 2, -h / 2 + fold);
    sheet.lineTo(w / 2, h / 2);
    sheet.lineTo(-w / 2, h / 2);
    sheet.closeSubpath();
    p.setPen(QPen(Ink, 0.8));
    p.setBrush(Qt::white);
    p.drawPath(sheet);

    QPainterPath corner;
    corner.moveTo(w / 2 - fold, -h / 2);
    corner.lineTo(w / 2 - fold, -h / 2 + fold);
    corner.lineTo(w / 2, -h / 2 + fold);
    p.setBrush(QColor(225, 225, 225));
    p.drawPath(corner);

    p.setPen(QPen(PaperLine, 0.9));
    const double left = -w / 2 + w * 0.18;
    for (int i = 0; i < 4; ++i) {
        const double y = -h / 2 + fold + h * 0.12 + i * h * 0.14;
        const double right = (i == 3 ? 0.1 * w : w / 2 - w * 0.18);
        p.drawLine(QPointF(left, y), QPointF(right, y));
    }
}

// An open manila folder standing on the baseline, centred on x; the front flap leans away.
void drawFolder(QPainter& p, double x, double baseline)
{
    const double w = 44, h = 30;
    const double left = x - w / 2, top = baseline - h;
    p.setPen(QPen(FolderEdge, 1));

    QPainterPath back;
    back.moveTo(left, baseline);
    back.lineTo(left, top + 4);
    back.lineTo(left + 3, top);
    back.lineTo(left + 15, top);
    back.lineTo(left + 18, top + 4);
    back.lineTo(left + w, top + 4);
    back.lineTo(left + w, baseline);
    back.closeSubpath();
    p.setBrush(FolderBack);
    p.drawPath(back);

    // A sheet peeping out of the folder.
    p.save();
    p.translate(x + 2, top + 14);
    drawSheet(p, 24, 20);
    p.restore();

    QPainterPath front;
    front.moveTo(left, baseline);
    front.lineTo(left + 6, top + 12);
    front.lineTo(left + w + 6, top + 12);
    front.lineTo(left + w, baseline);
    front.closeSubpath();
    QLinearGradient shade(0, top + 12, 0, baseline);
    shade.setColorAt(0, FolderFront);
    shade.setColorAt(1, FolderBack.lighter(115));
    p.setBrush(shade);
    p.drawPath(front);
}

// A soft shadow under an object, at the baseline.
void drawShadow(QPainter& p, double x, double baseline, double w)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QPointF(x, baseline + 1.5), w / 2, 2);
}

// 0 -> 1 easing, slow at both ends.
double ease(double t) { return 0.5 - 0.5 * std::cos(std::numbers::pi * t); }

} // namespace

Animation::Animation(QWidget* parent)
    : QWidget(parent)
{
    m_timer.setInterval(FrameInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { setCurrentFrame(m_frame + 1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Animation::setKind(Kind kind)
{
    m_kind = kind;
    update();
}

void Animation::play() { m_timer.start(); }

void Animation::stop() { m_timer.stop(); }

void Animation::setCurrentFrame(int frame)
{
    frame %= FrameCount;
    if (frame < 0)
        frame += FrameCount;
    if (frame == m_frame)
        return;
    m_frame = frame;
    update();
    emit frameChanged(m_frame);
}

void Animation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(width() / DesignWidth, height() / DesignHeight);
    p.translate((width() - DesignWidth * s) / 2, (height() - DesignHeight * s) / 2);
    p.scale(s, s);
    const double t = double(m_frame) / FrameCount; // the last frame leads back into the first
    switch (m_kind) {
    case Kind::CopyFiles:
        paintCopyFiles(p, t);
        break;
    case Kind::RecycleFile:
        paintRecycleFile(p, t);
        break;
    case Kind::FileSearch:
        paintFileSearch(p, t);
        break;
    }
}

void Animation::paintCopyFiles(QPainter& p, double t) const
{
    const double baseline = 54, fromX = 40, toX = 232;
    drawShadow(p, fromX + 3, baseline, 50);
    drawShadow(p, toX + 3, baseline, 50);
    drawFolder(p, fromX, baseline);
    drawFolder(p, toX, baseline);

    // The sheet leaves the left folder, flies over in an arc, turning over once, and drops
    // into the right one.
    const double u = ease(t);
    const double x = fromX + 2 + (toX - fromX) * u;
    const double y = 38 - 30 * std::sin(std::numbers::pi * u);
    p.save();
    p.translate(x, y);
    p.rotate(-25 * std::sin(2 * std::numbers::pi * u));
    p.scale(std::max(0.15, std::abs(std::cos(std::numbers::pi * u))), 1.0);
    drawSheet(p, 16, 20);
    p.restore();
}

void Animation::paintRecycleFile(QPainter& p, double t) const
{
    const double baseline = 56;
    // The document the page comes from, on the left.
    drawShadow(p, 70, baseline, 36);
    p.save();
    p.translate(70, baseline - 17);
    drawSheet(p, 26, 34);
    p.restore();

    // The bin: a tapering basket, drawn in two halves so that the page falls behind its rim.
    const double binX = 196, binTop = 22, binW = 40, binBottomW = 30;
    drawShadow(p, binX, baseline, 40);
    const QPointF tl(binX - binW / 2, binTop), tr(binX + binW / 2, binTop);
    const QPointF bl(binX - binBottomW / 2, baseline), br(binX + binBottomW / 2, baseline);
    p.setPen(QPen(QColor(60, 80, 90), 1));
    p.setBrush(QColor(70, 90, 100));
    p.drawEllipse(QPointF(binX, binTop), binW / 2, 4); // the inside, seen over the rim

    // The page: lifts off the document, flies in an arc, tumbles and falls into the bin; the
    // bin's front, drawn next, hides the part that is already inside.
    const double u = ease(std::min(1.0, t * 1.25));
    if (t * 1.25 < 1.0) {
        const double x = 70 + (binX - 70) * u;
        const double y = 38 - 34 * std::sin(std::numbers::pi * u * 0.82) + 8 * u;
        p.save();
        p.translate(x, y);
        p.rotate(200 * u);
        const double shrink = 1.0 - 0.35 * u;
        p.scale(shrink, shrink);
        drawSheet(p, 16, 20);
        p.restore();
    }

    QPainterPath body;
    body.moveTo(tl);
    body.lineTo(bl);
    body.quadTo(QPointF(binX, baseline + 3), br);
    body.lineTo(tr);
    body.quadTo(QPointF(binX, binTop + 4), tl);
    QLinearGradient metal(binX - binW / 2, 0, binX + binW / 2, 0);
    metal.setColorAt(0, QColor(120, 150, 165));
    metal.setColorAt(0.35, QColor(200, 220, 228));
    metal.setColorAt(1, QColor(100, 125, 140));
    p.setBrush(metal);
    p.drawPath(body);
    // Ribs of the basket.
    p.setPen(QPen(QColor(80, 105, 118), 1));
    for (int i = 1; i < 5; ++i) {
        const double f = i / 5.0;
        p.drawLine(QPointF(tl.x() + (tr.x() - tl.x()) * f, binTop + 5),
            QPointF(bl.x() + (br.x() - bl.x()) * f, baseline - 2));
    }
    // The rim.
    p.setPen(QPen(QColor(60, 80, 90), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(binX, binTop), binW / 2, 4);
    // A band round the middle of the basket.
    p.setPen(QPen(QColor(70, 95, 108), 1.2));
    p.drawLine(QPointF(binX - binW / 2 + 3.5, binTop + 14), QPointF(binX + binW / 2 - 3.5, binTop + 14));
}

void Animation::paintFileSearch(QPainter& p, double t) const
{
    // A wide page of text, and a magnifying glass that sweeps across it and back.
    const QRectF page(56, 6, 160, 48);
    drawShadow(p, page.center().x(), page.bottom(), page.width() + 6);

    auto drawPage = [&](QPainter& q) {
        q.setPen(QPen(Ink, 0.8));
        q.setBrush(Qt::white);
        q.drawRect(page);
        q.setPen(QPen(PaperLine, 1.2));
        for (int i = 0; i < 6; ++i) {
            const double y = page.top() + 8 + i * 6.5;
            const double end = page.right() - 10 - ((i * 37) % 50);
            q.drawLine(QPointF(page.left() + 10, y), QPointF(end, y));
        }
        // The word being looked for.
        q.setPen(QPen(QColor(210, 60, 50), 1.6));
        q.drawLine(QPointF(page.left() + 96, page.top() + 27), QPointF(page.left() + 118, page.top() + 27));
    };
    drawPage(p);

    const double sweep = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * t);
    const QPointF lens(page.left() + 22 + (page.width() - 44) * sweep,
        page.center().y() - 4 + 6 * std::sin(4 * std::numbers::pi * t));
    const double r = 14;

    // What the lens shows: the page, enlarged around its centre.
    p.save();
    QPainterPath glass;
    glass.addEllipse(lens, r, r);
    p.setClipPath(glass);
    p.fillPath(glass, Qt::white);
    p.translate(lens);
    p.scale(1.7, 1.7);
    p.translate(-lens);
    drawPage(p);
    p.restore();

    // Handle, then rim and a glint.
    const QPointF handleFrom = lens + QPointF(r * 0.72, r * 0.72);
    p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleFrom + QPointF(2, 2), handleFrom + QPointF(13, 13));
    p.setPen(QPen(QColor(60, 60, 70), 2.5));
    p.setBrush(QColor(150, 200, 255, 45));
    p.drawEllipse(lens, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(lens.x() - r + 4, lens.y() - r + 4, 2 * r - 8, 2 * r - 8), 100 * 16, 60 * 16);
}

} // namespace qui
