#include "Prj1.h"

#include "Data.h"

#include <QAbstractButton>

namespace
{
// Checking a choice runs its handler, as a click does, unless it is checked already.
void check(QAbstractButton* choice, QAbstractButton* other)
{
    if (choice && !choice->isChecked())
        choice->click();
    if (other)
        other->setChecked(false);
}
}

TFPrj1::TFPrj1(QWidget* parent)
    : TFPrj(parent)
{
    setObjectName(QStringLiteral("FPrj1"));
    becomePicker(ClientWidth);
}

void TFPrj1::setActivityChoices(QAbstractButton* linked, QAbstractButton* all)
{
    m_linked = linked;
    m_all = all;
}

void TFPrj1::pick()
{
    if (FData->TabTem->isEditing() && !FData->TabPrj->isEmpty()) {
        FData->TabTemPRJCOD->setAsString(FData->TabPrjPRJCOD->asString());
        if (FData->TabPrjAct->isEmpty()) {
            check(m_all, m_linked);
            FData->TabAct->first();
            FData->TabTemACTCOD->setValue(FData->TabActACTCOD->value());
        } else {
            check(m_linked, m_all);
            FData->TabPrjAct->first(); // the links in number order: the lowest activity
            FData->TabTemACTCOD->setValue(FData->TabPrjActACTCOD->value());
        }
    }
    accept();
}
