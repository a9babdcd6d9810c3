#pragma once

#include <QWidget>

namespace Ui {
class TFFin;
}
namespace qui {
class Gauge;
}

// The closing window: a gauge that fills as the tables close.
class TFFin : public QWidget {
    Q_OBJECT
public:
    explicit TFFin(QWidget* parent = nullptr);
    ~TFFin() override;
    qui::Gauge* Gauge1() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Ui::TFFin* ui;
};

extern TFFin* FFin;
