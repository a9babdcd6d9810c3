#pragma once

#include <QWidget>

namespace Ui {
class TFWait;
}
namespace qui {
class Animation;
}

// The stay-on-top wait window: plain (tag 0), with the recycle (1) or copy (2) animation.
// Closing frees it.
class TFWait : public QWidget {
    Q_OBJECT
public:
    explicit TFWait(int tag, QWidget* parent = nullptr);
    ~TFWait() override;
    int tag() const { return m_tag; }
    qui::Animation* Animate1() const;

private:
    Ui::TFWait* ui;
    int m_tag;
};
