#include "Act1.h"

#include "Data.h"

TFAct1::TFAct1(QWidget* parent)
    : TFAct(parent)
{
    setObjectName(QStringLiteral("FAct1"));
    becomePicker(ClientWidth);
}

void TFAct1::pick()
{
    if (FData->TabTem->isEditing() && !FData->TabAct->isEmpty())
        FData->TabTemACTCOD->setAsInteger(FData->TabActACTCOD->asInteger());
    accept();
}
