#include "Gauge.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>

namespace qui {

namespace {

// Screen readers see the gauge as a progress bar with its range and value.
class AccessibleGauge final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleGauge(Gauge* gauge)
        : QAccessibleWidget(gauge, QAccessible::ProgressBar)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(gauge()->progress());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return gauge()->progress(); }
    void setCurrentValue(const QVariant&) override { } // read-only: the program drives it
    QVariant maximumValue() const override { return gauge()->maxValue(); }
    QVariant minimumValue() const override { return gauge()->minValue(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    Gauge* gauge() const { return static_cast<Gauge*>(widget()); }
};

QAccessibleInterface* gaugeFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("qui::Gauge") && object && object->isWidgetType())
        return new AccessibleGauge(static_cast<Gauge*>(object));
    return nullptr;
}

} // namespace

Gauge::Gauge(QWidget* parent)
    : QWidget(parent)
{
    // Installed on first use so that the library needs no start-up call of its own.
    static const bool installed = [] {
        QAccessible::installFactory(gaugeFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Gauge::setMinValue(int value)
{
    m_min = value;
    if (m_max < m_min)
        m_max = m_min;
    setProgress(m_progress);
    update();
}

void Gauge::setMaxValue(int value)
{
    m_max = value;
    if (m_min > m_max)
        m_min = m_max;
    setProgress(m_progress);
    update();
}

void Gauge::setProgress(int value)
{
    const int clamped = std::clamp(value, m_min, m_max);
    if (clamped == m_progress)
        return;
    m_progress = clamped;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_progress);
        QAccessible::updateAccessibility(&event);
    }
    emit progressChanged(m_progress);
}

void Gauge::setForeColor(const QColor& color)
{
    m_fore = color;
    update();
}

void Gauge::setBackColor(const QColor& color)
{
    m_back = color;
    update();
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    p.fillRect(inner, m_back);
    const qint64 range = qint64(m_max) - m_min;
    if (range > 0 && inner.width() > 0) {
        const int filled = int(qint64(inner.width()) * (qint64(m_progress) - m_min) / range);
        p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), m_fore);
    }
    // The sunken edge: dark above and left, light below and right.
    const QPalette& pal = palette();
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
    p.setPen(pal.color(QPalette::Midlight));
    p.drawLine(r.bottomLeft() + QPoint(1, -1), r.bottomRight() + QPoint(-1, -1));
    p.drawLine(r.topRight() + QPoint(-1, 1), r.bottomRight() + QPoint(-1, -1));
}

} // namespace qui
