#include "Shutdown.h"

#include "Data.h"
#include "Fin.h"
#include "Gauge.h"

#include <QApplication>
#include <QThread>

namespace {
void pauseBriefly()
{
    QThread::msleep(10);
    QApplication::processEvents();
}
}

int ShutDown()
{
    auto* fin = new TFFin;
    fin->show();
    fin->repaint();
    QApplication::processEvents();
    if (FData) {
        const struct {
            std::function<void()> close;
            bool pauseAfter;
            bool step;
        } steps[] = {
            { [] { FData->TabEmp->close(); }, true, true },
            { [] { FData->TabPrj->close(); }, true, true },
            { [] { FData->TabAct->close(); }, true, true },
            { [] { FData->TabPrjAct->close(); }, true, true },
            { [] { FData->TabTem->close(); }, true, false },
            { [] { FData->TabTemTmp->close(); }, false, true },
            { [] { FData->TabSys->close(); }, true, true },
            { [] { FData->Db->close(); }, true, true },
        };
        for (const auto& s : steps) {
            s.close();
            if (s.step)
                fin->Gauge1()->addProgress(10);
            if (s.pauseAfter)
                pauseBriefly();
        }
    }
    pauseBriefly();
    const int progress = fin->Gauge1()->progress();
    fin->close();
    delete fin;
    return progress;
}
