#pragma once

#include <QColor>
#include <QWidget>

namespace qui {

// A progress bar without text: a sunken frame filled from the left in the fore colour. The
// splash and closing windows count opened or closed tables with it.
class Gauge : public QWidget {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    int minValue() const { return m_min; }
    void setMinValue(int value);
    int maxValue() const { return m_max; }
    void setMaxValue(int value);
    int progress() const { return m_progress; }
    // Clamped to [minValue, maxValue].
    void setProgress(int value);
    void addProgress(int delta) { setProgress(m_progress + delta); }

    QColor foreColor() const { return m_fore; }
    void setForeColor(const QColor& color);
    QColor backColor() const { return m_back; }
    void setBackColor(const QColor& color);

    QSize sizeHint() const override { return { 200, 20 }; }

signals:
    void progressChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
    QColor m_fore { Qt::black };
    QColor m_back { Qt::white };
};

} // namespace qui
