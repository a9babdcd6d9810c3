#pragma once

#include "HelpContexts.h"
#include "ReferenceDialog.h"

namespace Ui
{
class TFActAm;
}

// The activity dialog: one activity added (Tag 1) or edited (Tag 0) in the current record of
// TabAct. An activity left without a number (or numbered 0) takes the next one of the activity
// counter of the Sys row, drawn under that row's lock; a drawn number is never given back.
class TFActAm : public ReferenceDialog
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Activities;

    explicit TFActAm(QWidget* parent = nullptr);
    ~TFActAm() override;

    void BitBtn1Click(); // Ok: number, post and close

protected:
    void FormShow() override;

private:
    Ui::TFActAm* ui;
};
