#pragma once

#include "HelpContexts.h"
#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFTemAm;
}

// The dialog in which one timesheet entry is added (mode 1) or edited (mode 0). The caller puts
// TabTem in insert or edit state first; the dialog edits the record through bound controls, helps
// choosing the activity among the project's links or all activities, gives a new entry its number
// from the entry counter, posts, and refreshes the totals.
class TFTemAm : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::TimesheetEntry;

    explicit TFTemAm(QWidget* parent = nullptr);
    ~TFTemAm() override;

    Ui::TFTemAm* form() const { return ui.get(); }
    int mode() const { return property("Tag").toInt(); }
    void setMode(int mode) { setProperty("Tag", mode); }

    // While off, the activity-list choices only change the list; while on they also reset the
    // entry's activity. Shared by every entry dialog of the run.
    static bool SetupFlag;

    // Checks a choice as the program does: its handler runs (also when it was checked already).
    void checkLinkedActivities();
    void checkAllActivities();

    void RadioButton1Click();
    void RadioButton2Click();
    void DBLookupComboBox1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void DateTimePicker1Enter();
    void DateTimePicker1Change();
    void BitBtn1Click();
    void BitBtn2Click();

    // A project chosen (list or picker): the activity choice and the activity follow it.
    void projectChosen();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;
    void done(int result) override;

private:
    void FormShow();
    void writePendingText();
    bool entryActivityIsLinked() const;

    std::unique_ptr<Ui::TFTemAm> ui;
    QObject* m_calendar = nullptr;
};

extern TFTemAm* FTemAm;
