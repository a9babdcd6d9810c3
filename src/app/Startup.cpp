#include "Startup.h"

#include "Act.h"
#include "Data.h"
#include "DialogService.h"
#include "Emp.h"
#include "EngineError.h"
#include "Gauge.h"
#include "HelpContexts.h"
#include "Help.h"
#include "Main.h"
#include "Prj.h"
#include "Wait.h"
#include "Res.h"
#include "SettingsStore.h"
#include "Splash.h"
#include "Sys.h"
#include "Cal.h"
#include "Tem.h"
#include "rech.h"
#include "TitlesColour.h"

#include <QApplication>
#include <QFont>
#include <cmath>

namespace {
constexpr int SchemaVersionHundredths = 350;

void setNetDir() { FData->Db->setNetFileDir(FData->Db->directory() + QStringLiteral("NET")); }

void setUpHelp()
{
    qui::Help::setPages(QStringLiteral(":/help"));
    const struct {
        int context;
        const char* page;
    } pages[] = { { HelpContexts::MainWindow, "main.html" }, { HelpContexts::Employees, "employees.html" },
        { HelpContexts::Projects, "projects.html" }, { HelpContexts::Activities, "activities.html" },
        { HelpContexts::Timesheets, "timesheets.html" }, { HelpContexts::TimesheetEntry, "entry.html" },
        { HelpContexts::Calendar, "calendar.html" }, { HelpContexts::NoteSearch, "search.html" },
        { HelpContexts::SystemParameters, "sysparams.html" }, { HelpContexts::Reports, "reports.html" },
        { HelpContexts::Preview, "preview.html" }, { HelpContexts::About, "about.html" },
        { HelpContexts::Export, "export.html" }, { HelpContexts::Purge, "purge.html" } };
    for (const auto& p : pages)
        qui::Help::registerContext(p.context, QLatin1String(p.page));
}

void databaseFailure()
{
    qui::DialogService::instance().message(nullptr, Res::CaptionWarning, Res::DatabaseFailure, qui::Icon::Information);
}

// The windows that live until the program ends, in their creation order.
void CreateLongLivedWindows()
{
    FAct = new TFAct;
    FMain->setChildWindow(TFMain::View::Activities, FAct);
    FPrj = new TFPrj;
    FMain->setChildWindow(TFMain::View::Projects, FPrj);
    new TFRech(FMain);
    new TFCal(FMain);
    FEmp = new TFEmp;
    FMain->setChildWindow(TFMain::View::Employees, FEmp);
    new TFTem;
    FMain->setChildWindow(TFMain::View::Timesheets, FTem);
    FMain->showCalendar = [] {
        FCal->show();
        FCal->raise();
    };
    FMain->editSystemParameters = [] { TFSys::Run(FMain); };
    FMain->calendarDate = [] { return FCal->date(); };
    FMain->selectedDayTab = [] { return FTem->selectedTab(); };
    FMain->updateCommands();
}
}

double ReadSchemaVersion()
{
    qdb::Query q;
    q.setDatabase(FData->Db);
    q.setSql({ QStringLiteral("Select SysVer From Sys") });
    q.open();
    const qdb::Field* f = q.isEmpty() ? nullptr : q.fieldByName(QStringLiteral("SysVer"));
    const double v = f && !f->isNull() ? f->asFloat() : 0.0;
    q.close();
    return v;
}

bool StartUp()
{
    QApplication::setApplicationDisplayName(Res::AppTitle);
    // The windows name the fonts of their design; metric-compatible ones stand in for them.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    setUpHelp();
    new TFMain;
    auto* splash = new TFSplash;
    new TFData;
    FData->ShowWait = [](int tag) -> QWidget* { return TFMain::ShowWait(tag); };

    double version = 0;
    try {
        FData->Db->open();
        setNetDir();
        TFData::SetEngineConfig(QStringLiteral("\\DRIVERS\\DBASE\\TABLE CREATE\\;LEVEL"), QStringLiteral("3"));
        version = ReadSchemaVersion();
        FData->Db->close();
    } catch (const std::exception&) {
        FData->Db->close();
        delete splash;
        databaseFailure();
        return false;
    }

    // Versions are stored with two decimals: compare them as such, not as binary fractions.
    const int hundredths = int(std::lround(version * 100));
    if (hundredths > SchemaVersionHundredths) {
        delete splash;
        qui::DialogService::instance().message(nullptr, Res::CaptionWarning, Res::DatabaseTooNew, qui::Icon::Warning);
        return false;
    }
    if (hundredths < SchemaVersionHundredths) {
        const int result = FData->UpgradeDatabase();
        if (result == 1) {
            delete splash;
            return false;
        }
        if (result == 2) {
            delete splash;
            qui::DialogService::instance().message(nullptr, Res::CaptionError, Res::UpgradeFailed, qui::Icon::Error);
            return false;
        }
    }

    setTitlesColour(qui::ReadRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, 0xFFFF, Res::RegistryColour));
    qui::WriteRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, TitlesColour(), Res::RegistryColour);

    qui::Gauge* gauge = splash->Gauge1();
    gauge->setForeColor(colourFromBgr(TitlesColour()));
    gauge->setMinValue(0);
    gauge->setMaxValue(70);
    gauge->setProgress(0);
    splash->setTitleColour(gauge->foreColor());
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    try {
        FData->Db->setExclusive(false);
        FData->Db->open();
        setNetDir();
        for (qdb::Table* t : FData->TablesInOpenOrder()) {
            t->open();
            QApplication::processEvents();
            gauge->addProgress(10);
        }
    } catch (const std::exception&) {
        FData->Db->close();
        delete splash;
        databaseFailure();
        return false;
    }

    CreateLongLivedWindows();
    splash->hide();
    delete splash;
    FMain->showMaximized();
    return true;
}
