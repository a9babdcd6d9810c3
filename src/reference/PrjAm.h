#pragma once

#include "HelpContexts.h"
#include "ReferenceDialog.h"

#include <QStringList>

namespace Ui
{
class TFPrjAm;
}

// The project dialog: one project added (Tag 1) or edited (Tag 0) in the current record of
// TabPrj, with the activities allowed on it. The project window creates it, fills the check list
// of activities (and ticks the project's links when editing), puts TabPrj in insert or edit state
// and shows it. It opens collapsed; the toggle shows the check list, whose popup menu adds, edits
// and deletes activities themselves and keeps the ticks across the refill.
//
// Ok posts the project and rewrites its links from the ticks as one transaction: a refusal
// anywhere changes nothing stored, and the dialog stays open with what was typed and ticked, so
// the user can press Ok again or cancel.
class TFPrjAm : public ReferenceDialog
{
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Projects;
    static constexpr int CollapsedHeight = 183; // client area
    static constexpr int EnlargedHeight = 287;
    static constexpr int CollapsedButtonsTop = 151;
    static constexpr int EnlargedButtonsTop = 255;

    explicit TFPrjAm(QWidget* parent = nullptr);
    ~TFPrjAm() override;

    // Every activity of TabAct in its current order, none ticked.
    void FillActivities();
    // Ticks the activities the current project is linked to in TabPrjAct.
    void CheckLinkedActivities();

    void BitBtn1Click(); // Ok
    void BitBtn3Click(); // collapse or enlarge
    bool enlarged() const;
    void Ajouteruneaction1Click(); // "Add an activity"
    void Modifieruneaction1Click(); // "Edit an activity" (also a double-click on the list)
    void Effaceruneaction1Click(); // "Delete an activity"
    void Viderlaslection1Click(); // "Empty selection"

    // The numbers of the ticked activities, kept while an activity command refills the list.
    void SaveCheckedActivities();
    void ReloadActivities();
    const QStringList& rememberedActivities() const { return m_remembered; }
    // The numbers of the ticked activities, in list order.
    QList<int> checkedActivities() const;

protected:
    void FormShow() override;

private:
    void appendActivities();
    void rewriteLinks();
    // After a rolled-back Ok: the project back in insert or edit state with what was typed.
    void resume(bool inserting, const QVariantList& typed);
    void runActivityCommand(void (*command)(QWidget*), const QString& noSelection);

    Ui::TFPrjAm* ui;
    QStringList m_remembered;
    QString m_storedCode; // the edited project's number as stored
};
