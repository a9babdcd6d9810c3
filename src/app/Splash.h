#pragma once

#include <QWidget>

namespace Ui {
class TFSplash;
}
namespace qui {
class Gauge;
}

// The start-up window: a gauge that fills as the tables open.
class TFSplash : public QWidget {
    Q_OBJECT
public:
    explicit TFSplash(QWidget* parent = nullptr);
    ~TFSplash() override;
    qui::Gauge* Gauge1() const;
    void setTitleColour(const QColor& colour);

private:
    Ui::TFSplash* ui;
};
