#pragma once

#include <QDialog>

namespace Ui {
class TFAbout;
}

// The about box: product, database and engine versions, and the maker's addresses.
class TFAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 1700;
    explicit TFAbout(QWidget* parent = nullptr);
    ~TFAbout() override;

    // "5" -> "5", 100 -> "1.00": the engine's number as its first digit, a point, the rest.
    static QString engineVersionText(int version);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void highlight(QObject* link);
    Ui::TFAbout* ui;
};
